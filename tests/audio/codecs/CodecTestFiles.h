#pragma once
// Small file helpers for the codec tests, on top of the WAV builders of the
// format tests: plain 16-bit WAV writing, reading a source and sox's decode, a chunk reader that exposes the
// "fmt " fields and the "data" payload of any WAV, raw sample files, and a deterministic speech-like test
// signal.

#include "audio/core/LSoundSource.h"
#include "audio/formats/WavTestSupport.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace quorin::test {

struct WavChunks
{
    bool ok = false;
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    std::vector<uint8_t> fmtExtra;
    uint32_t dataSizeField = 0;
    std::vector<uint8_t> data; // the payload as far as the file holds it
    uint64_t dataOffset = 0;
    bool hasFact = false;
    uint32_t factFrames = 0;
};

// A canonical 16-bit PCM WAV file of the samples.
inline bool WriteWav16(const std::string& path, uint32_t rate, int channels,
                       const std::vector<int16_t>& samples)
{
    using namespace wavtest;
    const uint16_t ch = static_cast<uint16_t>(channels);
    return WriteFile(path, Riff({Chunk("fmt ", Fmt(1, ch, rate, 16)), Chunk("data", Pcm16(samples))}));
}

inline WavChunks ReadWavChunks(const std::string& path)
{
    WavChunks w;
    const std::vector<uint8_t> b = wavtest::ReadFile(path);
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return w;
    size_t pos = 12;
    bool haveFmt = false;
    while (pos + 8 <= b.size()) {
        const uint8_t* h = b.data() + pos;
        const uint32_t size = wavtest::GetLe32(b, pos + 4);
        const size_t payload = pos + 8;
        if (std::memcmp(h, "fmt ", 4) == 0 && payload + 16 <= b.size()) {
            w.tag = wavtest::GetLe16(b, payload);
            w.channels = wavtest::GetLe16(b, payload + 2);
            w.rate = wavtest::GetLe32(b, payload + 4);
            w.bytesPerSecond = wavtest::GetLe32(b, payload + 8);
            w.blockAlign = wavtest::GetLe16(b, payload + 12);
            w.bits = wavtest::GetLe16(b, payload + 14);
            if (size >= 18 && payload + size <= b.size()) {
                const uint8_t* extra = b.data() + payload + 18;
                w.fmtExtra.assign(extra, extra + wavtest::GetLe16(b, payload + 16));
            }
            haveFmt = true;
        } else if (std::memcmp(h, "fact", 4) == 0 && payload + 4 <= b.size()) {
            w.hasFact = true;
            w.factFrames = wavtest::GetLe32(b, payload);
        } else if (std::memcmp(h, "data", 4) == 0) {
            w.dataSizeField = size;
            w.dataOffset = payload;
            const size_t end = std::min<size_t>(b.size(), payload + static_cast<size_t>(size));
            w.data.assign(b.begin() + payload, b.begin() + end);
            w.ok = haveFmt;
            return w;
        }
        pos = payload + size + (size & 1);
    }
    return w;
}

inline std::vector<int16_t> ReadRaw16(const std::string& path)
{
    const std::vector<uint8_t> b = wavtest::ReadFile(path);
    std::vector<int16_t> s(b.size() / 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(wavtest::GetLe16(b, 2 * i));
    return s;
}

// Reads frames from the source's position in pieces of chunk frames.
inline std::vector<int32_t> ReadFrames(LSoundSourcePtr& source, int64_t frames, int64_t chunk = 1000)
{
    std::vector<int32_t> out(static_cast<size_t>(frames) * source->GetChannels());
    for (int64_t done = 0; done < frames;) {
        const int64_t n = std::min(chunk, frames - done);
        source->Read(out.data() + done * source->GetChannels(), n);
        done += n;
    }
    return out;
}

// sox's own decode of a file as 16-bit samples (raw is its scratch output).
inline std::vector<int16_t> SoxDecode(const std::string& wav, const std::string& raw)
{
    EXPECT_EQ(RunCommand("sox " + Quote(wav) + " -t raw -e signed -b 16 " + Quote(raw)), 0);
    return ReadRaw16(raw);
}

inline std::vector<int16_t> SpeechLikeSignal(int frames, int channels, uint32_t rate, uint32_t seed = 1)
{
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    uint32_t noise = seed * 2654435761u + 1;
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        // 0.4 s syllables: voiced, unvoiced, pause, loud voiced.
        const double syllable = std::fmod(t, 1.6);
        const double pitch = 110 + 40 * std::sin(2 * M_PI * 0.7 * t) + 15 * std::sin(2 * M_PI * 5.0 * t);
        phase += 2 * M_PI * pitch / rate;
        double voiced = 0;
        for (int h = 1; h <= 25; ++h) {
            const double f = h * pitch;
            if (f > rate / 2.0)
                break;
            // Two moving formants shape the harmonics.
            const double f1 = 600 + 250 * std::sin(2 * M_PI * 1.3 * t);
            const double f2 = 1700 + 500 * std::sin(2 * M_PI * 0.9 * t);
            const double amp =
                1.0 / (1 + std::pow((f - f1) / 150, 2)) + 0.6 / (1 + std::pow((f - f2) / 250, 2));
            voiced += amp * std::sin(h * phase);
        }
        noise = noise * 1664525u + 1013904223u;
        const double white = (static_cast<int32_t>(noise) / 2147483648.0);
        double v;
        if (syllable < 0.4)
            v = 5000 * voiced * std::sin(M_PI * syllable / 0.4);
        else if (syllable < 0.8)
            v = 3000 * white;
        else if (syllable < 1.2)
            v = 20 * white;
        else
            v = 16000 * voiced;
        for (int c = 0; c < channels; ++c) {
            double x = c == 0 ? v : 0.7 * v + 800 * std::sin(2 * M_PI * 330 * t);
            if (x > 32767)
                x = 32767;
            if (x < -32768)
                x = -32768;
            out[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(std::lround(x));
        }
    }
    return out;
}

inline double SnrDb(const std::vector<double>& reference, const std::vector<double>& test)
{
    double signal = 0, error = 0;
    const size_t n = std::min(reference.size(), test.size());
    for (size_t i = 0; i < n; ++i) {
        signal += reference[i] * reference[i];
        error += (reference[i] - test[i]) * (reference[i] - test[i]);
    }
    if (error == 0)
        return 1000;
    return 10 * std::log10(signal / error);
}

} // namespace quorin::test
