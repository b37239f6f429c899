#include "audio/formats/gsm/LGsm0610.h"

#include <cstring>

namespace {

// 16- and 32-bit fixed point operations with the saturation rules of the
// standard's arithmetic.
constexpr int16_t kMinWord = -32768;
constexpr int16_t kMaxWord = 32767;

inline int16_t Saturate(int32_t value)
{
    return value < kMinWord ? kMinWord : (value > kMaxWord ? kMaxWord : static_cast<int16_t>(value));
}
inline int16_t Add(int16_t a, int16_t b)
{
    return Saturate(static_cast<int32_t>(a) + b);
}
inline int16_t Sub(int16_t a, int16_t b)
{
    return Saturate(static_cast<int32_t>(a) - b);
}
inline int16_t Mult(int16_t a, int16_t b)
{
    if (a == kMinWord && b == kMinWord)
        return kMaxWord;
    return static_cast<int16_t>((static_cast<int32_t>(a) * b) >> 15);
}
inline int16_t MultR(int16_t a, int16_t b)
{
    if (a == kMinWord && b == kMinWord)
        return kMaxWord;
    return static_cast<int16_t>((static_cast<int32_t>(a) * b + 16384) >> 15);
}
// MultR for a factor that is never -32768 (the reflection coefficients of
// the filters): no special case needed, which keeps the filter loops tight.
inline int16_t MultRCoefficient(int16_t coefficient, int16_t b)
{
    return static_cast<int16_t>((static_cast<int32_t>(coefficient) * b + 16384) >> 15);
}
inline int16_t Abs(int16_t a)
{
    return a < 0 ? (a == kMinWord ? kMaxWord : static_cast<int16_t>(-a)) : a;
}
inline int32_t LAdd(int32_t a, int32_t b)
{
    const int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT32_MAX)
        return INT32_MAX;
    if (sum < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(sum);
}
// Left shifts that bring a non-zero value into [2^30, 2^31) (or its negative
// counterpart).
inline int Norm(int32_t a)
{
    if (a < 0) {
        if (a <= -1073741824)
            return 0;
        a = ~a;
    }
    if (a == 0)
        return 31;
    return __builtin_clz(static_cast<uint32_t>(a)) - 1;
}
// num / denum as a Q15 fraction, for 0 <= num <= denum.
inline int16_t Div(int16_t num, int16_t denum)
{
    if (num == 0)
        return 0;
    int32_t remainder = num;
    int16_t quotient = 0;
    for (int k = 0; k < 15; ++k) {
        quotient = static_cast<int16_t>(quotient << 1);
        remainder <<= 1;
        if (remainder >= denum) {
            remainder -= denum;
            ++quotient;
        }
    }
    return quotient;
}
inline int16_t Asr(int16_t a, int n)
{
    if (n >= 16)
        return a < 0 ? -1 : 0;
    if (n <= -16)
        return 0;
    if (n < 0)
        return static_cast<int16_t>(a << -n);
    return static_cast<int16_t>(a >> n);
}
inline int16_t Asl(int16_t a, int n)
{
    if (n >= 16)
        return 0;
    if (n <= -16)
        return a < 0 ? -1 : 0;
    if (n < 0)
        return Asr(a, -n);
    return static_cast<int16_t>(a << n);
}

// Quantisation of the log-area ratios (table 4.1), their inverse (4.2),
// the long-term gain decision and quantisation levels (4.3a, 4.3b), the
// weighting filter (4.4) and the RPE mantissas (4.5, 4.6).
constexpr int16_t kLarA[8] = {20480, 20480, 20480, 20480, 13964, 15360, 8534, 9036};
constexpr int16_t kLarB[8] = {0, 0, 2048, -2560, 94, -1792, -341, -1144};
constexpr int16_t kLarMic[8] = {-32, -32, -16, -16, -8, -8, -4, -4};
constexpr int16_t kLarMac[8] = {31, 31, 15, 15, 7, 7, 3, 3};
constexpr int16_t kLarInvA[8] = {13107, 13107, 13107, 13107, 19223, 17476, 31454, 29708};
constexpr int16_t kGainDecision[4] = {6554, 16384, 26214, 32767};
constexpr int16_t kGainLevel[4] = {3277, 11469, 21299, 32767};
constexpr int16_t kWeighting[11] = {-134, -374, 0, 2054, 5741, 8192, 5741, 2054, 0, -374, -134};
constexpr int16_t kInverseMantissa[8] = {29128, 26215, 23832, 21846, 20165, 18725, 17476, 16384};
constexpr int16_t kMantissa[8] = {18431, 20479, 22527, 24575, 26623, 28671, 30719, 32767};

// LPC analysis of one frame: autocorrelation, Schur recursion, log-area
// ratios and their quantisation. The signal is rescaled in place the way the
// standard does it, low bits lost, and the later filtering uses that version.
void LpcAnalysis(int16_t s[160], int16_t larc[8])
{
    int16_t smax = 0;
    for (int k = 0; k < 160; ++k) {
        const int16_t a = Abs(s[k]);
        if (a > smax)
            smax = a;
    }
    int scale = 0;
    if (smax != 0)
        scale = 4 - Norm(static_cast<int32_t>(smax) << 16);
    if (scale > 0) {
        const int16_t factor = static_cast<int16_t>(16384 >> (scale - 1));
        for (int k = 0; k < 160; ++k)
            s[k] = MultR(s[k], factor);
    }
    int32_t acf[9];
    for (int lag = 0; lag <= 8; ++lag) {
        int32_t sum = 0;
        for (int i = lag; i < 160; ++i)
            sum += static_cast<int32_t>(s[i]) * s[i - lag];
        acf[lag] = sum << 1;
    }
    if (scale > 0) {
        for (int k = 0; k < 160; ++k)
            s[k] = static_cast<int16_t>(s[k] << scale);
    }

    int16_t r[8] = {};
    if (acf[0] != 0) {
        const int shift = Norm(acf[0]);
        int16_t p[9], kk[9];
        for (int i = 0; i <= 8; ++i) {
            p[i] = static_cast<int16_t>((acf[i] << shift) >> 16);
            kk[i] = p[i];
        }
        for (int n = 1; n <= 8; ++n) {
            const int16_t magnitude = Abs(p[1]);
            if (p[0] < magnitude)
                break; // the remaining coefficients stay 0
            int16_t rn = Div(magnitude, p[0]);
            if (p[1] > 0)
                rn = static_cast<int16_t>(-rn);
            r[n - 1] = rn;
            if (n == 8)
                break;
            p[0] = Add(p[0], MultR(p[1], rn));
            for (int m = 1; m <= 8 - n; ++m) {
                p[m] = Add(p[m + 1], MultR(kk[m], rn));
                kk[m] = Add(kk[m], MultR(p[m + 1], rn));
            }
        }
    }

    for (int i = 0; i < 8; ++i) {
        // Reflection coefficient to log-area ratio by its piecewise-linear
        // approximation.
        int16_t temp = Abs(r[i]);
        if (temp < 22118)
            temp = static_cast<int16_t>(temp >> 1);
        else if (temp < 31130)
            temp = static_cast<int16_t>(temp - 11059);
        else
            temp = static_cast<int16_t>((temp - 26112) << 2);
        const int16_t lar = r[i] < 0 ? static_cast<int16_t>(-temp) : temp;

        int16_t q = Mult(kLarA[i], lar);
        q = Add(q, kLarB[i]);
        q = Add(q, 256);
        q = static_cast<int16_t>(q >> 9);
        larc[i] = q > kLarMac[i] ? static_cast<int16_t>(kLarMac[i] - kLarMic[i])
                                 : (q < kLarMic[i] ? 0 : static_cast<int16_t>(q - kLarMic[i]));
    }
}

void DecodeLars(const int16_t larc[8], int16_t larpp[8])
{
    for (int i = 0; i < 8; ++i) {
        int16_t temp = static_cast<int16_t>(Add(larc[i], kLarMic[i]) << 10);
        temp = Sub(temp, static_cast<int16_t>(kLarB[i] << 1));
        temp = MultR(kLarInvA[i], temp);
        larpp[i] = Add(temp, temp);
    }
}

// The four interpolation zones of a frame: samples 0-12, 13-26, 27-39 and
// 40-159, each filtered with its own mix of the previous and current LARs.
constexpr int kZoneStart[4] = {0, 13, 27, 40};
constexpr int kZoneLength[4] = {13, 14, 13, 120};

void InterpolateReflection(int zone, const int16_t prev[8], const int16_t cur[8], int16_t rp[8])
{
    for (int i = 0; i < 8; ++i) {
        int16_t lar;
        switch (zone) {
        case 0:
            lar = Add(static_cast<int16_t>(prev[i] >> 2), static_cast<int16_t>(cur[i] >> 2));
            lar = Add(lar, static_cast<int16_t>(prev[i] >> 1));
            break;
        case 1:
            lar = Add(static_cast<int16_t>(prev[i] >> 1), static_cast<int16_t>(cur[i] >> 1));
            break;
        case 2:
            lar = Add(static_cast<int16_t>(prev[i] >> 2), static_cast<int16_t>(cur[i] >> 2));
            lar = Add(lar, static_cast<int16_t>(cur[i] >> 1));
            break;
        default:
            lar = cur[i];
            break;
        }
        // Log-area ratio back to a reflection coefficient.
        int16_t temp = Abs(lar);
        if (temp < 11059)
            temp = static_cast<int16_t>(temp << 1);
        else if (temp < 20070)
            temp = static_cast<int16_t>(temp + 11059);
        else
            temp = Add(static_cast<int16_t>(temp >> 2), 26112);
        rp[i] = lar < 0 ? static_cast<int16_t>(-temp) : temp;
    }
}

void ExponentAndMantissa(int16_t xmaxc, int16_t& exponent, int16_t& mantissa)
{
    int16_t exp = 0;
    if (xmaxc > 15)
        exp = static_cast<int16_t>((xmaxc >> 3) - 1);
    int16_t mant = static_cast<int16_t>(xmaxc - (exp << 3));
    if (mant == 0) {
        exp = -4;
        mant = 7;
    } else {
        while (mant <= 7) {
            mant = static_cast<int16_t>(mant << 1 | 1);
            --exp;
        }
        mant = static_cast<int16_t>(mant - 8);
    }
    exponent = exp;
    mantissa = mant;
}

// Decoded RPE pulses placed on their grid, zeros between.
void RpeReconstruct(int16_t xmaxc, int16_t mc, const int16_t xmc[13], int16_t ep[40])
{
    int16_t exp, mant;
    ExponentAndMantissa(xmaxc, exp, mant);
    const int16_t factor = kMantissa[mant];
    const int16_t shift = Sub(6, exp);
    const int16_t rounding = Asl(1, Sub(shift, 1));
    std::memset(ep, 0, 40 * sizeof(int16_t));
    for (int i = 0; i < 13; ++i) {
        int16_t temp = static_cast<int16_t>(((xmc[i] & 7) << 1) - 7);
        temp = static_cast<int16_t>(temp << 12);
        temp = MultR(factor, temp);
        temp = Add(temp, rounding);
        ep[(mc & 3) + 3 * i] = Asr(temp, shift);
    }
}

} // namespace

void LGsm0610Encoder::Reset()
{
    std::memset(dp_, 0, sizeof dp_);
    std::memset(u_, 0, sizeof u_);
    std::memset(larpp_, 0, sizeof larpp_);
    current_ = 0;
    z1_ = 0;
    lz2_ = 0;
    mp_ = 0;
}

void LGsm0610Encoder::EncodePcm16(const int16_t pcm[160], LGsm0610Frame& frame)
{
    int16_t so[160];
    for (int k = 0; k < 160; ++k) {
        // Downscaling to 13 bits, offset compensation (a high-pass with a
        // 31-by-16-bit recursive part) and pre-emphasis.
        const int16_t s0 = static_cast<int16_t>((pcm[k] >> 3) << 2);
        const int16_t s1 = static_cast<int16_t>(s0 - z1_);
        z1_ = s0;
        int32_t ls2 = static_cast<int32_t>(s1) << 15;
        const int16_t msp = static_cast<int16_t>(lz2_ >> 15);
        const int16_t lsp = static_cast<int16_t>(lz2_ - (static_cast<int32_t>(msp) << 15));
        ls2 += MultR(lsp, 32735);
        lz2_ = LAdd(static_cast<int32_t>(msp) * 32735, ls2);
        const int32_t rounded = LAdd(lz2_, 16384);
        const int16_t emphasis = MultR(mp_, -28180);
        mp_ = static_cast<int16_t>(rounded >> 15);
        so[k] = Add(mp_, emphasis);
    }
    EncodePrepared(so, frame);
}

void LGsm0610Encoder::EncodePrepared(int16_t s[160], LGsm0610Frame& frame)
{
    LpcAnalysis(s, frame.larc);

    // Short-term analysis filtering with the interpolated coefficients.
    int16_t* const prev = larpp_[current_ ^ 1];
    int16_t* const cur = larpp_[current_];
    DecodeLars(frame.larc, cur);
    for (int zone = 0; zone < 4; ++zone) {
        int16_t rp[8];
        InterpolateReflection(zone, prev, cur, rp);
        int16_t* x = s + kZoneStart[zone];
        int16_t u[8];
        std::memcpy(u, u_, sizeof u);
        for (int n = 0; n < kZoneLength[zone]; ++n) {
            int16_t di = x[n];
            int16_t sav = di;
            for (int i = 0; i < 8; ++i) {
                const int16_t ui = u[i];
                u[i] = sav;
                sav = Add(ui, MultRCoefficient(rp[i], di));
                di = Add(di, MultRCoefficient(rp[i], ui));
            }
            x[n] = di;
        }
        std::memcpy(u_, u, sizeof u);
    }
    current_ ^= 1;

    for (int sub = 0; sub < 4; ++sub)
        LongTermAndRpe(sub, s + sub * 40, frame);
    std::memmove(dp_, dp_ + 160, 120 * sizeof(int16_t));
}

void LGsm0610Encoder::LongTermAndRpe(int sub, const int16_t* d, LGsm0610Frame& frame)
{
    int16_t* const dp = dp_ + 120 + sub * 40; // dp[-120..-1] is the past

    // Long-term parameters: the lag of the largest cross-correlation with
    // the past reconstructed residual, and the quantised gain.
    int16_t dmax = 0;
    for (int k = 0; k < 40; ++k) {
        const int16_t a = Abs(d[k]);
        if (a > dmax)
            dmax = a;
    }
    int normShift = 0;
    if (dmax != 0)
        normShift = Norm(static_cast<int32_t>(dmax) << 16);
    const int scal = normShift > 6 ? 0 : 6 - normShift;
    int16_t wt[40];
    for (int k = 0; k < 40; ++k)
        wt[k] = static_cast<int16_t>(d[k] >> scal);
    int32_t lmax = 0;
    int16_t nc = 40;
    for (int lambda = 40; lambda <= 120; ++lambda) {
        int32_t sum = 0;
        for (int k = 0; k < 40; ++k)
            sum += static_cast<int32_t>(wt[k]) * dp[k - lambda];
        if (sum > lmax) {
            nc = static_cast<int16_t>(lambda);
            lmax = sum;
        }
    }
    lmax <<= 1;
    lmax >>= (6 - scal);
    int32_t lpower = 0;
    for (int k = 0; k < 40; ++k) {
        const int32_t t = dp[k - nc] >> 3;
        lpower += t * t;
    }
    lpower <<= 1;
    int16_t bc;
    if (lmax <= 0) {
        bc = 0;
    } else if (lmax >= lpower) {
        bc = 3;
    } else {
        const int shift = Norm(lpower);
        const int16_t r = static_cast<int16_t>((lmax << shift) >> 16);
        const int16_t sPower = static_cast<int16_t>((lpower << shift) >> 16);
        for (bc = 0; bc <= 2; ++bc) {
            if (r <= Mult(sPower, kGainDecision[bc]))
                break;
        }
    }
    frame.nc[sub] = nc;
    frame.bc[sub] = bc;

    // Long-term analysis filtering: e holds five zeros either side for the
    // weighting filter.
    int16_t dpp[40];
    int16_t e[50] = {};
    const int16_t gain = kGainLevel[bc];
    for (int k = 0; k < 40; ++k) {
        dpp[k] = MultR(gain, dp[k - nc]);
        e[5 + k] = Sub(d[k], dpp[k]);
    }

    // RPE: weighting filter, grid selection, APCM quantisation.
    int16_t x[40];
    for (int k = 0; k < 40; ++k) {
        int64_t sum = 4096;
        for (int i = 0; i < 11; ++i)
            sum += static_cast<int32_t>(e[k + i]) * kWeighting[i];
        sum >>= 13;
        x[k] = sum < kMinWord ? kMinWord : (sum > kMaxWord ? kMaxWord : static_cast<int16_t>(sum));
    }
    int16_t mc = 0;
    int32_t best = -1;
    for (int m = 0; m < 4; ++m) {
        int32_t energy = 0;
        for (int i = 0; i < 13; ++i) {
            const int32_t t = x[m + 3 * i] >> 2;
            energy += t * t;
        }
        energy <<= 1;
        if (energy > best) {
            mc = static_cast<int16_t>(m);
            best = energy;
        }
    }
    int16_t xm[13];
    int16_t xmax = 0;
    for (int i = 0; i < 13; ++i) {
        xm[i] = x[mc + 3 * i];
        const int16_t a = Abs(xm[i]);
        if (a > xmax)
            xmax = a;
    }
    int16_t exp = 0;
    {
        int16_t temp = static_cast<int16_t>(xmax >> 9);
        bool stop = false;
        for (int i = 0; i <= 5; ++i) {
            stop = stop || temp <= 0;
            temp = static_cast<int16_t>(temp >> 1);
            if (!stop)
                ++exp;
        }
    }
    const int16_t xmaxc = Add(static_cast<int16_t>(xmax >> (exp + 5)), static_cast<int16_t>(exp << 3));
    int16_t mant;
    ExponentAndMantissa(xmaxc, exp, mant);
    const int shift = 6 - exp;
    const int16_t inverse = kInverseMantissa[mant];
    for (int i = 0; i < 13; ++i) {
        int16_t temp = static_cast<int16_t>(xm[i] << shift);
        temp = Mult(temp, inverse);
        temp = static_cast<int16_t>(temp >> 12);
        frame.xmc[sub][i] = static_cast<int16_t>(temp + 4);
    }
    frame.mc[sub] = mc;
    frame.xmaxc[sub] = xmaxc;

    // The decoder's view of this sub-frame becomes the past for the next.
    int16_t ep[40];
    RpeReconstruct(xmaxc, mc, frame.xmc[sub], ep);
    for (int k = 0; k < 40; ++k)
        dp[k] = Add(ep[k], dpp[k]);
}

void LGsm0610Decoder::Reset()
{
    std::memset(drp_, 0, sizeof drp_);
    std::memset(v_, 0, sizeof v_);
    std::memset(larpp_, 0, sizeof larpp_);
    current_ = 0;
    nrp_ = 40;
    msr_ = 0;
}

void LGsm0610Decoder::DecodeToSynthesis(const LGsm0610Frame& frame, int16_t out[160])
{
    int16_t wt[160];
    int16_t* const drp = drp_ + 120;
    for (int sub = 0; sub < 4; ++sub) {
        int16_t erp[40];
        RpeReconstruct(frame.xmaxc[sub] & 63, frame.mc[sub], frame.xmc[sub], erp);
        // A lag outside 40..120 (only in damaged data) repeats the last good one.
        const int16_t ncr = frame.nc[sub];
        const int16_t nr = (ncr < 40 || ncr > 120) ? nrp_ : ncr;
        nrp_ = nr;
        const int16_t gain = kGainLevel[frame.bc[sub] & 3];
        for (int k = 0; k < 40; ++k)
            drp[k] = Add(erp[k], MultR(gain, drp[k - nr]));
        std::memmove(drp_, drp_ + 40, 120 * sizeof(int16_t));
        std::memcpy(wt + sub * 40, drp_ + 80, 40 * sizeof(int16_t));
    }

    int16_t* const prev = larpp_[current_ ^ 1];
    int16_t* const cur = larpp_[current_];
    int16_t larc[8];
    for (int i = 0; i < 8; ++i)
        larc[i] = static_cast<int16_t>(frame.larc[i] & (kLarMac[i] - kLarMic[i]));
    DecodeLars(larc, cur);
    // The filter memory lives in a local copy so that writes to out cannot
    // be taken for writes to it.
    int16_t v[9];
    std::memcpy(v, v_, sizeof v);
    for (int zone = 0; zone < 4; ++zone) {
        int16_t rrp[8];
        InterpolateReflection(zone, prev, cur, rrp);
        const int start = kZoneStart[zone];
        for (int n = 0; n < kZoneLength[zone]; ++n) {
            int16_t sri = wt[start + n];
            for (int i = 7; i >= 0; --i) {
                sri = Sub(sri, MultRCoefficient(rrp[i], v[i]));
                v[i + 1] = Add(v[i], MultRCoefficient(rrp[i], sri));
            }
            v[0] = sri;
            out[start + n] = sri;
        }
    }
    std::memcpy(v_, v, sizeof v);
    current_ ^= 1;
}

void LGsm0610Decoder::DecodePcm16(const LGsm0610Frame& frame, int16_t pcm[160])
{
    DecodeToSynthesis(frame, pcm);
    for (int k = 0; k < 160; ++k) {
        msr_ = Add(pcm[k], MultR(msr_, 28180));
        pcm[k] = static_cast<int16_t>(Add(msr_, msr_) & 0xFFF8);
    }
}

namespace {

constexpr int kLarBits[8] = {6, 6, 5, 5, 4, 4, 3, 3};

class BitWriter
{
public:
    BitWriter(uint8_t* bytes, int bitPosition) : bytes_(bytes), position_(bitPosition) {}
    void Put(int value, int bits)
    {
        for (int i = 0; i < bits; ++i, ++position_) {
            if ((value >> i) & 1)
                bytes_[position_ >> 3] |= static_cast<uint8_t>(1 << (position_ & 7));
        }
    }

private:
    uint8_t* bytes_;
    int position_;
};

class BitReader
{
public:
    BitReader(const uint8_t* bytes, int bitPosition) : bytes_(bytes), position_(bitPosition) {}
    int16_t Get(int bits)
    {
        int value = 0;
        for (int i = 0; i < bits; ++i, ++position_)
            value |= ((bytes_[position_ >> 3] >> (position_ & 7)) & 1) << i;
        return static_cast<int16_t>(value);
    }

private:
    const uint8_t* bytes_;
    int position_;
};

void PackFrame(const LGsm0610Frame& f, BitWriter& w)
{
    for (int i = 0; i < 8; ++i)
        w.Put(f.larc[i], kLarBits[i]);
    for (int sub = 0; sub < 4; ++sub) {
        w.Put(f.nc[sub], 7);
        w.Put(f.bc[sub], 2);
        w.Put(f.mc[sub], 2);
        w.Put(f.xmaxc[sub], 6);
        for (int i = 0; i < 13; ++i)
            w.Put(f.xmc[sub][i], 3);
    }
}

void UnpackFrame(BitReader& r, LGsm0610Frame& f)
{
    for (int i = 0; i < 8; ++i)
        f.larc[i] = r.Get(kLarBits[i]);
    for (int sub = 0; sub < 4; ++sub) {
        f.nc[sub] = r.Get(7);
        f.bc[sub] = r.Get(2);
        f.mc[sub] = r.Get(2);
        f.xmaxc[sub] = r.Get(6);
        for (int i = 0; i < 13; ++i)
            f.xmc[sub][i] = r.Get(3);
    }
}

} // namespace

void LGsmPackBlock(const LGsm0610Frame& first, const LGsm0610Frame& second, uint8_t block[kGsmBlockBytes])
{
    std::memset(block, 0, kGsmBlockBytes);
    BitWriter w(block, 0);
    PackFrame(first, w);
    PackFrame(second, w);
}

void LGsmUnpackBlock(const uint8_t block[kGsmBlockBytes], LGsm0610Frame& first, LGsm0610Frame& second)
{
    BitReader r(block, 0);
    UnpackFrame(r, first);
    UnpackFrame(r, second);
}
