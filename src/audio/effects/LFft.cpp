#include "audio/effects/LFft.h"
#include "audio/effects/LHotLoop.h"

#include <cmath>
#include <utility>

LFft::LFft(int32_t size) : size_(size), cos_(size), sin_(size), reverse_(size)
{
    for (int32_t half = 1; half < size; half <<= 1)
        for (int32_t k = 0; k < half; ++k) {
            cos_[half - 1 + k] = std::cos(M_PI * k / half);
            sin_[half - 1 + k] = std::sin(M_PI * k / half);
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

// The transforms carry the equalizer: let the compiler vectorize them, with
// the wider vector unit where the processor has one.
L_HOT_LOOP void LFft::Transform(double* re, double* im,
                                                                                       bool inverse) const
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
    int32_t half = 1;
    if (n >= 4) {
        // The first two stages need no multiplications: their factors are 1 and -i (or i).
        for (int32_t g = 0; g < n; g += 4) {
            const double a0r = re[g] + re[g + 1], a0i = im[g] + im[g + 1];
            const double a1r = re[g] - re[g + 1], a1i = im[g] - im[g + 1];
            const double a2r = re[g + 2] + re[g + 3], a2i = im[g + 2] + im[g + 3];
            const double a3r = re[g + 2] - re[g + 3], a3i = im[g + 2] - im[g + 3];
            // a3 times -i (forward) or i (inverse).
            const double tr = -sign * a3i, ti = sign * a3r;
            re[g] = a0r + a2r;
            im[g] = a0i + a2i;
            re[g + 2] = a0r - a2r;
            im[g + 2] = a0i - a2i;
            re[g + 1] = a1r + tr;
            im[g + 1] = a1i + ti;
            re[g + 3] = a1r - tr;
            im[g + 3] = a1i - ti;
        }
        half = 4;
    }
    // Two stages at a time (halves h and 2h) in one pass over the data.
    for (; half * 2 < n; half <<= 2) {
        const double* __restrict c1 = &cos_[half - 1];
        const double* __restrict s1 = &sin_[half - 1];
        const double* __restrict c2 = &cos_[2 * half - 1];
        const double* __restrict s2 = &sin_[2 * half - 1];
        for (int32_t start = 0; start < n; start += half * 4) {
            double* __restrict ar = re + start;
            double* __restrict ai = im + start;
            double* __restrict br = ar + half;
            double* __restrict bi = ai + half;
            double* __restrict cr = br + half;
            double* __restrict ci = bi + half;
            double* __restrict dr = cr + half;
            double* __restrict di = ci + half;
            for (int32_t k = 0; k < half; ++k) {
                const double w1r = c1[k], w1i = sign * s1[k];
                const double w2r = c2[k], w2i = sign * s2[k];
                // First stage: (a, b) and (c, d) with the factor of half h.
                const double tbr = br[k] * w1r - bi[k] * w1i, tbi = br[k] * w1i + bi[k] * w1r;
                const double tdr = dr[k] * w1r - di[k] * w1i, tdi = dr[k] * w1i + di[k] * w1r;
                const double a1r = ar[k] + tbr, a1i = ai[k] + tbi;
                const double b1r = ar[k] - tbr, b1i = ai[k] - tbi;
                const double c1r = cr[k] + tdr, c1i = ci[k] + tdi;
                const double d1r = cr[k] - tdr, d1i = ci[k] - tdi;
                // Second stage: (a, c) with the factor w2 of half 2h, (b, d) with w2 times i (or -i).
                const double tcr = c1r * w2r - c1i * w2i, tci = c1r * w2i + c1i * w2r;
                const double ur = d1r * w2r - d1i * w2i, ui = d1r * w2i + d1i * w2r;
                const double tdr2 = -sign * ui, tdi2 = sign * ur;
                ar[k] = a1r + tcr;
                ai[k] = a1i + tci;
                cr[k] = a1r - tcr;
                ci[k] = a1i - tci;
                br[k] = b1r + tdr2;
                bi[k] = b1i + tdi2;
                dr[k] = b1r - tdr2;
                di[k] = b1i - tdi2;
            }
        }
    }
    // A last single stage when the number of stages left is odd.
    for (; half < n; half <<= 1) {
        const double* __restrict wc = &cos_[half - 1];
        const double* __restrict ws = &sin_[half - 1];
        for (int32_t start = 0; start < n; start += half * 2) {
            double* __restrict ar = re + start;
            double* __restrict ai = im + start;
            double* __restrict br = re + start + half;
            double* __restrict bi = im + start + half;
            for (int32_t k = 0; k < half; ++k) {
                const double wr = wc[k], wi = sign * ws[k];
                const double tr = br[k] * wr - bi[k] * wi;
                const double ti = br[k] * wi + bi[k] * wr;
                br[k] = ar[k] - tr;
                bi[k] = ai[k] - ti;
                ar[k] += tr;
                ai[k] += ti;
            }
        }
    }
}
