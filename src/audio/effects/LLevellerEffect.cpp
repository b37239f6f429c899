#include "audio/effects/LLevellerEffect.h"

#include "audio/core/LSoundSamples.h"
#include "audio/effects/LFixedPoint.h"

#include <algorithm>
#include <cstring>

void LLevellerEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    if (static_cast<int64_t>(source->GetPeakLimit()) > level_)
        out = new LLevellerFilter(source, level_);
    else
        out = source;
}

int32_t LLevellerFilter::BlockGain(int32_t peak, int32_t ceiling)
{
    if (peak <= ceiling)
        return kUnityGain824;
    const int64_t divisor = (static_cast<int64_t>(peak) + 64) >> 6;
    return static_cast<int32_t>(((static_cast<int64_t>(ceiling) * 512) / divisor) << 9);
}

LLevellerFilter::LLevellerFilter(const LSoundSourcePtr& upstream, int32_t ceiling) : LSoundFilter(upstream)
{
    ceiling_ = std::clamp<int32_t>(ceiling, 0, 0x3FFFFF);
    peakLimit_ = static_cast<uint32_t>(ceiling_);
    blockFrames_ = upstream_->IsMoreDataPending() ? rate_ / 70 : rate_ / 35;
    blockFrames_ = std::clamp<int64_t>(blockFrames_, 16, 8192);
    for (auto& block : blocks_)
        block.assign(static_cast<size_t>(blockFrames_) * channels_, 0);
}

LLevellerFilter::~LLevellerFilter() = default;

void LLevellerFilter::ReadBlock(int32_t slot)
{
    upstream_->Read(blocks_[slot].data(), blockFrames_);
}

void LLevellerFilter::StartUp()
{
    current_ = 0;
    int32_t gains[3];
    for (int32_t i = 0; i < 3; ++i) {
        ReadBlock(i);
        gains[i] = BlockGain(LSamplePeak(blocks_[i].data(), blockFrames_, channels_), ceiling_);
    }
    gainPlayed_ = gainCurrent_ = gains[0];
    gainNext_ = gains[1];
    gainAfter_ = gains[2];
    running_ = gains[0];
    inBlock_ = 0;
    started_ = true;
    SetUpRamp();
}

void LLevellerFilter::SetUpRamp()
{
    const int64_t sum = static_cast<int64_t>(gainPlayed_) + gainCurrent_ + gainNext_ + gainAfter_;
    const int64_t floor = std::min(gainCurrent_, gainNext_);
    const int64_t d = std::min<int64_t>(sum / 4 - running_, floor - running_);
    step_ = static_cast<int32_t>(d / blockFrames_);
    running_ = static_cast<int32_t>(running_ + d % blockFrames_);
}

int64_t LLevellerFilter::Read(int32_t* buffer, int64_t frames)
{
    if (!started_)
        StartUp();
    const int32_t ch = channels_;
    int64_t done = 0;
    while (done < frames) {
        const int64_t n = std::min(frames - done, blockFrames_ - inBlock_);
        const int32_t* src = blocks_[current_].data() + inBlock_ * ch;
        int32_t* dst = buffer + done * ch;
        if (running_ >= kUnityGain824 && step_ == 0) {
            std::memcpy(dst, src, static_cast<size_t>(n) * ch * sizeof(int32_t));
        } else {
            for (int64_t f = 0; f < n; ++f) {
                for (int32_t c = 0; c < ch; ++c)
                    dst[f * ch + c] = LMul824(running_, src[f * ch + c]);
                running_ += step_;
            }
        }
        inBlock_ += n;
        done += n;
        if (inBlock_ == blockFrames_) {
            // The played block's buffer takes the block after next.
            const int32_t freed = current_;
            current_ = (current_ + 1) % 3;
            ReadBlock(freed);
            gainPlayed_ = gainCurrent_;
            gainCurrent_ = gainNext_;
            gainNext_ = gainAfter_;
            gainAfter_ = BlockGain(LSamplePeak(blocks_[freed].data(), blockFrames_, ch), ceiling_);
            inBlock_ = 0;
            SetUpRamp();
        }
    }
    return frames;
}

int64_t LLevellerFilter::Correction() const
{
    return started_ ? inBlock_ - 3 * blockFrames_ : 0;
}

int64_t LLevellerFilter::GetPosition()
{
    int64_t correction = Correction();
    int64_t mapped = correction;
    if (upstream_->Query(kQueryMapCorrection, &mapped))
        correction = mapped;
    return upstream_->GetPosition() + correction;
}

int64_t LLevellerFilter::GetLength()
{
    int64_t length = upstream_->GetLength();
    if (upstream_->IsMoreDataPending())
        length -= 3 * blockFrames_;
    return length;
}

void LLevellerFilter::Seek(int64_t frame)
{
    upstream_->Seek(frame);
    StartUp();
}

bool LLevellerFilter::Query(int32_t code, int64_t* value)
{
    if (code == kQueryHeldBackFrames) {
        *value = -Correction();
        return true;
    }
    if (code == kQueryPositionCorrection) {
        int64_t correction = Correction();
        int64_t mapped = correction;
        if (upstream_->Query(kQueryMapCorrection, &mapped))
            correction = mapped;
        *value -= correction;
        upstream_->Query(kQueryPositionCorrection, value);
        return true;
    }
    return upstream_->Query(code, value);
}
