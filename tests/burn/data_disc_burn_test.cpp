// Data-disc burns onto each kind of emulated disc, checked command by command
// and byte by byte, and what the burn does when the drive misbehaves.

#include "DiscTestSupport.h"
#include "MmcTestDrive.h"

#include "burn/LBurnDataDisc.h"
#include "burn/LDiscServices.h"
#include "burn/LMediaType.h"
#include "burn/mmc/LMmcCommands.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>

using namespace quorin::test;

namespace {

class DataDiscBurnTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileBytes(files_.Path("a.txt"), "first file");
        std::string big(300000, 'x');
        for (size_t i = 0; i < big.size(); ++i)
            big[i] = char(i * 13 + i / 2048);
        WriteFileBytes(files_.Path("b.bin"), big);
        compilation_ = std::make_unique<LDiscCompilation>("Burned");
        ASSERT_NE(nullptr, compilation_->AddPath(compilation_->Root(), files_.Path("a.txt").c_str()));
        ASSERT_NE(nullptr, compilation_->AddPath(compilation_->Root(), files_.Path("b.bin").c_str()));
    }

    LDataDiscJob Job(bool verify = true)
    {
        LDataDiscJob job;
        job.root = compilation_->Root();
        job.fileSystem = 2;
        job.options.verify = verify;
        job.options.speedFactor = -1;
        return job;
    }

    // The same compilation laid out at `start` for `media`, as image bytes.
    std::string Expected(uint32_t media, uint32_t start)
    {
        LDiscImageWriter writer(compilation_->Root(), media, 2);
        writer.startSector = start;
        writer.BuildLayout();
        LMemorySectorWriter memory;
        writer.WriteImage(nullptr, memory);
        EXPECT_TRUE(writer.result.Ok());
        return std::string(memory.bytes.begin(), memory.bytes.end());
    }

    TempDir files_;
    std::unique_ptr<LDiscCompilation> compilation_;
};

struct MediaBurnCase
{
    const char* profile;
    uint32_t media;
    bool erase;
    // Opcodes, in order, of the commands that shape the disc.
    std::vector<std::string> finish;
};

TEST_F(DataDiscBurnTest, EachMediaIsWrittenClosedAndVerified)
{
    const MediaBurnCase cases[] = {
        {"cdr", kMediaCdR, false, {"55", "53", "2A", "5B0101", "5B0102"}},
        {"cdrw", kMediaCdRw, false, {"55", "53", "2A", "5B0101", "5B0102"}},
        {"dvd-r", kMediaDvdR, false, {"55", "53", "AA", "5B0101", "5B0102"}},
        // Session 2 is closed only when closing the track failed.
        {"dvd-rw", kMediaDvdRw, false, {"55", "53", "AA", "5B0101"}},
        {"dvd+r", kMediaDvdPlusR, false, {"53", "AA", "5B0101", "5B0105"}},
        {"dvd+r-dl", kMediaDvdPlusRDl, false, {"53", "AA", "5B0101", "5B0105"}},
        {"bdr", kMediaBdR, false, {"53", "AA", "5B0106"}},
        {"dvd+rw", kMediaDvdPlusRw, false, {"04", "AA"}},
        {"bdre", kMediaBdRe, false, {"04", "AA"}},
    };
    for (const MediaBurnCase& c : cases) {
        MmcTestDrive t(std::string(",profile=") + c.profile);
        LDataDiscJob job = Job();
        job.options.eraseRewritable = c.erase;
        const time_t started = ::time(nullptr);
        EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 0)
            << c.profile << ": " << job.result.code << " " << job.result.message;
        EXPECT_EQ(job.media, c.media) << c.profile;
        // Only the commands that shape the disc, in order, once each.
        std::vector<std::string> seen;
        for (const std::string& line : t.trace) {
            for (const std::string& op : c.finish) {
                if (line.rfind(op, 0) == 0 && (seen.empty() || seen.back() != op) &&
                    std::find(seen.begin(), seen.end(), op) == seen.end())
                    seen.push_back(op);
            }
        }
        EXPECT_EQ(seen, c.finish) << c.profile;
        // Lock while writing, unlock at the end.
        ASSERT_FALSE(t.Commands("1E").empty()) << c.profile;
        EXPECT_EQ(t.Commands("1E").back().substr(0, 12), "1E0000000000") << c.profile;
        EXPECT_FALSE(t.drive->preventRemoval) << c.profile;

        const std::string expected = Expected(c.media, 0);
        std::string disc = ReadFileBytes(t.path);
        disc.resize(expected.size());
        // Both layouts record the time they were made: compare when they
        // were made within one second.
        if (::time(nullptr) == started) {
            EXPECT_TRUE(disc == expected) << c.profile;
        }
        // Read back by our own reader, the files are there byte for byte.
        LDiscImageReader reader(FileSectors(t.path));
        LDiscImageEntry root;
        std::string error;
        ASSERT_TRUE(reader.ReadIso(true, &root, &error)) << c.profile << ": " << error;
        EXPECT_NE(Listing(root).find("b.bin"), std::string::npos) << c.profile;
    }
}

TEST_F(DataDiscBurnTest, EjectedDiscIsReloadedForVerifyingAndEjectedAgain)
{
    MmcTestDrive t(",profile=bdr");
    LDataDiscJob job = Job(true);
    job.options.loadEject = true;
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 0) << job.result.code << " " << job.result.message;
    EXPECT_TRUE(t.drive->trayOpen);
    EXPECT_FALSE(t.drive->preventRemoval);
    EXPECT_EQ(t.Commands("1B").size(), 3u); // eject, load to verify, eject
}

TEST_F(DataDiscBurnTest, UsedRewritableNeedsTheEraseOption)
{
    MmcTestDrive t(",profile=cdrw");
    LDataDiscJob job = Job(false);
    ASSERT_EQ(LBurnDataDisc(t.context, *t.device, job), 0);
    LDataDiscJob again = Job(false);
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, again), 2);
    EXPECT_EQ(again.result.code, 2);
    LDataDiscJob erase = Job(true);
    erase.options.eraseRewritable = true;
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, erase), 0)
        << erase.result.code << " " << erase.result.message;
    EXPECT_FALSE(t.Commands("A1").empty());
}

TEST_F(DataDiscBurnTest, ClosedWriteOnceDiscIsRefused)
{
    MmcTestDrive t(",profile=dvd+r");
    LDataDiscJob job = Job(false);
    ASSERT_EQ(LBurnDataDisc(t.context, *t.device, job), 0);
    LDataDiscJob again = Job(false);
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, again), 2);
    EXPECT_EQ(again.result.code, 2);
}

TEST_F(DataDiscBurnTest, MediaWithoutAWriterGiveTheFamilyCode)
{
    MmcTestDrive t(",profile=cdrom");
    LDataDiscJob job = Job();
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2);
    EXPECT_EQ(job.result.code, 16);
    EXPECT_EQ(LCannotWriteCodeForMedia(kMediaDvdRam), 17);
    EXPECT_EQ(LCannotWriteCodeForMedia(kMediaHdDvdRom), 18);
    EXPECT_EQ(LCannotWriteCodeForMedia(kMediaBdRom), 19);

    MmcTestDrive empty(",profile=none");
    LDataDiscJob none = Job();
    EXPECT_EQ(LBurnDataDisc(empty.context, *empty.device, none), 2);
    EXPECT_EQ(none.result.code, kBurnNoDisc);
}

TEST_F(DataDiscBurnTest, TooSmallDiscGivesTheCapacityMessageUnlessOverburning)
{
    MmcTestDrive t(",profile=dvd+r,blocks=100");
    LDataDiscJob job = Job(false);
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2);
    EXPECT_EQ(job.result.code, kBurnCapacityExceeded);
    EXPECT_NE(std::strstr(job.result.message, "has a capacity of"), nullptr);
    EXPECT_TRUE(t.Commands("2A").empty());
    EXPECT_TRUE(t.Commands("AA").empty());
}

TEST_F(DataDiscBurnTest, EmptyCompilationIsRefusedBeforeTouchingTheDrive)
{
    MmcTestDrive t(",profile=dvd+r");
    LDiscCompilation empty("Empty");
    LDataDiscJob job = Job();
    job.root = empty.Root();
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2);
    EXPECT_EQ(job.result.code, kBurnUserCanceled);
    EXPECT_TRUE(t.trace.empty());
}

struct BurnFaultCase
{
    const char* name;
    const char* settings;
    int returned;
    int code;
    LScsiSense sense;
};

TEST_F(DataDiscBurnTest, FaultTable)
{
    const BurnFaultCase cases[] = {
        {"not ready within the budget", ",profile=dvd+r,fail=notready:50", 0, 0, {}},
        {"not ready past the budget", ",profile=dvd+r,fail=notready:100000", 2, kBurnDriveNotReady, {}},
        {"change while writing", "", 2, kBurnWriteError, {6, 0x28, 0}},
        {"write error once", ",profile=dvd-r,fail=write-error:40", 0, 0, {}},
        {"write error twice", ",profile=dvd-r,fail=write-error:40:2", 2, kBurnUnreadableDisc, {3, 0x0C, 0}},
        {"opc", ",profile=cdr,fail=opc", 2, kBurnWriteError, {3, 0x73, 3}},
        {"short", ",profile=dvd+r,fail=short:0x52:8", 2, kBurnScsiError, {}},
        {"reject streaming", ",profile=dvd+r,fail=reject-streaming", 2, kBurnWriteError, {5, 0x24, 0}},
        {"write times out", ",profile=dvd+r,fail=timeout:0xAA", 2, kBurnWriteError, {}},
        {"write with unreadable sense", ",profile=dvd+r,fail=badsense:0xAA", 2, kBurnWriteError, {}},
        {"drive never answers", ",profile=dvd+r,fail=timeout:0", 2, kBurnDriveMissing, {}},
        {"corrupt", ",profile=dvd+r,fail=corrupt:100", 2, kBurnVerifyFailed, {}},
    };
    // The medium changes at the third WRITE of a clean burn.
    std::string changeSettings;
    {
        MmcTestDrive clean(",profile=cdr");
        LDataDiscJob job = Job(false);
        ASSERT_EQ(LBurnDataDisc(clean.context, *clean.device, job), 0);
        int writes = 0;
        for (size_t i = 0; i < clean.trace.size() && changeSettings.empty(); ++i)
            if (clean.trace[i].rfind("2A", 0) == 0 && ++writes == 3)
                changeSettings = ",profile=cdr,fail=change:" + std::to_string(i + 1);
        ASSERT_FALSE(changeSettings.empty());
    }
    for (const BurnFaultCase& c : cases) {
        const bool change = std::string(c.name) == "change while writing";
        MmcTestDrive t(change ? changeSettings : std::string(c.settings));
        LDataDiscJob job = Job();
        EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), c.returned)
            << c.name << ": " << job.result.message;
        EXPECT_EQ(job.result.code, c.code) << c.name;
        EXPECT_EQ(job.result.senseKey, c.sense.senseKey) << c.name;
        EXPECT_EQ(job.result.additionalSenseCode, c.sense.additionalSenseCode) << c.name;
        EXPECT_EQ(job.result.additionalSenseCodeQualifier, c.sense.additionalSenseCodeQualifier) << c.name;
        EXPECT_FALSE(t.drive->preventRemoval) << c.name;
        if (std::string(c.name) == "corrupt") {
            ASSERT_NE(job.result.details, nullptr);
            std::string all;
            for (const LBurnResultDetail* d = job.result.details; d != nullptr; d = d->next)
                all += std::string(d->message) + "\n";
            EXPECT_NE(all.find("b.bin"), std::string::npos) << all;
            EXPECT_NE(all.find("sectors"), std::string::npos) << all;
        }
        if (std::string(c.name) == "reject streaming") {
            EXPECT_EQ(t.Commands("AA").size(), 1u);
            EXPECT_EQ(t.Commands("2A").size(), 1u);
        }
        if (std::string(c.name) == "write times out") {
            // One try; a command that timed out is not retried as "becoming ready".
            EXPECT_EQ(t.Commands("AA").size(), 1u);
            EXPECT_TRUE(t.drive->writtenLbas.empty());
        }
        if (change) {
            // Two writes got through; nothing reaches the disc after the change.
            EXPECT_EQ(t.drive->writtenLbas.size(), 32u);
            EXPECT_EQ(t.Commands("2A").size(), 3u);
        }
    }
}

} // namespace
