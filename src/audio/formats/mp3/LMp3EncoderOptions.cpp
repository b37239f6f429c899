#include "audio/formats/mp3/LMp3EncoderOptions.h"

#include "foundation/settings/LSettings.h"
#include "foundation/text/LTextBuffer.h"

#include <cstdio>
#include <cstring>

namespace {

// A missing value counts as on: only a leading '0' turns these off.
bool LoadOnUnlessZero(const char* name)
{
    char text[kTextBufferSize];
    LSettingsGetString(kMp3EncoderSection, name, "", text);
    return text[0] != '0';
}

// A missing value counts as off.
bool LoadOffUnlessSet(const char* name)
{
    char text[kTextBufferSize];
    LSettingsGetString(kMp3EncoderSection, name, "", text);
    return text[0] != '\0' && text[0] != '0';
}

void SaveFlag(const char* name, bool on)
{
    LSettingsSetString(kMp3EncoderSection, name, on ? "1" : "0");
}

void SaveNumber(const char* name, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    LSettingsSetString(kMp3EncoderSection, name, text);
}

} // namespace

uint16_t LMp3NearestListedBitrate(int64_t kbps)
{
    uint16_t best = kMp3ListedBitrates[0];
    for (uint16_t listed : kMp3ListedBitrates) {
        const int64_t distance = kbps > listed ? kbps - listed : listed - kbps;
        const int64_t bestDistance = kbps > best ? kbps - best : best - kbps;
        if (distance < bestDistance)
            best = listed;
    }
    return best;
}

void LMp3EncoderOptions::Load()
{
    ConstantBitRate = LoadOnUnlessZero("ConstantBitRate");
    // Values that do not fit a field keep their low bits, as a narrower
    // setting written by hand would be read anywhere else.
    CBRBitRate = static_cast<uint16_t>(LSettingsGetInt(kMp3EncoderSection, "CBRBitRate", 192));
    HighQuality = LoadOnUnlessZero("HighQuality");
    VBRMinBitRate = static_cast<uint16_t>(LSettingsGetInt(kMp3EncoderSection, "VBRMinBitRate", 32));
    VBRMaxBitRate = static_cast<uint16_t>(LSettingsGetInt(kMp3EncoderSection, "VBRMaxBitRate", 320));
    // A bitrate the page cannot show (hand-edited, or 0 saved from an empty
    // choice) would reach the encoder as a divisor or an invalid rate.
    CBRBitRate = LMp3NearestListedBitrate(CBRBitRate);
    VBRMinBitRate = LMp3NearestListedBitrate(VBRMinBitRate);
    VBRMaxBitRate = LMp3NearestListedBitrate(VBRMaxBitRate);
    // The encoder cannot span from below 32 kbps (only the half rates have
    // those) to above 160 kbps (only the full rates have those).
    if (VBRMaxBitRate >= 161 && VBRMinBitRate < 32)
        VBRMinBitRate = 32;
    VBRQuality = static_cast<uint8_t>(LSettingsGetInt(kMp3EncoderSection, "VBRQuality", 4));
    ErrorProtection = LoadOffUnlessSet("ErrorProtection");
    ChannelMode = static_cast<uint8_t>(LSettingsGetInt(kMp3EncoderSection, "ChannelMode", 0));
    Quality = static_cast<uint8_t>(LSettingsGetInt(kMp3EncoderSection, "Quality", 3));
    BitRateControlMethod =
        static_cast<uint8_t>(LSettingsGetInt(kMp3EncoderSection, "BitRateControlMethod", 1));
    Lowpass = static_cast<uint8_t>(LSettingsGetInt(kMp3EncoderSection, "Lowpass", 0));
    ABRBitRate = static_cast<uint8_t>(LSettingsGetInt(kMp3EncoderSection, "ABRBitRate", 0));
    char version[kTextBufferSize];
    LSettingsGetString(kMp3EncoderSection, "VersionStr", "", version);
    LStrCopyText(VersionStr, version, sizeof VersionStr);
}

void LMp3EncoderOptions::Save() const
{
    SaveFlag("ConstantBitRate", ConstantBitRate);
    SaveNumber("CBRBitRate", CBRBitRate);
    SaveFlag("HighQuality", HighQuality);
    SaveNumber("VBRMinBitRate", VBRMinBitRate);
    SaveNumber("VBRMaxBitRate", VBRMaxBitRate);
    SaveNumber("VBRQuality", VBRQuality);
    SaveFlag("ErrorProtection", ErrorProtection);
    SaveNumber("ChannelMode", ChannelMode);
    SaveNumber("Quality", Quality);
    SaveNumber("BitRateControlMethod", BitRateControlMethod);
    SaveNumber("Lowpass", Lowpass);
    SaveNumber("ABRBitRate", ABRBitRate);
    // The field may have been filled to its last byte without a terminator.
    char version[sizeof VersionStr];
    const std::size_t length = strnlen(VersionStr, sizeof VersionStr - 1);
    std::memcpy(version, VersionStr, length);
    version[length] = '\0';
    LSettingsSetString(kMp3EncoderSection, "VersionStr", version);
}

LMp3OptionsCheck LMp3EncoderOptions::Validate() const
{
    if (ConstantBitRate)
        return kMp3OptionsValid;
    if (VBRMaxBitRate >= 161 && VBRMinBitRate < 32)
        return kMp3OptionsVbrTooFarApart;
    if (VBRMaxBitRate < VBRMinBitRate)
        return kMp3OptionsVbrMaxBelowMin;
    return kMp3OptionsValid;
}
