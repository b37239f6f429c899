#pragma once
// The recording side of a capture: a ring of buffer slots filled on the
// device layer's thread and emptied block by block by the recorder thread.
// The capture callback never takes a lock, never allocates and never waits:
// it fills the slot at the write index and wakes the recorder through the
// slot's one-byte signal. A slot still held by the recorder when the
// callback needs it means the recorder fell four seconds behind: the frames
// are counted as lost (never silently) and the recorder reports them.

#include "audio/core/LSoundSink.h"
#include "audio/devices/LSoundDeviceBackend.h"
#include "audio/devices/LSoundInputDevices.h"
#include "foundation/threads/LProcessContext.h"
#include "foundation/threads/LSignalObject.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct LSoundInputSlot
{
    int64_t framesCapacity = 0;
    int64_t samplesCapacity = 0;
    std::vector<int32_t> data;            // device samples, device channels interleaved
    std::atomic<int64_t> framesFilled{0}; // 0 = free; set last by the callback
    LSignalObject emptied;
    LSignalObject filled;
};

// Frees the old slots and makes count empty ones.
void LSoundInputSlotArrayResize(std::vector<std::unique_ptr<LSoundInputSlot>>& slots, size_t count,
                                int64_t frames, uint32_t channels);

class LSoundInputStream : private LSoundCaptureHandler
{
public:
    LSoundInputStream();
    ~LSoundInputStream() override;
    LSoundInputStream(const LSoundInputStream&) = delete;
    LSoundInputStream& operator=(const LSoundInputStream&) = delete;

    // Opens the selected device for the sink (its rate and channels); may
    // replace the sink by an adapted one when the device delivers another rate.
    bool Open(LSoundSinkPtr& sink);
    // Empties the ring and starts the capture; false when it cannot start.
    bool Start();
    // Stops the capture; a partly filled slot is handed over so that the
    // last frames are not lost. No callback runs afterwards.
    void StopCapture();
    // Waits (through context, at most 3000 ms) for the next filled slot and
    // converts it into out (frames per buffer x channels samples); false when
    // the capture is to end: a stop request, a time-out or a device error.
    bool TakeBlock(LProcessContext* context, int32_t* out, int64_t* frames);
    // The same without waiting, for what is left after the capture stopped;
    // returns the frames taken (0 when the slot is free).
    int64_t DrainBlock(int32_t* out);
    void Close();

    LSoundInputSelection selection;

    int32_t GetError() const { return error_.load(std::memory_order_acquire); }
    void ClearError() { error_.store(0, std::memory_order_release); }
    bool IsRunning() const { return running_.load(std::memory_order_acquire); }
    int64_t GetFramesPerBuffer() const { return framesPerBuffer_; }
    int64_t GetSamplesPerBuffer() const { return framesPerBuffer_ * outChannels_; }
    size_t GetSlotCount() const { return slots_.size(); }
    uint32_t GetRate() const { return rate_; }
    uint32_t GetChannels() const { return outChannels_; }
    // Frames the callback had to drop because the ring was full, and how often.
    int64_t GetLostFrames() const { return lostFrames_.load(std::memory_order_acquire); }
    int64_t GetOverrunCount() const { return overruns_.load(std::memory_order_acquire); }
    // Frames handed over by the device, and frames the recorder has taken (for statistics and tests).
    int64_t GetFramesCaptured() const { return framesCaptured_.load(std::memory_order_acquire); }
    int64_t GetFramesTaken() const { return framesTaken_.load(std::memory_order_acquire); }
    uint32_t GetCallbackStartTime() const { return callbackStart_.load(std::memory_order_acquire); }
    uint32_t GetLastConsumeTime() const { return lastConsume_; }

    // Frames per buffer for a rate: a tenth of a second within 512..8192.
    static int64_t FramesPerBufferForRate(uint32_t rate);
    // Slots for four seconds of buffers.
    static size_t SlotCountFor(int64_t framesPerBuffer, uint32_t rate);

private:
    // LSoundCaptureHandler, on the device layer's thread.
    void OnCaptureData(const void* samples, int64_t frames) override;
    void OnCaptureHole(int64_t frames) override;
    void OnCaptureError(int32_t code) override;

    void PublishSlot();
    int64_t ConvertSlot(LSoundInputSlot& slot, int32_t* out);
    void ResetRing();

    std::unique_ptr<LSoundCaptureStream> capture_;
    std::vector<std::unique_ptr<LSoundInputSlot>> slots_;
    uint32_t readIndex_ = 0;  // the recorder's
    uint32_t writeIndex_ = 0; // the callback's
    int64_t fillOffset_ = 0;  // the callback's: frames already in the slot at the write index
    bool dropping_ = false;   // the callback's: inside an overrun
    int64_t framesPerBuffer_ = 0;
    uint32_t rate_ = 0;
    uint32_t deviceChannels_ = 0;
    uint32_t outChannels_ = 0;
    std::vector<uint32_t> channelMap_; // device channel for each output channel
    std::string deviceName_;
    std::atomic<bool> running_{false};
    std::atomic<int32_t> error_{0};
    std::atomic<int64_t> lostFrames_{0};
    std::atomic<int64_t> overruns_{0};
    std::atomic<int64_t> framesCaptured_{0};
    std::atomic<int64_t> framesTaken_{0};
    std::atomic<uint32_t> callbackStart_{0};
    std::atomic<bool> firstCallback_{true};
    uint32_t lastConsume_ = 0;
};
