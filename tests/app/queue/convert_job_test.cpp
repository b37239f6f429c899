// One queued job converted in-process: where the output goes, what happens
// to the source, failures that must keep everything, notices to the main
// window, and a stop midway.

#include "app/queue/ConvertRecordingJob.h"
#include "app/queue/QueueTestSupport.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace quorin::test;
using namespace queuetest;

namespace {

// A context that keeps the messages and can ask for a stop after a number
// of progress reports.
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

ino_t InodeOf(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class ConvertJobTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
    }
    // A sox tone of `seconds` at the rate and channel count.
    std::string Tone(const std::string& name, double seconds, int rate = 44100, int channels = 2)
    {
        const std::string path = dir_.Path(name);
        EXPECT_EQ(RunCommand("sox -q -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                             " -b 16 " + Quote(path) + " synth " + std::to_string(seconds) +
                             " sine 440 vol 0.5"),
                  0);
        return path;
    }
    // Only the files a user sees: hidden work files must not be left behind.
    std::vector<std::string> OutputFiles() { return FolderEntries(out_.Path()); }

    TempDir dir_;
    TempDir out_;
};

} // namespace

TEST_F(ConvertJobTest, WavJobWritesTheOutputAndDeletesTheSourceOnlyWhenAsked)
{
    for (int deleteSource = 0; deleteSource < 2; ++deleteSource) {
        SCOPED_TRACE(deleteSource);
        const std::string source = Tone("take.wav", 1.5, 22050, 1);
        ProcessQueueRecord record = MakeRecord(source, out_.Path("new/folder"), ".WAV");
        record.durationText[0] = '\0';
        record.deleteSource = static_cast<uint8_t>(deleteSource);
        JobContext context;
        ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
        EXPECT_STREQ(record.destinationPath, out_.Path("new/folder/take.WAV").c_str());
        int32_t rate = 0, channels = 0;
        EXPECT_EQ(FramesOf(record.destinationPath, &rate, &channels), 33075);
        EXPECT_EQ(rate, 22050);
        EXPECT_EQ(channels, 1);
        EXPECT_STREQ(record.durationText, "0:00:01.50");
        EXPECT_EQ(PathExists(source), deleteSource == 0);
        EXPECT_EQ(FolderEntries(out_.Path("new/folder")), std::vector<std::string>{"take.WAV"});
        RemoveTree(out_.Path("new"));
    }
}

TEST_F(ConvertJobTest, ADestinationThatIsTheSourceIsReplacedByRename)
{
    const std::string source = Tone("side.wav", 1.0);
    // Another name for the same file: compared by device and inode.
    ASSERT_EQ(link(source.c_str(), dir_.Path("alias.wav").c_str()), 0);
    const ino_t before = InodeOf(source);
    ProcessQueueRecord record = MakeRecord(source, dir_.Path(), ".wav", dir_.Path("alias.wav"));
    JobContext context;
    ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    EXPECT_TRUE(PathExists(source)) << "the result takes the source's place; deleting it would lose it";
    EXPECT_NE(InodeOf(source), before);
    EXPECT_EQ(FramesOf(source), 44100);
    for (const std::string& name : FolderEntries(dir_.Path()))
        EXPECT_NE(name[0], '.') << "work file left behind: " << name;
}

TEST_F(ConvertJobTest, UnreadableSourcesAndUnknownFormatsFailAndKeepTheSource)
{
    const std::string wav = Tone("real.wav", 0.5);
    const std::string ogg = dir_.Path("song.ogg");
    ASSERT_EQ(RunCommand("cp " + Quote(wav) + " " + Quote(ogg)), 0);
    const std::string damaged = dir_.Path("damaged.wav");
    WriteFileBytes(damaged, "RIFF\x10\0\0\0WAVEjunk");
    struct Case
    {
        std::string source;
        const char* extension;
    } cases[] = {{ogg, ".wav"}, {damaged, ".wav"}, {wav, ".flac"}, {dir_.Path("missing.wav"), ".wav"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " " + c.extension);
        ProcessQueueRecord record = MakeRecord(c.source, out_.Path(), c.extension);
        JobContext context;
        EXPECT_EQ(ConvertRecordingJob(&context, record), kJobFailed);
        EXPECT_EQ(record.deleteSource, 0);
        EXPECT_FALSE(context.messages.empty());
        EXPECT_TRUE(OutputFiles().empty());
    }
    EXPECT_TRUE(PathExists(wav));
    EXPECT_TRUE(PathExists(ogg));
}

TEST_F(ConvertJobTest, AnOutputFolderThatIsAFileFailsTheJob)
{
    const std::string source = Tone("take.wav", 0.2);
    WriteFileBytes(out_.Path("blocker"), "x");
    ProcessQueueRecord record = MakeRecord(source, out_.Path("blocker"), ".wav");
    JobContext context;
    EXPECT_EQ(ConvertRecordingJob(&context, record), kJobFailed);
    EXPECT_EQ(context.messages, std::vector<std::string>{"ERROR: Unable to create folder."});
    EXPECT_TRUE(PathExists(source));
}

TEST_F(ConvertJobTest, Mp3WithoutTheEncoderComponentFailsAndKeepsEverything)
{
    const std::string source = Tone("take.wav", 0.5);
    WriteFileBytes(out_.Path("take.mp3"), "an older take");
    ProcessQueueRecord record = MakeRecord(source, out_.Path(), ".mp3");
    JobContext context;
    EXPECT_EQ(ConvertRecordingJob(&context, record), kJobFailed);
    EXPECT_TRUE(PathExists(source));
    EXPECT_EQ(ReadFileBytes(out_.Path("take.mp3")), "an older take");
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"take.mp3"});
    ASSERT_FALSE(context.messages.empty());
    EXPECT_EQ(context.messages[0], "Save File Error: \"" + out_.Path("take.mp3") + "\"");
}

TEST_F(ConvertJobTest, Mp3JobWithTheComponentDecodesToTheSourceLength)
{
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    const std::string source = Tone("take.wav", 2.0);
    ProcessQueueRecord record = MakeRecord(source, out_.Path(), ".mp3");
    JobContext context;
    ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    EXPECT_EQ(FramesOf(out_.Path("take.mp3")), 88200);
    EXPECT_FALSE(PathExists(source));
}

// A disk that fills up midway: the job fails, the source stays even though
// the job asked to delete it, the older output is untouched, and the message
// says the disk is full and where the recording is kept.
TEST_F(ConvertJobTest, AShortWriteFailsTheJobAndKeepsSourceAndOldOutput)
{
    const std::string source = Tone("long.wav", 6.0);
    WriteFileBytes(out_.Path("long.wav"), "the older output");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {200000, 200000};
        setrlimit(RLIMIT_FSIZE, &limit);
        ProcessQueueRecord record = MakeRecord(source, out_.Path(), ".wav");
        JobContext context;
        const int result = ConvertRecordingJob(&context, record);
        bool told = false;
        for (const std::string& message : context.messages)
            told = told || (message.find("the disk is full") != std::string::npos &&
                            message.find("kept as " + source) != std::string::npos);
        if (!told)
            _exit(20);
        _exit(result == kJobFailed && record.deleteSource == 0 ? 0 : 10 + result);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(PathExists(source));
    EXPECT_EQ(ReadFileBytes(out_.Path("long.wav")), "the older output");
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"long.wav"});
}

TEST_F(ConvertJobTest, AStopLeavesNoOutputAndKeepsTheSource)
{
    const std::string source = Tone("long.wav", 5.0);
    ProcessQueueRecord record = MakeRecord(source, out_.Path(), ".wav");
    JobContext context;
    context.StopAfter(1);
    EXPECT_EQ(ConvertRecordingJob(&context, record), kJobStopped);
    EXPECT_TRUE(PathExists(source));
    EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(ConvertJobTest, NoticesCopiesAndTemporaryOutputs)
{
    NoticeCollector notices;
    const std::string source = Tone("take.wav", 0.5);
    ProcessQueueRecord record = MakeRecord(source, out_.Path(), ".wav");
    record.deleteSource = 0;
    record.makeCopy = 1;
    SetQueueText(record.copyFolder, out_.Path("copies").c_str());
    JobContext context;
    ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    auto done = notices.WithCode(kQueueNoticeJobDone);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].text, out_.Path("take.wav"));
    // A second copy never replaces the first.
    record.destinationPath[0] = '\0';
    ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    EXPECT_EQ(FolderEntries(out_.Path("copies")), (std::vector<std::string>{"take - 0.wav", "take.wav"}));

    // Without notify nothing is posted; a temporary output is posted as
    // such and removed at the end.
    record.makeCopy = 0;
    record.notify = 0;
    record.destinationPath[0] = '\0';
    ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    EXPECT_EQ(notices.WithCode(kQueueNoticeJobDone).size(), 2u);
    record.notify = 1;
    record.temporaryOutput = 1;
    SetQueueText(record.destinationPath, out_.Path("by-product.wav").c_str());
    ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    EXPECT_EQ(notices.WithCode(kQueueNoticeTemporaryDone).size(), 1u);
    EXPECT_FALSE(PathExists(out_.Path("by-product.wav")));
    EXPECT_EQ(notices.WithCode(kQueueNoticeJobDone).size(), 2u);
}

TEST_F(ConvertJobTest, AJobFinishedJustBeforeAKillIsNotRedone)
{
    // The output is in place and the source gone: the previous run finished
    // the job and was cut short before removing it from the queue.
    WriteFileBytes(out_.Path("take.wav"), "finished output");
    ProcessQueueRecord record = MakeRecord(dir_.Path("take.wav"), out_.Path(), ".wav");
    record.deleteSource = 1;
    JobContext context;
    EXPECT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    EXPECT_EQ(ReadFileBytes(out_.Path("take.wav")), "finished output");
}

TEST_F(ConvertJobTest, WorkFilesOfKilledProcessesAreSweptLiveOnesKept)
{
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string stale = out_.Path(".quorin-" + std::to_string(gone) + "-q3.wav");
    const std::string live = out_.Path(".quorin-" + std::to_string(getpid()) + "-q999.wav");
    WriteFileBytes(stale, "partial");
    WriteFileBytes(live, "being written");
    WriteFileBytes(out_.Path(".quorin-notes"), "not ours");
    const std::string source = Tone("take.wav", 0.2);
    ProcessQueueRecord record = MakeRecord(source, out_.Path(), ".wav");
    JobContext context;
    ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
    EXPECT_FALSE(PathExists(stale));
    EXPECT_TRUE(PathExists(live));
    EXPECT_TRUE(PathExists(out_.Path(".quorin-notes")));
}

// The WAV options: "Match Source" keeps the recording's rate or channels;
// a fixed choice is applied. Without options a job writes 16-bit PCM in the
// source's own format, however the stored block was first made.
TEST_F(ConvertJobTest, WavOutputFollowsTheEncoderOptions)
{
    struct Case
    {
        const char* formatAuto;
        const char* rateAuto;
        const char* channelsAuto;
        int rate;
        int channels;
        const char* bits;
    } cases[] = {
        {nullptr, nullptr, nullptr, 48000, 1, "16"},
        {"0", "0", "1", 22050, 1, "8"},
        {"0", "1", "0", 48000, 2, "8"},
    };
    char settings[260];
    ASSERT_TRUE(LGetWavCodecSettingsPath(settings));
    LWaveFormatBlock stored;
    LSetWaveFormatBlock(stored, 1, 22050, 2, 8);
    ASSERT_TRUE(LSaveWavCodecSettings(stored, settings));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        if (c.formatAuto) {
            LSettingsSetString(kWavSettingsSection, "FormatAuto", c.formatAuto);
            LSettingsSetString(kWavSettingsSection, "SampleRateAuto", c.rateAuto);
            LSettingsSetString(kWavSettingsSection, "ChansAuto", c.channelsAuto);
        }
        const std::string source = Tone("take.wav", 0.5, 48000, 1);
        ProcessQueueRecord record = MakeRecord(source, out_.Path(), ".wav");
        JobContext context;
        ASSERT_EQ(ConvertRecordingJob(&context, record), kJobDone);
        const std::string output = out_.Path("take.wav");
        EXPECT_EQ(CaptureCommand("soxi -r " + Quote(output)), std::to_string(c.rate) + "\n");
        EXPECT_EQ(CaptureCommand("soxi -c " + Quote(output)), std::to_string(c.channels) + "\n");
        EXPECT_EQ(CaptureCommand("soxi -b " + Quote(output)), std::string(c.bits) + "\n");
        unlink(output.c_str());
    }
}
