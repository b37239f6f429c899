#include "audio/effects/LSoundEffect.h"

#include <cstring>

void LCopyEffectText(char* out, size_t size, const char* text)
{
    if (out == nullptr || size == 0)
        return;
    size_t n = std::strlen(text);
    if (n > size - 1)
        n = size - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
}

// ---- parameter description ----

LEffectParameterInfo::~LEffectParameterInfo()
{
    Clear();
}

void LEffectParameterInfo::Clear()
{
    if (owned) {
        delete minimum;
        delete maximum;
        delete current;
    }
    minimum = maximum = current = nullptr;
    owned = false;
}

void LEffectParameterInfo::SetInteger(const char* parameterName, const char* parameterUnit,
                                      int32_t minimumValue, int32_t maximumValue, int32_t currentValue)
{
    Clear();
    kind = 0;
    LCopyEffectText(name, sizeof name, parameterName);
    LCopyEffectText(unit, sizeof unit, parameterUnit);
    valueSize = 4;
    minimum = new int32_t(minimumValue);
    maximum = new int32_t(maximumValue);
    current = new int32_t(currentValue);
    owned = true;
}

// ---- effect defaults ----

LSoundEffect::~LSoundEffect() = default;

void LSoundEffect::GetName(char* out, size_t size)
{
    LCopyEffectText(out, size, "Unnamed Effect");
}

int32_t LSoundEffect::GetParameterCount()
{
    return 0;
}

LSoundEffect* LSoundEffect::Clone()
{
    return nullptr;
}

bool LSoundEffect::IsRealTimeCapable()
{
    return true;
}

bool LSoundEffect::HasUserParameters()
{
    return false;
}

void LSoundEffect::SetParameter(int32_t, const void*) {}

void LSoundEffect::GetParameterInfo(int32_t, LEffectParameterInfo&) {}

void LSoundEffect::SaveParameters(LTaggedWriter& writer)
{
    writer.WriteByte(kEffectElementValue, flags_);
}

bool LSoundEffect::LoadBaseElements(LTaggedElementIterator& elements, uint8_t* flags)
{
    uint8_t loaded = *flags;
    while (elements.Next()) {
        if (elements.Id() == kEffectElementValue) {
            uint8_t byte;
            if (!elements.ReadByte(&byte))
                return false;
            loaded = byte != 0 ? 1 : 0;
        }
    }
    if (elements.Reader().IsFailed())
        return false;
    *flags = loaded;
    return true;
}

bool LSoundEffect::LoadParameters(LTaggedReader&, LTaggedElementIterator& elements)
{
    return LoadBaseElements(elements, &flags_);
}

bool LSoundEffect::LoadRawParameters(LTaggedReader&)
{
    return true;
}

int32_t LSoundEffect::GetVersion()
{
    return 1;
}

int32_t LSoundEffect::GetLatencyFrames()
{
    return 0;
}

void LSoundEffect::OnParametersChanged() {}

void LSoundEffect::OnProcessingStarted() {}

void LSoundEffect::OnProcessingStopped() {}

int32_t LSoundEffect::GetPresetCount()
{
    return 0;
}

void LSoundEffect::GetPresetName(int32_t, char*, size_t) {}

void LSoundEffect::ApplyPreset(int32_t) {}

void LSoundEffect::OnPresetApplied() {}

int32_t LSoundEffect::GetCurrentPreset()
{
    return -1;
}
