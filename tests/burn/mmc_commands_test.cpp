#include "MmcTestDrive.h"

#include "burn/LMediaProfileTable.h"
#include "burn/LMediaType.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LMmcDisc.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quorin::test;

namespace {

std::vector<uint8_t> Pattern(uint32_t blocks, uint8_t seed)
{
    std::vector<uint8_t> data(size_t(blocks) * 2048);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7 + seed);
    return data;
}

TEST(MmcReserveTrack, RoundsToTheMinimumAndTheMultiple)
{
    EXPECT_EQ(LMmcReserveTrackSize(10, 16), 304u);
    EXPECT_EQ(LMmcReserveTrackSize(299, 1), 300u);
    EXPECT_EQ(LMmcReserveTrackSize(1000, 16), 1008u);
    EXPECT_EQ(LMmcReserveTrackSize(301, 0), 301u);

    MmcTestDrive t(",profile=dvd-r");
    LBurnResult result;
    LMmcReserveTrack(result, t.context, *t.device, 10, 16);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(t.drive->reserved, 304u);
    ASSERT_EQ(t.Commands("53").size(), 1u);
    EXPECT_EQ(t.Commands("53")[0], "53000000000000013000 none 0 -> GOOD resid=0");
}

TEST(MmcReserveTrack, UnreadableTocReloadsOnceThenGivesCode36)
{
    MmcTestDrive once(",profile=dvd-r,fail=toc:1");
    LBurnResult result;
    LMmcReserveTrack(result, once.context, *once.device, 500, 16);
    EXPECT_TRUE(result.Ok()) << result.code;
    EXPECT_EQ(once.Commands("1B").size(), 2u); // eject, load

    MmcTestDrive twice(",profile=dvd-r,fail=toc:2");
    LMmcReserveTrack(result, twice.context, *twice.device, 500, 16);
    EXPECT_EQ(result.code, kBurnUnreadableDisc);
}

TEST(MmcSpeed, FactorsBecomeKilobytesPerSecond)
{
    EXPECT_EQ(LMmcWriteSpeedFor(-1, kMediaCdR, 7056), 0xFFFFu);
    EXPECT_EQ(LMmcWriteSpeedFor(16, kMediaCdR, 0), 2832u);
    EXPECT_EQ(LMmcWriteSpeedFor(16, kMediaCdR, 7056), 2832u);
    EXPECT_EQ(LMmcWriteSpeedFor(48, kMediaCdR, 7056), 7056u);
    EXPECT_EQ(LMmcWriteSpeedFor(4, kMediaDvdPlusR, 0), 5540u);
    EXPECT_EQ(LMmcWriteSpeedFor(2, kMediaBdR, 0), 8990u);

    MmcTestDrive cd(",profile=cdr");
    LBurnResult result;
    LMmcSetSpeed(result, cd.context, *cd.device, 7056, 7056, kMediaCdR, 1000, 16);
    EXPECT_TRUE(result.Ok());
    ASSERT_EQ(cd.Commands("BB").size(), 1u);
    EXPECT_EQ(cd.Commands("BB")[0].substr(0, 24), "BB001B900B10000000000000");
    EXPECT_FALSE(cd.device->streaming);

    MmcTestDrive dvd(",profile=dvd+r");
    LMmcSetSpeed(result, dvd.context, *dvd.device, 22160, 22160, kMediaDvdPlusR, 1000, -1);
    EXPECT_TRUE(result.Ok());
    EXPECT_TRUE(dvd.device->streaming);
    // The drive's speeds are asked before streaming is set.
    ASSERT_EQ(dvd.Commands("AC").size(), 1u);
    ASSERT_EQ(dvd.Commands("B6").size(), 1u);

    // Without performance data the speed cannot be set.
    MmcTestDrive mute(",profile=dvd+r,fail=badsense:0xAC");
    LMmcSetSpeed(result, mute.context, *mute.device, 22160, 22160, kMediaDvdPlusR, 1000, 4);
    EXPECT_EQ(result.code, kBurnScsiError);
    EXPECT_STREQ(result.message, "Set CD Speed failed");
    EXPECT_TRUE(mute.Commands("B6").empty());
}

TEST(MmcWaitUnitReady, PollsAtMost300TimesIn60Seconds)
{
    MmcTestDrive t(",profile=cdr,fail=notready:100000");
    LBurnResult result;
    LMmcWaitOptions wait;
    wait.budgetMs = 60000;
    LMmcWaitUnitReady(result, t.context, *t.device, wait);
    EXPECT_EQ(result.code, kBurnDriveNotReady);
    EXPECT_EQ(result.senseKey, 0); // code 44 carries no sense
    EXPECT_LE(t.Commands("00").size(), 300u);
    EXPECT_GE(t.clock.now, 60000u);
    EXPECT_LE(t.clock.now, 61000u);
}

TEST(MmcWaitUnitReady, NotReadyWithinTheBudgetSucceeds)
{
    MmcTestDrive t(",profile=cdr,fail=notready:20");
    LBurnResult result;
    LMmcWaitOptions wait;
    wait.budgetMs = 60000;
    LMmcWaitUnitReady(result, t.context, *t.device, wait);
    EXPECT_TRUE(result.Ok());
}

TEST(MmcWaitUnitReady, NoDiscAndSilenceAndCancel)
{
    MmcTestDrive empty(",profile=none");
    LBurnResult result;
    LMmcWaitUnitReady(result, empty.context, *empty.device, LMmcWaitOptions{});
    EXPECT_EQ(result.code, kBurnNoDisc);

    MmcTestDrive silent(",profile=cdr,fail=timeout:0");
    LMmcWaitUnitReady(result, silent.context, *silent.device, LMmcWaitOptions{});
    EXPECT_EQ(result.code, kBurnDriveMissing);
    EXPECT_EQ(silent.trace.size(), 1u);

    // An unbounded wait still ends: on cancel, or at the longest wait.
    MmcTestDrive stuck(",profile=cdr,fail=notready:100000000");
    stuck.context.stop = true;
    LMmcWaitUnitReady(result, stuck.context, *stuck.device, LMmcWaitOptions{});
    EXPECT_EQ(result.code, kBurnUserCanceled);
    stuck.context.stop = false;
    LMmcWaitUnitReady(result, stuck.context, *stuck.device, LMmcWaitOptions{});
    EXPECT_EQ(result.code, kBurnDriveNotReady);
    EXPECT_LE(stuck.clock.now, uint64_t(kMmcLongestWaitMs) * 2 + 60000);

    // Flushing or closing goes on through a cancel, saying so.
    MmcTestDrive closing(",profile=cdr,fail=notready:50");
    closing.context.stop = true;
    LMmcWaitOptions finishing;
    finishing.finishingOperation = true;
    LMmcWaitUnitReady(result, closing.context, *closing.device, finishing);
    EXPECT_TRUE(result.Ok());
    ASSERT_FALSE(closing.context.lines[0].empty());
    EXPECT_EQ(closing.context.lines[0].back(), "Waiting for drive to finish operation...");
}

TEST(MmcDiscInformation, ReplyShorterThanTheRecordFailsWithItsMessage)
{
    MmcTestDrive t(",profile=cdrw,fail=short:0x51:2");
    // The drive sends the two length bytes only, though they announce 32.
    LBurnResult result;
    LMmcDiscInfo info;
    LMmcReadDiscInformation(result, t.context, *t.device, info);
    EXPECT_EQ(result.code, kBurnScsiError);
    EXPECT_STREQ(result.message, "read disc information failed");
}

TEST(MmcModeSelect, SendsAZeroModeDataLengthAndNoPsBit)
{
    MmcTestDrive t(",profile=cdr");
    LBurnResult result;
    LMmcEnableWriteCache(result, t.context, *t.device);
    EXPECT_TRUE(result.Ok()) << result.message;
    uint8_t page[56] = {0x05, 0x36, 0x41, 0x06, 0x08};
    page[0] |= 0x80;
    LMmcSetWriteMode(result, t.context, *t.device, page);
    EXPECT_TRUE(result.Ok()) << result.code;
    LMmcReadTimeouts(result, t.context, *t.device);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(t.device->normalTimeout, 20);
    EXPECT_EQ(t.device->longTimeout, 120);
    EXPECT_EQ(t.device->thirdTimeout, 150);
}

struct WriteFaultCase
{
    const char* name;
    const char* settings;
    int code;
    LScsiSense sense;
    size_t writes; // WRITE commands sent
};

TEST(MmcWriteBlocks, FaultTable)
{
    const WriteFaultCase cases[] = {
        {"clean", "", 0, {}, 1},
        {"not ready within budget", ",fail=notready:5", 0, {}, 1},
        {"write error once", ",fail=write-error:0", 0, {}, 2},
        {"write error twice", ",fail=write-error:0:2", kBurnUnreadableDisc, {3, 0x0C, 0}, 2},
        {"opc", ",fail=opc", kBurnWriteError, {3, 0x73, 3}, 1},
        {"medium change", ",fail=change:2", kBurnWriteError, {6, 0x28, 0}, 1},
    };
    for (const WriteFaultCase& c : cases) {
        MmcTestDrive t(std::string(",profile=cdr") + c.settings);
        const auto data = Pattern(16, 1);
        LBurnResult result;
        LMmcWriteBlocks(result, t.context, *t.device, data.data(), 0, 16, 2048);
        EXPECT_EQ(result.code, c.code) << c.name;
        EXPECT_EQ(result.senseKey, c.sense.senseKey) << c.name;
        EXPECT_EQ(result.additionalSenseCode, c.sense.additionalSenseCode) << c.name;
        EXPECT_EQ(result.additionalSenseCodeQualifier, c.sense.additionalSenseCodeQualifier) << c.name;
        EXPECT_EQ(t.Commands("2A").size(), c.writes) << c.name;
        EXPECT_EQ(t.drive->writtenLbas.size(), c.code == 0 ? 16u : 0u) << c.name;
    }
}

TEST(MmcWriteBlocks, StreamingRejectedFallsBackToWrite10Once)
{
    MmcTestDrive t(",profile=dvd+r,fail=reject-streaming");
    t.device->streaming = true;
    const auto data = Pattern(16, 2);
    LBurnResult result;
    LMmcWriteBlocks(result, t.context, *t.device, data.data(), 0, 16, 2048);
    EXPECT_EQ(result.code, kBurnWriteError);
    EXPECT_EQ(result.senseKey, 5);
    EXPECT_EQ(result.additionalSenseCode, 0x24);
    EXPECT_EQ(t.Commands("AA").size(), 1u);
    EXPECT_EQ(t.Commands("2A").size(), 1u);
    EXPECT_FALSE(t.device->streaming);
}

TEST(MmcWriteBlocks, OffTheNextWritableAddressIsAWriteAddressError)
{
    MmcTestDrive t(",profile=dvd-r");
    const auto data = Pattern(16, 3);
    LBurnResult result;
    LMmcWriteBlocks(result, t.context, *t.device, data.data(), 32, 16, 2048);
    EXPECT_EQ(result.code, kBurnWriteAddressError);
    EXPECT_EQ(result.senseKey, 5);
    EXPECT_EQ(result.additionalSenseCode, 0x21);
}

TEST(MmcReadBlocks, ReadsBackAndShortReadsFail)
{
    MmcTestDrive t(",profile=dvd+r");
    const auto data = Pattern(4, 4);
    LBurnResult result;
    LMmcWriteBlocks(result, t.context, *t.device, data.data(), 0, 4, 2048);
    ASSERT_TRUE(result.Ok());
    std::vector<uint8_t> back(4 * 2048);
    EXPECT_EQ(LMmcReadBlocks(t.context, *t.device, back.data(), 0, 4, 2048), 0);
    EXPECT_EQ(back, data);
    t.drive->faults.shortOpcode = 0x28;
    t.drive->faults.shortBytes = 2048;
    EXPECT_EQ(LMmcReadBlocks(t.context, *t.device, back.data(), 0, 4, 2048), 2);
}

TEST(MmcCloseTrackSession, NothingIsSentToACompleteDisc)
{
    MmcTestDrive t(",profile=cdr");
    const auto data = Pattern(300, 5);
    LBurnResult result;
    LMmcWriteBlocks(result, t.context, *t.device, data.data(), 0, 300, 2048);
    ASSERT_TRUE(result.Ok());
    LMmcCloseTrackSession(result, t.context, *t.device, 1, false, 1);
    EXPECT_TRUE(result.Ok());
    LMmcCloseTrackSession(result, t.context, *t.device, 2, true, 1);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(t.Commands("5B").size(), 2u);
    EXPECT_EQ(t.drive->discStatus, 2);
    LMmcCloseTrackSession(result, t.context, *t.device, 2, true, 1);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(t.Commands("5B").size(), 2u);
}

TEST(MmcCloseTrackSession, ARefusedCloseIsReportedEvenWithTheBusyBar)
{
    MmcTestDrive t(",profile=cdrom");
    LBurnResult result;
    LMmcCloseTrackSession(result, t.context, *t.device, 1, true, 1);
    // A pressed disc is complete: nothing to close.
    EXPECT_TRUE(result.Ok());
    MmcTestDrive blank(",profile=bdr,fail=badsense:0x5B");
    LMmcCloseTrackSession(result, blank.context, *blank.device, 6, true, 1);
    EXPECT_EQ(result.code, kBurnScsiError);
    EXPECT_STREQ(result.message, "Close Track/Session");
}

TEST(MmcErase, BlanksRewritableCdAndFormatsDvdPlusRw)
{
    MmcTestDrive cd(",profile=cdrw");
    const auto data = Pattern(300, 6);
    LBurnResult result;
    LMmcWriteBlocks(result, cd.context, *cd.device, data.data(), 0, 300, 2048);
    ASSERT_TRUE(result.Ok());
    LMmcEraseDisc(result, cd.context, *cd.device, kMediaCdRw, 1);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(cd.drive->nextWritable, 0u);
    EXPECT_EQ(cd.Commands("A111")[0].substr(0, 4), "A111");

    MmcTestDrive dvd(",profile=dvd+rw");
    LMmcEraseDisc(result, dvd.context, *dvd.device, kMediaDvdPlusRw, 1);
    EXPECT_TRUE(result.Ok());
    EXPECT_TRUE(dvd.drive->formatted);

    MmcTestDrive worm(",profile=dvd+r");
    LMmcEraseDisc(result, worm.context, *worm.device, kMediaDvdPlusR, 1);
    EXPECT_FALSE(result.Ok());
}

struct MediaCase
{
    const char* profile;
    uint32_t media;
};

TEST(MmcIdentifyMedia, EveryEmulatedProfile)
{
    const MediaCase cases[] = {
        {"cdr", kMediaCdR},          {"cdrw", kMediaCdRw},      {"dvd-r", kMediaDvdR},
        {"dvd-rw", kMediaDvdRw},     {"dvd+r", kMediaDvdPlusR}, {"dvd+r-dl", kMediaDvdPlusRDl},
        {"dvd+rw", kMediaDvdPlusRw}, {"bdr", kMediaBdR},        {"bdre", kMediaBdRe},
        {"cdrom", kMediaCdRom},      {"none", kMediaNoDisc},
    };
    for (const MediaCase& c : cases) {
        MmcTestDrive t(std::string(",profile=") + c.profile);
        LBurnResult result;
        uint32_t media = 99;
        LMmcIdentifyMedia(result, t.context, *t.device, media);
        EXPECT_TRUE(result.Ok()) << c.profile;
        EXPECT_EQ(media, c.media) << c.profile;
    }
}

TEST(MmcIdentifyMedia, BluRayRomIsItsOwnMedia)
{
    EXPECT_EQ(LMediaCodeForProfile(0x0040), uint32_t(kMediaBdRom));
}

TEST(MmcCapabilities, EmulatedDriveWritesEveryFamily)
{
    MmcTestDrive t(",profile=dvd-rw");
    LBurnResult result;
    LDriveCapabilities caps;
    LMmcGetDriveCapabilities(result, t.context, *t.device, caps);
    ASSERT_TRUE(result.Ok());
    EXPECT_TRUE(caps.cdWrite);
    EXPECT_TRUE(caps.cdSao);
    EXPECT_TRUE(caps.dvdRWrite);
    EXPECT_TRUE(caps.dvdRwWrite);
    EXPECT_TRUE(caps.dvdPlusRWrite);
    EXPECT_TRUE(caps.dvdPlusRwWrite);
    EXPECT_TRUE(caps.bdWrite);
    EXPECT_FALSE(caps.dvdRamWrite);
    EXPECT_TRUE(caps.incrementalStreaming);
    EXPECT_EQ(caps.unitSpeed, 4495u);
    EXPECT_EQ(caps.maxWriteSpeed, 22160u);
    EXPECT_EQ(caps.writeSpeeds.size(), 3u);
    EXPECT_EQ(caps.WriteList(), "cd,cd-sao,dvd-r,dvd+r,bd-r");
}

TEST(MmcExistingSession, IsoVolumeOnDvdPlusRwIsRoundedTo32)
{
    MmcTestDrive t(",profile=dvd+rw");
    LBurnResult result;
    std::vector<uint8_t> pvd(17 * 2048, 0);
    uint8_t* d = pvd.data() + 16 * 2048;
    d[0] = 1;
    std::memcpy(d + 1, "CD001", 5);
    d[84] = 0;
    d[85] = 0;
    d[86] = 0x03;
    d[87] = 0xE8; // 1000 blocks
    LMmcWriteBlocks(result, t.context, *t.device, pvd.data(), 0, 17, 2048);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(LMmcGetExistingSessionSize(t.context, *t.device, kMediaDvdPlusRw, false), 1024u);
}

struct WritableCase
{
    const char* settings;
    uint32_t media;
    bool format; // an overwritable disc is formatted first
    uint32_t blocks;
    const char* source; // the command that gave the size
};

TEST(MmcWritableBlocks, EachMediaFromItsOwnSource)
{
    const WritableCase cases[] = {
        {",profile=cdr,blocks=5000", kMediaCdR, false, 5000, "43"},
        {",profile=cdrw,blocks=7000", kMediaCdRw, false, 7000, "43"},
        {",profile=dvd-r,blocks=5000", kMediaDvdR, false, 5000, "52"},
        {",profile=dvd+r,blocks=6000", kMediaDvdPlusR, false, 6000, "52"},
        {",profile=dvd+rw,blocks=8000", kMediaDvdPlusRw, true, 8000, "52"},
        {",profile=bdre,blocks=9000", kMediaBdRe, true, 9000, "25"},
    };
    for (const WritableCase& c : cases) {
        MmcTestDrive t(c.settings);
        LBurnResult result;
        if (c.format) {
            LMmcEraseDisc(result, t.context, *t.device, c.media, 1);
            ASSERT_TRUE(result.Ok()) << c.settings;
        }
        LMmcDiscInfo disc;
        LMmcReadDiscInformation(result, t.context, *t.device, disc);
        t.trace.clear();
        uint32_t blocks = 0;
        LMmcGetWritableBlocks(result, t.context, *t.device, disc, c.media, blocks);
        EXPECT_TRUE(result.Ok()) << c.settings << ": " << result.code;
        EXPECT_EQ(blocks, c.blocks) << c.settings;
        ASSERT_FALSE(t.trace.empty()) << c.settings;
        EXPECT_EQ(t.trace.back().substr(0, 2), c.source) << c.settings;
    }
}

TEST(MmcWritableBlocks, LeadOutOfTheDiscInformationCountsFromTheFirstBlock)
{
    MmcTestDrive t(",profile=cdr");
    LMmcDiscInfo disc;
    disc.raw[21] = 79; // 79:59:74 less the two-second pre-gap
    disc.raw[22] = 59;
    disc.raw[23] = 74;
    LBurnResult result;
    uint32_t blocks = 0;
    LMmcGetWritableBlocks(result, t.context, *t.device, disc, kMediaCdR, blocks);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(blocks, (79u * 60 + 59) * 75 + 74 - 150);
    EXPECT_TRUE(t.trace.empty());
}

TEST(MmcWritableBlocks, ACompleteDiscTakesNothing)
{
    MmcTestDrive t(",profile=dvd-r");
    LBurnResult result;
    LMmcCloseTrackSession(result, t.context, *t.device, 2, true, 1);
    LMmcDiscInfo disc;
    LMmcReadDiscInformation(result, t.context, *t.device, disc);
    uint32_t blocks = 1;
    LMmcGetWritableBlocks(result, t.context, *t.device, disc, kMediaDvdR, blocks);
    EXPECT_EQ(result.code, kBurnDiscAlreadyBurned);
    EXPECT_EQ(blocks, 0u);
}

} // namespace
