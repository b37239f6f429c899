#pragma once
// The noise floor measurement: while the user lets a silence between two
// tracks play, the input's level reports are collected for two seconds of
// recorded frames; the average of the loudest nine tenths of their range is
// the noise floor that automatic splitting compares against.

#include "audio/devices/LSoundRecorder.h"

#include <cstdint>

struct NoiseFloorStep
{
    int current = -127;    // the report's level, for "Current Volume Level: %d dB"
    bool sampling = false; // still collecting
    bool finished = false; // the two seconds are over
    bool noSignal = false; // finished, but no level was usable: nothing to store
    int floor = 0;         // finished with a signal: the measured floor
    double spread = 0;     // sum of squared deviations of the kept levels
};

class NoiseFloorMeasurement
{
public:
    static constexpr int kCapacity = 60;

    // Starts measuring at the recorder's current frame count.
    void Begin(int64_t startFrames);
    bool IsMeasuring() const { return measuring_; }
    // One level report with the recorder's frame count and rate.
    NoiseFloorStep OnLevels(const LSoundLevelRecord& levels, int64_t frames, uint32_t rate);

    // The average over the first n levels (see the .cpp); kept receives how
    // many levels it averaged (0: no average, floor untouched).
    static int Average(const int* levels, int n, int* kept, double* spread);

private:
    bool measuring_ = false;
    int sampleCount_ = 0;
    int64_t startPosition_ = 0;
    int buffer_[kCapacity] = {};
};
