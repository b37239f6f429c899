#pragma once
// WAV output settings: the format block stored in "WavCodec.wff", and the
// choices of the "Wave Encoder Options" dialog (presets, encodings, channel,
// rate and size items) with the "WavSettings" values they are remembered
// under. The dialog itself lives with the window code; this is the part it
// and the jobs share.

#include "audio/formats/wav/LWaveFormatBlock.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kWavSettingsSection = "WavSettings";

enum LWavPreset : int {
    kWavPresetAuto = 0,
    kWavPresetCustom = 1,
    kWavPresetHigh = 2,
    kWavPresetMedium = 3,
    kWavPresetLow = 4,
};
inline constexpr int kWavPresetCount = 5;

enum LWavEncoding : int {
    kWavEncodingPcm = 0,
    kWavEncodingGsm = 1,
    kWavEncodingAlaw = 2,
    kWavEncodingMulaw = 3,
};
inline constexpr int kWavEncodingCount = 4;

// The pull-down texts, in list order.
extern const char* const kWavPresetTexts[kWavPresetCount];
extern const char* const kWavEncodingTexts[kWavEncodingCount];

// The format tag of an encoding index; an index outside the four gives PCM (1).
uint16_t LWavEncodingTag(int encoding);

// One pull-down item: its text and value. "Match Source" items are marked.
struct LWavChoiceItem
{
    std::string text;
    uint32_t value = 0;
    bool matchSource = false;
};

// Channel items: "Match Source" (2), "Mono" (1), "Stereo" (2); an item is
// listed only when sourceChannels is not above 0 or equals its value.
std::vector<LWavChoiceItem> LWavChannelItems(int sourceChannels);
// "Match Source" (44100), then 6000 ... 192000 Hz, each only when sourceRate
// is not above 0 or the rate is not above it.
std::vector<LWavChoiceItem> LWavRateItems(int sourceRate);
// 16, 8, 24 and 32 bits Integer.
std::vector<LWavChoiceItem> LWavSizeItems();
// The items an encoding offers: GSM only 8000 Hz and "Mono"; A-law and mu-law only 8 bits.
void LWavItemsForEncoding(int encoding, int sourceChannels, int sourceRate,
                          std::vector<LWavChoiceItem>& channels, std::vector<LWavChoiceItem>& rates,
                          std::vector<LWavChoiceItem>& sizes);

// "Mono", "Stereo", "5.1", "7.1" for 1, 2, 6, 8 channels; null for other counts.
const char* LWavChannelName(int channels);

// What the dialog shows: a preset, an encoding and the three chosen items.
struct LWavEncoderChoices
{
    int preset = kWavPresetAuto;
    int encoding = kWavEncodingPcm;
    LWavChoiceItem channels{"Match Source", 2, true};
    LWavChoiceItem rate{"Match Source", 44100, true};
    LWavChoiceItem size{"16 bits Integer", 16, false};
};

// The choices a preset stands for (Custom keeps the given choices and takes
// codecIndex as its encoding when it is one of the four).
LWavEncoderChoices LWavPresetChoices(int preset, const LWavEncoderChoices& current, int codecIndex);
// The preset the choices amount to.
int LWavMatchPreset(const LWavEncoderChoices& choices);

// Stores the choices under "WavSettings" ("Preset", "FormatAuto",
// "SampleRateAuto", "ChansAuto", "CodecIndex") and puts them into the block:
// Auto sets tag 1 and 16 bits only; the others set tag, rate, channels and size.
void LWavStoreEncoderChoices(const LWavEncoderChoices& choices, LWaveFormatBlock& block);
// The remembered preset (default Auto) and Custom encoding (default -1).
int LWavStoredPreset();
int LWavStoredCodecIndex();

// The settings file: "WavCodec.wff" in the program's data folder. False when it cannot be named.
bool LGetWavCodecSettingsPath(char* path);
// Reads the block from a ".wff" file (exactly 1028 bytes, shared lock, 100 ms)
// and takes it only when its tag, rate and channels are non-zero. True when taken.
bool LLoadWavCodecSettings(LWaveFormatBlock& block, const char* path);
bool LSaveWavCodecSettings(const LWaveFormatBlock& block, const char* path);
