#include "audio/effects/LFft.h"
#include "audio/core/LHotLoop.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Four doubles that the compiler keeps in one vector register where the
// processor has 256-bit vectors (and in two or four elsewhere). The arrays
// are only 8-byte aligned and are also read as plain doubles.
typedef double Lanes __attribute__((vector_size(32)));
typedef double UnalignedLanes __attribute__((vector_size(32), aligned(8), may_alias));
constexpr int32_t kLanes = 4;

// Four doubles from p on, to read or to assign (a macro: vectors passed to
// and from functions would change with the instruction set).
#define L_LANES(p) (*reinterpret_cast<UnalignedLanes*>(p))
#define L_CLANES(p) (*reinterpret_cast<const UnalignedLanes*>(p))

// One decimation-in-frequency stage over blocks of 2h: a' = a + b,
// b' = (a - b) times the factor k of the stage.
L_HOT_LOOP void SplitStage(double* __restrict re, double* __restrict im, int32_t n, int32_t h,
                           const double* __restrict wc, const double* __restrict ws, double sign)
{
    for (int32_t start = 0; start < n; start += 2 * h) {
        double* ar = re + start;
        double* ai = im + start;
        double* br = ar + h;
        double* bi = ai + h;
        for (int32_t k = 0; k < h; k += kLanes) {
            const Lanes xr = L_CLANES(ar + k), xi = L_CLANES(ai + k);
            const Lanes yr = L_CLANES(br + k), yi = L_CLANES(bi + k);
            const Lanes cr = L_CLANES(wc + k), ci = L_CLANES(ws + k) * sign;
            const Lanes dr = xr - yr, di = xi - yi;
            L_LANES(ar + k) = xr + yr;
            L_LANES(ai + k) = xi + yi;
            L_LANES(br + k) = dr * cr - di * ci;
            L_LANES(bi + k) = dr * ci + di * cr;
        }
    }
}

// One decimation-in-time stage over blocks of 2h: t = b times the factor k,
// a' = a + t, b' = a - t.
L_HOT_LOOP void JoinStage(double* __restrict re, double* __restrict im, int32_t n, int32_t h,
                          const double* __restrict wc, const double* __restrict ws, double sign)
{
    for (int32_t start = 0; start < n; start += 2 * h) {
        double* ar = re + start;
        double* ai = im + start;
        double* br = ar + h;
        double* bi = ai + h;
        for (int32_t k = 0; k < h; k += kLanes) {
            const Lanes xr = L_CLANES(ar + k), xi = L_CLANES(ai + k);
            const Lanes yr = L_CLANES(br + k), yi = L_CLANES(bi + k);
            const Lanes cr = L_CLANES(wc + k), ci = L_CLANES(ws + k) * sign;
            const Lanes tr = yr * cr - yi * ci, ti = yr * ci + yi * cr;
            L_LANES(ar + k) = xr + tr;
            L_LANES(ai + k) = xi + ti;
            L_LANES(br + k) = xr - tr;
            L_LANES(bi + k) = xi - ti;
        }
    }
}

// Complex product (xr, xi) times (cr, ci).
#define L_FFT_MUL(outR, outI, xr, xi, cr, ci)                                                                \
    const Lanes outR = (xr) * (cr) - (xi) * (ci);                                                            \
    const Lanes outI = (xr) * (ci) + (xi) * (cr)

// Two decimation-in-frequency stages (halves h and h/2) in one pass over
// blocks of 2h, so the data go through the cache half as often.
L_HOT_LOOP void SplitStagePair(double* __restrict re, double* __restrict im, int32_t n, int32_t h,
                               const double* __restrict c1, const double* __restrict s1,
                               const double* __restrict c2, const double* __restrict s2, double sign)
{
    const int32_t q = h / 2;
    for (int32_t start = 0; start < n; start += 2 * h) {
        double* ar = re + start;
        double* ai = im + start;
        for (int32_t k = 0; k < q; k += kLanes) {
            const Lanes xar = L_CLANES(ar + k), xai = L_CLANES(ai + k);
            const Lanes xbr = L_CLANES(ar + q + k), xbi = L_CLANES(ai + q + k);
            const Lanes xcr = L_CLANES(ar + h + k), xci = L_CLANES(ai + h + k);
            const Lanes xdr = L_CLANES(ar + h + q + k), xdi = L_CLANES(ai + h + q + k);
            // Half h: (a, c) with factor k, (b, d) with factor k + h/2.
            const Lanes w1r = L_CLANES(c1 + k), w1i = L_CLANES(s1 + k) * sign;
            const Lanes w3r = L_CLANES(c1 + q + k), w3i = L_CLANES(s1 + q + k) * sign;
            const Lanes pr = xar + xcr, pi = xai + xci;
            const Lanes qr = xbr + xdr, qi = xbi + xdi;
            const Lanes ur = xar - xcr, ui = xai - xci;
            const Lanes vr = xbr - xdr, vi = xbi - xdi;
            L_FFT_MUL(cr, ci, ur, ui, w1r, w1i);
            L_FFT_MUL(dr, di, vr, vi, w3r, w3i);
            // Half h/2: (a, b) and (c, d), both with factor k.
            const Lanes w2r = L_CLANES(c2 + k), w2i = L_CLANES(s2 + k) * sign;
            const Lanes er = pr - qr, ei = pi - qi;
            const Lanes fr = cr - dr, fi = ci - di;
            L_FFT_MUL(br, bi, er, ei, w2r, w2i);
            L_FFT_MUL(dr2, di2, fr, fi, w2r, w2i);
            L_LANES(ar + k) = pr + qr;
            L_LANES(ai + k) = pi + qi;
            L_LANES(ar + q + k) = br;
            L_LANES(ai + q + k) = bi;
            L_LANES(ar + h + k) = cr + dr;
            L_LANES(ai + h + k) = ci + di;
            L_LANES(ar + h + q + k) = dr2;
            L_LANES(ai + h + q + k) = di2;
        }
    }
}

// Two decimation-in-time stages (halves h and 2h) in one pass over blocks of 4h.
L_HOT_LOOP void JoinStagePair(double* __restrict re, double* __restrict im, int32_t n, int32_t h,
                              const double* __restrict c1, const double* __restrict s1,
                              const double* __restrict c2, const double* __restrict s2, double sign)
{
    for (int32_t start = 0; start < n; start += 4 * h) {
        double* ar = re + start;
        double* ai = im + start;
        for (int32_t k = 0; k < h; k += kLanes) {
            const Lanes xar = L_CLANES(ar + k), xai = L_CLANES(ai + k);
            const Lanes xbr = L_CLANES(ar + h + k), xbi = L_CLANES(ai + h + k);
            const Lanes xcr = L_CLANES(ar + 2 * h + k), xci = L_CLANES(ai + 2 * h + k);
            const Lanes xdr = L_CLANES(ar + 3 * h + k), xdi = L_CLANES(ai + 3 * h + k);
            // Half h: (a, b) and (c, d), both with factor k.
            const Lanes w1r = L_CLANES(c1 + k), w1i = L_CLANES(s1 + k) * sign;
            L_FFT_MUL(tbr, tbi, xbr, xbi, w1r, w1i);
            L_FFT_MUL(tdr, tdi, xdr, xdi, w1r, w1i);
            const Lanes pr = xar + tbr, pi = xai + tbi;
            const Lanes qr = xar - tbr, qi = xai - tbi;
            const Lanes ur = xcr + tdr, ui = xci + tdi;
            const Lanes vr = xcr - tdr, vi = xci - tdi;
            // Half 2h: (a, c) with factor k, (b, d) with factor k + h.
            const Lanes w2r = L_CLANES(c2 + k), w2i = L_CLANES(s2 + k) * sign;
            const Lanes w3r = L_CLANES(c2 + h + k), w3i = L_CLANES(s2 + h + k) * sign;
            L_FFT_MUL(tcr, tci, ur, ui, w2r, w2i);
            L_FFT_MUL(t2r, t2i, vr, vi, w3r, w3i);
            L_LANES(ar + k) = pr + tcr;
            L_LANES(ai + k) = pi + tci;
            L_LANES(ar + 2 * h + k) = pr - tcr;
            L_LANES(ai + 2 * h + k) = pi - tci;
            L_LANES(ar + h + k) = qr + t2r;
            L_LANES(ai + h + k) = qi + t2i;
            L_LANES(ar + 3 * h + k) = qr - t2r;
            L_LANES(ai + 3 * h + k) = qi - t2i;
        }
    }
}

#undef L_FFT_MUL
#undef L_LANES
#undef L_CLANES

// The stages of halves 2 and 1 together, groups of four: their factors are
// 1 and -i (forward, i inverse), so they need no multiplications. The
// decimation-in-frequency and decimation-in-time forms differ only in the
// order of the two stages.
void SmallStagesSplit(double* re, double* im, int32_t n, double sign)
{
    for (int32_t g = 0; g < n; g += 4) {
        // Half 2: (0, 2) with factor 1, (1, 3) with factor -i·sign.
        const double s0r = re[g] + re[g + 2], s0i = im[g] + im[g + 2];
        const double d0r = re[g] - re[g + 2], d0i = im[g] - im[g + 2];
        const double s1r = re[g + 1] + re[g + 3], s1i = im[g + 1] + im[g + 3];
        const double e1r = re[g + 1] - re[g + 3], e1i = im[g + 1] - im[g + 3];
        // e1 times the factor sign·i (forward: -i).
        const double d1r = -sign * e1i, d1i = sign * e1r;
        // Half 1.
        re[g] = s0r + s1r;
        im[g] = s0i + s1i;
        re[g + 1] = s0r - s1r;
        im[g + 1] = s0i - s1i;
        re[g + 2] = d0r + d1r;
        im[g + 2] = d0i + d1i;
        re[g + 3] = d0r - d1r;
        im[g + 3] = d0i - d1i;
    }
}

void SmallStagesJoin(double* re, double* im, int32_t n, double sign)
{
    for (int32_t g = 0; g < n; g += 4) {
        // Half 1.
        const double a0r = re[g] + re[g + 1], a0i = im[g] + im[g + 1];
        const double a1r = re[g] - re[g + 1], a1i = im[g] - im[g + 1];
        const double a2r = re[g + 2] + re[g + 3], a2i = im[g + 2] + im[g + 3];
        const double a3r = re[g + 2] - re[g + 3], a3i = im[g + 2] - im[g + 3];
        // Half 2: a3 times sign·i.
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
}

// A stage of any half (the sizes below the vector width).
void ScalarStage(double* re, double* im, int32_t n, int32_t h, const double* wc, const double* ws,
                 double sign, bool split)
{
    for (int32_t start = 0; start < n; start += 2 * h)
        for (int32_t k = 0; k < h; ++k) {
            double& ar = re[start + k];
            double& ai = im[start + k];
            double& br = re[start + k + h];
            double& bi = im[start + k + h];
            const double cr = wc[k], ci = sign * ws[k];
            if (split) {
                const double dr = ar - br, di = ai - bi;
                ar += br;
                ai += bi;
                br = dr * cr - di * ci;
                bi = dr * ci + di * cr;
            } else {
                const double tr = br * cr - bi * ci, ti = br * ci + bi * cr;
                br = ar - tr;
                bi = ai - ti;
                ar += tr;
                ai += ti;
            }
        }
}

} // namespace

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

void LFft::Reorder(double* re, double* im) const
{
    for (int32_t i = 0; i < size_; ++i) {
        const int32_t r = reverse_[i];
        if (r > i) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
}

void LFft::ForwardUnordered(double* re, double* im) const
{
    const int32_t n = size_;
    constexpr double sign = -1.0;
    int32_t h = n / 2;
    for (; h >= 2 * kLanes; h >>= 2)
        SplitStagePair(re, im, n, h, &cos_[h - 1], &sin_[h - 1], &cos_[h / 2 - 1], &sin_[h / 2 - 1], sign);
    for (; h >= kLanes; h >>= 1)
        SplitStage(re, im, n, h, &cos_[h - 1], &sin_[h - 1], sign);
    if (n >= 4 && h == 2) {
        SmallStagesSplit(re, im, n, sign);
        return;
    }
    for (; h >= 1; h >>= 1)
        ScalarStage(re, im, n, h, &cos_[h - 1], &sin_[h - 1], sign, true);
}

void LFft::InverseUnordered(double* re, double* im) const
{
    const int32_t n = size_;
    constexpr double sign = 1.0;
    int32_t h = 1;
    if (n >= 4) {
        SmallStagesJoin(re, im, n, sign);
        h = 4;
    }
    for (; h < n && h < kLanes; h <<= 1)
        ScalarStage(re, im, n, h, &cos_[h - 1], &sin_[h - 1], sign, false);
    for (; 2 * h < n; h <<= 2)
        JoinStagePair(re, im, n, h, &cos_[h - 1], &sin_[h - 1], &cos_[2 * h - 1], &sin_[2 * h - 1], sign);
    for (; h < n; h <<= 1)
        JoinStage(re, im, n, h, &cos_[h - 1], &sin_[h - 1], sign);
}

void LFft::Forward(double* re, double* im) const
{
    ForwardUnordered(re, im);
    Reorder(re, im);
}

void LFft::Inverse(double* re, double* im) const
{
    // The inverse transform is the forward one with the factors conjugated;
    // the decimation-in-time stages take the reordered input.
    Reorder(re, im);
    InverseUnordered(re, im);
}
