#include "audio/effects/LResampleSoundSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
constexpr int64_t kLeadIn = LResampleSoundSink::kTaps / 2; // 7 frames of silence before the first input
constexpr int64_t kTail = kLeadIn + 1;                     // silence that pushes the last inputs through
} // namespace

LResampleSoundSink::LResampleSoundSink(const LSoundSinkPtr& downstream, uint32_t acceptedRate,
                                       bool approximate)
    : LSoundSink(acceptedRate, downstream->GetChannels()), downstream_(downstream)
{
    const uint32_t downRate = downstream_->GetRate();
    if (acceptedRate < 1 || downRate < 1 || acceptedRate > INT32_MAX || downRate > INT32_MAX)
        SetFailed();
    LBuildSincTable(table_, static_cast<int32_t>(rate_), static_cast<int32_t>(downRate), kTaps, false,
                    approximate);
    kernel_.Build(table_);
    input_.assign(static_cast<size_t>(kInputCapacity) * channels_ + kernel_.PaddedTaps(), 0.0f);
    output_.resize(static_cast<size_t>(kSoundBlockFrames) * channels_);
    ResetInput();
    // Start where the downstream stands, converted through milliseconds.
    const int64_t pos = downstream_->GetPosition();
    if (downRate > 0 && pos > 0) {
        const int64_t rd = downRate;
        const int64_t ms = (pos / rd) * 1000 + ((pos % rd) * 1000) / rd;
        position_ = (ms / 1000) * rate_ + ((ms % 1000) * rate_) / 1000;
    }
    if (downstream_->IsFailed())
        SetFailed();
}

LResampleSoundSink::~LResampleSoundSink()
{
    if (!finished_) {
        Push(nullptr, kTail);
        FlushOutput();
    }
}

bool LResampleSoundSink::Finish()
{
    if (!finished_) {
        Push(nullptr, kTail);
        FlushOutput();
        finished_ = true;
    }
    if (!downstream_->Finish())
        SetFailed();
    return !IsFailed();
}

void LResampleSoundSink::ResetInput()
{
    std::fill(input_.begin(), input_.end(), 0.0f);
    filled_ = kLeadIn;
    inputPosition_ = 0;
    phase_ = 0;
}

void LResampleSoundSink::FlushOutput()
{
    if (outputCount_ > 0) {
        downstream_->Write(output_.data(), outputCount_);
        outputCount_ = 0;
    }
    if (downstream_->IsFailed())
        SetFailed();
}

void LResampleSoundSink::Push(const int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    const int64_t l = table_.phases, m = table_.step;
    int64_t done = 0;
    while (done < frames) {
        const int64_t n = std::min<int64_t>(frames - done, kInputCapacity - filled_);
        for (int32_t c = 0; c < ch; ++c) {
            float* dst = Input(c) + filled_;
            if (buffer == nullptr) {
                std::fill(dst, dst + n, 0.0f);
            } else {
                const int32_t* src = buffer + done * ch + c;
                for (int64_t f = 0; f < n; ++f)
                    dst[f] = static_cast<float>(src[f * ch]);
            }
        }
        filled_ += n;
        done += n;
        for (;;) {
            inputPosition_ += phase_ / l;
            phase_ %= l;
            if (inputPosition_ + kTaps > filled_)
                break;
            const float* coefficients = kernel_.Phase(phase_);
            int32_t* out = output_.data() + outputCount_ * ch;
            for (int32_t c = 0; c < ch; ++c)
                out[c] = kernel_.Apply(Input(c) + inputPosition_, coefficients);
            phase_ += m;
            if (++outputCount_ == kSoundBlockFrames)
                FlushOutput();
        }
        // Keep only the frames later outputs still need.
        const int64_t drop = std::min(inputPosition_, filled_);
        if (drop > 0) {
            for (int32_t c = 0; c < ch; ++c)
                std::memmove(Input(c), Input(c) + drop, static_cast<size_t>(filled_ - drop) * sizeof(float));
            filled_ -= drop;
            inputPosition_ -= drop;
        }
    }
}

void LResampleSoundSink::Write(const int32_t* buffer, int64_t frames)
{
    if (frames < 1 || finished_)
        return;
    Push(buffer, frames);
    position_ += frames;
    if (downstream_->IsFailed())
        SetFailed();
}

void LResampleSoundSink::Truncate(int64_t frame)
{
    if (frame > position_ || finished_)
        return;
    if (frame < 0)
        frame = 0;
    Push(nullptr, kTail);
    FlushOutput();
    position_ = frame;
    const int64_t l = table_.phases, m = table_.step;
    downstream_->Truncate((frame / m) * l + ((frame % m) * l) / m);
    ResetInput();
}

void CreateResampleSoundSink(LSoundSinkPtr& out, uint32_t acceptedRate, const LSoundSinkPtr& sink,
                             bool approximate)
{
    if (acceptedRate == sink->GetRate()) {
        out = sink;
        return;
    }
    out = new LResampleSoundSink(sink, acceptedRate, approximate);
}

void LResampleSoundSink::Abandon()
{
    SetFailed(ECANCELED);
    downstream_->Abandon();
}
