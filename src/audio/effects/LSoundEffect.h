#pragma once
// An effect is a small value object standing for one transformation of sound:
// it builds the filter that performs it over a source, names itself, copies
// itself, describes its parameters and presets to a user interface, and
// stores its parameters in a tagged element stream. Callers usually build an
// effect on the stack, call CreateFilter and keep only the resulting source.

#include "audio/core/LSoundSource.h"
#include "audio/effects/LTaggedStream.h"

#include <cstddef>
#include <cstdint>

// Texts handed out by effects (names, units, presets) hold at most 259 characters.
constexpr size_t kEffectTextSize = 260;

// Element ids of the parameter stream.
enum : uint16_t {
    kEffectElementBase = 4096, // container holding a base part's elements
    kEffectElementValue = 8192,
};

// What GetParameterInfo tells about one parameter. The three values are
// allocated by the describing effect; the record frees them when it is
// filled again or destroyed.
struct LEffectParameterInfo
{
    LEffectParameterInfo() = default;
    ~LEffectParameterInfo();
    LEffectParameterInfo(const LEffectParameterInfo&) = delete;
    LEffectParameterInfo& operator=(const LEffectParameterInfo&) = delete;

    // Frees the values (when owned) and fills the record with an integer parameter.
    void SetInteger(const char* name, const char* unit, int32_t minimum, int32_t maximum, int32_t current);
    void Clear();

    int32_t kind = 0; // 0: integer
    char name[kEffectTextSize] = {};
    char unit[kEffectTextSize] = {};
    int32_t valueSize = 4;
    int32_t* minimum = nullptr;
    int32_t* maximum = nullptr;
    int32_t* current = nullptr;
    bool owned = false;
};

class LSoundEffect
{
public:
    LSoundEffect() = default;
    virtual ~LSoundEffect();

    // out = a new filter over source, or source itself when nothing needs doing.
    virtual void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) = 0;
    // Writes the effect's name (at most size - 1 characters).
    virtual void GetName(char* out, size_t size);
    virtual int32_t GetParameterCount();
    // A copy with the same parameters and the flag byte 0; null when the effect cannot be copied.
    virtual LSoundEffect* Clone();
    // Whether the effect can keep up with live audio.
    virtual bool IsRealTimeCapable();
    // Whether the effect has parameters a user may edit.
    virtual bool HasUserParameters();
    virtual void SetParameter(int32_t index, const void* value);
    virtual void GetParameterInfo(int32_t index, LEffectParameterInfo& info);
    virtual void SaveParameters(LTaggedWriter& writer);
    // Reads the elements of one level. Returns false, leaving the effect as it
    // was, when the stream is damaged or a known element cannot be read.
    virtual bool LoadParameters(LTaggedReader& reader, LTaggedElementIterator& elements);
    // Parameters stored without tags.
    virtual bool LoadRawParameters(LTaggedReader& stream);
    virtual int32_t GetVersion();
    virtual int32_t GetLatencyFrames();
    virtual void OnParametersChanged();
    virtual void OnProcessingStarted();
    virtual void OnProcessingStopped();
    virtual int32_t GetPresetCount();
    virtual void GetPresetName(int32_t index, char* out, size_t size);
    virtual void ApplyPreset(int32_t index);
    virtual void OnPresetApplied();
    // The preset matching the current parameters, or -1.
    virtual int32_t GetCurrentPreset();

    uint8_t GetFlags() const { return flags_; }
    void SetFlags(uint8_t flags) { flags_ = flags; }

protected:
    LSoundEffect(const LSoundEffect&) = default;
    LSoundEffect& operator=(const LSoundEffect&) = default;

    // Reads the base part's elements (the flag byte) of one level into *flags.
    static bool LoadBaseElements(LTaggedElementIterator& elements, uint8_t* flags);

    uint8_t flags_ = 0;
};

// Copies text into out (size bytes, always terminated when size > 0).
void LCopyEffectText(char* out, size_t size, const char* text);
