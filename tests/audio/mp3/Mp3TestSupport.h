#pragma once
// Shared helpers of the MP3 reader tests: decoding a file completely through
// LMp3SoundSource, reference decodes by mpg123 and the accuracy measures of
// ISO/IEC 11172-4.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio/formats/mp3/LMp3SoundSource.h"
#include "support/TestData.h"

namespace mp3test {

// Full accuracy of ISO/IEC 11172-4: RMS error below 2^-15 / sqrt(12) of full
// scale and no sample off by more than 2^-14.
constexpr double kFullAccuracyRms = 8.81e-6;
constexpr double kFullAccuracyMax = 6.10e-5;

struct Decoded
{
    int channels = 0;
    int32_t rate = 0;
    int64_t length = 0;         // GetLength() after the whole stream was read
    std::vector<float> samples; // interleaved, full scale +-1
};

// Reads the whole stream: until the position reaches the length, which may be
// corrected while reading (a count that was only estimated).
inline Decoded DecodeAll(LMp3SoundSource& source, int64_t block = 4096)
{
    Decoded d;
    d.channels = source.GetChannels();
    d.rate = source.GetRate();
    std::vector<int32_t> buffer(size_t(block) * d.channels);
    for (int guard = 0; guard < 1000000; ++guard) {
        const int64_t position = source.GetPosition();
        const int64_t left = source.GetLength() - position;
        if (left <= 0)
            break;
        const int64_t n = std::min(block, left);
        source.Read(buffer.data(), n);
        for (int64_t i = 0; i < n * d.channels; ++i)
            d.samples.push_back(float(buffer[size_t(i)] / 524288.0));
    }
    d.length = source.GetLength();
    d.samples.resize(size_t(d.length) * d.channels);
    return d;
}

inline Decoded DecodeFile(const std::string& path)
{
    LMp3SoundSource source(path.c_str(), false, true);
    EXPECT_EQ(source.GetStatus(), 0) << path;
    return DecodeAll(source);
}

using quorin::test::Quote;

// mpg123's decode as 32-bit floats (interleaved, the stream's channels).
inline std::vector<float> Mpg123Floats(const std::string& path, const std::string& options = "")
{
    const std::string out =
        quorin::test::CaptureCommand("mpg123 -q -e f32 -s " + options + " " + Quote(path) + " 2>/dev/null");
    std::vector<float> v(out.size() / 4);
    std::memcpy(v.data(), out.data(), v.size() * 4);
    return v;
}

struct Accuracy
{
    double rms = 0.0;
    double max = 0.0;
    int64_t compared = 0; // frames
};

// Compares ours[frame] with reference[frame + offset] over the common frames,
// skipping frames for which skip(referenceFrame) is true.
template <typename Skip>
Accuracy Compare(const std::vector<float>& ours, const std::vector<float>& reference, int channels,
                 int64_t offset, Skip skip)
{
    Accuracy a;
    const int64_t oursFrames = int64_t(ours.size()) / channels;
    const int64_t refFrames = int64_t(reference.size()) / channels;
    double sum = 0.0;
    int64_t count = 0;
    for (int64_t f = 0; f < oursFrames && f + offset < refFrames; ++f) {
        if (f + offset < 0 || skip(f + offset))
            continue;
        for (int c = 0; c < channels; ++c) {
            const double d =
                double(ours[size_t(f * channels + c)]) - reference[size_t((f + offset) * channels + c)];
            sum += d * d;
            a.max = std::max(a.max, std::fabs(d));
            ++count;
        }
        ++a.compared;
    }
    a.rms = count ? std::sqrt(sum / double(count)) : 0.0;
    return a;
}

inline Accuracy Compare(const std::vector<float>& ours, const std::vector<float>& reference, int channels,
                        int64_t offset)
{
    return Compare(ours, reference, channels, offset, [](int64_t) { return false; });
}

} // namespace mp3test
