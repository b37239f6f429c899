// `qd-audio resample` end to end: files made by sox go in, the WAVs we write
// are checked by sox and compared with sox's own rate conversion.

#include "audio/formats/LAudioFileOpener.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

std::string Tool()
{
    return BuildDir() + "/tools/qd-audio/qd-audio";
}

std::vector<int32_t> ReadFile(const std::string& path, int32_t* rate, int32_t* channels)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    EXPECT_EQ(source->GetStatus(), kSoundStatusOk) << path;
    *rate = source->GetRate();
    *channels = source->GetChannels();
    std::vector<int32_t> samples(static_cast<size_t>(source->GetLength() * *channels));
    source->Read(samples.data(), source->GetLength());
    return samples;
}

double RisingCrossingFrequency(const std::vector<int32_t>& s, int32_t channels, int32_t rate)
{
    const int64_t frames = static_cast<int64_t>(s.size()) / channels;
    double first = -1, last = -1;
    int count = 0;
    for (int64_t f = 201; f < frames - 200; ++f) {
        const double a = s[(f - 1) * channels], b = s[f * channels];
        if (a < 0 && b >= 0) {
            const double at = f - 1 + (-a) / (b - a);
            if (first < 0)
                first = at;
            else
                ++count;
            last = at;
        }
    }
    return count * rate / (last - first);
}

struct FileCase
{
    int inRate, inChannels, outRate, outChannels;
    // SNR of our file against sox's conversion of the same input: measured at
    // 75.1, 67.5, 79.4, 75.0 and 67.5 dB, floors about 3 dB under.
    double minAgreementDb;
};

TEST(ResampleTool, AgreesWithSoxRate)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const FileCase cases[] = {
        {44100, 2, 48000, 2, 72}, {48000, 2, 44100, 2, 64.5}, {22050, 2, 44100, 2, 76},
        {44100, 1, 48000, 2, 72}, {48000, 2, 44100, 1, 64.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.inRate << "/" << c.inChannels << " -> " << c.outRate << "/" << c.outChannels);
        const std::string in = dir.Path("in.wav"), ours = dir.Path("ours.wav"), ref = dir.Path("sox.wav");
        ASSERT_EQ(RunCommand("sox -n -r " + std::to_string(c.inRate) + " -c " + std::to_string(c.inChannels) +
                             " -b 16 " + Quote(in) + " synth 2 sine 1000 vol 0.5"),
                  0);
        ASSERT_EQ(RunCommand(Quote(Tool()) + " resample " + Quote(in) + " " + Quote(ours) + " --rate " +
                             std::to_string(c.outRate) + " --channels " + std::to_string(c.outChannels)),
                  0);
        EXPECT_EQ(CaptureCommand("soxi -r " + Quote(ours)), std::to_string(c.outRate) + "\n");
        EXPECT_EQ(CaptureCommand("soxi -c " + Quote(ours)), std::to_string(c.outChannels) + "\n");
        EXPECT_EQ(CaptureCommand("soxi -b " + Quote(ours)), "16\n");
        ASSERT_EQ(RunCommand("sox " + Quote(in) + " -r " + std::to_string(c.outRate) + " -c " +
                             std::to_string(c.outChannels) + " " + Quote(ref)),
                  0);

        int32_t rate = 0, channels = 0, refRate = 0, refChannels = 0;
        const auto got = ReadFile(ours, &rate, &channels);
        const auto want = ReadFile(ref, &refRate, &refChannels);
        ASSERT_EQ(rate, c.outRate);
        ASSERT_EQ(channels, c.outChannels);
        EXPECT_NEAR(static_cast<double>(got.size()), static_cast<double>(want.size()), 2.0 * channels);
        EXPECT_NEAR(RisingCrossingFrequency(got, channels, rate), 1000, 0.1);

        double signal = 0, noise = 0;
        const size_t n = std::min(got.size(), want.size());
        for (size_t i = 400 * channels; i + 400 * channels < n; ++i) {
            signal += static_cast<double>(want[i]) * want[i];
            const double e = static_cast<double>(got[i]) - want[i];
            noise += e * e;
        }
        EXPECT_GT(10 * std::log10(signal / noise), c.minAgreementDb);
    }
}

TEST(ResampleTool, RefusesBadArguments)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::string in = dir.Path("in.wav");
    ASSERT_EQ(RunCommand("sox -n -r 8000 -c 1 -b 16 " + Quote(in) + " synth 0.1 sine 300"), 0);
    const std::string tool = Quote(Tool()) + " resample ";
    const std::string quiet = " 2>/dev/null";
    EXPECT_EQ(RunCommand(tool + Quote(in) + " " + Quote(dir.Path("a.wav")) + quiet), 2);
    EXPECT_EQ(RunCommand(tool + Quote(in) + " " + Quote(dir.Path("a.wav")) + " --rate 0" + quiet), 2);
    EXPECT_EQ(
        RunCommand(tool + Quote(in) + " " + Quote(dir.Path("a.wav")) + " --rate 8000 --channels 0" + quiet),
        2);
    EXPECT_EQ(RunCommand(tool + Quote(dir.Path("missing.wav")) + " " + Quote(dir.Path("a.wav")) +
                         " --rate 8000" + quiet),
              2);
    EXPECT_EQ(
        RunCommand(tool + Quote(in) + " " + Quote(dir.Path("no/such/folder/a.wav")) + " --rate 8000" + quiet),
        2);
    EXPECT_EQ(RunCommand(tool + Quote(in) + " " + Quote(dir.Path("b.wav")) + " --rate 16000" + quiet), 0);
    EXPECT_EQ(CaptureCommand("soxi -s " + Quote(dir.Path("b.wav"))), "1600\n");
}

} // namespace
