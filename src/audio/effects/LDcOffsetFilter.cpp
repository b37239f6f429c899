#include "audio/effects/LDcOffsetFilter.h"

#include "audio/effects/LFixedPoint.h"
#include "audio/core/LHotLoop.h"

namespace {

// Both channels of a stereo block in one pass the compiler can vectorize.
L_HOT_LOOP void SubtractStereo(int32_t* __restrict samples, int64_t frames, int64_t left, int64_t right)
{
    // A wide difference clips instead of wrapping to the opposite sign.
    for (int64_t f = 0; f < frames; ++f) {
        samples[2 * f] = LSaturateToInt32(samples[2 * f] - left);
        samples[2 * f + 1] = LSaturateToInt32(samples[2 * f + 1] - right);
    }
}

} // namespace

LDcOffsetFilter::LDcOffsetFilter(const LSoundSourcePtr& upstream, const std::vector<int32_t>& offsets)
    : LSoundFilter(upstream), offsets_(offsets)
{
    offsets_.resize(channels_, 0);
}

LDcOffsetFilter::~LDcOffsetFilter() = default;

int64_t LDcOffsetFilter::Read(int32_t* buffer, int64_t frames)
{
    const int64_t delivered = upstream_->Read(buffer, frames);
    const int32_t ch = channels_;
    if (ch == 2) {
        SubtractStereo(buffer, frames, offsets_[0], offsets_[1]);
        return delivered;
    }
    for (int32_t c = 0; c < ch; ++c) {
        const int64_t offset = offsets_[c];
        if (offset == 0)
            continue;
        int32_t* s = buffer + c;
        // A wide difference clips instead of wrapping to the opposite sign.
        for (int64_t f = 0; f < frames; ++f)
            s[f * ch] = LSaturateToInt32(s[f * ch] - offset);
    }
    return delivered;
}
