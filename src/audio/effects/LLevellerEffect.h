#pragma once
// A look-ahead leveller that keeps every block of its output under a
// ceiling. It reads three blocks ahead, gives each block the gain that brings
// its peak under the ceiling, and ramps the running gain frame by frame so
// that it has fallen by the time a loud block plays and recovers gradually
// (averaged over four blocks) afterwards.

#include "audio/effects/LSoundEffect.h"

#include <vector>

// Query codes understood by the leveller.
enum : int32_t {
    kQueryPositionCorrection = 1, // offer a position correction to the upstream
    kQueryHeldBackFrames = 4,     // frames read ahead and not yet delivered
    kQueryMapCorrection = 6,      // rewrite a correction into the upstream's frames
};

class LLevellerEffect : public LSoundEffect
{
public:
    explicit LLevellerEffect(int32_t level = 0x7FFF0) : level_(level) {}

    // A leveller when the source may exceed the level, else the source itself.
    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;

    int32_t GetLevel() const { return level_; }

private:
    int32_t level_;
};

class LLevellerFilter : public LSoundFilter
{
public:
    LLevellerFilter(const LSoundSourcePtr& upstream, int32_t ceiling);
    ~LLevellerFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override;
    int64_t GetLength() override;
    void Seek(int64_t frame) override;
    bool Query(int32_t code, int64_t* value) override;

    int64_t GetBlockFrames() const { return blockFrames_; }
    int32_t GetRunningGain() const { return running_; }

    // The 8.24 gain that brings a block of peak `peak` under `ceiling`.
    static int32_t BlockGain(int32_t peak, int32_t ceiling);

private:
    void StartUp();
    void ReadBlock(int32_t slot);
    void SetUpRamp();
    int64_t Correction() const;

    int32_t ceiling_;
    int64_t blockFrames_;
    std::vector<int32_t> blocks_[3]; // current, next, the one after
    int32_t current_ = 0;            // slot of the current block
    int32_t gainPlayed_ = 0, gainCurrent_ = 0, gainNext_ = 0, gainAfter_ = 0;
    int32_t running_ = 0;
    int32_t step_ = 0;
    int64_t inBlock_ = 0; // frames of the current block already delivered
    bool started_ = false;
};
