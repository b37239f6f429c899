#include "audio/effects/LSpeedChangeSoundFilter.h"

#include "audio/effects/LConversionEffects.h"

#include <algorithm>
#include <cmath>

int32_t LSpeedChangeRate(int32_t rate, double ratio)
{
    const double quotient = rate / std::max(ratio, 0.1);
    // A ratio like 100/135 is not exact in binary; without the guard an exact
    // quotient could land just below its integer.
    const double rounded = std::floor(quotient + 1e-6);
    return rounded >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(rounded);
}

LSpeedChangeSoundFilter::LSpeedChangeSoundFilter(const LSoundSourcePtr& upstream, bool exact, double ratio)
    : LSoundFilter(upstream), resampledRate_(LSpeedChangeRate(upstream->GetRate(), ratio))
{
    LResampleEffect(resampledRate_, !exact).CreateFilter(resampler_, upstream_);
    if (resampler_->GetStatus() != kSoundStatusOk)
        SetStatus(resampler_->GetStatus() == kSoundStatusBadParameters ? kSoundStatusBadParameters
                                                                       : kSoundStatusUpstreamFailed);
    // The resampler's overshoot is declared so that the pump limits it before a 16-bit sink.
    SetPeakLimit(std::max(peakLimit_, resampler_->GetPeakLimit()));
}

LSpeedChangeSoundFilter::~LSpeedChangeSoundFilter() = default;

int64_t LSpeedChangeSoundFilter::Read(int32_t* buffer, int64_t frames)
{
    return resampler_->Read(buffer, frames);
}

int64_t LSpeedChangeSoundFilter::GetPosition()
{
    return resampler_->GetPosition();
}

int64_t LSpeedChangeSoundFilter::GetLength()
{
    return resampler_->GetLength();
}

void LSpeedChangeSoundFilter::Seek(int64_t frame)
{
    resampler_->Seek(frame);
}

bool LSpeedChangeSoundFilter::Query(int32_t code, int64_t* value)
{
    return resampler_->Query(code, value);
}
