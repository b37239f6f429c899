// WAV output settings: the ".wff" format block file, the encoder choices and
// the "WavSettings" values they are remembered under.

#include "audio/formats/WavTestSupport.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstring>

using quorin::test::TempHomeTest;

namespace {

std::string Stored(const char* name)
{
    char value[260];
    LSettingsGetString(kWavSettingsSection, name, "<none>", value);
    return value;
}

std::vector<std::string> Texts(const std::vector<LWavChoiceItem>& items)
{
    std::vector<std::string> texts;
    for (const LWavChoiceItem& i : items)
        texts.push_back(i.text);
    return texts;
}

class WavCodecSettings : public TempHomeTest
{
};

TEST_F(WavCodecSettings, FormatBlockFileRoundTripAndRefusals)
{
    char path[260];
    ASSERT_TRUE(LGetWavCodecSettingsPath(path));
    EXPECT_NE(std::string(path).find(home_.Root()), std::string::npos);
    EXPECT_EQ(std::string(path).substr(std::strlen(path) - 13), "/WavCodec.wff");

    LWaveFormatBlock saved;
    LSetWaveFormatBlock(saved, 7, 11025, 2, 8);
    saved.extra[1000] = 0x5A;
    ASSERT_TRUE(LSaveWavCodecSettings(saved, path));
    LWaveFormatBlock loaded;
    ASSERT_TRUE(LLoadWavCodecSettings(loaded, path));
    EXPECT_EQ(std::memcmp(&loaded, &saved, sizeof saved), 0);

    struct Case
    {
        const char* name;
        std::string file;
        wavtest::Bytes bytes;
    } cases[] = {
        {"wrong extension", home_.Path("codec.wav"), wavtest::Bytes(1028, 1)},
        {"upper-case extension", home_.Path("codec.WFF"), wavtest::Bytes(1028, 1)},
        {"short", home_.Path("short.wff"), wavtest::Bytes(1000, 1)},
        {"zero tag", home_.Path("tag.wff"), wavtest::Bytes(1028, 0)},
        {"missing", home_.Path("missing.wff"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.bytes.empty()) {
            ASSERT_TRUE(wavtest::WriteFile(c.file, c.bytes));
        }
        LWaveFormatBlock block;
        LSetWaveFormatBlock(block, 1, 48000, 2, 24);
        EXPECT_FALSE(LLoadWavCodecSettings(block, c.file.c_str()));
        EXPECT_EQ(block.sampleRate, 48000u);
        EXPECT_EQ(block.bitsPerSample, 24);
    }
    // A zero rate or channel count is refused too.
    LWaveFormatBlock bad = saved;
    bad.channels = 0;
    ASSERT_TRUE(LSaveWavCodecSettings(bad, path));
    EXPECT_FALSE(LLoadWavCodecSettings(loaded, path));
}

TEST_F(WavCodecSettings, ItemLists)
{
    EXPECT_EQ(Texts(LWavChannelItems(0)), (std::vector<std::string>{"Match Source", "Mono", "Stereo"}));
    EXPECT_EQ(Texts(LWavChannelItems(1)), (std::vector<std::string>{"Mono"}));
    EXPECT_EQ(Texts(LWavChannelItems(2)), (std::vector<std::string>{"Match Source", "Stereo"}));
    std::vector<LWavChoiceItem> rates = LWavRateItems(0);
    ASSERT_EQ(rates.size(), 13u);
    EXPECT_EQ(rates[0].text, "Match Source");
    EXPECT_EQ(rates[0].value, 44100u);
    EXPECT_EQ(rates[1].text, "6000 Hz");
    EXPECT_EQ(rates.back().text, "192000 Hz");
    EXPECT_EQ(LWavRateItems(22050).back().text, "22050 Hz");
    EXPECT_EQ(Texts(LWavSizeItems()), (std::vector<std::string>{"16 bits Integer", "8 bits Integer",
                                                                "24 bits Integer", "32 bits Integer"}));
    EXPECT_STREQ(LWavChannelName(6), "5.1");
    EXPECT_EQ(LWavChannelName(3), nullptr);

    std::vector<LWavChoiceItem> channels, sizes = LWavSizeItems();
    LWavItemsForEncoding(kWavEncodingGsm, 0, 0, channels, rates, sizes);
    EXPECT_EQ(Texts(channels), (std::vector<std::string>{"Mono"}));
    EXPECT_EQ(Texts(rates), (std::vector<std::string>{"8000 Hz"}));
    EXPECT_EQ(sizes.size(), 4u); // left as it was (hidden)
    LWavItemsForEncoding(kWavEncodingMulaw, 0, 0, channels, rates, sizes);
    EXPECT_EQ(Texts(sizes), (std::vector<std::string>{"8 bits Integer"}));
    EXPECT_EQ(LWavEncodingTag(7), 1);
    EXPECT_EQ(LWavEncodingTag(kWavEncodingAlaw), 6);
}

TEST_F(WavCodecSettings, PresetsMatchTheirChoices)
{
    LWavEncoderChoices start;
    for (int preset : {kWavPresetAuto, kWavPresetHigh, kWavPresetMedium, kWavPresetLow})
        EXPECT_EQ(LWavMatchPreset(LWavPresetChoices(preset, start, -1)), preset);

    // PCM, Stereo, 44100 Hz, 16 bits chosen by hand is the High preset.
    LWavEncoderChoices c;
    c.encoding = kWavEncodingPcm;
    c.channels = LWavChannelItems(0)[2];
    c.rate = LWavRateItems(0)[7];
    c.size = LWavSizeItems()[0];
    ASSERT_EQ(c.rate.value, 44100u);
    EXPECT_EQ(LWavMatchPreset(c), kWavPresetHigh);
    c.size = LWavSizeItems()[2]; // 24 bits
    EXPECT_EQ(LWavMatchPreset(c), kWavPresetCustom);
    c = LWavPresetChoices(kWavPresetCustom, start, kWavEncodingGsm);
    EXPECT_EQ(LWavMatchPreset(c), kWavPresetCustom);
    EXPECT_EQ(c.rate.value, 8000u);
    EXPECT_EQ(c.channels.value, 1u);
}

TEST_F(WavCodecSettings, StoringChoicesFillsTheBlockAndRemembersThem)
{
    LWaveFormatBlock block;
    LSetWaveFormatBlock(block, 6, 8000, 1, 8);
    LWavEncoderChoices start;

    // Auto: tag 1 and 16 bits, nothing else.
    LWavStoreEncoderChoices(LWavPresetChoices(kWavPresetAuto, start, -1), block);
    EXPECT_EQ(block.formatTag, 1);
    EXPECT_EQ(block.bitsPerSample, 16);
    EXPECT_EQ(block.sampleRate, 8000u);
    EXPECT_EQ(block.channels, 1);
    EXPECT_EQ(Stored("Preset"), "0");
    EXPECT_EQ(Stored("FormatAuto"), "1");
    EXPECT_EQ(Stored("SampleRateAuto"), "1");
    EXPECT_EQ(Stored("ChansAuto"), "1");
    EXPECT_EQ(LWavStoredCodecIndex(), -1);

    // GSM: bits 0, tag 49.
    LWavStoreEncoderChoices(LWavPresetChoices(kWavPresetCustom, start, kWavEncodingGsm), block);
    EXPECT_EQ(block.formatTag, 49);
    EXPECT_EQ(block.bitsPerSample, 0);
    EXPECT_EQ(block.sampleRate, 8000u);
    EXPECT_EQ(block.channels, 1);
    EXPECT_EQ(block.blockAlign, 65);
    EXPECT_EQ(Stored("FormatAuto"), "0");
    EXPECT_EQ(Stored("ChansAuto"), "0");
    EXPECT_EQ(LWavStoredCodecIndex(), kWavEncodingGsm);
    EXPECT_EQ(LWavStoredPreset(), kWavPresetCustom);

    // Custom PCM with "Match Source" rate: remembered as automatic rate, 24 bits written.
    LWavEncoderChoices c = LWavPresetChoices(kWavPresetCustom, start, kWavEncodingPcm);
    c.channels = LWavChannelItems(0)[1];
    c.size = LWavSizeItems()[2];
    LWavStoreEncoderChoices(c, block);
    EXPECT_EQ(block.formatTag, 1);
    EXPECT_EQ(block.bitsPerSample, 24);
    EXPECT_EQ(block.channels, 1);
    EXPECT_EQ(block.sampleRate, 44100u);
    EXPECT_EQ(block.blockAlign, 3);
    EXPECT_EQ(Stored("SampleRateAuto"), "1");
    EXPECT_EQ(Stored("ChansAuto"), "0");

    // A-law and mu-law with "Match Source" keep following the source: the
    // flags say so, so the 44100 Hz stereo in the block is not forced on every output.
    for (int encoding : {kWavEncodingAlaw, kWavEncodingMulaw}) {
        LWavEncoderChoices g = LWavPresetChoices(kWavPresetCustom, start, encoding);
        g.channels = LWavChannelItems(0)[0];
        g.rate = LWavRateItems(0)[0];
        LWavStoreEncoderChoices(g, block);
        EXPECT_EQ(block.formatTag, encoding == kWavEncodingAlaw ? 6 : 7);
        EXPECT_EQ(block.bitsPerSample, 8);
        EXPECT_EQ(Stored("SampleRateAuto"), "1") << encoding;
        EXPECT_EQ(Stored("ChansAuto"), "1") << encoding;
        g.rate = LWavRateItems(0)[2]; // 8000 Hz chosen: no longer automatic
        LWavStoreEncoderChoices(g, block);
        EXPECT_EQ(Stored("SampleRateAuto"), "0") << encoding;
        EXPECT_EQ(block.sampleRate, 8000u);
    }

    // High: nothing automatic.
    LWavStoreEncoderChoices(LWavPresetChoices(kWavPresetHigh, start, -1), block);
    EXPECT_EQ(Stored("Preset"), "2");
    EXPECT_EQ(Stored("SampleRateAuto"), "0");
    EXPECT_EQ(block.channels, 2);
    EXPECT_EQ(block.bitsPerSample, 16);
}

} // namespace
