#pragma once
// Speed correction for records played at the wrong turntable speed: the
// source is resampled to rate / ratio and the result is played at the
// source's own rate, so everything runs ratio times faster (below 1: slower
// and lower).

#include "audio/core/LSoundSource.h"

// A 33 1/3 rpm record played at 45 rpm: slowed by 33.33 / 45 = 100 / 135.
constexpr double kSpeed45To33Ratio = 100.0 / 135.0;
// A 78 rpm record played at 45 rpm: sped up by 78 / 45 (1.7333...).
constexpr double kSpeed78To45Ratio = 78.0 / 45.0;

class LSpeedChangeSoundFilter : public LSoundFilter
{
public:
    // ratio below 0.1 counts as 0.1. Without the exact flag the resampler
    // may use a nearby ratio of small integers.
    LSpeedChangeSoundFilter(const LSoundSourcePtr& upstream, bool exact, double ratio);
    ~LSpeedChangeSoundFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    // Positions and lengths count frames at the changed speed.
    int64_t GetPosition() override;
    int64_t GetLength() override;
    void Seek(int64_t frame) override;
    bool Query(int32_t code, int64_t* value) override;

    // The rate the source is resampled to before it is played at its own rate.
    int32_t GetResampledRate() const { return resampledRate_; }

private:
    LSoundSourcePtr resampler_;
    int32_t resampledRate_;
};

// The rate a speed change resamples to: trunc(rate / ratio), guarded against
// the ratio's rounding (44100 at 100/135 is exactly 59535).
int32_t LSpeedChangeRate(int32_t rate, double ratio);
