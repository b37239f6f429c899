#include "app/program/recording/NoiseFloorMeasurement.h"

#include <algorithm>

void NoiseFloorMeasurement::Begin(int64_t startFrames)
{
    startPosition_ = startFrames;
    sampleCount_ = 0;
    measuring_ = true;
}

// Levels in the top nine tenths of the range between the quietest and the
// loudest are averaged (a tick in the silence is left out). The loudest
// starts at -100 dB: levels below it are no signal at all.
int NoiseFloorMeasurement::Average(const int* levels, int n, int* kept, double* spread)
{
    int high = -100;
    int low = 12;
    for (int i = 0; i < n; ++i) {
        high = std::max(high, levels[i]);
        low = std::min(low, levels[i]);
    }
    const double threshold = high - 0.1 * (high - low);
    int sum = 0;
    int m = 0;
    for (int i = 0; i < n; ++i) {
        if (levels[i] >= threshold) {
            sum += levels[i];
            ++m;
        }
    }
    *kept = m;
    *spread = 0;
    if (m == 0)
        return 0;
    const int average = static_cast<int>(static_cast<float>(sum) / static_cast<float>(m));
    for (int i = 0; i < n; ++i) {
        if (levels[i] >= threshold) {
            const double d = levels[i] - average;
            *spread += d * d;
        }
    }
    return average;
}

NoiseFloorStep NoiseFloorMeasurement::OnLevels(const LSoundLevelRecord& levels, int64_t frames, uint32_t rate)
{
    NoiseFloorStep step;
    if (levels.count == 0)
        step.current = -127;
    else if (levels.count == 1)
        step.current = levels.levels[0];
    else
        step.current = std::max(levels.levels[0], levels.levels[1]);
    if (!measuring_)
        return step;
    sampleCount_ = std::min(sampleCount_ + 1, kCapacity);
    if (frames - startPosition_ < 2 * static_cast<int64_t>(rate)) {
        buffer_[sampleCount_ - 1] = step.current;
        step.sampling = true;
        return step;
    }
    const int n = std::clamp(sampleCount_ - 1, 1, kCapacity);
    int kept = 0;
    step.floor = Average(buffer_, n, &kept, &step.spread);
    step.finished = true;
    step.noSignal = kept == 0;
    measuring_ = false;
    sampleCount_ = 0;
    return step;
}
