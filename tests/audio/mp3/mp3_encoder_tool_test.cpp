// `qd-audio encode IN OUT.mp3` end to end: WAVs made by sox go in, and what
// comes out plays in mpg123 and ffprobe with the rate, bitrate and mode asked
// for and the input's exact length. The tool finds the encoder component that
// the build tree ships beside it (the TempHome's components folder is empty).

#include "Mp3EncoderTestSupport.h"

#include <gtest/gtest.h>

using namespace mp3enc;
using quorin::test::BuildDir;
using quorin::test::RunCommand;
using quorin::test::TempDir;
using quorin::test::TempHome;

namespace {

std::string Tool()
{
    return BuildDir() + "/tools/qd-audio/qd-audio";
}

TEST(Mp3EncodeTool, WritesWhatTheOptionsAsk)
{
    QUORIN_REQUIRE_TOOL("sox");
    QUORIN_REQUIRE_TOOL("mpg123");
    QUORIN_REQUIRE_TOOL("ffprobe");
    TempHome home;
    TempDir dir;
    if (!Exists(BuildDir() + "/tools/qd-audio/quavex4x64"))
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0 missing)";
    struct Case
    {
        int rate, channels;
        const char* options;
        const char* description;
        const char* stream; // ffprobe: rate, channels and (constant bit rate) bitrate
    };
    const Case cases[] = {
        {44100, 2, "", "MPEG 1.0 L III cbr192 44100 stereo", "44100,2,192000"},
        {44100, 2, "--bitrate 128 --mode mono", "MPEG 1.0 L III cbr128 44100 mono", "44100,1,128000"},
        {48000, 2, "--vbr 2 --mode joint", "MPEG 1.0 L III vbr 48000 j-s", "48000,2,"},
        {32000, 1, "--abr 96", "MPEG 1.0 L III abr96 32000 mono", "32000,1,"},
        {22050, 2, "--bitrate 64 --crc", "MPEG 2.0 L III cbr64 22050 stereo", "22050,2,64000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string in = dir.Path("in.wav");
        const std::string out = dir.Path("out.mp3");
        ASSERT_EQ(RunCommand("sox -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                             " -b 16 " + Quote(in) + " synth 1.23 sine 440 sine 660 vol 0.5"),
                  0);
        ASSERT_EQ(RunCommand(Quote(Tool()) + " encode " + Quote(in) + " " + Quote(out) + " " + c.options), 0);
        EXPECT_EQ(Mpg123Description(out), c.description);
        const std::string stream = FfprobeStream(out);
        EXPECT_EQ(stream.substr(0, std::string(c.stream).size()), c.stream);
        const int channels = std::string(c.description).find("mono") != std::string::npos ? 1 : 2;
        EXPECT_EQ(Mpg123Frames(out, channels), int64_t(c.rate) * 123 / 100);
    }
}

TEST(Mp3EncodeTool, RefusesBadOptionsAndUnwritableOutput)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempHome home;
    TempDir dir;
    const std::string in = dir.Path("in.wav");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(in) + " synth 0.5 sine 440 vol 0.5"), 0);
    const char* bad[] = {"--mode wide", "--bitrate 0", "--vbr 10", "--vbr 4 --min 16 --max 192",
                         "--vbr 4 --min 128 --max 64"};
    for (const char* options : bad) {
        EXPECT_EQ(RunCommand(Quote(Tool()) + " encode " + Quote(in) + " " + Quote(dir.Path("x.mp3")) + " " +
                             options + " 2>/dev/null"),
                  2)
            << options;
    }
    EXPECT_EQ(RunCommand(Quote(Tool()) + " encode " + Quote(in) + " " + Quote(dir.Path("no/x.mp3")) +
                         " 2>/dev/null"),
              2);
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"in.wav"});
}

} // namespace
