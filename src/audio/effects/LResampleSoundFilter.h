#pragma once
// Source-side rate conversion: a 63-tap polyphase windowed-sinc filter over
// a history of up to 32768 upstream frames per channel. Any channel count is
// converted; each channel keeps its own contiguous history so one filter
// loop serves them all.

#include "audio/core/LSoundSource.h"
#include "audio/effects/LSincTable.h"

#include <cstddef>
#include <vector>

class LResampleSoundFilter : public LSoundFilter
{
public:
    static constexpr int32_t kTaps = 63;
    static constexpr int64_t kHistoryFrames = 32768;

    // targetRate below 1 gives a filter at 44100 Hz with status 3.
    LResampleSoundFilter(const LSoundSourcePtr& upstream, int32_t targetRate, bool approximate);
    ~LResampleSoundFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override;
    int64_t GetLength() override;
    void Seek(int64_t frame) override;

    const LSincTable& GetTable() const { return table_; }

private:
    // Makes room and reads the next stretch of upstream frames into the history.
    void Refill();
    float* History(int32_t channel) { return history_.data() + static_cast<size_t>(channel) * kCapacity; }

    static constexpr int64_t kCapacity = kHistoryFrames + kTaps;

    LSincTable table_;
    LSincKernel kernel_;
    // kCapacity frames per channel, channel after channel, plus room for the
    // kernel's zero padding taps past the last channel.
    std::vector<float> history_;
    std::vector<int32_t> scratch_; // one interleaved upstream block
    int64_t filled_ = 0;           // frames of history in use
    int64_t position_ = 0;         // first tap of the next output frame
    int64_t phase_ = 0;            // may exceed L until the next frame folds it into position_
};
