#include "audio/devices/LSoundDbTables.h"

#include <cmath>
#include <mutex>

namespace {

struct DbTables
{
    int32_t amplitude[256];
    int32_t power[256];
};

int32_t Capped(double v)
{
    const double r = std::round(v);
    return r >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(r);
}

const DbTables& Tables()
{
    static DbTables tables;
    static std::once_flag once;
    std::call_once(once, [] {
        for (int d = -128; d <= 127; ++d) {
            const int i = d & 0xFF;
            if (d <= -127) {
                tables.amplitude[i] = 0;
                tables.power[i] = 0;
                continue;
            }
            tables.amplitude[i] = Capped(std::pow(10.0, d / 20.0) * 16777216.0);
            tables.power[i] = Capped(std::pow(10.0, d / 10.0) * 16777216.0);
        }
    });
    return tables;
}

int32_t Interpolated(const int32_t* table, double db)
{
    if (!(db > -127.0)) // also NaN
        return 0;
    if (db >= 127.0)
        return table[127];
    const double low = std::floor(db);
    const int8_t a = static_cast<int8_t>(low);
    const int8_t b = static_cast<int8_t>(low + 1);
    const double ga = table[a & 0xFF], gb = table[b & 0xFF];
    return Capped(ga + (gb - ga) * (db - low));
}

} // namespace

int32_t LDbToAmplitudeGain(int8_t db)
{
    return Tables().amplitude[db & 0xFF];
}

int32_t LDbToPowerGain(int8_t db)
{
    return Tables().power[db & 0xFF];
}

int32_t LDbToAmplitudeGainFractional(double db)
{
    return Interpolated(Tables().amplitude, db);
}

int32_t LDbToPowerGainFractional(double db)
{
    return Interpolated(Tables().power, db);
}
