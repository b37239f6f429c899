#include "audio/formats/wav/LWavCodecSettings.h"

#include "audio/formats/wav/LWavHeaders.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"

#include <cstdio>
#include <cstring>

const char* const kWavPresetTexts[kWavPresetCount] = {
    "Auto (Preserves Original Format)", "Custom", "High Quality (CD/DVD Quality)",
    "Medium Quality (AM Radio Quality)", "Low Quality (Telephone Quality)"};

const char* const kWavEncodingTexts[kWavEncodingCount] = {"PCM", "GSM", "A-LAW", "MU-LAW"};

namespace {

const uint32_t kRates[] = {6000, 8000, 11025, 16000, 22050, 32000, 44100, 48000, 64000, 88200, 96000, 192000};
const uint32_t kSizes[] = {16, 8, 24, 32};

LWavChoiceItem Item(uint32_t value, const char* suffix)
{
    char text[64];
    std::snprintf(text, sizeof text, "%u%s", value, suffix);
    return LWavChoiceItem{text, value, false};
}

LWavChoiceItem MatchSource(uint32_t value)
{
    return LWavChoiceItem{"Match Source", value, true};
}

LWavChoiceItem ChannelItem(uint32_t count)
{
    return LWavChoiceItem{count == 1 ? "Mono" : "Stereo", count, false};
}

} // namespace

uint16_t LWavEncodingTag(int encoding)
{
    switch (encoding) {
    case kWavEncodingGsm:
        return static_cast<uint16_t>(kWavTagGsm610);
    case kWavEncodingAlaw:
        return static_cast<uint16_t>(kWavTagAlaw);
    case kWavEncodingMulaw:
        return static_cast<uint16_t>(kWavTagMulaw);
    default:
        return static_cast<uint16_t>(kWavTagPcm);
    }
}

std::vector<LWavChoiceItem> LWavChannelItems(int sourceChannels)
{
    std::vector<LWavChoiceItem> items;
    for (LWavChoiceItem item : {MatchSource(2), ChannelItem(1), ChannelItem(2)})
        if (sourceChannels <= 0 || static_cast<uint32_t>(sourceChannels) == item.value)
            items.push_back(item);
    return items;
}

std::vector<LWavChoiceItem> LWavRateItems(int sourceRate)
{
    std::vector<LWavChoiceItem> items{MatchSource(44100)};
    for (uint32_t rate : kRates)
        if (sourceRate <= 0 || rate <= static_cast<uint32_t>(sourceRate))
            items.push_back(Item(rate, " Hz"));
    return items;
}

std::vector<LWavChoiceItem> LWavSizeItems()
{
    std::vector<LWavChoiceItem> items;
    for (uint32_t bits : kSizes)
        items.push_back(Item(bits, " bits Integer"));
    return items;
}

void LWavItemsForEncoding(int encoding, int sourceChannels, int sourceRate,
                          std::vector<LWavChoiceItem>& channels, std::vector<LWavChoiceItem>& rates,
                          std::vector<LWavChoiceItem>& sizes)
{
    switch (encoding) {
    case kWavEncodingGsm:
        // GSM 6.10 is mono at 8000 Hz; its size list stays as it was (hidden).
        channels = {ChannelItem(1)};
        rates = {Item(8000, " Hz")};
        break;
    case kWavEncodingAlaw:
    case kWavEncodingMulaw:
        channels = LWavChannelItems(sourceChannels);
        rates = LWavRateItems(sourceRate);
        sizes = {Item(8, " bits Integer")};
        break;
    default:
        channels = LWavChannelItems(sourceChannels);
        rates = LWavRateItems(sourceRate);
        sizes = LWavSizeItems();
        break;
    }
}

const char* LWavChannelName(int channels)
{
    switch (channels) {
    case 1:
        return "Mono";
    case 2:
        return "Stereo";
    case 6:
        return "5.1";
    case 8:
        return "7.1";
    default:
        return nullptr;
    }
}

LWavEncoderChoices LWavPresetChoices(int preset, const LWavEncoderChoices& current, int codecIndex)
{
    LWavEncoderChoices c = current;
    c.preset = preset;
    switch (preset) {
    case kWavPresetAuto:
        c.encoding = kWavEncodingPcm;
        c.channels = MatchSource(2);
        c.rate = MatchSource(44100);
        c.size = Item(16, " bits Integer");
        break;
    case kWavPresetHigh:
        c.encoding = kWavEncodingPcm;
        c.channels = ChannelItem(2);
        c.rate = Item(44100, " Hz");
        c.size = Item(16, " bits Integer");
        break;
    case kWavPresetMedium:
        c.encoding = kWavEncodingPcm;
        c.channels = ChannelItem(2);
        c.rate = Item(22050, " Hz");
        c.size = Item(16, " bits Integer");
        break;
    case kWavPresetLow:
        c.encoding = kWavEncodingPcm;
        c.channels = ChannelItem(1);
        c.rate = Item(8000, " Hz");
        c.size = Item(8, " bits Integer");
        break;
    default:
        c.preset = kWavPresetCustom;
        if (codecIndex >= 0 && codecIndex < kWavEncodingCount)
            c.encoding = codecIndex;
        if (c.encoding == kWavEncodingGsm) {
            c.channels = ChannelItem(1);
            c.rate = Item(8000, " Hz");
        } else if (c.encoding != kWavEncodingPcm) {
            c.size = Item(8, " bits Integer");
        }
        break;
    }
    return c;
}

int LWavMatchPreset(const LWavEncoderChoices& c)
{
    if (c.encoding != kWavEncodingPcm)
        return kWavPresetCustom;
    if (c.channels.matchSource && c.rate.matchSource && c.size.value == 16)
        return kWavPresetAuto;
    if (!c.channels.matchSource && !c.rate.matchSource) {
        if (c.channels.value == 2 && c.size.value == 16 && c.rate.value == 44100)
            return kWavPresetHigh;
        if (c.channels.value == 2 && c.size.value == 16 && c.rate.value == 22050)
            return kWavPresetMedium;
        if (c.channels.value == 1 && c.size.value == 8 && c.rate.value == 8000)
            return kWavPresetLow;
    }
    return kWavPresetCustom;
}

void LWavStoreEncoderChoices(const LWavEncoderChoices& c, LWaveFormatBlock& block)
{
    const bool isAuto = c.preset == kWavPresetAuto;
    LSettingsSetInt(kWavSettingsSection, "Preset", c.preset);
    const char* autoText = isAuto ? "1" : "0";
    LSettingsSetString(kWavSettingsSection, "FormatAuto", autoText);
    bool rateAuto = isAuto, channelsAuto = isAuto;
    if (isAuto) {
        block.formatTag = static_cast<uint16_t>(kWavTagPcm);
        block.bitsPerSample = 16;
    } else {
        // Every encoding that lists "Match Source" keeps following the
        // source when it is chosen (GSM has no such items).
        if (c.preset == kWavPresetCustom && c.encoding != kWavEncodingGsm) {
            channelsAuto = c.channels.matchSource;
            rateAuto = c.rate.matchSource;
        }
        const uint16_t tag = LWavEncodingTag(c.encoding);
        const uint16_t bits = c.encoding == kWavEncodingGsm ? 0 : static_cast<uint16_t>(c.size.value);
        // The low byte carries the channel count; the derived fields follow the coding.
        LSetWaveFormatBlock(block, tag, c.rate.value, static_cast<uint16_t>(c.channels.value & 0xFF), bits);
        LSettingsSetInt(kWavSettingsSection, "CodecIndex", c.encoding);
    }
    LSettingsSetString(kWavSettingsSection, "SampleRateAuto", rateAuto ? "1" : "0");
    LSettingsSetString(kWavSettingsSection, "ChansAuto", channelsAuto ? "1" : "0");
}

int LWavStoredPreset()
{
    int preset = LSettingsGetInt(kWavSettingsSection, "Preset", kWavPresetAuto);
    return preset >= 0 && preset < kWavPresetCount ? preset : kWavPresetAuto;
}

int LWavStoredCodecIndex()
{
    return LSettingsGetInt(kWavSettingsSection, "CodecIndex", -1);
}

bool LGetWavCodecSettingsPath(char* path)
{
    char folder[kLPathSize];
    path[0] = '\0';
    return LGetAppDataFolder(folder) && LPathCombine(path, folder, "WavCodec.wff", "");
}

bool LLoadWavCodecSettings(LWaveFormatBlock& block, const char* path)
{
    char extension[kLPathSize];
    if (!path || !LPathGetExtension(extension, path) || std::strcmp(extension, ".wff") != 0 ||
        !LFileExists(path))
        return false;
    LWaveFormatBlock copy;
    if (!LReadFileExact(path, &copy, sizeof copy, 100))
        return false;
    if (copy.formatTag == 0 || copy.sampleRate < 1 || copy.channels == 0)
        return false;
    block = copy;
    return true;
}

bool LSaveWavCodecSettings(const LWaveFormatBlock& block, const char* path)
{
    return path && LWriteFileExact(path, &block, sizeof block, 100);
}
