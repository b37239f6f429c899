#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/LMediaType.h"
#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string DetailMessages(const LBurnResult& result)
{
    std::string all;
    for (const LBurnResultDetail* entry = result.details; entry != nullptr; entry = entry->next)
        all += std::to_string(entry->code) + ":" + entry->message + ";";
    return all;
}

TEST(BurnResult, TableTextsAndOutOfRangeCodes)
{
    EXPECT_STREQ("No errors", LBurnErrorText(0));
    EXPECT_STREQ("User canceled the burn", LBurnErrorText(1));
    EXPECT_STREQ("Verification of the burn failed", LBurnErrorText(30));
    EXPECT_STREQ("Blu-ray authoring failed, please check the video files and free space", LBurnErrorText(48));
    for (int code : {49, 50, -1, 1000})
        EXPECT_STREQ("Unknown error", LBurnErrorText(code)) << code;
}

TEST(BurnResult, MediaNames)
{
    EXPECT_STREQ("CD-R", LMediaTypeName(kMediaCdR));
    EXPECT_STREQ("DVD_R DL", LMediaTypeName(kMediaDvdRDl));
    EXPECT_STREQ("BD-RE", LMediaTypeName(kMediaBdRe));
    EXPECT_STREQ("Image File", LMediaTypeName(kMediaImageFile));
    EXPECT_STREQ("No Disc", LMediaTypeName(kMediaNoDisc));
    EXPECT_STREQ("", LMediaTypeName(20));
}

TEST(BurnResult, CopyKeepsDetailOrderAndOwnsItsList)
{
    auto* original = new LBurnResult;
    original->Set(30, "verify", LScsiSense{3, 0x11, 5});
    original->AddDetail(30, "first");
    original->AddDetail(41, "second");
    original->AddDetail(30, "third");
    ASSERT_EQ("30:third;41:second;30:first;", DetailMessages(*original));

    LBurnResult copy(*original);
    LBurnResult assigned;
    assigned.AddDetail(1, "replaced");
    assigned = *original;
    delete original;

    for (const LBurnResult* result : {&copy, &assigned}) {
        EXPECT_EQ(30, result->code);
        EXPECT_STREQ("verify", result->message);
        EXPECT_EQ(3, result->senseKey);
        EXPECT_EQ(0x11, result->additionalSenseCode);
        EXPECT_EQ(5, result->additionalSenseCodeQualifier);
        EXPECT_EQ("30:third;41:second;30:first;", DetailMessages(*result));
    }
}

TEST(BurnResult, SelfAssignmentAndSelfAppend)
{
    LBurnResult result;
    result.Set(46, "Reserve Track");
    result.AddDetail(30, "a");
    result.AddDetail(41, "b");
    LBurnResult& same = result;
    result = same;
    EXPECT_EQ(46, result.code);
    EXPECT_EQ("41:b;30:a;", DetailMessages(result));
    result.AppendDetails(same);
    EXPECT_EQ("41:b;30:a;41:b;30:a;", DetailMessages(result));
}

TEST(BurnResult, LongMessagesCutBetweenCharacters)
{
    LBurnResult result;
    result.Set(5, std::string(600, 'x').c_str());
    EXPECT_EQ(519u, std::string(result.message).size());

    // 518 ASCII bytes and then a two-byte letter that no longer fits whole.
    std::string text = std::string(518, 'a') + "\xD0\x96" + "tail";
    result.AddDetail(41, text.c_str());
    EXPECT_EQ(std::string(518, 'a'), result.details->message);
}

TEST(BurnResult, ClearAndDescribe)
{
    LBurnResult result;
    result.SetFormat(41, "%s", "/music/a.wav");
    result.AddDetail(30, "x");
    char line[1024];
    result.Describe(line, sizeof line);
    EXPECT_STREQ("File to be written to disc is not found - check the file is present and on an available "
                 "drive: /music/a.wav",
                 line);
    result.Clear();
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(0u, result.DetailCount());
    result.Describe(line, sizeof line);
    EXPECT_STREQ("No errors", line);
}

class BurnOptionsTest : public quorin::test::TempHomeTest
{
};

TEST_F(BurnOptionsTest, DefaultsWithOneCdWriter)
{
    LBurnOptions options;
    LLoadBurnOptions(&options, [] { return std::vector<bool>{true}; });
    EXPECT_EQ(0, options.driveIndex);
    EXPECT_TRUE(options.loadEject);
    EXPECT_TRUE(options.verify);
    EXPECT_EQ(-1.0, options.speedFactor);
    EXPECT_EQ(2.0, options.audioPauseSeconds);
    EXPECT_EQ(1, options.copies);
    EXPECT_TRUE(options.cdText);
    EXPECT_TRUE(options.finalize);
    EXPECT_TRUE(options.bufferUnderRun);
    EXPECT_FALSE(options.eraseRewritable);
    EXPECT_FALSE(options.overburn);
    EXPECT_FALSE(options.sao);
    EXPECT_FALSE(options.fullErase);
    EXPECT_FALSE(options.bootable);
    EXPECT_STREQ("", options.bootImagePath);
}

TEST_F(BurnOptionsTest, NoCdWriter)
{
    LBurnOptions options;
    LLoadBurnOptions(&options, [] { return std::vector<bool>{false, false}; });
    EXPECT_EQ(kBurnNoDrive, options.driveIndex);
    EXPECT_FALSE(options.loadEject);
    LLoadBurnOptions(&options, [] { return std::vector<bool>{false, true}; });
    EXPECT_EQ(1, options.driveIndex);
    EXPECT_TRUE(options.loadEject);
}

TEST_F(BurnOptionsTest, StoredValues)
{
    struct Case
    {
        const char* key;
        const char* value;
        bool LBurnOptions::*field;
        bool expected;
    };
    const Case cases[] = {
        {"VerifyBurn", "", &LBurnOptions::verify, true},
        {"VerifyBurn", "0", &LBurnOptions::verify, false},
        {"EraseCDRW", "", &LBurnOptions::eraseRewritable, false},
        {"EraseCDRW", "1", &LBurnOptions::eraseRewritable, true},
        {"EraseCDRW", "0", &LBurnOptions::eraseRewritable, false},
        {"CDTEXT", "0", &LBurnOptions::cdText, false},
        {"Bootable", "yes", &LBurnOptions::bootable, true},
        {"CDLoadEject", "0", &LBurnOptions::loadEject, false},
        {"CDLoadEject", "", &LBurnOptions::loadEject, true},
    };
    for (const Case& c : cases) {
        LSettingsSetString("CDRecorder", c.key, c.value);
        LBurnOptions options;
        LLoadBurnOptions(&options, [] { return std::vector<bool>{true}; });
        EXPECT_EQ(c.expected, options.*c.field) << c.key << "=\"" << c.value << "\"";
        LSettingsDelete("CDRecorder", c.key);
    }

    const std::pair<const char*, double> speeds[] = {{"240", 24.0}, {"-1", -1.0}, {"65535", 6553.5}};
    for (const auto& [stored, factor] : speeds) {
        LSettingsSetString("CDRecorder", "Speed", stored);
        LBurnOptions options;
        LLoadBurnOptions(&options, nullptr);
        EXPECT_EQ(factor, options.speedFactor) << stored;
    }
    LSettingsSetString("CDRecorder", "AudioPause", "35");
    LSettingsSetString("CDRecorder", "BootableSectors", "/boot/img");
    LSettingsSetString("CDRecorder", "CDDrive", "2");
    LBurnOptions options;
    LLoadBurnOptions(&options, nullptr);
    EXPECT_EQ(3.5, options.audioPauseSeconds);
    EXPECT_STREQ("/boot/img", options.bootImagePath);
    EXPECT_EQ(2, options.driveIndex);
}

} // namespace
