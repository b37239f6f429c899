// Every file writer keeps the user's audio safe: the output may be the input
// itself, a failed or interrupted write leaves nothing under the final name
// (and the old file as it was), leftovers of a killed run are cleared by the
// next one, and what a writer cannot make is refused with the reason.

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/aiff/LAiffSoundSink.h"
#include "audio/formats/mp3/LMp3EncoderSink.h"
#include "audio/formats/pcm/LWavPcmSoundSink.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

std::string Tool()
{
    return Quote(BuildDir() + "/tools/qd-audio/qd-audio");
}

struct Writer
{
    const char* name;
    std::function<void(LSoundSinkPtr&, const std::string&, uint32_t rate)> create;
};

void PrintTo(const Writer& writer, std::ostream* out)
{
    *out << writer.name;
}

void MakeWav(LSoundSinkPtr& out, const std::string& path, uint32_t rate, uint16_t tag, uint16_t bits)
{
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, tag, rate, tag == 49 ? 1 : 2, bits);
    CreateSoundSinkForFormat(out, path.c_str(), format);
}

// One entry per file writer the program has.
const std::vector<Writer>& Writers()
{
    static const std::vector<Writer> writers = {
        {"pcm8", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 1, 8); }},
        {"pcm16", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 1, 16); }},
        {"pcm24", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 1, 24); }},
        {"float32", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 3, 32); }},
        {"float64", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 3, 64); }},
        {"alaw", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 6, 8); }},
        {"mulaw", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 7, 8); }},
        {"ima", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 17, 4); }},
        {"gsm", [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { MakeWav(o, p, r, 49, 0); }},
        {"aiff",
         [](LSoundSinkPtr& o, const std::string& p, uint32_t r) { CreateAiffSoundSink(o, p.c_str(), r, 2); }},
        {"mp3",
         [](LSoundSinkPtr& o, const std::string& p, uint32_t r) {
             CreateMp3SoundSink(o, p.c_str(), LMp3EncoderOptions(), static_cast<int32_t>(r), 2);
         }},
    };
    return writers;
}

std::vector<int32_t> Tone(int64_t frames, uint8_t channels)
{
    std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
    for (int64_t i = 0; i < frames; ++i)
        for (uint8_t c = 0; c < channels; ++c)
            samples[static_cast<size_t>(i * channels + c)] =
                static_cast<int32_t>(((i * 37 + c * 11) % 2000 - 1000) * 96);
    return samples;
}

// True when the sink could be made here at all (MP3 needs the encoder component).
bool Usable(const Writer& w, const TempDir& dir)
{
    LSoundSinkPtr probe;
    w.create(probe, dir.Path("probe"), 44100);
    const bool ok = !probe->IsFailed();
    probe->Abandon();
    return ok;
}

class SafeWrites : public ::testing::TestWithParam<Writer>
{
protected:
    // The MP3 writer loads its encoder from the user's components folder.
    void SetUp() override { mp3enc::InstallComponent(); }
    TempHome home_;
};

TEST_P(SafeWrites, NothingAppearsUnderTheNameUntilTheWriteIsComplete)
{
    TempDir dir;
    if (!Usable(GetParam(), dir))
        GTEST_SKIP() << GetParam().name << " cannot be written here";
    const std::string path = dir.Path("out");
    WriteFileBytes(path, "the old contents");
    LSoundSinkPtr sink;
    GetParam().create(sink, path, 44100);
    ASSERT_FALSE(sink->IsFailed());
    const std::vector<int32_t> samples = Tone(4000, sink->GetChannels());
    sink->Write(samples.data(), 4000);
    EXPECT_EQ(ReadFileBytes(path), "the old contents");
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u) << "the file in progress sits beside it";
    ASSERT_TRUE(sink->Finish());
    EXPECT_NE(ReadFileBytes(path), "the old contents");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"out"});
}

TEST_P(SafeWrites, AbandonedWriteKeepsTheOldFileAndRemovesItsOwn)
{
    TempDir dir;
    if (!Usable(GetParam(), dir))
        GTEST_SKIP() << GetParam().name << " cannot be written here";
    const std::string path = dir.Path("out");
    WriteFileBytes(path, "the old contents");
    LSoundSinkPtr sink;
    GetParam().create(sink, path, 44100);
    const std::vector<int32_t> samples = Tone(4000, sink->GetChannels());
    sink->Write(samples.data(), 4000);
    sink->Abandon();
    sink.Reset();
    EXPECT_EQ(ReadFileBytes(path), "the old contents");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"out"});
}

TEST_P(SafeWrites, FileSizeLimitFailsTheWriteWithItsReasonAndLeavesNothing)
{
    TempDir dir;
    if (!Usable(GetParam(), dir))
        GTEST_SKIP() << GetParam().name << " cannot be written here";
    const std::string path = dir.Path("out");
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 3000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool finished = true;
    int error = 0;
    {
        LSoundSinkPtr sink;
        GetParam().create(sink, path, 44100);
        const std::vector<int32_t> samples = Tone(44100, sink->GetChannels());
        for (int i = 0; i < 4 && !sink->IsFailed(); ++i)
            sink->Write(samples.data(), 44100);
        finished = sink->Finish();
        error = sink->GetError();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_FALSE(finished);
    EXPECT_EQ(error, EFBIG);
    EXPECT_FALSE(PathExists(path));
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST_P(SafeWrites, UnwritablePlacesAreRefusedWithTheSystemsReason)
{
    TempDir dir;
    if (!Usable(GetParam(), dir))
        GTEST_SKIP() << GetParam().name << " cannot be written here";
    struct Case
    {
        std::string path;
        int error;
    } cases[] = {
        {dir.Path("missing/out"), ENOENT},
        {dir.Path("folder"), EISDIR},
    };
    ASSERT_EQ(mkdir(dir.Path("folder").c_str(), 0700), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        LSoundSinkPtr sink;
        GetParam().create(sink, c.path, 44100);
        EXPECT_TRUE(sink->IsFailed());
        EXPECT_EQ(sink->GetError(), c.error);
    }
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"folder"});
}

TEST_P(SafeWrites, LeftoversOfAKilledWriterAreRemovedByTheNextWriteThere)
{
    TempDir dir;
    if (!Usable(GetParam(), dir))
        GTEST_SKIP() << GetParam().name << " cannot be written here";
    const std::string path = dir.Path("out");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LSoundSinkPtr sink;
        GetParam().create(sink, path, 44100);
        const std::vector<int32_t> samples = Tone(8000, sink->GetChannels());
        sink->Write(samples.data(), 8000);
        kill(getpid(), SIGKILL);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_FALSE(PathExists(path)) << "a killed write never shows under the final name";
    ASSERT_EQ(FolderEntries(dir.Path()).size(), 1u);
    // A live process's file in progress is left alone.
    const std::string live = dir.Path(".quorin-" + std::to_string(getppid()) + "-0.tmp");
    WriteFileBytes(live, "busy");

    LSoundSinkPtr sink;
    GetParam().create(sink, path, 44100);
    const std::vector<int32_t> samples = Tone(100, sink->GetChannels());
    sink->Write(samples.data(), 100);
    ASSERT_TRUE(sink->Finish());
    const std::vector<std::string> expected = {".quorin-" + std::to_string(getppid()) + "-0.tmp", "out"};
    EXPECT_EQ(FolderEntries(dir.Path()), expected);
}

TEST_P(SafeWrites, RatesTheReaderRefusesAreRefusedBeforeAnythingIsMade)
{
    if (std::string(GetParam().name) == "mp3")
        GTEST_SKIP() << "the MP3 writer resamples to a rate MP3 has";
    TempDir dir;
    LSoundSinkPtr sink;
    GetParam().create(sink, dir.Path("out"), 1000000);
    EXPECT_TRUE(sink->IsFailed());
    EXPECT_EQ(sink->GetError(), EINVAL);
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, SafeWrites, ::testing::ValuesIn(Writers()),
                         [](const ::testing::TestParamInfo<Writer>& info) {
                             return std::string(info.param.name);
                         });

TEST(RecordingWrites, AKilledRecordingKeepsWhatWasWrittenAndReadsBack)
{
    TempDir dir;
    const std::string path = dir.Path("take.wav");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LSoundSinkPtr sink;
        CreatePcmSinkByBits(sink, path.c_str(), 44100, 2, 16, 0, true);
        const std::vector<int32_t> samples = Tone(5000, 2);
        sink->Write(samples.data(), 5000);
        kill(getpid(), SIGKILL);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    // The header was never finished: the reader goes by the data present.
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetLength(), 5000);
    std::vector<int32_t> read(10000);
    source->Read(read.data(), 5000);
    const std::vector<int32_t> expected = Tone(5000, 2);
    for (size_t i = 0; i < read.size(); ++i)
        ASSERT_EQ(read[i], expected[i]) << i;
}

// The commands that write, each with its output the same file as its input:
// the input is replaced by a complete result, never emptied.
class SameFileCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
    }
    TempDir dir_;
};

TEST_F(SameFileCommands, OutputEqualToInputReplacesItWithTheWholeResult)
{
    struct Case
    {
        const char* name;
        const char* args; // after "IN IN"
        const char* inputSuffix;
    } cases[] = {
        {"restore", "--dc --riaa", ".wav"},
        {"resample", "--rate 22050", ".wav"},
        {"encode", "--tag 1", ".wav"},
        {"encode", "--tag 3", ".wav"},
        {"encode", "--tag 6", ".wav"},
        {"encode", "--tag 17", ".wav"},
        {"decode", "", ".wav"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.args);
        const std::string path = dir_.Path("s" + std::to_string(index++) + c.inputSuffix);
        ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(path) + " synth 1 sine 440 gain -6"), 0);
        const std::string before = ReadFileBytes(path);
        int status = -1;
        const std::string err = CaptureCommand(
            Tool() + " " + c.name + " " + Quote(path) + " " + Quote(path) + " " + c.args + " 2>&1", &status);
        EXPECT_EQ(status, 0) << err;
        const std::string after = ReadFileBytes(path);
        EXPECT_GT(after.size(), before.size() / 4);
        if (std::string(c.name) == "decode") {
            // Raw samples: every one of them written, and not all silence.
            EXPECT_EQ(after.size(), 44100u * 2 * 4);
            EXPECT_NE(after.find_first_not_of('\0'), std::string::npos);
            continue;
        }
        // The result is a complete file with the tone in it (IMA ADPCM
        // rounds up to whole blocks).
        const std::string seconds = CaptureCommand("soxi -D " + Quote(path));
        EXPECT_GE(std::atof(seconds.c_str()), 1.0) << seconds;
        EXPECT_LT(std::atof(seconds.c_str()), 1.05) << seconds;
        const std::string stats = CaptureCommand("sox " + Quote(path) + " -n stat 2>&1");
        EXPECT_EQ(stats.find("Maximum amplitude:     0.000000"), std::string::npos) << stats;
    }
}

TEST_F(SameFileCommands, FileSizeLimitIsAWriteErrorWithItsMessage)
{
    const std::string in = dir_.Path("in.wav");
    const std::string out = dir_.Path("out.wav");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(in) + " synth 5 sine 440"), 0);
    for (const char* command : {" restore ", " resample ", " encode "}) {
        SCOPED_TRACE(command);
        const std::string options = std::string(command) == " restore "    ? " --dc"
                                    : std::string(command) == " resample " ? " --rate 48000"
                                                                           : " --tag 1";
        int status = -1;
        const std::string err = CaptureCommand(
            "ulimit -f 100; " + Tool() + command + Quote(in) + " " + Quote(out) + options + " 2>&1", &status);
        EXPECT_EQ(status, 2) << err;
        EXPECT_NE(err.find("File too large"), std::string::npos) << err;
        EXPECT_FALSE(PathExists(out));
    }
    EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"in.wav"});
}

} // namespace
