// Data-disc burns onto each kind of emulated disc, checked command by command
// and byte by byte, and what the burn does when the drive misbehaves.

#include "DiscTestSupport.h"
#include "MmcTestDrive.h"

#include "burn/LBurnDataDisc.h"
#include "burn/LDiscServices.h"
#include "burn/LMediaType.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LMmcDisc.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    // Write type, track mode, data block type and link size of the write
    // parameters page; all 0 where the medium takes none.
    uint8_t page[4];
};

TEST_F(DataDiscBurnTest, EachMediaIsWrittenClosedAndVerified)
{
    const MediaBurnCase cases[] = {
        {"cdr", kMediaCdR, false, {"55", "53", "2A", "5B0101", "5B0102"}, {0x41, 0x06, 0x08, 0}},
        {"cdrw", kMediaCdRw, false, {"55", "53", "2A", "5B0101", "5B0102"}, {0x41, 0x06, 0x08, 0}},
        {"dvd-r", kMediaDvdR, false, {"55", "53", "AA", "5B0101", "5B0102"}, {0x42, 0x05, 0x08, 0}},
        // Session 2 is closed only when closing the track failed.
        {"dvd-rw", kMediaDvdRw, false, {"55", "53", "AA", "5B0101"}, {0x42, 0x05, 0x08, 0}},
        {"dvd+r", kMediaDvdPlusR, false, {"53", "AA", "5B0101", "5B0105"}, {0, 0, 0, 0}},
        {"dvd+r-dl", kMediaDvdPlusRDl, false, {"53", "AA", "5B0101", "5B0105"}, {0, 0, 0, 0}},
        {"bdr", kMediaBdR, false, {"53", "AA", "5B0106"}, {0, 0, 0, 0}},
        {"dvd+rw", kMediaDvdPlusRw, false, {"04", "AA"}, {0, 0, 0, 0}},
        {"bdre", kMediaBdRe, false, {"04", "AA"}, {0, 0, 0, 0}},
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
        const uint8_t* page = t.drive->WriteParameters();
        EXPECT_EQ(std::vector<uint8_t>(page + 2, page + 6), std::vector<uint8_t>(c.page, c.page + 4))
            << c.profile;
        if (c.page[0] != 0) {
            EXPECT_EQ(page[14], 0) << c.profile; // audio pause of 150 frames
            EXPECT_EQ(page[15], 150) << c.profile;
        }
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

struct WrongDiscCase
{
    uint32_t discType;
    const char* profile;
    int code;
    const char* message; // empty: no message box
};

TEST_F(DataDiscBurnTest, WrongDiscsAndDrivesGiveTheFamilyCodes)
{
    const WrongDiscCase cases[] = {
        {7, ",profile=cdr", 20,
         "The disc type being burned is a ISO DVD and you have loaded a CD-R. Please insert an appropriate "
         "disc."},
        {2, ",profile=dvd+r", 21,
         "The disc type being burned is a ISO+Joliet CD and you have loaded a DVD+R. Please insert an "
         "appropriate disc."},
        {15, ",profile=dvd-r", 23,
         "The disc type being burned is a ISO+Joliet Blu-ray and you have loaded a DVD-R. Please insert an "
         "appropriate disc."},
        // A pressed CD is no CD-R: the ISO disc becomes a CD one, which it does not suit.
        {kDiscTypeIsoDisc, ",profile=cdrom", 21,
         "The disc type being burned is a ISO+Joliet CD and you have loaded a CD-ROM or burnt CD-R. Please "
         "insert an appropriate disc."},
        // Any media suits a hybrid disc: a pressed one is simply not empty.
        {22, ",profile=cdrom", 2, nullptr},
        {kDiscTypeIsoDisc, ",profile=none", kBurnNoDisc, ""},
    };
    for (const WrongDiscCase& c : cases) {
        MmcTestDrive t(c.profile);
        LDataDiscJob job = Job();
        job.discType = c.discType;
        EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2) << c.discType << c.profile;
        EXPECT_EQ(job.result.code, c.code) << c.discType << c.profile;
        if (c.message != nullptr && *c.message != '\0') {
            ASSERT_EQ(t.context.messages.size(), 1u) << c.discType << c.profile;
            EXPECT_EQ(t.context.messages[0], c.message);
        } else if (c.message != nullptr) {
            EXPECT_TRUE(t.context.messages.empty()) << c.discType << c.profile;
        }
        EXPECT_TRUE(t.drive->writtenLbas.empty()) << c.discType << c.profile;
        EXPECT_FALSE(t.device->IsOpen()) << c.discType << c.profile;
    }
    EXPECT_EQ(LCannotWriteCodeForMedia(kMediaDvdRam), 17);
    EXPECT_EQ(LCannotWriteCodeForMedia(kMediaHdDvdRom), 18);
    EXPECT_EQ(LCannotWriteCodeForMedia(kMediaBdRom), 19);

    // A drive without Blu-ray writing.
    MmcTestDrive bd(",profile=bdr");
    bd.drive->absentFeatures.insert(0x0041);
    LDataDiscJob job = Job();
    job.discType = kDiscTypeIsoDisc;
    EXPECT_EQ(LBurnDataDisc(bd.context, *bd.device, job), 2);
    EXPECT_EQ(job.result.code, 19);
}

TEST_F(DataDiscBurnTest, IsoDiscOnADvdIsBurnedAsAnIsoJolietDvd)
{
    MmcTestDrive t(",profile=dvd+r");
    LDataDiscJob job = Job(false);
    job.fileSystem = 0;
    job.discType = kDiscTypeIsoDisc;
    ASSERT_EQ(LBurnDataDisc(t.context, *t.device, job), 0) << job.result.message;
    EXPECT_EQ(job.discType, 6u);
    LDiscImageReader reader(FileSectors(t.path));
    LDiscImageEntry root;
    std::string error;
    ASSERT_TRUE(reader.ReadIso(true, &root, &error)) << error;
    EXPECT_NE(Listing(root).find("b.bin"), std::string::npos);
}

TEST_F(DataDiscBurnTest, TooSmallDiscGivesTheCapacityMessageUnlessOverburning)
{
    MmcTestDrive t(",profile=dvd+r,blocks=100");
    LDataDiscJob job = Job(false);
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2);
    // The job showed the message itself: code 1 tells the caller so.
    EXPECT_EQ(job.result.code, kBurnUserCanceled);
    ASSERT_EQ(t.context.messages.size(), 1u);
    EXPECT_EQ(
        t.context.messages[0].rfind("The DVD+R has a capacity of 0.20MB and you are trying to write ", 0), 0u)
        << t.context.messages[0];
    EXPECT_STREQ(job.result.message, t.context.messages[0].c_str());
    EXPECT_TRUE(t.Commands("2A").empty());
    EXPECT_TRUE(t.Commands("AA").empty());
    EXPECT_FALSE(t.drive->preventRemoval);

    MmcTestDrive over(",profile=dvd+r,blocks=100");
    LDataDiscJob overburn = Job(false);
    overburn.options.overburn = true;
    EXPECT_EQ(LBurnDataDisc(over.context, *over.device, overburn), 2);
    // Past the end the drive itself refuses; the check was skipped.
    EXPECT_TRUE(over.context.messages.empty()) << over.context.messages[0];
    EXPECT_EQ(overburn.result.code, kBurnWriteError);
}

TEST_F(DataDiscBurnTest, EmptyCompilationIsRefusedBeforeTouchingTheDrive)
{
    MmcTestDrive t(",profile=dvd+r");
    LDiscCompilation empty("Empty");
    LDataDiscJob job = Job();
    job.root = empty.Root();
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2);
    EXPECT_EQ(job.result.code, kBurnUserCanceled);
    EXPECT_EQ(t.context.messages,
              std::vector<std::string>{"Disc Write failed because there are no files to write."});
    EXPECT_TRUE(t.trace.empty());

    LDataDiscJob missing = Job();
    missing.sourceIsoPath = "/nonexistent/source.iso";
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, missing), 2);
    EXPECT_EQ(missing.result.code, kBurnUserCanceled);
    EXPECT_EQ(t.context.messages.back(), "Cannot open the source ISO file \"/nonexistent/source.iso\".");
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
        EXPECT_FALSE(t.device->IsOpen()) << c.name;
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

TEST_F(DataDiscBurnTest, BusyDriveIsCode39AndNothingIsEjected)
{
    MmcTestDrive t(",profile=cdr");
    t.device->Close();
    t.drive->faults.busy = true;
    LDataDiscJob job = Job();
    job.options.loadEject = true;
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2);
    EXPECT_EQ(job.result.code, kBurnDriveBusy);
    EXPECT_TRUE(t.trace.empty());
    EXPECT_FALSE(t.drive->trayOpen);
}

TEST_F(DataDiscBurnTest, CancelWhileTheLayoutIsBuiltStopsTheGenerator)
{
    MmcTestDrive t(",profile=dvd+r");
    t.context.stopWhen = [&]() {
        return !t.context.lines[0].empty() && t.context.lines[0].back() == "Generating file system";
    };
    LDataDiscJob job = Job();
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 1);
    EXPECT_EQ(job.result.code, kBurnUserCanceled);
    EXPECT_TRUE(t.drive->writtenLbas.empty());
    EXPECT_FALSE(t.drive->preventRemoval);
    EXPECT_FALSE(t.device->IsOpen());
}

TEST_F(DataDiscBurnTest, VerifyReadsAgainAfterAMediumChange)
{
    std::string settings;
    {
        MmcTestDrive clean(",profile=dvd-r");
        LDataDiscJob job = Job(true);
        ASSERT_EQ(LBurnDataDisc(clean.context, *clean.device, job), 0);
        for (size_t i = 0; i < clean.trace.size() && settings.empty(); ++i)
            if (clean.trace[i].rfind("28", 0) == 0)
                settings = ",profile=dvd-r,fail=change:" + std::to_string(i + 1);
        ASSERT_FALSE(settings.empty());
    }
    MmcTestDrive t(settings);
    LDataDiscJob job = Job(true);
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 0) << job.result.code << " " << job.result.message;
    bool changed = false;
    for (const std::string& line : t.Commands("28"))
        changed = changed || line.find("CHECK 6/28/00") != std::string::npos;
    EXPECT_TRUE(changed);
}

TEST_F(DataDiscBurnTest, DvdRwWithoutIncrementalStreamingIsWrittenInRestrictedOverwrite)
{
    MmcTestDrive t(",profile=dvd-rw");
    t.drive->absentFeatures.insert(0x0021);
    LDataDiscJob job = Job(true);
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 0) << job.result.code << " " << job.result.message;
    EXPECT_EQ(t.drive->profile, 0x0013);
    // Packet writing with the link size valid, buffer protection added after the format.
    const uint8_t* page = t.drive->WriteParameters();
    EXPECT_EQ(std::vector<uint8_t>(page + 2, page + 6), (std::vector<uint8_t>{0x60, 0x05, 0x08, 0x10}));
    ASSERT_FALSE(t.Commands("04").empty());
    EXPECT_NE(std::find(t.context.lines[1].begin(), t.context.lines[1].end(), "Creating new session"),
              t.context.lines[1].end());
    // No reservation: the format made the room.
    EXPECT_TRUE(t.Commands("53").empty());
    LDiscImageReader reader(FileSectors(t.path));
    LDiscImageEntry root;
    std::string error;
    ASSERT_TRUE(reader.ReadIso(true, &root, &error)) << error;
    EXPECT_NE(Listing(root).find("b.bin"), std::string::npos);
}

struct AnchorCase
{
    const char* settings;
    uint32_t capacity;
};

TEST_F(DataDiscBurnTest, OverwritableUdfDiscsGetTheirClosingAnchors)
{
    const AnchorCase cases[] = {{",profile=dvd+rw,blocks=20000", 20000},
                                {",profile=bdre,blocks=40000", 40000}};
    for (const AnchorCase& c : cases) {
        MmcTestDrive t(c.settings);
        LDataDiscJob job = Job(true);
        job.fileSystem = 0;
        job.discType = kDiscTypeUdfDisc;
        ASSERT_EQ(LBurnDataDisc(t.context, *t.device, job), 0)
            << c.settings << ": " << job.result.code << " " << job.result.message;
        EXPECT_EQ(job.discType, job.media == kMediaBdRe ? 16u : 8u);
        const std::string disc = ReadFileBytes(t.path);
        ASSERT_EQ(disc.size(), size_t(c.capacity) * 2048) << c.settings;
        for (const uint32_t sector : {c.capacity - 257, c.capacity - 1, 256u}) {
            const uint8_t* tag = reinterpret_cast<const uint8_t*>(disc.data()) + size_t(sector) * 2048;
            EXPECT_EQ(tag[0] | (tag[1] << 8), 2) << c.settings << " sector " << sector;
            const uint32_t location = tag[12] | (tag[13] << 8) | (tag[14] << 16) | (uint32_t(tag[15]) << 24);
            EXPECT_EQ(location, sector) << c.settings;
        }
        std::string out;
        if (!DiscToolExists("udfinfo")) {
            ADD_FAILURE() << "udfinfo is missing (udftools)";
            continue;
        }
        EXPECT_EQ(RunDiscTool("udfinfo --blocksize=2048 " + t.path, &out), 0) << out;
        // Both closing anchors are found where readers look for them.
        for (const uint32_t sector : {c.capacity - 257, c.capacity - 1})
            EXPECT_NE(out.find("start=" + std::to_string(sector) + ", blocks=1, type=ANCHOR"),
                      std::string::npos)
                << c.settings << "\n"
                << out;
        EXPECT_NE(out.find("label=Burned"), std::string::npos) << out;
    }
}

TEST_F(DataDiscBurnTest, ImageFileTargetWritesTheImageAndIsLockedWhileWritten)
{
    MmcTestDrive t(",profile=none");
    const std::string out = files_.Path("out.iso");
    LDataDiscJob job = Job(true);
    job.isoOutputPath = out;
    const time_t started = ::time(nullptr);
    ASSERT_EQ(LBurnDataDisc(t.context, *t.device, job), 0) << job.result.code << " " << job.result.message;
    EXPECT_EQ(job.media, uint32_t(kMediaImageFile));
    EXPECT_TRUE(t.trace.empty());
    EXPECT_EQ(t.context.lines[0].front(), "Writing to ISO Image");
    const std::string expected = Expected(kMediaImageFile, 0);
    if (::time(nullptr) == started) {
        EXPECT_TRUE(ReadFileBytes(out) == expected);
    }
    EXPECT_EQ(ReadFileBytes(out).size(), expected.size());
    std::string listing;
    if (DiscToolExists("isoinfo")) {
        EXPECT_EQ(RunDiscTool("isoinfo -l -J -i " + out, &listing), 0) << listing;
        EXPECT_NE(listing.find("b.bin"), std::string::npos) << listing;
    }

    // A file another writer holds is left alone.
    const int held = ::open(out.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    LDataDiscJob again = Job(false);
    again.isoOutputPath = out;
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, again), 2);
    EXPECT_EQ(again.result.code, kBurnUserCanceled);
    EXPECT_EQ(t.context.messages.back(), "Cannot open the ISO file to write \"" + out + "\".");
    EXPECT_EQ(ReadFileBytes(out).size(), expected.size());
    ::close(held);
}

// A run that fails partway leaves the name as it was (here an older image)
// and no part of the new one anywhere in the folder.
TEST_F(DataDiscBurnTest, AFailedImageRunLeavesNoPartialImage)
{
    MmcTestDrive t(",profile=none");
    TempDir target;
    const std::string out = target.Path("out.iso");
    WriteFileBytes(out, "an older image");
    ASSERT_EQ(::unlink(files_.Path("b.bin").c_str()), 0); // its data cannot be read any more
    LDataDiscJob job = Job(false);
    job.isoOutputPath = out;
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, job), 2);
    EXPECT_EQ(job.result.code, kBurnFileNotFound) << job.result.message;
    EXPECT_EQ(ReadFileBytes(out), "an older image");
    EXPECT_EQ(FolderEntries(target.Path()), std::vector<std::string>{"out.iso"});

    // Without an older image the name stays free.
    ::unlink(out.c_str());
    LDataDiscJob fresh = Job(false);
    fresh.isoOutputPath = out;
    EXPECT_EQ(LBurnDataDisc(t.context, *t.device, fresh), 2);
    EXPECT_TRUE(FolderEntries(target.Path()).empty());
}

TEST_F(DataDiscBurnTest, AudioAppendNeedsAnAudioLastTrack)
{
    MmcTestDrive t(",profile=cdr");
    LDataDiscJob job = Job(false);
    ASSERT_EQ(LBurnDataDisc(t.context, *t.device, job), 0);
    ASSERT_EQ(t.device->Open(t.context, job.result), 0);
    LMmcDiscInfo disc;
    LBurnResult result;
    LMmcReadDiscInformation(result, t.context, *t.device, disc);
    ASSERT_TRUE(result.Ok());
    disc.raw[6] = 0; // no track in the last session
    LDriveCapabilities caps;
    LMmcCheckAudioAppend(result, t.context, *t.device, job.options, disc, kMediaCdR, caps);
    EXPECT_EQ(result.code, 25);
    EXPECT_EQ(t.context.messages.back(),
              "You are trying to append audio tracks and the loaded disc is not an audio CD");
}

} // namespace
