#include "burn/BurnTestContext.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include "burn/LBurnRunningFlag.h"
#include "burn/LDiscServices.h"
#include "burn/LFakeBurnBackend.h"
#include "burn/LMediaProfileTable.h"
#include "burn/LOpticalDriveNumbering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

LFakeBurnDriveScript Drive(const char* text)
{
    LFakeBurnDriveScript script;
    EXPECT_TRUE(LParseFakeBurnDrive(text, script)) << text;
    return script;
}

// Notes whether the burn-running flag was set while the operation reported.
class FlagWatchingContext : public BurnTestContext
{
public:
    bool sawRunning = false;
    void MessageLevel(const char* text, int level) override
    {
        sawRunning = sawRunning || LIsBurnRunning();
        BurnTestContext::MessageLevel(text, level);
    }
};

TEST(ScanBurnDrives, FillsAtMostEightEntries)
{
    std::vector<LFakeBurnDriveScript> drives(10);
    for (size_t i = 0; i < drives.size(); ++i)
        drives[i].product = "Writer " + std::to_string(i);
    drives[1].profile = 0;
    drives[2] = Drive("media=cdrw,state=full");
    LFakeBurnBackend backend(drives);
    LBurnDriveList list;
    FlagWatchingContext context;
    EXPECT_EQ(LScanBurnDrives(&context, backend, list), 0);
    EXPECT_TRUE(context.sawRunning);
    EXPECT_FALSE(LIsBurnRunning());
    ASSERT_EQ(list.count, 8);
    EXPECT_STREQ(list.drives[7].product, "Writer 7");
    EXPECT_STREQ(list.drives[0].vendor, "QUORIN");
    EXPECT_TRUE(list.drives[0].canWriteCd);
    EXPECT_TRUE(list.drives[0].canWriteCdSao);
    EXPECT_FALSE(list.drives[0].canWriteBd);
    EXPECT_EQ(list.drives[0].media, kMediaCdR);
    EXPECT_TRUE(list.drives[0].blankAndAppendable);
    ASSERT_EQ(list.drives[0].speedCount, 5u);
    EXPECT_EQ(list.drives[0].speeds[0], 706u);
    EXPECT_EQ(list.drives[0].scaledSpeeds[0], (706u + 20) / 177 * 10);
    EXPECT_EQ(list.drives[0].maxWriteSpeed, 7056u);
    EXPECT_EQ(list.drives[1].media, kMediaNoDisc);
    EXPECT_EQ(list.drives[1].speedCount, 0u);
    EXPECT_EQ(list.drives[2].media, kMediaCdRw);
    EXPECT_FALSE(list.drives[2].blankAndAppendable);
    EXPECT_EQ(backend.Grabs(), 8);
    EXPECT_EQ(backend.Releases(), 8);
}

TEST(ScanBurnDrives, NoDriveLeavesNoStaleEntries)
{
    LFakeBurnBackend backend;
    LBurnDriveList list;
    list.count = 5;
    BurnTestContext context;
    EXPECT_EQ(LScanBurnDrives(&context, backend, list), 2);
    EXPECT_EQ(list.count, 0);
}

TEST(ScanBurnDrives, NamesAreCutBetweenCharacters)
{
    LFakeBurnDriveScript script;
    script.vendor = "abcdefg\xC3\x84"; // 9 bytes: the last character does not fit in 8
    script.product = std::string(39, 'p') + "\xE2\x82\xAC" + "x"; // the euro sign straddles byte 40
    LFakeBurnBackend backend({script});
    LBurnDriveList list;
    BurnTestContext context;
    ASSERT_EQ(LScanBurnDrives(&context, backend, list), 0);
    EXPECT_STREQ(list.drives[0].vendor, "abcdefg");
    EXPECT_EQ(std::string(list.drives[0].product), std::string(39, 'p'));
}

TEST(DiscState, CapacityAndCodes)
{
    struct Case
    {
        const char* drive;
        uint32_t index;
        int32_t code;
        int64_t freeBlocks;
        int64_t usedBlocks;
        uint32_t media;
    };
    const Case cases[] = {
        {"media=cdr,state=blank", 0, 0, 359847, 0, kMediaCdR},
        {"media=cdrw,state=appendable", 0, 29, 359847 - 123456, 123456, kMediaCdRw},
        {"media=cdr,state=full", 0, 29, 0, 330000, kMediaCdR},
        {"media=dvd+rw,state=blank", 0, 0, 2295104, 0, kMediaDvdPlusRw},
        {"media=none", 0, 14, 0, 0, kMediaNoDisc},
        {"media=cdr", 1, 15, 0, 0, kMediaNoDisc},
        {"media=cdr", 255, 46, 0, 0, kMediaNoDisc},
    };
    for (const Case& c : cases) {
        LFakeBurnBackend backend({Drive(c.drive)});
        LBurnResult result;
        int64_t freeBlocks = -1, usedBlocks = -1;
        uint32_t media = 99;
        EXPECT_EQ(LReadDiscState(result, backend, c.index, freeBlocks, usedBlocks, media), c.code) << c.drive;
        EXPECT_EQ(result.code, c.code) << c.drive;
        EXPECT_EQ(freeBlocks, c.freeBlocks) << c.drive;
        EXPECT_EQ(usedBlocks, c.usedBlocks) << c.drive;
        EXPECT_EQ(media, c.media) << c.drive;
        EXPECT_EQ(backend.Grabs(), backend.Releases()) << c.drive;
    }
}

TEST(EraseDisc, OutcomesByDisc)
{
    struct Case
    {
        const char* drive;
        uint32_t index;
        int status;
        int32_t code;
        bool erases; // an erase job ran
    };
    const Case cases[] = {
        {"media=cdrw,state=full", 0, 0, 0, true},   {"media=cdrw,state=appendable", 0, 0, 0, true},
        {"media=cdrw,state=blank", 0, 0, 0, false}, {"media=cdrw,state=full,fail=erase", 0, 2, 25, true},
        {"media=cdr,state=full", 0, 2, 14, false},  {"media=none", 0, 2, 14, false},
        {"fail=vanish", 0, 2, 15, false},           {"media=cdrw", 4, 2, 15, false},
    };
    for (const Case& c : cases) {
        LFakeBurnBackend backend({Drive(c.drive)});
        LBurnResult result;
        BurnTestContext context;
        LDiscWaitOptions options;
        options.discWaitMs = 0;
        options.bounds.pollMs = 2;
        EXPECT_EQ(LEraseDisc(result, &context, backend, c.index, options), c.status) << c.drive;
        EXPECT_EQ(result.code, c.code) << c.drive << ": " << result.message;
        if (c.code == 25) {
            EXPECT_NE(std::strstr(result.message, "blanking failed"), nullptr);
        }
        const auto activities = backend.LastWrite().activities;
        EXPECT_EQ(std::count(activities.begin(), activities.end(), LBurnDriveActivity::Erasing),
                  c.erases ? 1 : 0)
            << c.drive;
        if (c.status == 0) {
            EXPECT_EQ(backend.Script(0).status, LBurnDiscStatus::Blank) << c.drive;
        }
        EXPECT_EQ(backend.Grabs(), backend.Releases()) << c.drive;
    }
}

TEST(EraseDisc, StopRequestWaitsForTheEraseToEnd)
{
    LFakeBurnDriveScript script = Drive("media=cdrw,state=full");
    script.blockDelayMs = 20;
    LFakeBurnBackend backend({script});
    LBurnResult result;
    BurnTestContext context;
    bool erasing = false;
    context.stopWhen = [&] {
        erasing = erasing || (!context.lines[1].empty() && context.lines[1].back() == "Erasing...");
        return erasing;
    };
    LDiscWaitOptions options;
    options.bounds.pollMs = 2;
    options.fullErase = true;
    EXPECT_EQ(LEraseDisc(result, &context, backend, 0, options), 1);
    EXPECT_EQ(result.code, 1);
    // The erase ran to its end: the disc is blank and the drive idle.
    EXPECT_EQ(backend.Script(0).status, LBurnDiscStatus::Blank);
    EXPECT_EQ(context.lines[1].back(), "Waiting for drive to finish operation...");
}

TEST(EraseDisc, FromBurnOptions)
{
    LFakeBurnBackend backend({Drive("media=cdrw,state=full"), Drive("media=cdrw,state=full")});
    LBurnOptions options;
    options.driveIndex = 1;
    options.fullErase = true;
    LBurnResult result;
    BurnTestContext context;
    EXPECT_EQ(LEraseDisc(result, &context, backend, options), 0);
    EXPECT_EQ(backend.Script(1).status, LBurnDiscStatus::Blank);
    EXPECT_EQ(backend.Script(0).status, LBurnDiscStatus::Full);
    int64_t freeBlocks, usedBlocks;
    uint32_t media;
    EXPECT_EQ(LReadDiscState(result, backend, options, freeBlocks, usedBlocks, media), 0);
    EXPECT_EQ(usedBlocks, 0);
    options.driveIndex = kBurnNoDrive;
    EXPECT_EQ(LReadDiscState(result, backend, options, freeBlocks, usedBlocks, media), 46);
    EXPECT_EQ(LEraseDisc(result, &context, backend, options), 2);
    EXPECT_EQ(result.code, 15);
}

TEST(BurnStatusHandler, StatusLinesOfDriveActivities)
{
    struct Case
    {
        LBurnDriveActivity activity;
        int track; // libburn's, from 0
        const char* line;
    };
    const Case cases[] = {
        {LBurnDriveActivity::Spawning, 0, "Preparing..."},
        {LBurnDriveActivity::Grabbing, 0, "Preparing..."},
        {LBurnDriveActivity::WritingLeadIn, 0, "Opening Session..."},
        {LBurnDriveActivity::WritingPregap, 1, "Opening Track..."},
        {LBurnDriveActivity::Writing, 0, "Writing track 1 ..."},
        {LBurnDriveActivity::Writing, 11, "Writing track 12 ..."},
        {LBurnDriveActivity::ClosingTrack, 0, "Closing... (this might take a while)"},
        {LBurnDriveActivity::ClosingSession, 0, "Closing... (this might take a while)"},
        {LBurnDriveActivity::WritingLeadOut, 0, "Closing... (this might take a while)"},
        {LBurnDriveActivity::Erasing, 0, "Erasing..."},
        {LBurnDriveActivity::Formatting, 0, "Erasing..."},
    };
    for (const Case& c : cases) {
        BurnTestContext context;
        LBurnStatusHandler handler(&context);
        LBurnProgressInfo progress;
        progress.track = c.track;
        handler.Update(c.activity, progress);
        ASSERT_EQ(context.lines[1].size(), 1u);
        EXPECT_EQ(context.lines[1][0], c.line);
    }
    EXPECT_EQ(LBurnStepText(LBurnStep::Preparing, 3), "Preparing track 3 ...");
    EXPECT_EQ(LBurnStepText(LBurnStep::TrackWrite, 0), "");
    EXPECT_EQ(LBurnStepOf(LBurnDriveActivity::Idle), LBurnStep::None);
    EXPECT_EQ(LBurnStepOf(LBurnDriveActivity::Reading), LBurnStep::None);
}

TEST(BurnStatusHandler, WritingWithTheCountsClearedAfterATrackIsFinishing)
{
    struct Step
    {
        LBurnDriveActivity activity;
        int sector, sectors;
        const char* line; // nullptr: the line stays as it was
    };
    const Step steps[] = {
        // Before any track the counts are 0 too: that is no end.
        {LBurnDriveActivity::Writing, 0, 0, "Writing track 1 ..."},
        {LBurnDriveActivity::Writing, 10, 600, nullptr},
        {LBurnDriveActivity::Writing, 600, 600, nullptr},
        {LBurnDriveActivity::ClosingSession, 600, 600, "Closing... (this might take a while)"},
        {LBurnDriveActivity::Writing, 0, 0, "Finishing..."},
    };
    BurnTestContext context;
    LBurnStatusHandler handler(&context);
    size_t lines = 0;
    for (const Step& s : steps) {
        LBurnProgressInfo progress;
        progress.sector = s.sector;
        progress.sectors = s.sectors;
        handler.Update(s.activity, progress);
        if (s.line) {
            ASSERT_EQ(context.lines[1].size(), ++lines) << s.line;
            EXPECT_EQ(context.lines[1].back(), s.line);
        } else {
            EXPECT_EQ(context.lines[1].size(), lines);
        }
    }
    EXPECT_EQ(LBurnStepText(LBurnStep::Finishing, 0), "Finishing...");
}

TEST(MediaProfileTable, ProfilesToMediaCodes)
{
    struct Case
    {
        int profile;
        uint32_t media;
    };
    const Case cases[] = {
        {0x0000, kMediaNoDisc},     {0x0008, kMediaCdRom},    {0x0009, kMediaCdR},
        {0x000A, kMediaCdRw},       {0x0010, kMediaDvdRom},   {0x0011, kMediaDvdR},
        {0x0012, kMediaDvdRam},     {0x0013, kMediaDvdRw},    {0x0014, kMediaDvdRw},
        {0x0015, kMediaDvdRDl},     {0x0016, kMediaDvdRDl},   {0x0017, kMediaDvdRwDl},
        {0x001A, kMediaDvdPlusRw},  {0x001B, kMediaDvdPlusR}, {0x002A, kMediaDvdRwDl},
        {0x002B, kMediaDvdPlusRDl}, {0x0040, kMediaBdRom},    {0x0041, kMediaBdR},
        {0x0042, kMediaBdR},        {0x0043, kMediaBdRe},     {0x0050, kMediaHdDvdRom},
        {0x0051, kMediaHdDvdR},     {0x0052, kMediaHdDvdRam}, {0xFFFF, kMediaNoDisc},
        {0x0002, kMediaNoDisc},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LMediaCodeForProfile(c.profile), c.media) << std::hex << c.profile;
}

TEST(OpticalDriveNumbering, NodesInNumberOrder)
{
    TempDir dir;
    for (const char* name : {"sr10", "sr0", "sr2", "srx", "sg0", "sr", "sr1a"})
        close(open(dir.Path(name).c_str(), O_CREAT | O_WRONLY, 0600));
    const std::vector<std::string> paths = LListOpticalDrivePaths(dir.Path().c_str());
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0], dir.Path("sr0"));
    EXPECT_EQ(paths[1], dir.Path("sr2"));
    EXPECT_EQ(paths[2], dir.Path("sr10"));
    uint32_t index = 99;
    EXPECT_TRUE(LParseOpticalDriveChoice("2", paths, index));
    EXPECT_EQ(index, 2u);
    EXPECT_TRUE(LParseOpticalDriveChoice(dir.Path("sr10").c_str(), paths, index));
    EXPECT_EQ(index, 2u);
    EXPECT_FALSE(LParseOpticalDriveChoice("3", paths, index));
    EXPECT_FALSE(LParseOpticalDriveChoice("1x", paths, index));
    EXPECT_FALSE(LParseOpticalDriveChoice("", paths, index));
    EXPECT_FALSE(LParseOpticalDriveChoice(dir.Path("sr1").c_str(), paths, index));
    EXPECT_TRUE(LListOpticalDrivePaths(dir.Path("missing").c_str()).empty());
}

TEST(FakeBurnDrive, ParsesItsDescription)
{
    LFakeBurnDriveScript script;
    EXPECT_TRUE(LParseFakeBurnDrive("", script));
    EXPECT_TRUE(LParseFakeBurnDrive("media=dvd+rw,state=appendable,fail=hang", script));
    EXPECT_EQ(script.profile, 0x1A);
    EXPECT_EQ(script.status, LBurnDiscStatus::Appendable);
    EXPECT_EQ(script.fault, LFakeBurnFault::Hang);
    for (const char* bad : {"media=bd", "state=open", "fail=fire", "speed=4", "media", "media=cdr,,"})
        EXPECT_FALSE(LParseFakeBurnDrive(bad, script)) << bad;
}

} // namespace
