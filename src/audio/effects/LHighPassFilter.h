#pragma once
// The rumble filter: a second-order high-pass at a cutoff in Hz (150 by
// default in the restoration chain).

#include "audio/effects/LBiquad.h"
#include "audio/effects/LSoundEffect.h"

class LHighPassEffect : public LSoundEffect
{
public:
    explicit LHighPassEffect(int32_t cutoff) : cutoff_(cutoff) {}

    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;

    int32_t GetCutoff() const { return cutoff_; }

private:
    int32_t cutoff_;
};

class LHighPassFilter : public LSoundFilter
{
public:
    // A cutoff below 1 runs at 10 Hz.
    LHighPassFilter(const LSoundSourcePtr& upstream, int32_t cutoff);
    ~LHighPassFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    void Seek(int64_t frame) override;

    const LBiquad& GetBiquad() const { return biquad_; }

private:
    LBiquad biquad_;
};
