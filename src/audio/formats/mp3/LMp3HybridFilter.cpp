#include "audio/formats/mp3/LMp3HybridFilter.h"

#include <cmath>
#include <cstring>

#include "audio/formats/mp3/LMp3SynthesisFilter.h"
#include "audio/formats/mp3/LMp3Tables.h"

namespace {

// Eight lanes of floats; where the machine has narrower vector units (or
// none) the compiler splits the operations.
typedef float Vec8 __attribute__((vector_size(32), may_alias));

// The filter banks' inner loops get a build for processors with AVX2 and FMA
// next to the baseline one, chosen when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define MP3_VECTOR_CLONES                                                                                    \
    __attribute__((target_clones("arch=x86-64-v3", "default"), optimize("fp-contract=fast")))
#else
#define MP3_VECTOR_CLONES
#endif

struct HybridTables
{
    float aliasCs[8];
    float aliasCa[8];
    // The 18 independent outputs of the 36-point IMDCT (n = 0..8 and 18..26)
    // as a matrix: column m, row k (rows padded to 24 for whole vectors).
    alignas(32) float imdct[18][24];
    // The 12-point IMDCT of 6 inputs with the short window folded in (rows padded to 16).
    alignas(32) float shortImdct[6][16];
    // Long windows by block type (type 2 unused here).
    float window[4][36];
};

const HybridTables& Tables()
{
    static const HybridTables tables = [] {
        HybridTables t{};
        for (int i = 0; i < 8; ++i) {
            const double c = kMp3AliasCoefficients[i];
            const double root = std::sqrt(1.0 + c * c);
            t.aliasCs[i] = float(1.0 / root);
            t.aliasCa[i] = float(c / root);
        }
        for (int k = 0; k < 18; ++k)
            for (int m = 0; m < 18; ++m) {
                const int n = m < 9 ? m : m + 9;
                t.imdct[k][m] = float(std::cos(M_PI / 72.0 * (2 * n + 1 + 18) * (2 * k + 1)));
            }
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 12; ++i)
                t.shortImdct[k][i] = float(std::sin(M_PI / 12.0 * (i + 0.5)) *
                                           std::cos(M_PI / 24.0 * (2 * i + 1 + 6) * (2 * k + 1)));
        for (int i = 0; i < 36; ++i) {
            const double longWin = std::sin(M_PI / 36.0 * (i + 0.5));
            t.window[0][i] = float(longWin);
            // Start window: long rising half, flat, short falling half, zeros.
            double start = 0.0;
            if (i < 18)
                start = longWin;
            else if (i < 24)
                start = 1.0;
            else if (i < 30)
                start = std::sin(M_PI / 12.0 * (i - 18 + 0.5));
            t.window[1][i] = float(start);
            // Stop window: the mirror image.
            double stop = 0.0;
            if (i >= 6 && i < 12)
                stop = std::sin(M_PI / 12.0 * (i - 6 + 0.5));
            else if (i >= 12 && i < 18)
                stop = 1.0;
            else if (i >= 18)
                stop = longWin;
            t.window[3][i] = float(stop);
        }
        return t;
    }();
    return tables;
}

// The 18 independent IMDCT outputs; the others follow from
// y[17 - n] = -y[n] and y[35 - n] = y[18 + n] (n = 0..8). y holds 24 floats.
inline void Imdct18Unique(const float* in, const float (*matrix)[24], float* y)
{
    Vec8 a0 = {}, a1 = {}, a2 = {};
#pragma GCC unroll 18
    for (int k = 0; k < 18; ++k) {
        const float x = in[k];
        const Vec8* row = reinterpret_cast<const Vec8*>(matrix[k]);
        a0 += x * row[0];
        a1 += x * row[1];
        a2 += x * row[2];
    }
    const Vec8 acc[3] = {a0, a1, a2};
    std::memcpy(y, acc, sizeof(acc));
}

static_assert(LMp3SynthesisFilter::kGroupSlots == 8, "a subband's slots are written eight at a time");

inline int Slot(int t, int sb)
{
    return LMp3SynthesisFilter::InputIndex(t, sb);
}

} // namespace

void LMp3Imdct36(const float* in, float* out)
{
    alignas(32) float y[24];
    Imdct18Unique(in, Tables().imdct, y);
    for (int n = 0; n < 9; ++n) {
        out[n] = y[n];
        out[17 - n] = -y[n];
        out[18 + n] = y[9 + n];
        out[35 - n] = y[9 + n];
    }
}

LMp3HybridFilter::LMp3HybridFilter()
{
    Reset();
}

void LMp3HybridFilter::Reset()
{
    std::memset(overlap_, 0, sizeof(overlap_));
}

MP3_VECTOR_CLONES void LMp3HybridFilter::Process(float* xr, int blockType, bool mixed, int nonZeroLines,
                                                 float* out)
{
    const HybridTables& t = Tables();
    const bool shortBlocks = blockType == 2;
    const int longSubbands = shortBlocks ? (mixed ? 2 : 0) : 32;

    if (nonZeroLines < 0)
        nonZeroLines = 0;
    if (nonZeroLines > 576)
        nonZeroLines = 576;
    // Subbands past the last non-zero line carry nothing but the alias
    // reduction's spill into the next subband.
    int activeSubbands = (nonZeroLines + 17) / 18;

    // Alias reduction across the boundaries between long-block subbands.
    const int aliasLimit = longSubbands < activeSubbands + 1 ? longSubbands : activeSubbands + 1;
    for (int sb = 1; sb < aliasLimit && sb < 32; ++sb) {
        float* lo = xr + 18 * sb - 1;
        float* hi = xr + 18 * sb;
        for (int i = 0; i < 8; ++i) {
            const float a = lo[-i];
            const float b = hi[i];
            lo[-i] = a * t.aliasCs[i] - b * t.aliasCa[i];
            hi[i] = b * t.aliasCs[i] + a * t.aliasCa[i];
        }
    }
    if (aliasLimit > activeSubbands)
        activeSubbands = aliasLimit < 32 ? aliasLimit : 32;

    // Frequency inversion: odd time samples of odd subbands change sign.
    static const Vec8 kOddSigns = {1.0f, -1.0f, 1.0f, -1.0f, 1.0f, -1.0f, 1.0f, -1.0f};
    static const Vec8 kNoSigns = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    for (int sb = 0; sb < 32; ++sb) {
        Vec8* overlap = reinterpret_cast<Vec8*>(overlap_[sb]);
        // This granule's blocks: first halves (added to the overlap) and second halves.
        alignas(32) float first[24] = {};
        alignas(32) float second[24] = {};
        if (sb < activeSubbands) {
            const float* in = xr + 18 * sb;
            if (sb < longSubbands) {
                // Mixed blocks keep the normal window in the two lowest subbands,
                // whatever the block type of the others.
                const int type = (shortBlocks || (mixed && sb < 2)) ? 0 : blockType;
                const float* win = t.window[type];
                alignas(32) float y[24];
                Imdct18Unique(in, t.imdct, y);
                for (int n = 0; n < 9; ++n) {
                    first[n] = y[n] * win[n];
                    first[17 - n] = -y[n] * win[17 - n];
                    second[n] = y[9 + n] * win[18 + n];
                    second[17 - n] = y[9 + n] * win[35 - n];
                }
            } else {
                float z[36] = {};
                for (int w = 0; w < 3; ++w) {
                    Vec8 y0 = {}, y1 = {};
                    for (int k = 0; k < 6; ++k) {
                        const float x = in[3 * k + w];
                        const Vec8* row = reinterpret_cast<const Vec8*>(t.shortImdct[k]);
                        y0 += x * row[0];
                        y1 += x * row[1];
                    }
                    for (int i = 0; i < 8; ++i)
                        z[6 + 6 * w + i] += y0[i];
                    for (int i = 0; i < 4; ++i)
                        z[14 + 6 * w + i] += y1[i];
                }
                std::memcpy(first, z, sizeof(float) * 18);
                std::memcpy(second, z + 18, sizeof(float) * 18);
            }
        }
        const Vec8 signs = (sb & 1) ? kOddSigns : kNoSigns;
        const Vec8* f = reinterpret_cast<const Vec8*>(first);
        const Vec8 r0 = (f[0] + overlap[0]) * signs;
        const Vec8 r1 = (f[1] + overlap[1]) * signs;
        const Vec8 r2 = (f[2] + overlap[2]) * signs;
        std::memcpy(overlap_[sb], second, sizeof(second));
        // Slots 0..7, 8..15 and 16..17 of this subband lie together in the synthesis input.
        std::memcpy(out + Slot(0, sb), &r0, sizeof r0);
        std::memcpy(out + Slot(8, sb), &r1, sizeof r1);
        out[Slot(16, sb)] = r2[0];
        out[Slot(17, sb)] = r2[1];
    }
}
