#include "audio/effects/LSincTable.h"

#include <cmath>
#include <numeric>

namespace {

// Modified Bessel function of the first kind, order 0, from the first seven
// terms of its series: enough for the Kaiser windows used here.
long double BesselI0(long double z)
{
    const long double q = z * z / 4.0L;
    long double term = 1.0L, sum = 1.0L;
    for (int k = 1; k <= 6; ++k) {
        term *= q / (static_cast<long double>(k) * k);
        sum += term;
    }
    return sum;
}

int32_t RoundHalfAway(long double v)
{
    return static_cast<int32_t>(v < 0 ? -std::floor(-v + 0.5L) : std::floor(v + 0.5L));
}

} // namespace

void LSincRatio(int32_t inputRate, int32_t outputRate, bool approximate, int32_t* phases, int32_t* step)
{
    int64_t l = 1, m = 1;
    if (inputRate >= 1 && outputRate >= 1) {
        if (!approximate) {
            // The smallest L with L x input divisible by output.
            l = outputRate / std::gcd(static_cast<int64_t>(inputRate), static_cast<int64_t>(outputRate));
            m = static_cast<int64_t>(inputRate) * l / outputRate;
        } else {
            const long double d = static_cast<long double>(inputRate) / outputRate;
            long double best = d;
            int64_t choice = 1;
            for (int u = 1; u <= 255; ++u) {
                const int64_t num = static_cast<int64_t>(std::trunc(d * u + 0.5L)) & 0xFFFF;
                const long double e = std::fabs(d - static_cast<long double>(num) / u);
                if (e < best) {
                    best = e;
                    choice = u;
                    if (e < 1e-5L)
                        break;
                }
            }
            l = choice;
            m = static_cast<int64_t>(std::trunc(d * l + 0.5L));
        }
        if (m < 1)
            m = 1;
    }
    *phases = static_cast<int32_t>(l);
    *step = static_cast<int32_t>(m);
}

bool LBuildSincTable(LSincTable& table, int32_t inputRate, int32_t outputRate, int32_t taps, bool narrow,
                     bool approximate)
{
    if (taps < 1)
        taps = 1;
    table.taps = taps;
    const bool valid = inputRate >= 1 && outputRate >= 1;
    LSincRatio(inputRate, outputRate, approximate, &table.phases, &table.step);
    const int32_t l = table.phases;
    table.coefficients.assign(static_cast<size_t>(l) * taps, 0);
    const int32_t half = taps >> 1;
    if (!valid) {
        table.coefficients[half] = 65536;
        return false;
    }

    long double beta, fc;
    if (outputRate > inputRate) {
        beta = 5.6L;
        fc = 0.975L;
    } else {
        beta = 4.538L;
        const long double ratio = static_cast<long double>(outputRate) / inputRate;
        fc = ratio - (narrow ? 0.09375L : 0.046875L);
        // Large reductions in one step would leave no pass band at all: keep
        // at least half of the new Nyquist band.
        if (fc < ratio * 0.5L)
            fc = ratio * 0.5L;
    }
    const long double pi = 3.141592653589793238462643383279502884L;
    const long double k = half + 1;
    const long double scale = fc * 65536.0L / BesselI0(beta);
    for (int32_t p = 0; p < l; ++p) {
        int32_t* row = table.coefficients.data() + static_cast<size_t>(p) * taps;
        for (int32_t i = 0; i < taps; ++i) {
            const long double x = static_cast<long double>(i - half) - static_cast<long double>(p) / l;
            if (x == 0.0L) {
                row[i] = static_cast<int32_t>(std::trunc(fc * 65536.0L + 0.5L));
                continue;
            }
            const long double arg = pi * fc * x;
            const long double w = BesselI0(beta * std::sqrt(1.0L - x * x / (k * k)));
            row[i] = RoundHalfAway(scale * std::sin(arg) / arg * w);
        }
    }
    return true;
}

void LSincKernel::Build(const LSincTable& table)
{
    padded_ = (table.taps + 7) / 8 * 8;
    coefficients_.assign(static_cast<size_t>(table.phases) * padded_, 0.0f);
    for (int32_t p = 0; p < table.phases; ++p)
        for (int32_t t = 0; t < table.taps; ++t)
            coefficients_[static_cast<size_t>(p) * padded_ + t] =
                static_cast<float>(table.Phase(p)[t]) / 65536.0f;
}
