#include "audio/effects/LHighPassFilter.h"

void LHighPassEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    out = new LHighPassFilter(source, cutoff_);
}

LHighPassFilter::LHighPassFilter(const LSoundSourcePtr& upstream, int32_t cutoff)
    : LSoundFilter(upstream), biquad_(cutoff, upstream->GetRate(), upstream->GetChannels())
{
    // The filter's step response overshoots; a full-scale edge can pass 16-bit range.
    SetPeakLimit(0x3FFFFF);
}

LHighPassFilter::~LHighPassFilter() = default;

int64_t LHighPassFilter::Read(int32_t* buffer, int64_t frames)
{
    const int64_t delivered = upstream_->Read(buffer, frames);
    if (frames > 0)
        biquad_.Process(buffer, frames);
    return delivered;
}

void LHighPassFilter::Seek(int64_t frame)
{
    upstream_->Seek(frame);
    biquad_.Clear();
}
