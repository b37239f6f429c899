#pragma once
// The calibration page's judgement of the input level: one reading per
// level report (the louder of the first two channels), and over each block
// of 20 readings a verdict: the loudest and the quietest reading are left
// out and the rest averaged; 6 dB or more is "HIGH", -6..5 dB "GOOD", below
// -6 dB "LOW".

#include "audio/devices/LSoundRecorder.h"

#include <cstdint>

enum class VolumeVerdict {
    kLow,
    kGood,
    kHigh,
};

const char* VolumeVerdictText(VolumeVerdict verdict);

// -127 without channels; the first channel for one; the larger of the first two otherwise.
int8_t VolumeReading(const LSoundLevelRecord& levels);

// The verdict over exactly 20 readings.
VolumeVerdict JudgeVolumeReadings(const int8_t readings[20]);

// Collects readings; every 20th gives a verdict and starts a fresh block.
class VolumeReadings
{
public:
    static constexpr int kBlock = 20;
    // True when this reading completed a block (its verdict in *verdict).
    bool Add(int8_t reading, VolumeVerdict* verdict);
    int Count() const { return count_; }

private:
    int8_t readings_[kBlock] = {};
    int count_ = 0;
};
