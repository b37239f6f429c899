#pragma once
// Small in-memory sources and sinks for the effect and conversion tests.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace quorin::test {

// Plays a vector of interleaved samples; zeros before frame 0 and past the end.
class VectorSource : public LSoundSource
{
public:
    VectorSource(int32_t rate, uint8_t channels, std::vector<int32_t> samples, uint32_t peakLimit = 0x7FFF0)
        : LSoundSource(rate, channels, peakLimit), samples_(std::move(samples))
    {
    }

    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        const int64_t length = GetLength();
        for (int64_t f = 0; f < frames; ++f) {
            const int64_t at = position_ + f;
            for (int32_t c = 0; c < channels_; ++c)
                buffer[f * channels_ + c] = (at >= 0 && at < length) ? samples_[at * channels_ + c] : 0;
        }
        position_ += frames;
        reads_.push_back(frames);
        return frames;
    }
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return static_cast<int64_t>(samples_.size()) / channels_; }
    void Seek(int64_t frame) override { position_ = frame; }

    std::vector<int64_t> reads_;

private:
    std::vector<int32_t> samples_;
    int64_t position_ = 0;
};

// Interleaved sine of the given frequency on every channel (channel c shifted by c radians).
inline std::vector<int32_t> Sine(double frequency, int32_t rate, int32_t channels, int64_t frames,
                                 double amplitude = 0.5 * 524288)
{
    std::vector<int32_t> out(static_cast<size_t>(frames * channels));
    for (int64_t f = 0; f < frames; ++f)
        for (int32_t c = 0; c < channels; ++c)
            out[f * channels + c] =
                static_cast<int32_t>(std::lround(amplitude * std::sin(2 * M_PI * frequency * f / rate + c)));
    return out;
}

inline LSoundSourcePtr MakeSource(int32_t rate, uint8_t channels, std::vector<int32_t> samples,
                                  uint32_t peakLimit = 0x7FFF0)
{
    return LSoundSourcePtr(new VectorSource(rate, channels, std::move(samples), peakLimit));
}

inline std::vector<int32_t> ReadAll(LSoundSourcePtr& source, int64_t frames, int64_t chunk = 4096)
{
    std::vector<int32_t> out(static_cast<size_t>(frames * source->GetChannels()));
    for (int64_t done = 0; done < frames;) {
        const int64_t n = std::min(chunk, frames - done);
        source->Read(out.data() + done * source->GetChannels(), n);
        done += n;
    }
    return out;
}

// Keeps everything written; can be told to fail after a number of frames.
class MemorySink : public LSoundSink
{
public:
    MemorySink(uint32_t rate, uint8_t channels, int64_t failAfter = -1)
        : LSoundSink(rate, channels), failAfter_(failAfter)
    {
    }
    void Write(const int32_t* buffer, int64_t frames) override
    {
        if (IsFailed())
            return;
        samples_.insert(samples_.end(), buffer, buffer + frames * channels_);
        position_ += frames;
        writes_.push_back(frames);
        if (failAfter_ >= 0 && position_ >= failAfter_)
            SetFailed();
    }
    void Truncate(int64_t frame) override
    {
        if (frame > position_)
            return;
        if (frame < 0)
            frame = 0;
        samples_.resize(static_cast<size_t>(frame * channels_));
        position_ = frame;
        truncations_.push_back(frame);
    }

    std::vector<int32_t> samples_;
    std::vector<int64_t> writes_;
    std::vector<int64_t> truncations_;

private:
    int64_t failAfter_;
};

// Signal-to-noise ratio in dB of got against want over [from, to) samples.
inline double SnrDb(const std::vector<int32_t>& got, const std::vector<double>& want, size_t from, size_t to)
{
    double signal = 0, noise = 0;
    for (size_t i = from; i < to; ++i) {
        signal += want[i] * want[i];
        const double e = got[i] - want[i];
        noise += e * e;
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

} // namespace quorin::test
