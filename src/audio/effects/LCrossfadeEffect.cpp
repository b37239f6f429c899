#include "audio/effects/LCrossfadeEffect.h"

#include "audio/core/LSoundSink.h"
#include "audio/effects/LConversionEffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int32_t Mix(int32_t a, float wa, int32_t b, float wb)
{
    const float v = static_cast<float>(a) * wa + static_cast<float>(b) * wb;
    if (!(v < 2147483648.0f))
        return INT32_MAX;
    if (v < -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(v); // truncates towards zero
}

} // namespace

void LCrossfadeEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    out = new LCrossfadeFilter(source, second_, length_);
}

LCrossfadeFilter::LCrossfadeFilter(const LSoundSourcePtr& upstream, const LSoundSourcePtr& second,
                                   int64_t length)
    : LSoundFilter(upstream), second_(second), length_(length < 1 ? 1 : length)
{
    // A second source in another rate or layout is brought to ours first;
    // one that cannot be (a failed or null source) counts as silence.
    if (second_->GetStatus() == kSoundStatusOk)
        AdaptSoundSource(rate_, channels_, second_);
    secondUsable_ = second_->GetStatus() == kSoundStatusOk && second_->GetChannels() == channels_ &&
                    second_->GetRate() == rate_;
    fadeIn_.resize(static_cast<size_t>(length_));
    fadeOut_.resize(static_cast<size_t>(length_));
    for (int64_t i = 0; i < length_; ++i) {
        fadeIn_[i] = static_cast<float>(i) / static_cast<float>(length_);
        fadeOut_[i] = 1.0f - static_cast<float>(i) / static_cast<float>(length_);
    }
    secondBuffer_.resize(static_cast<size_t>(kSoundBlockFrames) * channels_);
}

LCrossfadeFilter::~LCrossfadeFilter() = default;

void LCrossfadeFilter::ReadSecond(int64_t n)
{
    if (secondUsable_)
        second_->Read(secondBuffer_.data(), n);
    else
        std::memset(secondBuffer_.data(), 0, static_cast<size_t>(n) * channels_ * sizeof(int32_t));
}

int64_t LCrossfadeFilter::Read(int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    const int64_t x = length_;
    int64_t done = 0;
    while (done < frames) {
        int32_t* out = buffer + done * ch;
        const int64_t lengthA = upstream_->GetLength();
        const int64_t positionA = upstream_->GetPosition();
        const int64_t fadeOutStart = lengthA - x;
        int64_t n = std::min<int64_t>(frames - done, kSoundBlockFrames);
        if (delivered_ < x) {
            n = std::min(n, x - delivered_);
            upstream_->Read(out, n);
            ReadSecond(n);
            for (int64_t f = 0; f < n; ++f) {
                const float wIn = fadeIn_[delivered_ + f], wOut = fadeOut_[delivered_ + f];
                for (int32_t c = 0; c < ch; ++c)
                    out[f * ch + c] = Mix(out[f * ch + c], wIn, secondBuffer_[f * ch + c], wOut);
            }
        } else if (positionA < fadeOutStart) {
            n = std::min(n, fadeOutStart - positionA);
            if (secondUsable_)
                second_->Seek(second_->GetLength() - x);
            upstream_->Read(out, n);
        } else {
            const int64_t k = positionA - fadeOutStart;
            if (k < x)
                n = std::min(n, x - k);
            upstream_->Read(out, n);
            if (k < x) {
                ReadSecond(n);
                for (int64_t f = 0; f < n; ++f) {
                    const float wIn = fadeIn_[k + f], wOut = fadeOut_[k + f];
                    for (int32_t c = 0; c < ch; ++c)
                        out[f * ch + c] = Mix(secondBuffer_[f * ch + c], wIn, out[f * ch + c], wOut);
                }
            }
        }
        delivered_ += n;
        done += n;
    }
    return frames;
}
