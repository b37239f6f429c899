#pragma once
// Tells the window side when a disc goes in or comes out. Change events come
// from an event source (libudev's block "change" events, or a 2 s poll where
// udev is missing); on each, the watcher asks whether a disc is present and
// reports only real transitions. Events are ignored while one of our own
// burns runs: the burn ejects and reloads on purpose.

#include <functional>
#include <memory>
#include <string>

class LDiscEventSource
{
public:
    virtual ~LDiscEventSource() = default;
    // A descriptor that becomes readable when an event may be waiting (the
    // window side adds it to its event loop), or -1 for a source that must be
    // polled every PollIntervalMs().
    virtual int Descriptor() const = 0;
    virtual int PollIntervalMs() const { return 2000; }
    // Takes the waiting events; true when one concerns an optical drive.
    virtual bool TakeChange() = 0;
};

// libudev's monitor of block devices; null when udev is not available.
std::unique_ptr<LDiscEventSource> LCreateUdevDiscEventSource();
// No events of its own: every poll counts as a possible change.
std::unique_ptr<LDiscEventSource> LCreatePollingDiscEventSource();
// The udev source, else the polling one.
std::unique_ptr<LDiscEventSource> LCreateDiscEventSource();

class LDiscMediaWatcher
{
public:
    using Probe = std::function<bool()>;      // is a disc in the drive?
    using Notify = std::function<void(bool)>; // true inserted, false ejected

    LDiscMediaWatcher(std::unique_ptr<LDiscEventSource> source, Probe probe, Notify notify);

    int Descriptor() const { return source_->Descriptor(); }
    int PollIntervalMs() const { return source_->PollIntervalMs(); }
    // Call when the descriptor is readable, or at each poll interval.
    void OnEvent();
    // 0 unknown, 1 a disc present, -1 none.
    int State() const { return state_; }

private:
    std::unique_ptr<LDiscEventSource> source_;
    Probe probe_;
    Notify notify_;
    int state_ = 0;
};
