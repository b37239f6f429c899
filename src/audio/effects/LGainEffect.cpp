#include "audio/effects/LGainEffect.h"

#include "audio/effects/LFixedPoint.h"
#include "audio/effects/LSampleLevels.h"

#include <cmath>

namespace {

struct GainPreset
{
    const char* name;
    int16_t percent;
};

constexpr GainPreset kPresets[] = {
    {"Quarter Volume", 25},
    {"Half Volume", 50},
    {"Double Volume", 200},
    {"Triple Volume", 300},
};
constexpr int32_t kPresetCount = 4;

} // namespace

int32_t LGainFromPercent(double percent)
{
    const double gain = std::trunc(percent / 100.0 * 16777216.0);
    if (gain >= 2147483647.0)
        return INT32_MAX;
    if (gain <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(gain);
}

// ---- effect ----

void LGainEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    out = new LGainFilter(source, gain_);
}

void LGainEffect::GetName(char* out, size_t size)
{
    LCopyEffectText(out, size, "Amplify");
}

int32_t LGainEffect::GetParameterCount()
{
    return 1;
}

LSoundEffect* LGainEffect::Clone()
{
    return new LGainEffect(gain_);
}

bool LGainEffect::HasUserParameters()
{
    return true;
}

void LGainEffect::SetParameter(int32_t index, const void* value)
{
    if (index != 0 || value == nullptr)
        return;
    gain_ = LGainFromPercent(*static_cast<const int16_t*>(value));
}

int32_t LGainEffect::GetPercent() const
{
    return static_cast<int32_t>(std::ceil(gain_ * 5.960464477539063e-8 * 100.0));
}

void LGainEffect::GetParameterInfo(int32_t index, LEffectParameterInfo& info)
{
    if (index != 0)
        return;
    info.SetInteger("Gain Percentage", "%", 1, 400, GetPercent());
}

void LGainEffect::SaveParameters(LTaggedWriter& writer)
{
    writer.OpenElement(kEffectElementBase, kTaggedContainer);
    LSoundEffect::SaveParameters(writer);
    writer.CloseElement(kEffectElementBase);
    writer.WriteUInt32(kEffectElementValue, static_cast<uint32_t>(gain_));
}

bool LGainEffect::LoadParameters(LTaggedReader& reader, LTaggedElementIterator& elements)
{
    // Nothing changes unless the whole level reads cleanly.
    int32_t gain = gain_;
    uint8_t flags = flags_;
    while (elements.Next()) {
        if (elements.Id() == kEffectElementValue) {
            uint32_t value;
            if (!elements.ReadUInt32(&value))
                return false;
            gain = static_cast<int32_t>(value);
        } else if (elements.Id() == kEffectElementBase) {
            LTaggedElementIterator children = elements.Children();
            if (!LoadBaseElements(children, &flags))
                return false;
        }
    }
    if (reader.IsFailed())
        return false;
    gain_ = gain;
    flags_ = flags;
    return true;
}

bool LGainEffect::LoadRawParameters(LTaggedReader& stream)
{
    uint8_t bytes[4];
    if (stream.ReadRaw(bytes, 4) != 4)
        return false;
    gain_ =
        static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                             static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

int32_t LGainEffect::GetPresetCount()
{
    return kPresetCount;
}

void LGainEffect::GetPresetName(int32_t index, char* out, size_t size)
{
    if (index < 0 || index >= kPresetCount)
        return;
    LCopyEffectText(out, size, kPresets[index].name);
}

void LGainEffect::ApplyPreset(int32_t index)
{
    if (index < 0 || index >= kPresetCount)
        return;
    const int16_t percent = kPresets[index].percent;
    SetParameter(0, &percent);
}

int32_t LGainEffect::GetCurrentPreset()
{
    const int32_t percent = GetPercent();
    for (int32_t i = 0; i < kPresetCount; ++i)
        if (kPresets[i].percent == percent)
            return i;
    return -1;
}

// ---- filter ----

LGainFilter::LGainFilter(const LSoundSourcePtr& upstream, int32_t gain)
    : LSoundFilter(upstream), stepGain_(gain >> 15)
{
    if (gain > kUnityGain824) {
        // A raised level must be declared, or nothing downstream limits it.
        const int64_t scaled = (static_cast<int64_t>(peakLimit_) * gain) >> 24;
        int64_t limit = scaled > 0x200000 ? scaled : 0x200000;
        if (limit > INT32_MAX)
            limit = INT32_MAX;
        peakLimit_ = static_cast<uint32_t>(limit);
    }
}

LGainFilter::~LGainFilter() = default;

int64_t LGainFilter::Read(int32_t* buffer, int64_t frames)
{
    const int64_t delivered = upstream_->Read(buffer, frames);
    if (stepGain_ != 512 && frames > 0)
        LApplyGain512(stepGain_, buffer, frames * channels_);
    return delivered;
}
