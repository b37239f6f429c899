#pragma once
// Effects and adaptors that bring a source or a sink to a wanted rate and
// channel count. Channels are reduced before resampling and expanded after
// it, so the resampler always works on the fewer channels.

#include "audio/core/LSoundSink.h"
#include "audio/effects/LSoundEffect.h"

class LChannelConvertEffect : public LSoundEffect
{
public:
    explicit LChannelConvertEffect(uint8_t channels) : channels_(channels) {}

    // A channel filter when the counts differ, else the source itself (also
    // for a failed source or a wanted count of 0).
    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;

private:
    uint8_t channels_;
};

class LResampleEffect : public LSoundEffect
{
public:
    LResampleEffect(int32_t rate, bool approximate) : rate_(rate), approximate_(approximate) {}

    // One or more resamplers when the rates differ, else the source itself.
    // Reductions below a quarter of the source rate go through twice the
    // target first, so that no single stage loses its pass band.
    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;

private:
    int32_t rate_;
    bool approximate_;
};

// Replaces source by a chain delivering rate and channels.
void AdaptSoundSource(int32_t rate, uint8_t channels, LSoundSourcePtr& source);

// Replaces sink by a chain accepting rate and channels.
void AdaptSoundSink(uint32_t rate, uint8_t channels, LSoundSinkPtr& sink);

// out = a sink that writes to all n sinks at the highest rate and channel
// count among them, each sink adapted to that rate and count. A failed null
// sink when n is 0 or no sink has a rate.
void CreateMultiSoundSink(LSoundSinkPtr& out, const LSoundSinkPtr* sinks, int32_t n);
