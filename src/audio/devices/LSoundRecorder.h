#pragma once
// The recording thread: opens the input stream on its own thread, takes the
// ring block by block, measures the peak level of every channel, writes to
// the sink, leaves out long silences, trims the end and reports to a
// listener on the main thread through a queued notification.

#include "audio/core/LSoundSink.h"
#include "audio/devices/LSoundInputStream.h"
#include "foundation/threads/LThreadOwner.h"
#include "foundation/threads/LThreadQueuedNotify.h"

#include <atomic>
#include <cstdint>
#include <vector>

// Levels in signed dB per channel (-127 silence), with the thresholds in force.
struct LSoundLevelRecord
{
    uint8_t count = 0;
    int8_t levels[256] = {};
    int8_t startThreshold = 0;
    int8_t quietThreshold = 0;
};

class LSoundRecorderListener
{
public:
    virtual ~LSoundRecorderListener() = default;
    virtual void OnRecordingSound(void* cookie) { (void)cookie; }
    virtual void OnWaitingForSound(void* cookie) { (void)cookie; }
    virtual void OnStopped(void* cookie) { (void)cookie; }
    virtual void OnPosition(const int64_t* milliseconds, void* cookie)
    {
        (void)milliseconds;
        (void)cookie;
    }
    virtual void OnLevels(const LSoundLevelRecord* levels, void* cookie)
    {
        (void)levels;
        (void)cookie;
    }
    virtual void OnError(int32_t code, void* cookie)
    {
        (void)code;
        (void)cookie;
    }
    // The sink refused a write (a full disk): the recording has ended there,
    // and the sink holds what was written before it. code is the system's
    // error number.
    virtual void OnWriteFailed(int32_t code, void* cookie)
    {
        (void)code;
        (void)cookie;
    }
    // Frames were lost because the recorder fell behind the input (total so far).
    virtual void OnDataLost(int64_t frames, void* cookie)
    {
        (void)frames;
        (void)cookie;
    }
};

// Start flags.
enum : uint8_t {
    kRecorderWaitForGo = 0x01,      // start the capture only on Go()
    kRecorderStartRecording = 0x02, // start in "recording sound", without warm-up
};

// Recorder states.
enum : int32_t {
    kRecorderStopped = 0,
    kRecorderWaiting = 1,
    kRecorderRecording = 2,
};

class LSoundRecorder : public LThreadOwner, public LThreadQueuedNotify, private LSoundRecorderListener
{
public:
    LSoundRecorder();
    ~LSoundRecorder() override;

    void SetListener(LSoundRecorderListener* listener, void* cookie);
    void SetSelection(const LSoundInputSelection& selection) { stream_.selection = selection; }
    const LSoundInputSelection& GetSelection() const { return stream_.selection; }

    // Main thread. Records into sink; maximum length in ms (below 1: none),
    // start threshold in dB, silence time in ms, start flags.
    bool Start(const LSoundSinkPtr& sink, int64_t maximumMs, int32_t startThresholdDb, int64_t silenceMs,
               uint8_t flags);
    // Main thread: ends the recording, cuts it to 50 ms after the last block
    // written and finishes the sink.
    void Stop();
    // Lets a recorder started with kRecorderWaitForGo begin the capture.
    void Go();

    int32_t GetState() const { return state_.load(std::memory_order_acquire); }
    int64_t GetLostFrames() const { return stream_.GetLostFrames(); }
    int64_t GetOverrunCount() const { return stream_.GetOverrunCount(); }
    const LSoundInputStream& GetStream() const { return stream_; }

    // The level of one channel in dB: 20 log10(peak / 131072), rounded half
    // away from zero, within -127..127; -127 for silence.
    static int8_t ChannelLevel(int32_t peak);
    // Levels of every channel into the record; returns the block level (the
    // louder of channels 0 and 1).
    static int8_t MeasureLevels(const int32_t* samples, int64_t frames, uint32_t channels,
                                LSoundLevelRecord& record);
    // Milliseconds to frames: ms / 1000 x rate + (ms mod 1000) x rate / 1000.
    static int64_t MsToFrames(int64_t ms, uint32_t rate);
    static int64_t FramesToMs(int64_t frames, uint32_t rate);

protected:
    void Run() override;
    void EvNotify() override { OnThreadNotify(); }
    void OnThreadNotify();

private:
    void WriteBlock(const int32_t* samples, int64_t frames);
    int64_t SinkMs() const;
    void DrainRemaining();

    LSoundInputStream stream_;
    LSoundRecorderListener* listener_;
    void* cookie_ = nullptr;
    std::atomic<int32_t> state_{kRecorderStopped};
    LSoundSinkPtr sink_;
    std::atomic<int64_t> lastBlockTime_{0};
    int64_t lastLoudTime_ = 0;
    LSignalObject startedSignal_;
    LSignalObject goSignal_;
    LSoundLevelRecord levels_;
    LSoundLevelRecord postedLevels_;
    int64_t maximumMs_ = 0;
    int64_t silenceMs_ = 0;
    std::atomic<bool> maximumReached_{false};
    std::atomic<int32_t> writeError_{0}; // set by the thread at the first failed write
    std::atomic<bool> levelsPending_{false};
    std::atomic<bool> stateChanged_{false};
    std::atomic<bool> endedByItself_{false};
    std::atomic<int64_t> reportedLost_{0};
    uint8_t startFlags_ = 0;
    bool threadStarted_ = false;
    LLockObject levelLock_;
};
