#include "audio/effects/LSampleLevels.h"

#include "audio/core/LHotLoop.h"

#include "audio/effects/LFixedPoint.h"

namespace {

// Summed exactly in 128 bits: a long block of samples near the int32 limits
// squares to far more than 64 bits hold.
int64_t MeanSquareStrided(const int32_t* samples, int64_t count, int64_t stride)
{
    if (count < 1)
        return 0;
    unsigned __int128 total = 0;
    for (int64_t i = 0; i < count; ++i) {
        const int64_t v = samples[i * stride] >> 5;
        total += static_cast<uint64_t>(v * v);
    }
    return static_cast<int64_t>(total / static_cast<uint64_t>(count));
}

} // namespace

int32_t LChannelPeak(int32_t channel, const int32_t* samples, int64_t frames, int32_t channels)
{
    if (channels < 1 || frames < 1)
        return 0;
    int64_t stride = channels;
    int64_t count = frames;
    if (channels == 1) {
        channel = 0;
    } else if (channel < 0 || channel >= channels) {
        return 0;
    }
    int32_t maxValue = 0, minValue = 0;
    for (int64_t i = 0; i < count; ++i) {
        const int32_t s = samples[channel + i * stride];
        if (s > maxValue)
            maxValue = s;
        if (s < minValue)
            minValue = s;
    }
    return LSaturateToInt32(maxValue > -static_cast<int64_t>(minValue) ? maxValue
                                                                       : -static_cast<int64_t>(minValue));
}

int64_t LMeanSquare(const int32_t* samples, int64_t frames, int32_t channels)
{
    if (channels < 1 || frames < 1)
        return 0;
    return MeanSquareStrided(samples, frames * channels, 1);
}

int64_t LChannelMeanSquare(int32_t channel, const int32_t* samples, int64_t frames, int32_t channels)
{
    if (channels < 1 || frames < 1 || channel < 0 || channel >= channels)
        return 0;
    return MeanSquareStrided(samples + channel, frames, channels);
}

L_HOT_LOOP void LApplyGain512(int32_t gain, int32_t* samples, int64_t count)
{
    for (int64_t i = 0; i < count; ++i)
        samples[i] = LSaturateToInt32((static_cast<int64_t>(samples[i]) * gain) >> 9);
}

L_HOT_LOOP void LAddChannelSums(const int32_t* samples, int64_t frames, int32_t channels, int64_t* sums)
{
    if (channels == 1 || channels == 2) {
        // Eight running sums side by side, each taking every eighth sample:
        // the even ones hold the first channel's samples, the odd ones the
        // second's (or all of them hold the one channel's).
        constexpr int64_t kLanes = 8;
        const int64_t count = frames * channels;
        int64_t lanes[kLanes] = {};
        int64_t i = 0;
        for (; i + kLanes <= count; i += kLanes)
            for (int64_t k = 0; k < kLanes; ++k)
                lanes[k] += samples[i + k];
        for (; i < count; ++i)
            lanes[i % kLanes] += samples[i];
        for (int64_t k = 0; k < kLanes; ++k)
            sums[channels == 2 ? k % 2 : 0] += lanes[k];
        return;
    }
    for (int64_t f = 0; f < frames; ++f)
        for (int32_t c = 0; c < channels; ++c)
            sums[c] += samples[f * channels + c];
}
