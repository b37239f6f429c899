#pragma once
// Sink-side rate conversion: a 15-tap polyphase windowed-sinc filter in front
// of a downstream sink. Frames written at this sink's rate reach the
// downstream at its own rate, in blocks of up to 8192 frames. Releasing the
// last handle flushes the filter's tail and then releases the downstream.

#include "audio/core/LSoundSink.h"
#include "audio/effects/LSincTable.h"

#include <cstddef>
#include <vector>

class LResampleSoundSink : public LSoundSink
{
public:
    static constexpr int32_t kTaps = 15;

    LResampleSoundSink(const LSoundSinkPtr& downstream, uint32_t acceptedRate, bool approximate);
    ~LResampleSoundSink() override;

    void Write(const int32_t* buffer, int64_t frames) override;
    void Truncate(int64_t frame) override;
    // Pushes the filter's tail through and finishes the downstream.
    bool Finish() override;
    void Abandon() override;

    const LSincTable& GetTable() const { return table_; }

private:
    // Appends frames (nullptr: silence) to the input history and filters what it can.
    void Push(const int32_t* buffer, int64_t frames);
    void FlushOutput();
    void ResetInput();
    float* Input(int32_t channel) { return input_.data() + static_cast<size_t>(channel) * kInputCapacity; }

    static constexpr int64_t kInputCapacity = kSoundBlockFrames + kTaps;

    LSoundSinkPtr downstream_;
    LSincTable table_;
    LSincKernel kernel_;
    std::vector<float> input_;    // kInputCapacity frames per channel, plus the kernel's padding
    std::vector<int32_t> output_; // kSoundBlockFrames interleaved frames
    int64_t filled_ = 0;          // frames of input history in use
    int64_t inputPosition_ = 0;   // first tap of the next output frame
    int64_t phase_ = 0;
    int64_t outputCount_ = 0; // frames waiting in output_
    bool finished_ = false;
};

// out = a sink accepting acceptedRate in front of sink; sink itself when the rates agree.
void CreateResampleSoundSink(LSoundSinkPtr& out, uint32_t acceptedRate, const LSoundSinkPtr& sink,
                             bool approximate);
