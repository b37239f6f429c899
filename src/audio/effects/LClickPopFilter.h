#pragma once
// Click and pop removal. A copy of the signal through a 1500 Hz high-pass
// shows clicks as sudden jumps; each short window of the raw signal is
// scanned for samples that stand far above the window's own statistics, and
// a click found there is replaced by a straight line between the samples
// just before and just after it. Frames before the analysis position are
// final and are handed out from the raw buffer.

#include "audio/core/LSoundSource.h"
#include "audio/effects/LBiquad.h"

#include <cstdint>
#include <vector>

class LClickPopFilter : public LSoundFilter
{
public:
    // sensitivity 1..99 (the chain uses 35); maximum click length in microseconds (450).
    LClickPopFilter(const LSoundSourcePtr& upstream, int32_t sensitivity, int32_t maxClickMicroseconds);
    ~LClickPopFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override;
    void Seek(int64_t frame) override;

    int32_t GetWindow() const { return window_; }
    int32_t GetLag() const { return lag_; }
    int32_t GetMaxClick() const { return maxClick_; }
    int32_t GetHop() const { return hop_; }
    int32_t GetLevel() const { return level_; }
    // Clicks repaired so far (for tests and the developer tool).
    int64_t GetRepairCount() const { return repairs_; }

private:
    // Makes sure a whole window lies after the analysis position.
    void Fill();
    void ExamineWindow();
    void ExamineChannel(int32_t channel, int64_t start);
    // A window's statistics with sums of doubles, sample by sample: for
    // windows whose sums a double could not hold exactly.
    void WindowStatistics(int64_t start, int32_t channel, double& meanAbs, double& meanJump, double& sigma);

    int32_t level_;
    int32_t window_;
    int32_t lag_;
    int32_t maxClick_;
    int32_t hop_;
    LBiquad detector_;
    int64_t capacity_;            // frames of each buffer
    std::vector<int32_t> raw_;    // interleaved, repaired in place
    std::vector<int32_t> detect_; // interleaved, high-passed copy
    int64_t validEnd_ = 0;        // frames of valid data
    int64_t analysis_ = 0;        // first frame not yet final
    int64_t output_ = 0;          // next frame to hand out
    std::vector<int64_t> resume_; // per channel: first frame the next scan may start at
    int64_t repairs_ = 0;
    std::vector<double> jumps_; // one window's jumps, for the statistics
    std::vector<int32_t> windowSamples_; // one channel's window of the high-passed copy
    std::vector<uint32_t> whole_;        // its jumps as whole numbers
    double meanAbsOut_ = 0, meanJumpOut_ = 0, sigmaOut_ = 0;
};
