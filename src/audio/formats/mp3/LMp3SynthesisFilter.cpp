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

// Four lanes of floats; on machines without vector units the compiler
// splits the operations into scalar ones.
typedef float Vec4 __attribute__((vector_size(16), may_alias));

// Lee's recursive decomposition: the even outputs are the half-size DCT of
// the folded sums, the odd outputs come from the half-size DCT of the scaled
// differences, added pairwise. T is float or Vec4 (four transforms at once).
template <int N, typename T>
inline void Dct(const T* in, T* out, const float* scale)
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

void LMp3SynthesisFilter::Process(const float* subbands, int slots, float* out, int stride)
{
    const SynthesisTables& tables = Tables();
    const float* __restrict window = tables.window;
    for (int t0 = 0; t0 < slots; t0 += 4) {
        const int group = slots - t0 < 4 ? slots - t0 : 4;
        // The DCTs of up to four time slots at once, one slot per lane.
        Vec4 x4[32];
        Dct<32, Vec4>(reinterpret_cast<const Vec4*>(subbands + 32 * t0), x4, tables.dctScale);

        for (int lane = 0; lane < group; ++lane) {
            const int t = t0 + lane;
            // V = [X16..X31, 0, -X31..-X17, -X16..-X1, -X0, -X1..-X15] written at
            // the new slot and its copy 16 slots further.
            newest_ = (newest_ + 15) & 15;
            float* v = v_[newest_];
            for (int j = 0; j < 16; ++j)
                v[j] = x4[16 + j][lane];
            v[16] = 0.0f;
            for (int j = 17; j < 48; ++j)
                v[j] = -x4[48 - j][lane];
            for (int j = 48; j < 64; ++j)
                v[j] = -x4[j - 48][lane];
            std::memcpy(v_[newest_ + 16], v, sizeof(v_[0]));

            // out[j] = sum over i of V(t - 2i)[j] D[64i + j] + V(t - 2i - 1)[32 + j] D[64i + 32 + j].
            const float* va[8];
            const float* vb[8];
            for (int i = 0; i < 8; ++i) {
                va[i] = v_[newest_ + 2 * i];
                vb[i] = v_[newest_ + 2 * i + 1] + 32;
            }
            alignas(16) Vec4 acc[8];
            for (int q = 0; q < 8; ++q) {
                Vec4 sum = {};
                for (int i = 0; i < 8; ++i) {
                    const Vec4 a = *reinterpret_cast<const Vec4*>(va[i] + 4 * q);
                    const Vec4 b = *reinterpret_cast<const Vec4*>(vb[i] + 4 * q);
                    const Vec4 da = *reinterpret_cast<const Vec4*>(window + 64 * i + 4 * q);
                    const Vec4 db = *reinterpret_cast<const Vec4*>(window + 64 * i + 32 + 4 * q);
                    sum += a * da + b * db;
                }
                acc[q] = sum;
            }
            float* o = out + size_t(32) * t * stride;
            if (stride == 1) {
                std::memcpy(o, acc, sizeof(acc));
            } else {
                for (int j = 0; j < 32; ++j)
                    o[j * stride] = acc[j / 4][j % 4];
            }
        }
    }
}
