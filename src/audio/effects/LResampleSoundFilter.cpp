#include "audio/effects/LResampleSoundFilter.h"

#include "audio/core/LSoundSink.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int32_t kCentre = LResampleSoundFilter::kTaps / 2; // tap 31
}

LResampleSoundFilter::LResampleSoundFilter(const LSoundSourcePtr& upstream, int32_t targetRate,
                                           bool approximate)
    : LSoundFilter(upstream)
{
    const bool badRate = targetRate < 1;
    if (badRate)
        targetRate = 44100;
    LBuildSincTable(table_, upstream->GetRate(), targetRate, kTaps, false, approximate);
    rate_ = targetRate;
    if (badRate)
        ForceStatus(kSoundStatusBadParameters);
    // The filter's overshoot on steep edges can exceed the input's peak.
    if (peakLimit_ <= 0x100000)
        peakLimit_ *= 2;
    kernel_.Build(table_);
    history_.assign(static_cast<size_t>(kCapacity) * channels_ + kernel_.PaddedTaps(), 0.0f);
    scratch_.resize(static_cast<size_t>(kSoundBlockFrames) * channels_);
    // The first output frame is centred on upstream frame 0, with silence before it.
    position_ = kCentre + 1;
    filled_ = kTaps;
}

LResampleSoundFilter::~LResampleSoundFilter() = default;

void LResampleSoundFilter::Refill()
{
    const int32_t ch = channels_;
    if (filled_ >= kCapacity - kTaps || filled_ + 1 > kCapacity) {
        // Keep the last frames that later outputs still need.
        const int64_t keep = std::min<int64_t>(kTaps, filled_);
        const int64_t drop = filled_ - keep;
        for (int32_t c = 0; c < ch; ++c)
            std::memmove(History(c), History(c) + drop, static_cast<size_t>(keep) * sizeof(float));
        filled_ = keep;
        position_ -= drop;
    }
    int64_t n = std::min<int64_t>(kCapacity - filled_, kSoundBlockFrames);
    if (upstream_->IsMoreDataPending()) {
        const int64_t available = upstream_->GetLength() - upstream_->GetPosition();
        n = std::min<int64_t>(n, available > 0 ? available : 64);
    }
    upstream_->Read(scratch_.data(), n);
    for (int32_t c = 0; c < ch; ++c) {
        float* dst = History(c) + filled_;
        const int32_t* src = scratch_.data() + c;
        for (int64_t f = 0; f < n; ++f)
            dst[f] = static_cast<float>(src[f * ch]);
    }
    filled_ += n;
}

int64_t LResampleSoundFilter::Read(int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    const int64_t l = table_.phases, m = table_.step;
    for (int64_t f = 0; f < frames; ++f) {
        position_ += phase_ / l;
        phase_ %= l;
        while (position_ + kTaps > filled_)
            Refill();
        const float* coefficients = kernel_.Phase(phase_);
        int32_t* out = buffer + f * ch;
        for (int32_t c = 0; c < ch; ++c)
            out[c] = kernel_.Apply(History(c) + position_, coefficients);
        phase_ += m;
    }
    return frames;
}

int64_t LResampleSoundFilter::GetPosition()
{
    const int64_t l = table_.phases, m = table_.step;
    // The upstream frame under the centre tap of the next output frame.
    const int64_t q = upstream_->GetPosition() - filled_ + position_ + kCentre;
    if (q < 0)
        return 0;
    return (q / m) * l + ((q % m) * l + phase_) / m;
}

int64_t LResampleSoundFilter::GetLength()
{
    const int64_t l = table_.phases, m = table_.step;
    int64_t len = upstream_->GetLength();
    const bool pending = upstream_->IsMoreDataPending();
    if (pending)
        len -= 33;
    if (len < 0)
        len = 0;
    int64_t result = (len / m) * l + ((len % m) * l) / m;
    if (pending && result > 0)
        --result;
    return result;
}

void LResampleSoundFilter::Seek(int64_t frame)
{
    if (frame < 0)
        frame = 0;
    const int64_t l = table_.phases, m = table_.step;
    const int64_t p = (frame / l) * m + ((frame % l) * m) / l;
    phase_ = ((frame % l) * m) % l;
    // History before frame 0 is silence; we never ask the upstream for negative frames.
    const int64_t first = p - kCentre;
    const int64_t silent = first < 0 ? -first : 0;
    upstream_->Seek(first < 0 ? 0 : first);
    std::fill(history_.begin(), history_.end(), 0.0f);
    const int64_t start = kCentre + 1; // frames 32..62 hold the history before frame p
    if (kCentre - silent > 0)
        upstream_->Read(scratch_.data(), kCentre - silent);
    for (int32_t c = 0; c < channels_; ++c) {
        float* dst = History(c) + start + silent;
        for (int64_t f = 0; f < kCentre - silent; ++f)
            dst[f] = static_cast<float>(scratch_[f * channels_ + c]);
    }
    position_ = start;
    filled_ = kTaps;
}
