#pragma once
// The process-wide dB tables shared by the recording and playback gains:
// for every whole dB from -126 to +127 the amplitude gain round(10^(d/20) x
// 2^24) and the power gain round(10^(d/10) x 2^24), each capped at
// 2147483647; -128 and -127 mean mute (0). Indexed directly by a signed dB
// byte; built once on first use.

#include <cstdint>

// The 8.24 amplitude gain of a dB value.
int32_t LDbToAmplitudeGain(int8_t db);
// The 8.24 power gain of a dB value.
int32_t LDbToPowerGain(int8_t db);
// Between two whole dB values the gains are interpolated linearly.
int32_t LDbToAmplitudeGainFractional(double db);
int32_t LDbToPowerGainFractional(double db);

// The recording and playback gain in 1/512 steps (512 = 0 dB): the amplitude
// gain shifted right by 15.
inline int32_t LDbToGain512(int8_t db)
{
    return LDbToAmplitudeGain(db) >> 15;
}
