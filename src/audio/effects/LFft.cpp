#include "audio/effects/LFft.h"

#include <cmath>
#include <utility>

LFft::LFft(int32_t size) : size_(size), cos_(size / 2), sin_(size / 2), reverse_(size)
{
    for (int32_t k = 0; k < size / 2; ++k) {
        cos_[k] = std::cos(2.0 * M_PI * k / size);
        sin_[k] = std::sin(2.0 * M_PI * k / size);
    }
    int32_t bits = 0;
    while ((1 << bits) < size)
        ++bits;
    for (int32_t i = 0; i < size; ++i) {
        int32_t r = 0;
        for (int32_t b = 0; b < bits; ++b)
            if (i & (1 << b))
                r |= 1 << (bits - 1 - b);
        reverse_[i] = r;
    }
}

void LFft::Transform(double* re, double* im, bool inverse) const
{
    const int32_t n = size_;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t r = reverse_[i];
        if (r > i) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
    const double sign = inverse ? 1.0 : -1.0;
    for (int32_t half = 1; half < n; half <<= 1) {
        const int32_t step = n / (half * 2);
        for (int32_t start = 0; start < n; start += half * 2) {
            for (int32_t k = 0; k < half; ++k) {
                const double wr = cos_[k * step], wi = sign * sin_[k * step];
                const int32_t a = start + k, b = a + half;
                const double tr = re[b] * wr - im[b] * wi;
                const double ti = re[b] * wi + im[b] * wr;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
        }
    }
}
