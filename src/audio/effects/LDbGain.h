#pragma once
// Gains from signed dB bytes: the one dB table every level control of the
// engine shares (gate thresholds, the RIAA curve, meter and player volumes).

#include <cstdint>

// round(10^(db/20) x 16777216), at most 2147483647; -127 and -128 are
// silence (0). The result is an 8.24 gain (16777216 = x1.0).
int32_t LDbToGain(int8_t db);
