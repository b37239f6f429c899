// Splitting sides into tracks and joining files: names, lengths, formats,
// cancels and failures, against files made with sox and lame.

#include "app/queue/SplitJoinJobs.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/effects/LSilenceDetector.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quorin::test;

namespace {

class JobContext : public LLocalProcessContext
{
public:
    bool IsStopRequested() override { return stopAfter_ >= 0 && reports_ > stopAfter_; }
    void Message(const char* text) override { messages.push_back(text); }
    void Progress(double fraction) override
    {
        ++reports_;
        EXPECT_GE(fraction, 0.0);
        EXPECT_LE(fraction, 1.0);
    }
    void StopAfter(int reports) { stopAfter_ = reports; }
    std::vector<std::string> messages;

private:
    int reports_ = 0;
    int stopAfter_ = -1;
};

int64_t FramesOf(const std::string& path, int32_t* rate = nullptr, int32_t* channels = nullptr)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    if (source->GetStatus() != kSoundStatusOk)
        return -1;
    if (rate)
        *rate = source->GetRate();
    if (channels)
        *channels = source->GetChannels();
    return source->GetLength();
}

class SplitJoinTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
    }
    std::string Sox(const std::string& name, const std::string& effects, int rate = 44100, int channels = 2)
    {
        const std::string path = dir_.Path(name);
        EXPECT_EQ(RunCommand("sox -q -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                             " -b 16 " + Quote(path) + " " + effects),
                  0);
        return path;
    }
    std::string Tone(const std::string& name, double seconds, int rate = 44100, int channels = 2)
    {
        return Sox(name, "synth " + std::to_string(seconds) + " sine 440 vol 0.5", rate, channels);
    }
    // A side: 1 s of silence, then tracks of 2 s and 1.5 s with 3 s of silence between.
    std::string Side(const std::string& name)
    {
        const std::string a = Tone("a.tmp.wav", 2.0), b = Tone("b.tmp.wav", 1.5);
        const std::string gap = Sox("gap.tmp.wav", "trim 0 3");
        const std::string path = dir_.Path(name);
        EXPECT_EQ(RunCommand("sox " + Quote(gap) + " " + Quote(a) + " " + Quote(gap) + " " + Quote(b) + " " +
                             Quote(gap) + " " + Quote(path)),
                  0);
        for (const std::string& tmp : {a, b, gap})
            unlink(tmp.c_str());
        return path;
    }
    std::vector<std::string> Files() { return FolderEntries(dir_.Path()); }
    TempDir dir_;
};

} // namespace

TEST_F(SplitJoinTest, ASideSplitsIntoFilesAsLongAsTheRegionsFound)
{
    const std::string side = Side("side.wav");
    const std::string tool = BuildDir() + "/tools/qd-audio/qd-audio";
    int status = -1;
    std::istringstream regions(CaptureCommand(tool + " tracks " + Quote(side), &status));
    ASSERT_EQ(status, 0);
    std::vector<int64_t> lengths;
    int64_t start = 0, end = 0;
    while (regions >> start >> end)
        lengths.push_back(end - start);
    ASSERT_EQ(lengths.size(), 2u);
    EXPECT_NEAR(lengths[0], 88200, 4410);
    EXPECT_NEAR(lengths[1], 66150, 4410);

    const std::string written = CaptureCommand(tool + " split " + Quote(side), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(written, dir_.Path("side_SPLIT_01.wav") + "\n" + dir_.Path("side_SPLIT_02.wav") + "\n");
    EXPECT_EQ(CaptureCommand("soxi -s " + Quote(dir_.Path("side_SPLIT_01.wav"))),
              std::to_string(lengths[0]) + "\n");
    EXPECT_EQ(CaptureCommand("soxi -s " + Quote(dir_.Path("side_SPLIT_02.wav"))),
              std::to_string(lengths[1]) + "\n");

    // Splitting again never writes over the first run's tracks.
    EXPECT_EQ(CaptureCommand(tool + " split " + Quote(side), &status),
              dir_.Path("side (01)_SPLIT_01.wav") + "\n" + dir_.Path("side (01)_SPLIT_02.wav") + "\n");
    EXPECT_EQ(Files().size(), 5u);
}

TEST_F(SplitJoinTest, SplitPointsMakeNumberedTracksAndSkipEmptyPieces)
{
    const std::string song = Tone("song.wav", 1.0);
    JobContext context;
    std::vector<std::string> written;
    ASSERT_EQ(
        SplitFileIntoTracks(&context, song.c_str(), std::vector<int64_t>{10000, 10000, 30000}, &written),
        kSplitDone);
    EXPECT_EQ(written,
              (std::vector<std::string>{dir_.Path("song_SPLIT_01.wav"), dir_.Path("song_SPLIT_03.wav"),
                                        dir_.Path("song_SPLIT_04.wav")}));
    EXPECT_EQ(FramesOf(written[0]), 10000);
    EXPECT_EQ(FramesOf(written[1]), 20000);
    EXPECT_EQ(FramesOf(written[2]), 14100);
    EXPECT_TRUE(PathExists(song)) << "the split never deletes its source";
}

TEST_F(SplitJoinTest, ACancelledSplitRemovesOnlyWhatItWrote)
{
    const std::string song = Tone("song.wav", 3.0);
    WriteFileBytes(dir_.Path("song_SPLIT_01.wav"), "an earlier track");
    JobContext context;
    context.StopAfter(10); // during the second track
    std::vector<std::string> written;
    EXPECT_EQ(SplitFileIntoTracks(&context, song.c_str(), std::vector<int64_t>{44100}, &written),
              kSplitCancelled);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(Files(), (std::vector<std::string>{"song.wav", "song_SPLIT_01.wav"}));
    EXPECT_EQ(ReadFileBytes(dir_.Path("song_SPLIT_01.wav")), "an earlier track");
}

TEST_F(SplitJoinTest, BadSplitsFailBeforeWritingAnything)
{
    const std::string song = Tone("song.wav", 1.0);
    JobContext context;
    // Points out of order give a piece that ends before it starts.
    EXPECT_EQ(SplitFileIntoTracks(&context, song.c_str(), std::vector<int64_t>{30000, 10000}), kSplitFailed);
    EXPECT_EQ(SplitFileRegions(&context, song.c_str(), {{0, 1000}, {5000, 4000}}), kSplitFailed);
    WriteFileBytes(dir_.Path("broken.wav"), "RIFF....WAVEnothing");
    EXPECT_EQ(SplitFileIntoTracks(&context, dir_.Path("broken.wav").c_str(), std::vector<int64_t>{10}),
              kSplitFailed);
    EXPECT_EQ(SplitFileRegions(&context, dir_.Path("missing.wav").c_str(), {{0, 10}}), kSplitFailed);
    EXPECT_EQ(context.messages.size(), 4u);
    EXPECT_EQ(Files(), (std::vector<std::string>{"broken.wav", "song.wav"}));
}

TEST_F(SplitJoinTest, ExtensionsCompareWithoutCaseAndKeepTheirSpelling)
{
    const std::string song = Tone("SONG.WAV", 0.5);
    JobContext context;
    std::vector<std::string> written;
    ASSERT_EQ(SplitFileIntoTracks(&context, song.c_str(), std::vector<int64_t>{11025}, &written), kSplitDone);
    EXPECT_EQ(written,
              (std::vector<std::string>{dir_.Path("SONG_SPLIT_01.WAV"), dir_.Path("SONG_SPLIT_02.WAV")}));
    EXPECT_EQ(FramesOf(written[1]), 11025);
}

TEST_F(SplitJoinTest, Mp3RecordingsSplitIntoMp3Tracks)
{
    QUORIN_REQUIRE_TOOL("lame");
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    const std::string wav = Tone("song.wav", 2.0);
    const std::string mp3 = dir_.Path("song.mp3");
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(wav) + " " + Quote(mp3)), 0);
    JobContext context;
    std::vector<std::string> written;
    ASSERT_EQ(SplitFileIntoTracks(&context, mp3.c_str(), std::vector<SoundSpan>{{0, 44100}, {50000, 80000}},
                                  &written),
              kSplitDone);
    ASSERT_EQ(written,
              (std::vector<std::string>{dir_.Path("song_SPLIT_01.mp3"), dir_.Path("song_SPLIT_02.mp3")}));
    EXPECT_EQ(FramesOf(written[0]), 44100);
    EXPECT_EQ(FramesOf(written[1]), 30000);
}

TEST_F(SplitJoinTest, AnMp3SplitWithoutTheEncoderComponentFailsAtOnceAndSaysWhy)
{
    QUORIN_REQUIRE_TOOL("lame");
    if (LMp3EncoderComponent().IsLoaded())
        GTEST_SKIP() << "an MP3 encoder component is installed where this test runs";
    const std::string wav = Tone("song.wav", 1.0);
    const std::string mp3 = dir_.Path("song.mp3");
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(wav) + " " + Quote(mp3)), 0);
    JobContext context;
    std::vector<std::string> written;
    EXPECT_EQ(SplitFileIntoTracks(&context, mp3.c_str(), std::vector<int64_t>{22050}, &written), kSplitFailed);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(Files(), (std::vector<std::string>{"song.mp3", "song.wav"}));
    bool told = false;
    for (const std::string& line : context.messages)
        told = told || line.find("MP3 encoder component is missing") != std::string::npos;
    EXPECT_TRUE(told) << ::testing::PrintToString(context.messages);
}

TEST_F(SplitJoinTest, MarkedRegionsAreWrittenAsWavFiles)
{
    const std::string song = Tone("song.wav", 1.0);
    JobContext context;
    EXPECT_EQ(SplitFileRegions(&context, song.c_str(), {}), kSplitDone);
    EXPECT_EQ(Files(), std::vector<std::string>{"song.wav"});

    WriteFileBytes(dir_.Path("song_SPLIT_02.wav"), "keep me");
    std::vector<std::string> written;
    ASSERT_EQ(SplitFileRegions(&context, song.c_str(), {{0, 1000}, {2000, 2000}, {3000, 7000}}, &written),
              kSplitDone);
    // The empty region takes no number; a taken name is never written over.
    EXPECT_EQ(written, (std::vector<std::string>{dir_.Path("song_SPLIT_01.wav"),
                                                 dir_.Path("song (01)_SPLIT_02.wav")}));
    EXPECT_EQ(FramesOf(written[0]), 1000);
    EXPECT_EQ(FramesOf(written[1]), 4000);
    EXPECT_EQ(ReadFileBytes(dir_.Path("song_SPLIT_02.wav")), "keep me");

    // A cancel keeps the regions already finished.
    JobContext stopping;
    stopping.StopAfter(3);
    std::vector<std::string> partial;
    EXPECT_EQ(SplitFileRegions(&stopping, song.c_str(), {{0, 100}, {0, 40000}}, &partial), kSplitCancelled);
    EXPECT_EQ(partial, std::vector<std::string>{dir_.Path("song (01)_SPLIT_01.wav")});
    EXPECT_TRUE(PathExists(partial[0]));
}

TEST_F(SplitJoinTest, JoiningAMonoWavAndAStereoMp3GivesOneCdFormatWav)
{
    QUORIN_REQUIRE_TOOL("lame");
    const std::string mono = Tone("mono.wav", 1.0, 22050, 1);
    const std::string wav = Tone("stereo.wav", 2.0);
    const std::string mp3 = dir_.Path("stereo.mp3");
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(wav) + " " + Quote(mp3)), 0);
    const int64_t mp3Frames = FramesOf(mp3);
    ASSERT_GT(mp3Frames, 0);

    TempDir out;
    JoinFilesArgs args;
    args.inputs = {mono, dir_.Path("not there.wav"), mp3};
    args.outputFolder = out.Path();
    JobContext context;
    ASSERT_EQ(JoinFiles(&context, args), 0);
    EXPECT_EQ(args.outputPath, out.Path("mono_stereo_JOINED.wav"));
    EXPECT_EQ(CaptureCommand("soxi -r " + Quote(args.outputPath)), "44100\n");
    EXPECT_EQ(CaptureCommand("soxi -c " + Quote(args.outputPath)), "2\n");
    EXPECT_EQ(CaptureCommand("soxi -s " + Quote(args.outputPath)), std::to_string(44100 + mp3Frames) + "\n");

    // qd-audio join writes the file it is given.
    const std::string tool = BuildDir() + "/tools/qd-audio/qd-audio";
    const std::string named = out.Path("both.wav");
    int status = -1;
    EXPECT_EQ(CaptureCommand(tool + " join " + Quote(named) + " " + Quote(mono) + " " + Quote(mp3), &status),
              named + "\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(CaptureCommand("soxi -s " + Quote(named)), std::to_string(44100 + mp3Frames) + "\n");
    unlink(named.c_str());

    // A second join never replaces the first.
    JoinFilesArgs again = args;
    again.outputPath.clear();
    ASSERT_EQ(JoinFiles(&context, again), 0);
    EXPECT_EQ(again.outputPath, out.Path("mono_stereo_JOINED (01).wav"));
    EXPECT_TRUE(PathExists(mono));
    EXPECT_TRUE(PathExists(mp3));
}

TEST_F(SplitJoinTest, AnMp3FirstInputGivesAnMp3AndNoIntermediateWav)
{
    QUORIN_REQUIRE_TOOL("lame");
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    const std::string wav = Tone("first.wav", 1.0);
    const std::string mp3 = dir_.Path("first.mp3");
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(wav) + " " + Quote(mp3)), 0);
    TempDir out;
    JoinFilesArgs args;
    args.inputs = {mp3, wav};
    args.outputFolder = out.Path();
    JobContext context;
    ASSERT_EQ(JoinFiles(&context, args), 0);
    EXPECT_EQ(args.outputPath, out.Path("first_first_JOINED.mp3"));
    EXPECT_EQ(FramesOf(args.outputPath), FramesOf(mp3) + 44100);
    EXPECT_EQ(FolderEntries(out.Path()), std::vector<std::string>{"first_first_JOINED.mp3"});
}

TEST_F(SplitJoinTest, JoinedNamesTakeFortyCharactersOfEachTitle)
{
    const std::string title60 = std::string(50, 'a') + "\xC3\xA9" + std::string(9, 'b');
    const std::string first = Tone(title60 + ".wav", 0.1);
    const std::string second = Tone("b.wav", 0.1);
    TempDir out;
    JoinFilesArgs args;
    args.inputs = {first, second};
    args.outputFolder = out.Path();
    JobContext context;
    ASSERT_EQ(JoinFiles(&context, args), 0);
    EXPECT_EQ(args.outputPath, out.Path(std::string(40, 'a') + "_b_JOINED.wav"));

    // However long the titles, the name keeps "JOINED" and ".wav".
    std::vector<std::string> many;
    const std::string bytes = ReadFileBytes(second);
    for (int i = 0; i < 12; ++i) {
        many.push_back(dir_.Path(std::string(30, static_cast<char>('c' + i)) + ".wav"));
        WriteFileBytes(many.back(), bytes);
    }
    JoinFilesArgs longArgs;
    longArgs.inputs = many;
    longArgs.outputFolder = out.Path();
    ASSERT_EQ(JoinFiles(&context, longArgs), 0);
    EXPECT_LE(longArgs.outputPath.size(), 259u);
    EXPECT_EQ(longArgs.outputPath.substr(longArgs.outputPath.size() - 10), "JOINED.wav")
        << longArgs.outputPath;
    EXPECT_TRUE(PathExists(longArgs.outputPath));
}

TEST_F(SplitJoinTest, AJoinThatFailsOrIsCancelledLeavesNothing)
{
    const std::string good = Tone("good.wav", 2.0);
    WriteFileBytes(dir_.Path("bad.wav"), "not a wav file at all");
    TempDir out;
    JobContext context;
    JoinFilesArgs args;
    args.inputs = {good, dir_.Path("bad.wav")};
    args.outputFolder = out.Path();
    EXPECT_EQ(JoinFiles(&context, args), 2);
    EXPECT_TRUE(FolderEntries(out.Path()).empty());

    JobContext stopping;
    stopping.StopAfter(1);
    JoinFilesArgs cancelled;
    cancelled.inputs = {good, good};
    cancelled.outputFolder = out.Path();
    EXPECT_EQ(JoinFiles(&stopping, cancelled), 2);
    EXPECT_TRUE(FolderEntries(out.Path()).empty());

    JoinFilesArgs none;
    none.inputs = {dir_.Path("gone.wav")};
    none.outputFolder = out.Path();
    EXPECT_EQ(JoinFiles(&context, none), 2);
    EXPECT_TRUE(FolderEntries(out.Path()).empty());
}
