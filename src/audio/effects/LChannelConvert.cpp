#include "audio/effects/LChannelConvert.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

void LConvertChannels(const int32_t* in, int32_t inChannels, int32_t* out, int32_t outChannels,
                      int64_t frames)
{
    if (inChannels < 1 || outChannels < 1 || frames < 1)
        return;
    if (inChannels == outChannels) {
        std::memmove(out, in, static_cast<size_t>(frames) * inChannels * sizeof(int32_t));
        return;
    }
    if (outChannels == 1) {
        for (int64_t f = 0; f < frames; ++f) {
            const int32_t* src = in + f * inChannels;
            int64_t sum = 0;
            for (int32_t c = 0; c < inChannels; ++c)
                sum += src[c];
            out[f] = static_cast<int32_t>(sum / inChannels);
        }
        return;
    }
    if (inChannels == 1) {
        for (int64_t f = 0; f < frames; ++f) {
            int32_t* dst = out + f * outChannels;
            dst[0] = dst[1] = in[f];
            for (int32_t c = 2; c < outChannels; ++c)
                dst[c] = 0;
        }
        return;
    }
    if (inChannels > outChannels) {
        for (int64_t f = 0; f < frames; ++f) {
            const int32_t* src = in + f * inChannels;
            int32_t* dst = out + f * outChannels;
            for (int32_t c = 0; c < outChannels; ++c) {
                int64_t sum = 0;
                int32_t count = 0;
                for (int32_t i = c; i < inChannels; i += outChannels, ++count)
                    sum += src[i];
                dst[c] = static_cast<int32_t>(sum / count);
            }
        }
        return;
    }
    for (int64_t f = 0; f < frames; ++f) {
        const int32_t* src = in + f * inChannels;
        int32_t* dst = out + f * outChannels;
        for (int32_t c = 0; c < inChannels; ++c)
            dst[c] = src[c];
        for (int32_t c = inChannels; c < outChannels; ++c)
            dst[c] = 0;
    }
}

// ---- source side ----

LChannelConvertFilter::LChannelConvertFilter(const LSoundSourcePtr& upstream, uint8_t channels)
    : LSoundFilter(upstream), upstreamChannels_(upstream->GetChannels())
{
    channels_ = channels < 1 ? 1 : channels;
    buffer_.resize(static_cast<size_t>(kSoundBlockFrames) * upstreamChannels_);
}

LChannelConvertFilter::~LChannelConvertFilter() = default;

int64_t LChannelConvertFilter::Read(int32_t* buffer, int64_t frames)
{
    int64_t done = 0, delivered = 0;
    while (done < frames) {
        const int64_t n = std::min<int64_t>(frames - done, kSoundBlockFrames);
        delivered += upstream_->Read(buffer_.data(), n);
        LConvertChannels(buffer_.data(), upstreamChannels_, buffer + done * channels_, channels_, n);
        done += n;
    }
    return delivered;
}

// ---- sink side ----

LChannelConvertSink::LChannelConvertSink(const LSoundSinkPtr& downstream, uint8_t acceptedChannels)
    : LSoundSink(downstream->GetRate(), acceptedChannels), downstream_(downstream)
{
    buffer_.resize(static_cast<size_t>(kSoundBlockFrames) * downstream_->GetChannels());
    position_ = downstream_->GetPosition();
    if (downstream_->IsFailed())
        SetFailed();
}

LChannelConvertSink::~LChannelConvertSink() = default;

void LChannelConvertSink::Write(const int32_t* buffer, int64_t frames)
{
    const int32_t outChannels = downstream_->GetChannels();
    int64_t done = 0;
    while (done < frames) {
        const int64_t n = std::min<int64_t>(frames - done, kSoundBlockFrames);
        LConvertChannels(buffer + done * channels_, channels_, buffer_.data(), outChannels, n);
        downstream_->Write(buffer_.data(), n);
        done += n;
    }
    position_ = downstream_->GetPosition();
    if (downstream_->IsFailed())
        SetFailed();
}

void LChannelConvertSink::Truncate(int64_t frame)
{
    downstream_->Truncate(frame);
    position_ = downstream_->GetPosition();
}

bool LChannelConvertSink::Finish()
{
    if (!downstream_->Finish())
        SetFailed();
    return !IsFailed();
}

void CreateChannelConvertSink(LSoundSinkPtr& out, const LSoundSinkPtr& sink, uint8_t acceptedChannels)
{
    if (acceptedChannels == 0) {
        LSetFailedSink(out);
        return;
    }
    if (acceptedChannels == sink->GetChannels()) {
        out = sink;
        return;
    }
    out = new LChannelConvertSink(sink, acceptedChannels);
}

void LChannelConvertSink::Abandon()
{
    SetFailed(ECANCELED);
    downstream_->Abandon();
}
