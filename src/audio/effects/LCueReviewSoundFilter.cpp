#include "audio/effects/LCueReviewSoundFilter.h"

#include "audio/effects/LFixedPoint.h"
#include "audio/effects/LLevellerEffect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

LCueReviewSoundFilter::LCueReviewSoundFilter(const LSoundSourcePtr& upstream, double startSpeed,
                                             double endSpeed, uint32_t durationMs, bool seekToStart)
    : LSoundFilter(upstream)
{
    grain_ = rate_ < 1800 ? 20 : std::min<int64_t>(rate_ / 90, 2730);
    const int32_t ch = channels_;
    window_.resize(static_cast<size_t>(grain_) * ch);
    const int64_t half = grain_ / 2;
    for (int64_t f = 0; f < grain_; ++f) {
        int32_t w = kUnityGain824;
        if (f >= half) {
            const double x = static_cast<double>(f - half) / static_cast<double>(grain_ - half);
            w = static_cast<int32_t>(std::lround((0.5 * std::cos(M_PI * x) + 0.5) * 16777216.0));
        }
        for (int32_t c = 0; c < ch; ++c)
            window_[f * ch + c] = w;
    }
    current_.resize(static_cast<size_t>(2 * grain_) * ch);
    previous_.resize(static_cast<size_t>(grain_) * ch);
    step_ = static_cast<int64_t>(std::trunc(startSpeed * static_cast<double>(grain_)));
    endStep_ = static_cast<int64_t>(std::trunc(endSpeed * static_cast<double>(grain_)));
    remaining_ = static_cast<int64_t>(durationMs) * rate_ / 1000;
    grainStart_ = upstream_->GetPosition();
    if (seekToStart)
        Seek(0);
}

LCueReviewSoundFilter::~LCueReviewSoundFilter() = default;

void LCueReviewSoundFilter::ReadSource(int64_t frame, int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    if (frame < 0) {
        const int64_t silent = std::min(frames, -frame);
        std::memset(buffer, 0, static_cast<size_t>(silent) * ch * sizeof(int32_t));
        buffer += silent * ch;
        frames -= silent;
        frame = 0;
    }
    if (frames > 0) {
        if (upstream_->GetPosition() != frame)
            upstream_->Seek(frame);
        upstream_->Read(buffer, frames);
    }
}

void LCueReviewSoundFilter::StartGrain()
{
    const int32_t ch = channels_;
    if (grainReady_) {
        // The stream heard at the end of the last grain carries on.
        std::memcpy(previous_.data(), current_.data() + grain_ * ch, previous_.size() * sizeof(int32_t));
        grainStart_ += step_;
        // The speed moves towards the end speed over the remaining duration.
        if (remaining_ >= 1) {
            step_ += (endStep_ - step_) * grain_ / std::max<int64_t>(remaining_, grain_);
            remaining_ -= grain_;
        }
        if (remaining_ < 1)
            step_ = endStep_;
        ReadSource(grainStart_, current_.data(), 2 * grain_);
    } else {
        // The first grain after a seek has nothing to continue: both streams are the same.
        ReadSource(grainStart_, current_.data(), 2 * grain_);
        std::memcpy(previous_.data(), current_.data(), previous_.size() * sizeof(int32_t));
        grainReady_ = true;
    }
    inGrain_ = 0;
    // Enough grains to cover any player's queue (minutes of output).
    constexpr size_t kMarksKept = 16384;
    marks_.push_back({produced_, grainStart_, step_});
    if (marks_.size() > kMarksKept)
        marks_.pop_front();
}

int64_t LCueReviewSoundFilter::Read(int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    int64_t done = 0;
    while (done < frames) {
        if (!grainReady_ || inGrain_ == grain_)
            StartGrain();
        const int64_t n = std::min(frames - done, grain_ - inGrain_);
        const int64_t from = inGrain_ * ch;
        for (int64_t i = 0; i < n * ch; ++i) {
            const int32_t w = window_[from + i];
            buffer[done * ch + i] =
                LMul824(w, previous_[from + i]) + LMul824(kUnityGain824 - w, current_[from + i]);
        }
        inGrain_ += n;
        done += n;
        produced_ += n;
    }
    return frames;
}

int64_t LCueReviewSoundFilter::GetPosition()
{
    if (!grainReady_)
        return grainStart_;
    if (inGrain_ == grain_)
        return grainStart_ + step_;
    return grainStart_ + inGrain_ * step_ / grain_;
}

int64_t LCueReviewSoundFilter::GetLength()
{
    return upstream_->GetLength();
}

void LCueReviewSoundFilter::Seek(int64_t frame)
{
    grainStart_ = frame;
    grainReady_ = false;
    inGrain_ = 0;
    marks_.clear();
    produced_ = 0;
}

bool LCueReviewSoundFilter::Query(int32_t code, int64_t* value)
{
    if (code == kQueryMapCorrection) {
        if (marks_.empty() || *value > 0) {
            *value = *value * step_ / grain_;
            return true;
        }
        // The source frame of output frame produced_ + value, from the grain it belongs to.
        const int64_t wanted = std::max<int64_t>(produced_ + *value, marks_.front().output);
        auto it = std::upper_bound(marks_.begin(), marks_.end(), wanted,
                                   [](int64_t out, const GrainMark& mark) { return out < mark.output; });
        const GrainMark& mark = *std::prev(it);
        *value = mark.source + (wanted - mark.output) * mark.step / grain_ - GetPosition();
        return true;
    }
    return upstream_->Query(code, value);
}
