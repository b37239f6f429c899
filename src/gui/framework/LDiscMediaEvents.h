#pragma once
// Disc arrivals and removals as windows see them. The optical-drive layer
// supplies the real source through the factory; windows create one source
// each, and tests install the fake below.

#include <functional>
#include <memory>
#include <vector>

class LDiscMediaEventSource
{
public:
    virtual ~LDiscMediaEventSource() = default;
    // The handler runs on the main thread: true when a disc became present,
    // false when it was removed. Replaces any earlier handler.
    virtual void SetMediaChangeHandler(std::function<void(bool present)> handler) = 0;
};

class LDiscEventSource;

// The real source: the optical-drive layer's watcher over `events` (block
// device events, or a poll at their interval), asking `discPresent` on each
// whether a disc is in the drive. Only real arrivals and removals are
// reported, on the main thread; the state at creation is learnt, not reported.
std::unique_ptr<LDiscMediaEventSource> LCreateDiscMediaWatcherSource(std::unique_ptr<LDiscEventSource> events,
                                                                     std::function<bool()> discPresent);

using LDiscMediaEventSourceFactory = std::unique_ptr<LDiscMediaEventSource> (*)();
// Null uninstalls; then windows get no source and no disc commands.
void LSetDiscMediaEventSourceFactory(LDiscMediaEventSourceFactory factory);
std::unique_ptr<LDiscMediaEventSource> LCreateDiscMediaEventSource();

// A source driven by hand. Every live instance is listed, newest last, so a
// test can reach the one a window created.
class LFakeDiscMediaEventSource : public LDiscMediaEventSource
{
public:
    LFakeDiscMediaEventSource();
    ~LFakeDiscMediaEventSource() override;
    void SetMediaChangeHandler(std::function<void(bool present)> handler) override;

    void Insert() { Report(true); }
    void Eject() { Report(false); }

    static std::unique_ptr<LDiscMediaEventSource> Create();
    static const std::vector<LFakeDiscMediaEventSource*>& Live();

private:
    void Report(bool present);
    std::function<void(bool)> handler_;
};
