#include "audio/effects/LDcOffsetFilter.h"

#include "audio/effects/LFixedPoint.h"

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
