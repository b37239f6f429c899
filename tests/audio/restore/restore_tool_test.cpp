// The qd-audio restore and tracks commands against files made with sox.

#include "audio/core/LSoundSamples.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/restore/RestoreTestSignals.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quorin::test;

namespace {

std::string Tool()
{
    return BuildDir() + "/tools/qd-audio/qd-audio";
}

std::vector<int32_t> ReadFile(const std::string& path, int64_t* frames, int32_t* channels)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    EXPECT_EQ(source->GetStatus(), kSoundStatusOk) << path;
    *frames = source->GetLength();
    *channels = source->GetChannels();
    return ReadAll(source, *frames);
}

} // namespace

// The tool's chain spools to the caches folder: keep it out of the real home.
class RestoreToolTest : public quorin::test::TempHomeTest
{
};

TEST_F(RestoreToolTest, SpeedCorrectionOfAToneFile)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::string in = dir.Path("tone.wav");
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + in + " synth 2 sine 1000 vol 0.5"), 0);
    struct Case
    {
        const char* speed;
        double want;
    } cases[] = {{"45to33", 1000.0 * (100.0 / 3.0) / 45.0}, {"78to45", 1000.0 * 78.0 / 45.0}};
    for (const Case& c : cases) {
        const std::string out = dir.Path(std::string("out_") + c.speed + ".wav");
        ASSERT_EQ(RunCommand(Tool() + " restore " + in + " " + out + " --speed " + c.speed), 0);
        // sox reads what the tool wrote, at the source's rate.
        EXPECT_EQ(CaptureCommand("soxi -r " + out), "44100\n");
        int64_t frames = 0;
        int32_t channels = 0;
        const std::vector<int32_t> samples = ReadFile(out, &frames, &channels);
        ASSERT_EQ(channels, 2);
        EXPECT_NEAR(ToneFrequency(samples, 2, 0, 44100, 1000, frames - 1000), c.want, 0.2) << c.speed;
    }
}

TEST_F(RestoreToolTest, EveryToolRunsAndNormalizes)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::string in = dir.Path("music.wav");
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + in +
                         " synth 3 pluck C3 pluck E3 pluck G3 vol 0.4 dcshift 0.05"),
              0);
    const std::string out = dir.Path("out.wav");
    ASSERT_EQ(RunCommand(Tool() + " restore " + in + " " + out +
                         " --dc --highpass 150 --riaa --clicks --noise -40 --normalize 90"),
              0);
    int64_t frames = 0;
    int32_t channels = 0;
    const std::vector<int32_t> samples = ReadFile(out, &frames, &channels);
    EXPECT_EQ(frames, 3 * 44100);
    EXPECT_NEAR(LSamplePeak(samples.data(), frames, channels) / 524272.0, 0.9, 0.01);
}

TEST_F(RestoreToolTest, BadArgumentsFail)
{
    TempDir dir;
    EXPECT_EQ(RunCommand(Tool() + " restore 2>/dev/null"), 2);
    EXPECT_EQ(
        RunCommand(Tool() + " restore " + dir.Path("none.wav") + " " + dir.Path("o.wav") + " 2>/dev/null"),
        2);
    EXPECT_EQ(RunCommand(Tool() + " restore a.wav b.wav --speed 33to45 2>/dev/null"), 2);
    EXPECT_EQ(RunCommand(Tool() + " restore a.wav b.wav --bogus 2>/dev/null"), 2);
    EXPECT_EQ(RunCommand(Tool() + " tracks 2>/dev/null"), 2);
    EXPECT_EQ(RunCommand(Tool() + " tracks a.wav --floor 400 2>/dev/null"), 2);
}

TEST(TracksTool, ListsTheRegionsOfASide)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::string side = dir.Path("side.wav");
    // 2 s of tone, 3 s of quiet noise (peak -40 dB on the detector's scale), 2 s of music.
    ASSERT_EQ(
        RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + side +
                   " synth 2 sine 440 vol 0.5 : synth 3 whitenoise vol 0.0025 : synth 2 pinknoise vol 0.3"),
        0);
    int status = 0;
    EXPECT_EQ(CaptureCommand(Tool() + " tracks " + side, &status), "0 90405\n219398 308700\n");
    EXPECT_EQ(status, 0);
    // A minimum silence longer than the gap keeps one region.
    EXPECT_EQ(CaptureCommand(Tool() + " tracks " + side + " --min-silence 4000"), "0 308700\n");
    // A floor below the gap's noise hears no silence at all.
    EXPECT_EQ(CaptureCommand(Tool() + " tracks " + side + " --floor -60"), "0 308700\n");
}
