#pragma once
// Signals and measurements shared by the restoration tests.

#include "audio/core/LSoundSource.h"
#include "audio/effects/EffectsTestSources.h"

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace quorin::test {

// Amplitude (same units as the samples) of the component of one channel at
// a frequency, by a least-squares fit of a sine and a cosine over [from, to).
inline double ToneAmplitude(const std::vector<int32_t>& samples, int32_t channels, int32_t channel,
                            double frequency, int32_t rate, int64_t from, int64_t to)
{
    double ss = 0, sc = 0, cc = 0, xs = 0, xc = 0;
    for (int64_t f = from; f < to; ++f) {
        const double t = 2 * M_PI * frequency * f / rate;
        const double s = std::sin(t), c = std::cos(t);
        const double x = samples[f * channels + channel];
        ss += s * s;
        sc += s * c;
        cc += c * c;
        xs += x * s;
        xc += x * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (xs * cc - xc * sc) / det;
    const double b = (xc * ss - xs * sc) / det;
    return std::hypot(a, b);
}

// Frequency of a steady tone in one channel, from the first and last upward
// zero crossings (linearly interpolated) over [from, to).
inline double ToneFrequency(const std::vector<int32_t>& samples, int32_t channels, int32_t channel,
                            int32_t rate, int64_t from, int64_t to)
{
    double first = -1, last = -1;
    int64_t crossings = 0;
    for (int64_t f = from + 1; f < to; ++f) {
        const double a = samples[(f - 1) * channels + channel], b = samples[f * channels + channel];
        if (a < 0 && b >= 0) {
            const double at = (f - 1) + (-a) / (b - a);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * static_cast<double>(rate) / (last - first);
}

// Music-like test material: a few notes with harmonics, vibrato and
// envelopes over a soft bed of low-passed noise, peaking near peakDbfs.
inline std::vector<int32_t> MusicLike(int32_t rate, int32_t channels, int64_t frames, double peakDbfs,
                                      uint32_t seed = 7)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> out(static_cast<size_t>(frames * channels), 0.0);
    const double notes[] = {110.0, 164.8, 220.0, 277.2, 329.6, 440.0, 554.4};
    const int64_t noteLength = rate / 2;
    for (int32_t c = 0; c < channels; ++c) {
        double lowpass = 0;
        for (int64_t f = 0; f < frames; ++f) {
            const int64_t note = f / noteLength;
            const double t = static_cast<double>(f) / rate;
            const double vibrato = 1.0 + 0.004 * std::sin(2 * M_PI * 5.0 * t);
            double v = 0;
            // Each note rings on under the next ones, so nothing jumps.
            for (int64_t n = std::max<int64_t>(0, note - 3); n <= note; ++n) {
                const double local = static_cast<double>(f - n * noteLength) / rate;
                const double envelope = std::exp(-2.5 * local) * std::min(1.0, local * 200.0);
                const double base = notes[(n * 3 + c) % 7];
                for (int h = 1; h <= 4; ++h)
                    v += envelope * std::sin(2 * M_PI * base * h * vibrato * t + c) / (h * h);
            }
            const double bass =
                0.5 * std::sin(2 * M_PI * 55.0 * t) * (0.6 + 0.4 * std::sin(2 * M_PI * 0.3 * t));
            lowpass += 0.05 * (noise(random) - lowpass);
            out[f * channels + c] = 0.45 * v + 0.25 * bass + 0.1 * lowpass;
        }
    }
    double peak = 0;
    for (double v : out)
        peak = std::max(peak, std::fabs(v));
    const double scale = 524288.0 * std::pow(10.0, peakDbfs / 20.0) / peak;
    std::vector<int32_t> samples(out.size());
    for (size_t i = 0; i < out.size(); ++i)
        samples[i] = static_cast<int32_t>(std::lround(out[i] * scale));
    return samples;
}

inline double Db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

} // namespace quorin::test
