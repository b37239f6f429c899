#include "audio/effects/LDbGain.h"

#include <array>
#include <cmath>

namespace {

std::array<int32_t, 256> BuildTable()
{
    std::array<int32_t, 256> table{};
    for (int db = -126; db <= 127; ++db) {
        const double gain = std::round(std::pow(10.0, db / 20.0) * 16777216.0);
        table[static_cast<uint8_t>(db)] = gain >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(gain);
    }
    table[static_cast<uint8_t>(-127)] = 0;
    table[static_cast<uint8_t>(-128)] = 0;
    return table;
}

} // namespace

int32_t LDbToGain(int8_t db)
{
    static const std::array<int32_t, 256> table = BuildTable();
    return table[static_cast<uint8_t>(db)];
}
