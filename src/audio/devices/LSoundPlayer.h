#pragma once
// The playback thread: keeps the output stream's FIFO filled from a source
// and reports position, levels and the end of playback to a listener on the
// main thread. A second thread turns the output callback's level signal
// into notifications; whichever of the two is starved gets the higher
// priority. Also plays a live pipe while its writer is open.

#include "audio/LSoundSource.h"
#include "audio/devices/LSoundPlayerDevice.h"
#include "foundation/threads/LThreadQueuedNotify.h"
#include "foundation/threads/LThreadOwner.h"

#include <atomic>

class LSoundPlayerListener
{
public:
    virtual ~LSoundPlayerListener() = default;
    virtual void OnPlayStarted(void* cookie) { (void)cookie; }
    virtual void OnPlayStopped(void* cookie) { (void)cookie; }
    // Reserved for the playback windows; the player never calls them.
    virtual void OnPlayReserved1(void* cookie) { (void)cookie; }
    virtual void OnPlayReserved2(void* cookie) { (void)cookie; }
    virtual void OnPlayPosition(const int64_t* milliseconds, void* cookie)
    {
        (void)milliseconds;
        (void)cookie;
    }
    virtual void OnPlayLevels(const LSoundLevelRecord* levels, void* cookie)
    {
        (void)levels;
        (void)cookie;
    }
    // The output went away; playback has been stopped.
    virtual void OnPlayError(int32_t code, void* cookie)
    {
        (void)code;
        (void)cookie;
    }
};

class LSoundPlayer;

class LSoundPlayerDoneHandlerThread : public LThreadOwner
{
public:
    explicit LSoundPlayerDoneHandlerThread(LSoundPlayer* player) : player_(player) {}
    ~LSoundPlayerDoneHandlerThread() override { StopAndWait(); }

protected:
    void Run() override;

private:
    LSoundPlayer* player_;
};

class LSoundPlayer : public LThreadOwner, public LThreadQueuedNotify, private LSoundPlayerListener
{
public:
    LSoundPlayer();
    ~LSoundPlayer() override;

    void SetListener(LSoundPlayerListener* listener, void* cookie);

    // Main thread. Plays source; start mode 1 opens paused.
    bool Play(const LSoundSourcePtr& source, uint32_t startMode = 0);
    void Stop();
    // Continues from a frame of the source.
    void Seek(int64_t frame);
    void Pause();
    void Resume();
    // Scrubbing: stops filling and loops the 512 frames at the current
    // position until the next Seek (which rebuilds them) or Stop.
    void StartPreview();
    bool IsPaused() const { return (device_.GetState() & kPlayerDevicePaused) != 0; }

    LSoundPlayerDevice& GetDevice() { return device_; }
    const LSoundSourcePtr& GetSource() const { return source_; }

    // Milliseconds as (frames / rate) x 1000 + (frames mod rate) x 1000 / rate; 0 for no rate.
    static int64_t FramesToMs(int64_t frames, int32_t rate);

protected:
    void Run() override;
    void EvNotify() override { NotifyListener(); }
    void NotifyListener();

private:
    friend class LSoundPlayerDoneHandlerThread;
    void ApplyWantedPriority();

    LSoundPlayerDevice device_;
    LSoundPlayerListener* listener_;
    void* cookie_ = nullptr;
    LSoundSourcePtr source_;
    LSoundPlayerDoneHandlerThread doneHandler_;
    std::atomic<bool> playerRaised_{false};
    std::atomic<bool> doneRaised_{false};
    // Each thread sets only its own priority: these say what the other wants of it.
    std::atomic<int> playerWanted_{0};
    std::atomic<int> doneWanted_{0};
    std::atomic<int64_t> blockCounter_{0};
    LSignalObject wake_;
    LSignalObject dataWritten_;
    LSignalObject ended_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> positionPending_{false};
    std::atomic<bool> stopPending_{false};
    bool seekHoldsMutex_ = false;
    bool threadStarted_ = false;
    LLockObject mutex_;
};
