#pragma once
// Four-band noise gate: the signal is split into bands around 50-400,
// 400-1100, 1100-2600 and above 2600 Hz; each band opens when its peak in the
// coming block stands above the band's threshold and closes when it falls
// back, with gains ramped frame by frame over one block of look-ahead.

#include "audio/effects/LSoundEffect.h"

#include <array>
#include <vector>

constexpr int32_t kNoiseGateBands = 4;

class LNoiseReductionEffect : public LSoundEffect
{
public:
    // One level in dB per band (compared on the scale where 0 dB is 131072).
    explicit LNoiseReductionEffect(const std::array<int8_t, kNoiseGateBands>& levels) : levels_(levels) {}

    // The gate over the source, or the source itself when its status is not 0.
    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;

    const std::array<int8_t, kNoiseGateBands>& GetLevels() const { return levels_; }

private:
    std::array<int8_t, kNoiseGateBands> levels_;
};

class LNoiseGateFilter : public LSoundFilter
{
public:
    LNoiseGateFilter(const LSoundSourcePtr& upstream, const std::array<int8_t, kNoiseGateBands>& levels);
    ~LNoiseGateFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override;
    void Seek(int64_t frame) override;

    int32_t GetBlock() const { return block_; }
    // The 8.24 multiplier a band's peak is scaled by before the ramp (0 for
    // a band that never closes).
    int32_t GetThreshold(int32_t band) const { return thresholds_[band]; }
    bool IsAlwaysOpen(int32_t band) const { return alwaysOpen_[band]; }
    int32_t GetCoefficient(int32_t index) const { return coefficients_[index]; }

private:
    // Reads one block and splits it into the four band buffers of `bands`.
    void ReadAndSplit(std::vector<int32_t>* bands);
    void ComputeTargets(std::array<int32_t, kNoiseGateBands>& targets) const;
    void StartUp();
    void NextBlock();

    std::array<int32_t, kNoiseGateBands> thresholds_{};
    std::array<bool, kNoiseGateBands> alwaysOpen_{};
    std::array<int32_t, kNoiseGateBands> coefficients_{}; // 50, 400, 1100, 2600 Hz in 1/256
    int32_t block_;
    std::vector<int64_t> splitters_; // the four band-split accumulators of each channel
    std::vector<int32_t> current_[kNoiseGateBands];
    std::vector<int32_t> next_[kNoiseGateBands];
    std::vector<int32_t> scratch_;
    std::array<int32_t, kNoiseGateBands> nextPeaks_{}; // band peaks of the next block
    std::array<int32_t, kNoiseGateBands> gains_{};
    std::array<int32_t, kNoiseGateBands> steps_{};
    int64_t positionInBlock_ = 0;
};
