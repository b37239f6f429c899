// MP3 encoder settings: the record's defaults, what stored texts load as, the
// texts it saves, and the rules a variable-bit-rate record must pass.

#include "audio/formats/mp3/LMp3EncoderOptions.h"
#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using quorin::test::TempHomeTest;

namespace {

class Mp3EncoderOptions : public TempHomeTest
{
};

std::string Stored(const char* name)
{
    char value[260];
    LSettingsGetString(kMp3EncoderSection, name, "<none>", value);
    return value;
}

void ExpectSame(const LMp3EncoderOptions& a, const LMp3EncoderOptions& b)
{
    EXPECT_EQ(a.ConstantBitRate, b.ConstantBitRate);
    EXPECT_EQ(a.CBRBitRate, b.CBRBitRate);
    EXPECT_EQ(a.HighQuality, b.HighQuality);
    EXPECT_EQ(a.VBRMinBitRate, b.VBRMinBitRate);
    EXPECT_EQ(a.VBRMaxBitRate, b.VBRMaxBitRate);
    EXPECT_EQ(a.VBRQuality, b.VBRQuality);
    EXPECT_EQ(a.ErrorProtection, b.ErrorProtection);
    EXPECT_EQ(a.ChannelMode, b.ChannelMode);
    EXPECT_STREQ(a.VersionStr, b.VersionStr);
    EXPECT_EQ(a.Quality, b.Quality);
    EXPECT_EQ(a.BitRateControlMethod, b.BitRateControlMethod);
    EXPECT_EQ(a.Lowpass, b.Lowpass);
    EXPECT_EQ(a.ABRBitRate, b.ABRBitRate);
}

TEST_F(Mp3EncoderOptions, NothingStoredLoadsTheDefaults)
{
    // Every field must be written by Load, whatever the record held before.
    LMp3EncoderOptions loaded;
    loaded.ConstantBitRate = false;
    loaded.CBRBitRate = 64;
    loaded.HighQuality = false;
    loaded.VBRMinBitRate = 8;
    loaded.VBRMaxBitRate = 8;
    loaded.VBRQuality = 0;
    loaded.ErrorProtection = true;
    loaded.ChannelMode = 3;
    std::strcpy(loaded.VersionStr, "old");
    loaded.Quality = 0;
    loaded.BitRateControlMethod = 0;
    loaded.Lowpass = 9;
    loaded.ABRBitRate = 9;
    loaded.Load();
    const LMp3EncoderOptions defaults;
    ExpectSame(loaded, defaults);
    EXPECT_TRUE(defaults.ConstantBitRate);
    EXPECT_EQ(defaults.CBRBitRate, 192);
    EXPECT_TRUE(defaults.HighQuality);
    EXPECT_EQ(defaults.VBRMinBitRate, 32);
    EXPECT_EQ(defaults.VBRMaxBitRate, 320);
    EXPECT_EQ(defaults.VBRQuality, 4);
    EXPECT_FALSE(defaults.ErrorProtection);
    EXPECT_EQ(defaults.ChannelMode, 0);
    EXPECT_EQ(defaults.Quality, 3);
    EXPECT_EQ(defaults.BitRateControlMethod, 1);
    EXPECT_EQ(defaults.Lowpass, 0);
    EXPECT_EQ(defaults.ABRBitRate, 0);
    EXPECT_STREQ(defaults.VersionStr, "");
}

TEST_F(Mp3EncoderOptions, SaveWritesEveryFieldAsTextAndLoadsItBack)
{
    LMp3EncoderOptions saved;
    saved.ConstantBitRate = false;
    saved.CBRBitRate = 96;
    saved.HighQuality = false;
    saved.VBRMinBitRate = 64;
    saved.VBRMaxBitRate = 256;
    saved.VBRQuality = 7;
    saved.ErrorProtection = true;
    saved.ChannelMode = 2;
    std::strcpy(saved.VersionStr, "3.100");
    saved.Quality = 9;
    saved.BitRateControlMethod = 2;
    saved.Lowpass = 17;
    saved.ABRBitRate = 200;
    saved.Save();

    const std::vector<std::pair<const char*, const char*>> texts = {
        {"ConstantBitRate", "0"},      {"CBRBitRate", "96"},     {"HighQuality", "0"},
        {"VBRMinBitRate", "64"},       {"VBRMaxBitRate", "256"}, {"VBRQuality", "7"},
        {"ErrorProtection", "1"},      {"ChannelMode", "2"},     {"Quality", "9"},
        {"BitRateControlMethod", "2"}, {"Lowpass", "17"},        {"ABRBitRate", "200"},
        {"VersionStr", "3.100"},
    };
    for (const auto& [name, text] : texts)
        EXPECT_EQ(Stored(name), text) << name;

    LMp3EncoderOptions loaded;
    loaded.Load();
    ExpectSame(loaded, saved);

    // And the defaults survive a round trip as well.
    LMp3EncoderOptions().Save();
    EXPECT_EQ(Stored("ConstantBitRate"), "1");
    EXPECT_EQ(Stored("ErrorProtection"), "0");
    EXPECT_EQ(Stored("VersionStr"), "");
    loaded.Load();
    ExpectSame(loaded, LMp3EncoderOptions());
}

TEST_F(Mp3EncoderOptions, StoredTextsLoadByTheRules)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<const char*, const char*>> stored;
        void (*check)(const LMp3EncoderOptions&);
    };
    const Case cases[] = {
        {"only a leading 0 turns constant bit rate off",
         {{"ConstantBitRate", "no"}, {"HighQuality", "0x"}},
         [](const LMp3EncoderOptions& o) {
             EXPECT_TRUE(o.ConstantBitRate);
             EXPECT_FALSE(o.HighQuality);
         }},
        {"an empty flag counts as on, an empty CRC flag as off",
         {{"ConstantBitRate", ""}, {"HighQuality", ""}, {"ErrorProtection", ""}},
         [](const LMp3EncoderOptions& o) {
             EXPECT_TRUE(o.ConstantBitRate);
             EXPECT_TRUE(o.HighQuality);
             EXPECT_FALSE(o.ErrorProtection);
         }},
        {"any CRC text but a leading 0 turns it on",
         {{"ErrorProtection", "no"}},
         [](const LMp3EncoderOptions& o) { EXPECT_TRUE(o.ErrorProtection); }},
        {"a VBR minimum below 32 is raised when the maximum is above 160",
         {{"VBRMinBitRate", "8"}, {"VBRMaxBitRate", "320"}},
         [](const LMp3EncoderOptions& o) {
             EXPECT_EQ(o.VBRMinBitRate, 32);
             EXPECT_EQ(o.VBRMaxBitRate, 320);
         }},
        {"and kept with a maximum of 160",
         {{"VBRMinBitRate", "8"}, {"VBRMaxBitRate", "160"}},
         [](const LMp3EncoderOptions& o) { EXPECT_EQ(o.VBRMinBitRate, 8); }},
        {"a bitrate that is not listed becomes the nearest listed one",
         {{"CBRBitRate", "100"}, {"VBRMinBitRate", "36"}, {"VBRMaxBitRate", "1000"}},
         [](const LMp3EncoderOptions& o) {
             EXPECT_EQ(o.CBRBitRate, 96);
             EXPECT_EQ(o.VBRMinBitRate, 32); // as near to 40: the lower one
             EXPECT_EQ(o.VBRMaxBitRate, 320);
         }},
        {"a bitrate of 0 or text that is no number never reaches the encoder as 0",
         {{"CBRBitRate", "0"}, {"VBRMinBitRate", "abc"}, {"VBRMaxBitRate", "-5"}},
         [](const LMp3EncoderOptions& o) {
             EXPECT_EQ(o.CBRBitRate, 8);
             // -5 keeps its low 16 bits (65531): the top of the list, and
             // then the minimum must rise to 32.
             EXPECT_EQ(o.VBRMaxBitRate, 320);
             EXPECT_EQ(o.VBRMinBitRate, 32);
         }},
        {"numbers keep the low bits of their field",
         {{"CBRBitRate", "65664"}, {"ABRBitRate", "300"}, {"ChannelMode", "259"}, {"VBRQuality", "258"}},
         [](const LMp3EncoderOptions& o) {
             EXPECT_EQ(o.CBRBitRate, 128); // 65536 + 128
             EXPECT_EQ(o.ABRBitRate, 44);
             EXPECT_EQ(o.ChannelMode, 3);
             EXPECT_EQ(o.VBRQuality, 2);
         }},
        {"an empty number gives its default",
         {{"CBRBitRate", ""}, {"Quality", ""}, {"BitRateControlMethod", ""}},
         [](const LMp3EncoderOptions& o) {
             EXPECT_EQ(o.CBRBitRate, 192);
             EXPECT_EQ(o.Quality, 3);
             EXPECT_EQ(o.BitRateControlMethod, 1);
         }},
        {"the version text keeps at most 9 bytes, whole characters only",
         {{"VersionStr", "LAME3.100 and more"}},
         [](const LMp3EncoderOptions& o) { EXPECT_STREQ(o.VersionStr, "LAME3.100"); }},
        {"a character that does not fit whole is left out",
         {{"VersionStr", "12345678\xC3\xA9"}},
         [](const LMp3EncoderOptions& o) { EXPECT_STREQ(o.VersionStr, "12345678"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* name : {"ConstantBitRate", "CBRBitRate", "HighQuality", "VBRMinBitRate",
                                 "VBRMaxBitRate", "VBRQuality", "ErrorProtection", "ChannelMode", "Quality",
                                 "BitRateControlMethod", "Lowpass", "ABRBitRate", "VersionStr"})
            LSettingsDelete(kMp3EncoderSection, name);
        for (const auto& [name, text] : c.stored)
            LSettingsSetString(kMp3EncoderSection, name, text);
        LMp3EncoderOptions loaded;
        loaded.Load();
        c.check(loaded);
    }
}

TEST_F(Mp3EncoderOptions, SavingAFullVersionFieldWithoutTerminator)
{
    LMp3EncoderOptions options;
    std::memset(options.VersionStr, 'v', sizeof options.VersionStr);
    options.Save();
    EXPECT_EQ(Stored("VersionStr"), "vvvvvvvvv");
}

TEST(Mp3EncoderOptionsRules, ValidationOfVariableBitRateLimits)
{
    struct Case
    {
        bool constant;
        uint16_t low, high;
        LMp3OptionsCheck expected;
    };
    const Case cases[] = {
        {false, 16, 192, kMp3OptionsVbrTooFarApart},
        {false, 16, 161, kMp3OptionsVbrTooFarApart},
        {false, 16, 160, kMp3OptionsValid},
        {false, 32, 320, kMp3OptionsValid},
        {false, 128, 64, kMp3OptionsVbrMaxBelowMin},
        {false, 8, 320, kMp3OptionsVbrTooFarApart}, // the first rule is asked first
        {false, 64, 64, kMp3OptionsValid},
        {true, 16, 192, kMp3OptionsValid}, // constant mode checks neither
        {true, 128, 64, kMp3OptionsValid},
    };
    for (const Case& c : cases) {
        LMp3EncoderOptions options;
        options.ConstantBitRate = c.constant;
        options.VBRMinBitRate = c.low;
        options.VBRMaxBitRate = c.high;
        EXPECT_EQ(options.Validate(), c.expected) << c.constant << " " << c.low << "-" << c.high;
    }
    EXPECT_NE(std::string(kMp3VbrTooFarApartText).find("too far apart"), std::string::npos);
    // The text names the limits the rule accepts: 32 itself is a valid minimum.
    EXPECT_NE(std::string(kMp3VbrTooFarApartText).find("32 or above"), std::string::npos);
}

TEST(Mp3EncoderOptionsRules, NearestListedBitrate)
{
    const std::pair<int64_t, uint16_t> cases[] = {
        {-5, 8},    {0, 8},     {8, 8},     {12, 8},    {13, 16},   {100, 96},  {104, 96},
        {105, 112}, {144, 128}, {145, 160}, {288, 256}, {289, 320}, {320, 320}, {100000, 320},
    };
    for (const auto& [kbps, expected] : cases)
        EXPECT_EQ(LMp3NearestListedBitrate(kbps), expected) << kbps;
    for (uint16_t listed : kMp3ListedBitrates)
        EXPECT_EQ(LMp3NearestListedBitrate(listed), listed);
}

} // namespace
