#pragma once
// The plain gain stage ("Amplify"): one 8.24 gain (16777216 = x1.0), a
// user-visible percentage parameter and four presets.

#include "audio/effects/LSoundEffect.h"

class LGainEffect : public LSoundEffect
{
public:
    explicit LGainEffect(int32_t gain = 16777216) : gain_(gain) {}

    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;
    void GetName(char* out, size_t size) override;
    int32_t GetParameterCount() override;
    LSoundEffect* Clone() override;
    bool HasUserParameters() override;
    // Index 0: a signed 16-bit percentage.
    void SetParameter(int32_t index, const void* value) override;
    void GetParameterInfo(int32_t index, LEffectParameterInfo& info) override;
    void SaveParameters(LTaggedWriter& writer) override;
    bool LoadParameters(LTaggedReader& reader, LTaggedElementIterator& elements) override;
    bool LoadRawParameters(LTaggedReader& stream) override;
    int32_t GetPresetCount() override;
    void GetPresetName(int32_t index, char* out, size_t size) override;
    void ApplyPreset(int32_t index) override;
    int32_t GetCurrentPreset() override;

    int32_t GetGain() const { return gain_; }
    void SetGain(int32_t gain) { gain_ = gain; }
    // The gain as a whole percentage, rounded up.
    int32_t GetPercent() const;

private:
    int32_t gain_;
};

// Multiplies its upstream by a gain in 1/512 steps (the 8.24 gain shifted
// right by 15), saturating rather than wrapping.
class LGainFilter : public LSoundFilter
{
public:
    LGainFilter(const LSoundSourcePtr& upstream, int32_t gain);
    ~LGainFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;

    int32_t GetStepGain() const { return stepGain_; }

private:
    int32_t stepGain_;
};

// The 8.24 gain for a percentage, saturated to the int32 range.
int32_t LGainFromPercent(double percent);
