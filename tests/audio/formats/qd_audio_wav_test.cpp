// `qd-audio info`, `decode` and `encode` end to end on files sox makes.

#include "audio/formats/WavTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

using namespace wavtest;
using quorin::test::BuildDir;
using quorin::test::CaptureCommand;
using quorin::test::RunCommand;
using quorin::test::TempDir;

namespace {

std::string Tool()
{
    return Quote(BuildDir() + "/tools/qd-audio/qd-audio");
}

class QdAudioWav : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!quorin::test::HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        input_ = dir_.Path("in.wav");
        ASSERT_EQ(RunCommand("sox -n -r 32000 -c 2 -b 24 " + Quote(input_) +
                             " synth 0.5 sine 440 sine 550 gain -3"),
                  0);
    }
    TempDir dir_;
    std::string input_;
};

TEST_F(QdAudioWav, InfoPrintsOneLine)
{
    int status = -1;
    EXPECT_EQ(CaptureCommand(Tool() + " info " + Quote(input_), &status),
              "format=1 rate=32000 channels=2 frames=16000\n");
    EXPECT_EQ(status, 0);
}

TEST_F(QdAudioWav, DecodeMatchesSoxAtBothScales)
{
    std::string ours = dir_.Path("ours.raw"), sox = dir_.Path("sox.raw");
    ASSERT_EQ(RunCommand(Tool() + " decode " + Quote(input_) + " " + Quote(ours)), 0);
    ASSERT_EQ(RunCommand("sox " + Quote(input_) + " -t s32 -L " + Quote(sox)), 0);
    std::vector<int32_t> a = ReadS32(ours), b = ReadS32(sox);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i] >> 12) << i;

    // --s16: 16-bit little-endian, the internal value rounded.
    ASSERT_EQ(RunCommand(Tool() + " decode " + Quote(input_) + " " + Quote(ours) + " --s16"), 0);
    Bytes s16 = ReadFile(ours);
    ASSERT_EQ(s16.size(), a.size() * 2);
    for (size_t i = 0; i < a.size(); ++i) {
        int32_t expected = (a[i] + 8) >> 4;
        expected = expected > 32767 ? 32767 : expected;
        ASSERT_EQ(static_cast<int16_t>(GetLe16(s16, 2 * i)), expected) << i;
    }
}

TEST_F(QdAudioWav, EncodeThroughTheSinkFactory)
{
    struct Case
    {
        const char* args;
        const char* expectInfo;
    } cases[] = {
        {"--tag 1", "format=1 rate=32000 channels=2 frames=16000\n"},
        {"--tag 1 --bits 8", "format=1 rate=32000 channels=2 frames=16000\n"},
        {"--tag 1 --bits 32", "format=1 rate=32000 channels=2 frames=16000\n"},
        {"--tag 3", "format=3 rate=32000 channels=2 frames=16000\n"},
        {"--tag 7 --channels 1", "format=7 rate=32000 channels=1 frames=16000\n"},
        {"--tag 49 --rate 8000 --channels 1", "format=49 rate=8000 channels=1 frames=4160\n"},
        {"--tag 1 --rate 16000", "format=1 rate=16000 channels=2 frames=8000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::string out = dir_.Path("out.wav");
        ASSERT_EQ(RunCommand(Tool() + " encode " + Quote(input_) + " " + Quote(out) + " " + c.args), 0);
        EXPECT_EQ(CaptureCommand(Tool() + " info " + Quote(out)), c.expectInfo);
        EXPECT_EQ(RunCommand("sox " + Quote(out) + " -n 2>/dev/null"), 0);
    }
}

TEST_F(QdAudioWav, FailuresExitWithStatusTwoAndOneLine)
{
    std::string junk = dir_.Path("junk.wav");
    ASSERT_TRUE(WriteFile(junk, Bytes(100, 'x')));
    struct Case
    {
        std::string args;
        const char* message;
    } cases[] = {
        {"info " + Quote(junk), "not a WAV or MP3 file"},
        {"info " + Quote(dir_.Path("missing.wav")), "cannot be opened"},
        {"decode " + Quote(input_) + " " + Quote(dir_.Path("no/such/dir/x.raw")), "x.raw"},
        {"encode " + Quote(input_) + " " + Quote(dir_.Path("o.wav")) + " --tag 2",
         "cannot be written as format tag 2"},
        {"encode " + Quote(input_) + " " + Quote(dir_.Path("o.wav")), "--tag"},
        {"encode " + Quote(input_) + " " + Quote(dir_.Path("o.wav")) + " --tag 1 --bits 40",
         "cannot be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        int status = -1;
        std::string err = CaptureCommand(Tool() + " " + c.args + " 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, 2);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

} // namespace
