#pragma once
// Channel-count conversion on both sides of the pipeline. One mapping rule
// serves every pair of counts:
//   - equal counts: copied;
//   - to one channel: the average of all input channels;
//   - from one channel: the sample in the front pair (both of its channels),
//     silence in any further channels;
//   - more to fewer (two or more): input channel i is averaged into output
//     channel i mod out;
//   - fewer to more (two or more): the input channels fill the first output
//     channels (stereo lands in the front pair), the rest stay silent.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"

#include <vector>

// Converts frames frames of inChannels interleaved samples into outChannels.
void LConvertChannels(const int32_t* in, int32_t inChannels, int32_t* out, int32_t outChannels,
                      int64_t frames);

// Source side: reads the upstream (at most 8192 frames at a time) and hands
// on the frames in the wanted channel count.
class LChannelConvertFilter : public LSoundFilter
{
public:
    LChannelConvertFilter(const LSoundSourcePtr& upstream, uint8_t channels);
    ~LChannelConvertFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;

private:
    uint8_t upstreamChannels_;
    std::vector<int32_t> buffer_;
};

// Stereo to mono: (left + right) / 2.
class LStereoToMonoFilter : public LChannelConvertFilter
{
public:
    explicit LStereoToMonoFilter(const LSoundSourcePtr& upstream) : LChannelConvertFilter(upstream, 1) {}
};

// Mono to stereo: the sample duplicated.
class LMonoToStereoFilter : public LChannelConvertFilter
{
public:
    explicit LMonoToStereoFilter(const LSoundSourcePtr& upstream) : LChannelConvertFilter(upstream, 2) {}
};

// Sink side: accepts frames of the caller's channel count and writes them
// on in the downstream sink's count. Its failed flag follows the downstream.
class LChannelConvertSink : public LSoundSink
{
public:
    LChannelConvertSink(const LSoundSinkPtr& downstream, uint8_t acceptedChannels);
    ~LChannelConvertSink() override;

    void Write(const int32_t* buffer, int64_t frames) override;
    void Truncate(int64_t frame) override;
    bool Finish() override;
    void Abandon() override;

private:
    LSoundSinkPtr downstream_;
    std::vector<int32_t> buffer_;
};

// out = a sink accepting acceptedChannels in front of sink; sink itself when
// the counts agree, a failed null sink when acceptedChannels is 0.
void CreateChannelConvertSink(LSoundSinkPtr& out, const LSoundSinkPtr& sink, uint8_t acceptedChannels);
