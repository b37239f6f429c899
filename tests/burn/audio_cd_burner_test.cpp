#include "burn/AiffFixture.h"
#include "burn/BurnTestContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include "audio/formats/LAudioFileOpener.h"
#include "burn/LAudioCdBurner.h"
#include "burn/LFakeBurnBackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <dirent.h>

using namespace quorin::test;

namespace {

std::vector<unsigned char> SoxCdr(const std::string& path)
{
    const std::string bytes = CaptureCommand("sox " + Quote(path) + " -L -t cdr - 2>/dev/null");
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

bool AllZero(const std::vector<unsigned char>& bytes, size_t from)
{
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                       [](unsigned char b) { return b == 0; });
}

class AudioCdBurnerTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        MakeWav("a.wav", "-c 2", "3.3 sine 440 sine 660 vol 0.5");
        MakeWav("b.wav", "-c 1", "5.01 pinknoise vol 0.3");
        MakeWav("c.wav", "-c 2", "0.5 sine 1000");
    }

    void MakeWav(const char* name, const char* channels, const char* synth)
    {
        const std::string path = home_.Path(name);
        ASSERT_EQ(RunCommand(std::string("sox -n -r 44100 -b 16 ") + channels + " " + Quote(path) +
                             " synth " + synth),
                  0);
        paths_.push_back(path);
    }

    LAudioCdBurnJob Job(std::initializer_list<const char*> names)
    {
        LAudioCdBurnJob job;
        job.driveIndex = 0;
        job.normalizePercent = 0;
        job.disc.discWaitMs = 0;
        job.disc.bounds.pollMs = 5;
        for (const char* name : names) {
            LSoundSourcePtr source;
            LOpenAudioFileSource(source, home_.Path(name).c_str());
            EXPECT_EQ(source->GetStatus(), 0) << name;
            job.tracks.emplace_back(source);
        }
        return job;
    }

    // Temporary folders the burns left in the caches folder.
    int LeftoverFolders()
    {
        int count = 0;
        if (DIR* dir = opendir(home_.Path(".cache/Quorin").c_str())) {
            while (const dirent* e = readdir(dir))
                if (e->d_name[0] == '0')
                    ++count;
            closedir(dir);
        }
        return count;
    }

    std::vector<std::string> paths_;
};

TEST_F(AudioCdBurnerTest, ThreeTracksReachTheDriveWithPausesBetween)
{
    LFakeBurnDriveScript script;
    script.stepDelayMs = 150;
    LFakeBurnBackend backend({script});
    LAudioCdBurnJob job = Job({"a.wav", "b.wav", "c.wav"});
    job.pauseSeconds = 2.0;
    BurnTestContext context;
    EXPECT_EQ(LBurnAudioCd(&context, backend, job), 0);
    ASSERT_EQ(job.result.code, 0) << job.result.message;

    ASSERT_EQ(job.layout.size(), 3u);
    // 3.3 s fills 248 blocks and is padded to 4 s; 5.01 s needs 376; then the pauses.
    EXPECT_EQ(job.layout[0].blocks, 300 + 150);
    EXPECT_EQ(job.layout[1].blocks, 376 + 150);
    EXPECT_EQ(job.layout[2].blocks, 300);
    EXPECT_EQ(job.layout[1].startBlock, 450);
    EXPECT_EQ(job.layout[2].startBlock, 976);

    const LFakeBurnRecord record = backend.LastWrite();
    EXPECT_TRUE(record.sao);
    ASSERT_EQ(record.tracks.size(), 3u);
    for (size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(static_cast<int64_t>(record.tracks[n].size()), job.layout[n].blocks * 2352) << n;
        EXPECT_EQ(record.declaredSizes[n], job.layout[n].blocks * 2352) << n;
        const std::vector<unsigned char> reference = SoxCdr(paths_[n]);
        ASSERT_FALSE(reference.empty());
        ASSERT_LE(reference.size(), record.tracks[n].size());
        EXPECT_TRUE(std::equal(reference.begin(), reference.end(), record.tracks[n].begin())) << paths_[n];
        EXPECT_TRUE(AllZero(record.tracks[n], reference.size())) << paths_[n];
    }
    // The mono recording comes out with equal channels.
    const auto& mono = record.tracks[1];
    for (size_t i = 0; i + 3 < 220941 * 4; i += 4)
        ASSERT_TRUE(mono[i] == mono[i + 2] && mono[i + 1] == mono[i + 3]) << i;

    EXPECT_FALSE(record.freedWhileBusy);
    EXPECT_EQ(backend.Grabs(), 1);
    EXPECT_EQ(backend.Releases(), 1);
    EXPECT_EQ(LeftoverFolders(), 0);

    // The write's lines come in the order of its steps (the fake lingers in
    // each of them, so none goes unseen).
    const std::vector<std::string>& lines = context.lines[1];
    auto first = [&](const char* text) {
        return static_cast<long>(std::find(lines.begin(), lines.end(), text) - lines.begin());
    };
    const long end = static_cast<long>(lines.size());
    const long session = first("Opening Session..."), open = first("Opening Track...");
    const long one = first("Writing track 1 ..."), two = first("Writing track 2 ..."),
               three = first("Writing track 3 ...");
    ASSERT_LT(three, end);
    EXPECT_LT(session, open);
    EXPECT_LT(open, one);
    EXPECT_LT(one, two);
    EXPECT_LT(two, three);
    // The session closes after the last track, then libburn ends it.
    const long closing = static_cast<long>(
        std::find(lines.rbegin(), lines.rend(), "Closing... (this might take a while)").base() -
        lines.begin() - 1);
    EXPECT_LT(three, closing);
    EXPECT_LT(closing, first("Finishing..."));
    EXPECT_EQ(lines.back(), "Finishing...");
}

TEST_F(AudioCdBurnerTest, TrackAtOnceWhenAskedOrWhenTheDriveLacksSessionAtOnce)
{
    for (int variant = 0; variant < 2; ++variant) {
        LFakeBurnDriveScript script;
        script.writeCdSao = variant != 0;
        LFakeBurnBackend backend({script});
        LAudioCdBurnJob job = Job({"c.wav"});
        job.tao = variant == 1;
        BurnTestContext context;
        LBurnAudioCd(&context, backend, job);
        ASSERT_EQ(job.result.code, 0) << job.result.message;
        EXPECT_FALSE(backend.LastWrite().sao) << variant;
    }
}

TEST_F(AudioCdBurnerTest, OutcomesOfDrivesDiscsAndFaults)
{
    struct Case
    {
        const char* what;
        const char* drive;
        bool erase;
        uint32_t index;
        int32_t code;
        const char* message; // part of the result's message, or null
    };
    const Case cases[] = {
        {"a bad index", "", false, 3, 15, nullptr},
        {"write failure", "fail=write", false, 0, 46, "write error"},
        {"drive vanishes", "fail=vanish", false, 0, 15, nullptr},
        {"erase failure", "media=cdrw,state=full,fail=erase", true, 0, 25, "blanking failed"},
        {"burnt CD-R", "media=cdr,state=full", false, 0, 14, nullptr},
        {"CD-RW not to be erased", "media=cdrw,state=appendable", false, 0, 14, nullptr},
        {"no disc", "media=none", false, 0, 14, nullptr},
        {"a DVD", "media=dvd+rw,state=blank", false, 0, 21, nullptr},
        {"CD-RW erased first", "media=cdrw,state=full", true, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        LFakeBurnDriveScript script;
        ASSERT_TRUE(LParseFakeBurnDrive(c.drive, script)) << c.what;
        LFakeBurnBackend backend({script});
        LAudioCdBurnJob job = Job({"c.wav"});
        job.driveIndex = c.index;
        job.disc.eraseRewritable = c.erase;
        BurnTestContext context;
        LBurnAudioCd(&context, backend, job);
        EXPECT_EQ(job.result.code, c.code) << c.what << ": " << job.result.message;
        if (c.message) {
            EXPECT_NE(std::string(job.result.message).find(c.message), std::string::npos) << c.what;
        }
        EXPECT_EQ(backend.Grabs(), backend.Releases()) << c.what;
        EXPECT_LE(backend.Grabs(), 1) << c.what;
        EXPECT_EQ(LeftoverFolders(), 0) << c.what;
    }
}

TEST_F(AudioCdBurnerTest, CancelMidWriteWaitsForTheDriveBeforeFreeingTracks)
{
    LFakeBurnDriveScript script;
    script.blockDelayMs = 1;
    LFakeBurnBackend backend({script});
    LAudioCdBurnJob job = Job({"a.wav", "b.wav"});
    BurnTestContext context;
    context.stopWhen = [&] { return backend.BlocksRead() > 100; };
    LBurnAudioCd(&context, backend, job);
    EXPECT_EQ(job.result.code, 1);
    const LFakeBurnRecord record = backend.LastWrite();
    EXPECT_FALSE(record.freedWhileBusy);
    ASSERT_FALSE(record.activities.empty());
    EXPECT_EQ(record.activities.back(), LBurnDriveActivity::Idle);
    EXPECT_NE(std::find(context.lines[1].begin(), context.lines[1].end(),
                        "Waiting for drive to finish operation..."),
              context.lines[1].end());
    EXPECT_EQ(backend.Grabs(), backend.Releases());
}

TEST_F(AudioCdBurnerTest, HungDriveFailsAfterTheBound)
{
    LFakeBurnDriveScript script;
    script.fault = LFakeBurnFault::Hang;
    LFakeBurnBackend backend({script});
    LAudioCdBurnJob job = Job({"c.wav"});
    job.disc.bounds.stallMs = 200;
    job.disc.bounds.idleWaitMs = 100;
    BurnTestContext context;
    const auto start = std::chrono::steady_clock::now();
    LBurnAudioCd(&context, backend, job);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(job.result.code, 46);
    EXPECT_NE(std::string(job.result.message).find("stopped responding"), std::string::npos);
    EXPECT_GE(took, std::chrono::milliseconds(300));
    // The hung job still holds its tracks: they were not freed under it.
    EXPECT_FALSE(backend.LastWrite().freedWhileBusy);
}

TEST_F(AudioCdBurnerTest, CancelWhileWaitingForADisc)
{
    LFakeBurnDriveScript script;
    script.profile = 0;
    LFakeBurnBackend backend({script});
    LAudioCdBurnJob job = Job({"c.wav"});
    job.disc.discWaitMs = -1;
    BurnTestContext context;
    const auto start = std::chrono::steady_clock::now();
    context.stopWhen = [&] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(150);
    };
    LBurnAudioCd(&context, backend, job);
    EXPECT_EQ(job.result.code, 1);
    EXPECT_NE(std::find(context.lines[1].begin(), context.lines[1].end(), "Please insert a media ..."),
              context.lines[1].end());
}

TEST_F(AudioCdBurnerTest, DryRunWritesTheDriveBytesAndACueSheet)
{
    LFakeBurnBackend backend({LFakeBurnDriveScript{}});
    LAudioCdBurnJob burn = Job({"a.wav", "b.wav"});
    BurnTestContext context;
    LBurnAudioCd(&context, backend, burn);
    ASSERT_EQ(burn.result.code, 0);

    LAudioCdBurnJob dry = Job({"a.wav", "b.wav"});
    dry.driveIndex = 255;
    dry.dryRunPath = home_.Path("out.raw");
    LBurnAudioCd(&context, backend, dry);
    ASSERT_EQ(dry.result.code, 0) << dry.result.message;
    std::vector<unsigned char> expected;
    for (const auto& track : backend.LastWrite().tracks)
        expected.insert(expected.end(), track.begin(), track.end());
    EXPECT_EQ(ReadBytes(home_.Path("out.raw")), expected);
    const std::vector<unsigned char> cue = ReadBytes(home_.Path("out.cue"));
    EXPECT_EQ(std::string(cue.begin(), cue.end()), "FILE \"out.raw\" BINARY\n"
                                                   "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                   "  TRACK 02 AUDIO\n    INDEX 01 00:06:00\n");
    EXPECT_EQ(LeftoverFolders(), 0);
}

TEST_F(AudioCdBurnerTest, TrackCountAndCapacityAreCheckedBeforeWriting)
{
    LFakeBurnDriveScript small;
    small.capacityBlocks = 700;
    LFakeBurnBackend backend({small});
    BurnTestContext context;
    LAudioCdBurnJob tooLong = Job({"a.wav", "b.wav"});
    LBurnAudioCd(&context, backend, tooLong);
    EXPECT_EQ(tooLong.result.code, 28);
    EXPECT_STREQ(tooLong.result.message, "826 blocks needed, 700 free");
    EXPECT_TRUE(backend.LastWrite().tracks.empty());

    LAudioCdBurnJob none = Job({});
    LBurnAudioCd(&context, backend, none);
    EXPECT_EQ(none.result.code, 41);

    LAudioCdBurnJob many = Job({});
    for (int i = 0; i < 100; ++i)
        many.tracks.emplace_back(LSoundSourcePtr());
    LBurnAudioCd(&context, backend, many);
    EXPECT_EQ(many.result.code, 27);
    EXPECT_EQ(backend.Grabs(), backend.Releases());
    EXPECT_EQ(LeftoverFolders(), 0);
}

TEST_F(AudioCdBurnerTest, FailedRecordingGivesConversionError)
{
    LFakeBurnBackend backend({LFakeBurnDriveScript{}});
    LAudioCdBurnJob job = Job({"c.wav"});
    LSoundSourcePtr broken;
    LSetFailedSource(broken, kSoundStatusCannotOpen);
    job.tracks.emplace_back(broken);
    BurnTestContext context;
    LBurnAudioCd(&context, backend, job);
    EXPECT_EQ(job.result.code, 26);
    EXPECT_EQ(job.convertedTracks, 1);
    EXPECT_EQ(LeftoverFolders(), 0);
}

TEST(AudioCueSheet, TimesOfTrackStarts)
{
    TempDir dir;
    std::vector<LAudioCdTrackLayout> layout(3);
    layout[1].startBlock = 75 * 61 + 74;
    layout[2].startBlock = 75 * 60 * 79 + 1;
    ASSERT_TRUE(LWriteAudioCueSheet(dir.Path("x.cue"), "x.raw", layout));
    const std::vector<unsigned char> cue = ReadBytes(dir.Path("x.cue"));
    EXPECT_EQ(std::string(cue.begin(), cue.end()), "FILE \"x.raw\" BINARY\n"
                                                   "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                   "  TRACK 02 AUDIO\n    INDEX 01 01:01:74\n"
                                                   "  TRACK 03 AUDIO\n    INDEX 01 79:00:01\n");
}

TEST(PauseBlocks, TruncatesToWholeBlocks)
{
    EXPECT_EQ(LPauseBlocks(2.0), 150u);
    EXPECT_EQ(LPauseBlocks(0.0), 0u);
    EXPECT_EQ(LPauseBlocks(-1.0), 0u);
    EXPECT_EQ(LPauseBlocks(1.99), 149u);
}

} // namespace

namespace {

TEST(AudioCdBurnJob, TakesTheBurnOptions)
{
    LBurnOptions options;
    options.driveIndex = 2;
    options.eraseRewritable = true;
    options.fullErase = true;
    options.audioPauseSeconds = 0.5;
    options.speedFactor = 24.0;
    options.sao = false;
    LAudioCdBurnJob job;
    job.tao = true;
    LApplyBurnOptions(options, job);
    EXPECT_EQ(job.driveIndex, 2u);
    EXPECT_TRUE(job.disc.eraseRewritable);
    EXPECT_TRUE(job.disc.fullErase);
    EXPECT_DOUBLE_EQ(job.pauseSeconds, 0.5);
    EXPECT_DOUBLE_EQ(job.speedFactor, 24.0);
    EXPECT_FALSE(job.tao);
}

} // namespace

namespace {

TEST(AudioTrackList, TrackThatDoesNotOpenFailsTheBurn)
{
    TempDir dir;
    AiffSpec spec;
    spec.samples.assign(2000, 100);
    WriteBytes(dir.Path("track01.aiff"), MakeAiff(spec));
    WriteBytes(dir.Path("track03.AIF"), MakeAiff(spec));
    WriteBytes(dir.Path("._track00.aiff"), {1, 2, 3});
    WriteBytes(dir.Path("notes.txt"), {'x'});
    LAudioCdBurnJob job;
    job.pauseSeconds = 1.0;
    {
        LBurnResult result;
        LAudioTrackSources sources;
        ASSERT_EQ(LBuildAudioTrackList(result, dir.Path(), job, sources), 0);
        ASSERT_EQ(sources.sources.size(), 2u);
        ASSERT_EQ(job.layout.size(), 2u);
        EXPECT_EQ(job.layout[0].frames, 1000);
        EXPECT_EQ(job.layout[0].blocks, 300 + 75);
        EXPECT_EQ(job.layout[1].startBlock, 375);
        EXPECT_EQ(job.layout[1].blocks, 300);
    }
    // A damaged file among them: no disc with a track missing.
    WriteBytes(dir.Path("track02.aiff"), {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'});
    {
        LBurnResult result;
        LAudioTrackSources sources;
        EXPECT_EQ(LBuildAudioTrackList(result, dir.Path(), job, sources), 41);
        EXPECT_STREQ(result.message, "track02.aiff");
    }
    // Fewer files than were converted, an empty folder, no folder.
    TempDir empty;
    job.convertedTracks = 1;
    for (const std::string& folder : {empty.Path(), empty.Path("missing")}) {
        LBurnResult result;
        LAudioTrackSources sources;
        EXPECT_EQ(LBuildAudioTrackList(result, folder, job, sources), 41) << folder;
        EXPECT_TRUE(sources.sources.empty());
    }
}

} // namespace
