#include "audio/formats/mp3/LMp3SynthesisFilter.h"

#include <cmath>
#include <cstring>

#include "audio/formats/mp3/LMp3Tables.h"

namespace {

struct SynthesisTables
{
    // Window D[0..511] in output units (D x 2^19).
    alignas(32) float window[512];
    // Butterfly factors of the recursive DCT for sizes 32, 16, 8, 4, 2:
    // 1 / (2 cos(pi (2n + 1) / (2N))), at offset N / 2 - 1.
    float dctScale[32];
};

const SynthesisTables& Tables()
{
    static const SynthesisTables tables = [] {
        SynthesisTables t{};
        for (int i = 0; i <= 256; ++i) {
            const double d = kMp3SynthesisWindow[i] / 65536.0;
            t.window[i] = float(d * 524288.0);
            if (i > 0 && i < 256) {
                const bool mirrorSameSign = (i % 64) == 0;
                t.window[512 - i] = float((mirrorSameSign ? d : -d) * 524288.0);
            }
        }
        for (int n = 32; n >= 2; n /= 2)
            for (int k = 0; k < n / 2; ++k)
                t.dctScale[n / 2 - 1 + k] = float(1.0 / (2.0 * std::cos(M_PI * (2 * k + 1) / (2.0 * n))));
        return t;
    }();
    return tables;
}

// Eight lanes of floats; where the machine has narrower vector units (or
// none) the compiler splits the operations.
typedef float Vec8 __attribute__((vector_size(32), may_alias));

// Lee's recursive decomposition: the even outputs are the half-size DCT of
// the folded sums, the odd outputs come from the half-size DCT of the scaled
// differences, added pairwise. T is float or Vec8 (eight transforms at once).
template <int N, typename T>
__attribute__((always_inline)) inline void Dct(const T* in, T* out, const float* scale)
{
    if constexpr (N == 1) {
        out[0] = in[0];
    } else {
        T a[N / 2], b[N / 2], ea[N / 2], eb[N / 2];
        const float* s = scale + N / 2 - 1;
        for (int n = 0; n < N / 2; ++n) {
            a[n] = in[n] + in[N - 1 - n];
            b[n] = (in[n] - in[N - 1 - n]) * s[n];
        }
        Dct<N / 2, T>(a, ea, scale);
        Dct<N / 2, T>(b, eb, scale);
        for (int k = 0; k < N / 2; ++k)
            out[2 * k] = ea[k];
        for (int k = 0; k < N / 2 - 1; ++k)
            out[2 * k + 1] = eb[k] + eb[k + 1];
        out[N - 1] = eb[N / 2 - 1];
    }
}

} // namespace

// The filter banks' inner loops get a build for processors with AVX2 and FMA
// next to the baseline one, chosen when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define MP3_VECTOR_CLONES                                                                                    \
    __attribute__((target_clones("arch=x86-64-v3", "default"), optimize("fp-contract=fast")))
#else
#define MP3_VECTOR_CLONES
#endif

void LMp3Dct32(const float* in, float* out)
{
    Dct<32, float>(in, out, Tables().dctScale);
}

LMp3SynthesisFilter::LMp3SynthesisFilter()
{
    Reset();
}

void LMp3SynthesisFilter::Reset()
{
    std::memset(v_, 0, sizeof(v_));
    newest_ = 0;
}

MP3_VECTOR_CLONES void LMp3SynthesisFilter::Process(const float* subbands, int slots, float* out)
{
    const SynthesisTables& tables = Tables();
    const float* __restrict window = tables.window;
    for (int t0 = 0; t0 < slots; t0 += kGroupSlots) {
        const int group = slots - t0 < kGroupSlots ? slots - t0 : kGroupSlots;
        // The DCTs of up to eight time slots at once, one slot per lane.
        alignas(32) Vec8 x8[32];
        Dct<32, Vec8>(reinterpret_cast<const Vec8*>(subbands + 32 * t0), x8, tables.dctScale);
        const float* xs = reinterpret_cast<const float*>(x8);

        for (int lane = 0; lane < group; ++lane) {
            const int t = t0 + lane;
            // V = [X16..X31, 0, -X31..-X17, -X16..-X1, -X0, -X1..-X15] written at
            // the new slot and its copy 16 slots further.
            newest_ = (newest_ + 15) & 15;
            float* v = v_[newest_];
            for (int j = 0; j < 16; ++j)
                v[j] = xs[(16 + j) * kGroupSlots + lane];
            v[16] = 0.0f;
            for (int j = 17; j < 48; ++j)
                v[j] = -xs[(48 - j) * kGroupSlots + lane];
            for (int j = 48; j < 64; ++j)
                v[j] = -xs[(j - 48) * kGroupSlots + lane];
            std::memcpy(v_[newest_ + 16], v, sizeof(v_[0]));

            // out[j] = sum over i of V(t - 2i)[j] D[64i + j] + V(t - 2i - 1)[32 + j] D[64i + 32 + j].
            float* o = out + size_t(32) * t;
            for (int q = 0; q < 4; ++q) {
                Vec8 sum = {};
#pragma GCC unroll 8
                for (int i = 0; i < 8; ++i) {
                    const Vec8 a = *reinterpret_cast<const Vec8*>(v_[newest_ + 2 * i] + 8 * q);
                    const Vec8 b = *reinterpret_cast<const Vec8*>(v_[newest_ + 2 * i + 1] + 32 + 8 * q);
                    const Vec8 da = *reinterpret_cast<const Vec8*>(window + 64 * i + 8 * q);
                    const Vec8 db = *reinterpret_cast<const Vec8*>(window + 64 * i + 32 + 8 * q);
                    sum += a * da + b * db;
                }
                std::memcpy(o + 8 * q, &sum, sizeof sum);
            }
        }
    }
}
