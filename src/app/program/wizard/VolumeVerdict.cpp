#include "app/program/wizard/VolumeVerdict.h"

#include <algorithm>

const char* VolumeVerdictText(VolumeVerdict verdict)
{
    switch (verdict) {
    case VolumeVerdict::kHigh:
        return "HIGH";
    case VolumeVerdict::kGood:
        return "GOOD";
    case VolumeVerdict::kLow:
    default:
        return "LOW";
    }
}

int8_t VolumeReading(const LSoundLevelRecord& levels)
{
    if (levels.count == 0)
        return -127;
    if (levels.count == 1)
        return levels.levels[0];
    return std::max(levels.levels[0], levels.levels[1]);
}

VolumeVerdict JudgeVolumeReadings(const int8_t readings[20])
{
    // The maximum starts at 0 and the minimum at 127, so a block of silence
    // skips no reading as its loudest.
    int8_t max = 0;
    int8_t min = 127;
    for (int i = 0; i < 20; ++i) {
        max = std::max(max, readings[i]);
        min = std::min(min, readings[i]);
    }
    bool maxSkipped = false;
    bool minSkipped = false;
    int32_t sum = 0;
    int32_t count = 0;
    for (int i = 0; i < 20; ++i) {
        if (!maxSkipped && readings[i] == max) {
            maxSkipped = true;
            continue;
        }
        if (!minSkipped && readings[i] == min) {
            minSkipped = true;
            continue;
        }
        sum += readings[i];
        ++count;
    }
    if (count == 0)
        return VolumeVerdict::kLow;
    const auto average = static_cast<int8_t>(sum / count);
    if (average >= 6)
        return VolumeVerdict::kHigh;
    if (average >= -6)
        return VolumeVerdict::kGood;
    return VolumeVerdict::kLow;
}

bool VolumeReadings::Add(int8_t reading, VolumeVerdict* verdict)
{
    readings_[count_++] = reading;
    if (count_ < kBlock)
        return false;
    count_ = 0;
    if (verdict != nullptr)
        *verdict = JudgeVolumeReadings(readings_);
    return true;
}
