// Files written by LAME in its modes, made at test time from a sox signal,
// read back through LMp3SoundSource: the length mpg123 reports, samples to
// full accuracy, and seeking that lands on the same samples as reading.

#include <gtest/gtest.h>

#include <memory>

#include "Mp3TestSupport.h"
#include "support/TempHome.h"

namespace {

using namespace mp3test;
using quorin::test::RunCommand;
using quorin::test::TempDir;

struct LameCase
{
    const char* name;
    const char* lameOptions;
    bool mono; // encode from a mono signal
};

const LameCase kCases[] = {
    {"cbr32", "-b 32 --cbr", false},
    {"cbr40", "-b 40 --cbr", false},
    {"cbr48", "-b 48 --cbr", false},
    {"cbr56", "-b 56 --cbr", false},
    {"cbr64", "-b 64 --cbr", false},
    {"cbr80", "-b 80 --cbr", false},
    {"cbr96", "-b 96 --cbr", false},
    {"cbr112", "-b 112 --cbr", false},
    {"cbr128", "-b 128 --cbr", false},
    {"cbr160", "-b 160 --cbr", false},
    {"cbr192", "-b 192 --cbr", false},
    {"cbr224", "-b 224 --cbr", false},
    {"cbr256", "-b 256 --cbr", false},
    {"cbr320", "-b 320 --cbr", false},
    {"vbr0", "-V 0", false},
    {"vbr4", "-V 4", false},
    {"vbr9", "-V 9", false},
    {"abr128", "--abr 128", false},
    {"stereo", "-b 128 -m s", false},
    {"joint", "-b 128 -m j", false},
    {"forcedMidSide", "-b 96 -m f", false},
    {"monoCbr", "-b 64 -m m", true},
    {"monoVbr", "-V 2 -m m", true},
    {"crc", "-b 128 -p", false},
    {"cbr48kHzNoPadding", "--resample 48 -b 128", false},
    {"cbr32kHzNoPadding", "--resample 32 -b 96", false},
    {"mpeg2_22050", "--resample 22.05 -b 64", false},
    {"mpeg2_24000", "--resample 24 -b 80", false},
    {"mpeg2_16000Vbr", "--resample 16 -V 5", false},
    {"mpeg2_mono", "--resample 22.05 -b 32 -m m", true},
    {"mpeg25_8000", "--resample 8 -b 16", false},
    {"mpeg25_11025", "--resample 11.025 -b 24", false},
    {"mpeg25_12000Vbr", "--resample 12 -V 6 -m m", true},
    {"id3v2", "-b 128 --id3v2-only --tt Title --ta Artist --pad-id3v2-size 3000", false},
    {"id3v1", "-b 128 --id3v1-only --tt Title --ta Artist", false},
    {"id3both", "-V 3 --add-id3v2 --tt Title --ta Artist", false},
    {"noTagCbr", "-b 128 -t", false},
    {"noTagVbr", "-V 2 -t", false},
    {"noTagMpeg2", "--resample 24 -b 48 -t", false},
    {"noTagCrcId3", "-b 192 -t -p --id3v1-only --tt Title", false},
};

// Whether LAME wrote its tag (it leaves it out of frames too small to hold it,
// and with -t): "Xing" or "Info" in the first frame, "LAME" 120 bytes on.
bool HasEncoderTag(const std::string& path)
{
    const std::string bytes = quorin::test::CaptureCommand("head -c 20000 " + Quote(path));
    for (const char* id : {"Xing", "Info"}) {
        const size_t at = bytes.find(id);
        if (at != std::string::npos && at < 12000 && bytes.compare(at + 120, 4, "LAME") == 0)
            return true;
    }
    return false;
}

void PrintTo(const LameCase& c, std::ostream* os)
{
    *os << c.name;
}

class Mp3Lame : public ::testing::TestWithParam<LameCase>
{
protected:
    static void SetUpTestSuite()
    {
        if (!quorin::test::HaveTool("sox") || !quorin::test::HaveTool("lame") ||
            !quorin::test::HaveTool("mpg123"))
            return;
        dir_ = new TempDir;
        // A sweep with noise over it: every band busy, some transients for short blocks.
        const std::string stereo = dir_->Path("signal.wav");
        const std::string mono = dir_->Path("mono.wav");
        RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(stereo) +
                   " synth 2.3 sine 60-9000 sine 440 synth whitenoise mix gain -3 tremolo 7 90 2>/dev/null");
        RunCommand("sox " + Quote(stereo) + " -c 1 " + Quote(mono) + " 2>/dev/null");
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    static TempDir* dir_;
};

TempDir* Mp3Lame::dir_ = nullptr;

TEST_P(Mp3Lame, ExactLengthAndFullAccuracy)
{
    QUORIN_REQUIRE_TOOL("sox");
    QUORIN_REQUIRE_TOOL("lame");
    QUORIN_REQUIRE_TOOL("mpg123");
    const LameCase& c = GetParam();
    const std::string input = dir_->Path(c.mono ? "mono.wav" : "signal.wav");
    const std::string mp3 = dir_->Path(std::string(c.name) + ".mp3");
    ASSERT_EQ(
        RunCommand(std::string("lame --quiet ") + c.lameOptions + " " + Quote(input) + " " + Quote(mp3)), 0);

    LMp3SoundSource source(mp3.c_str(), false, true);
    ASSERT_EQ(source.GetStatus(), 0);
    const bool tagged = HasEncoderTag(mp3);
    EXPECT_EQ(source.GetEncoderDelay() != 0, tagged);
    if (std::string(c.lameOptions).find(" -t") != std::string::npos) {
        EXPECT_FALSE(tagged);
    }
    const int64_t lengthAtOpen = source.GetLength();
    const Decoded ours = DecodeAll(source);
    const std::vector<float> reference = Mpg123Floats(mp3);
    ASSERT_FALSE(reference.empty());
    const int64_t referenceFrames = int64_t(reference.size()) / ours.channels;

    EXPECT_EQ(ours.length, referenceFrames);
    if (tagged) {
        EXPECT_EQ(lengthAtOpen, referenceFrames); // known before reading a sample
    }
    const int64_t offset = tagged ? 0 : LMp3SoundSource::kDecoderDelay;
    const Accuracy a = Compare(ours.samples, reference, ours.channels, offset);
    EXPECT_GE(a.compared, referenceFrames - offset);
    EXPECT_LT(a.rms, kFullAccuracyRms) << "max " << a.max;
    EXPECT_LT(a.max, kFullAccuracyMax) << "rms " << a.rms;
}

// Seeking to the start of every frame, and into the middle of some, gives
// the samples that reading from the start gives there.
TEST_P(Mp3Lame, SeekGivesTheLinearSamples)
{
    QUORIN_REQUIRE_TOOL("sox");
    QUORIN_REQUIRE_TOOL("lame");
    const LameCase& c = GetParam();
    const std::string input = dir_->Path(c.mono ? "mono.wav" : "signal.wav");
    const std::string mp3 = dir_->Path(std::string(c.name) + "-seek.mp3");
    ASSERT_EQ(
        RunCommand(std::string("lame --quiet ") + c.lameOptions + " " + Quote(input) + " " + Quote(mp3)), 0);

    LMp3SoundSource linear(mp3.c_str(), false, true);
    ASSERT_EQ(linear.GetStatus(), 0);
    const Decoded all = DecodeAll(linear);
    const int channels = all.channels;
    const int spf = linear.GetSamplesPerFrame();
    const int64_t delay = LMp3SoundSource::kDecoderDelay + linear.GetEncoderDelay();

    LMp3SoundSource seeker(mp3.c_str(), false, true);
    ASSERT_EQ(seeker.GetStatus(), 0);
    std::vector<int32_t> got(size_t(spf + 100) * channels);
    const int64_t frames = (all.length + delay) / spf + 1;
    // Backwards, so that every seek repositions rather than reading on.
    for (int64_t f = frames; f >= 0; --f) {
        for (int64_t shift : {int64_t(0), int64_t(spf / 3)}) {
            const int64_t position = f * spf - delay + shift;
            if (position < 0 || position >= all.length)
                continue;
            seeker.Seek(position);
            ASSERT_EQ(seeker.GetPosition(), position);
            const int64_t n = std::min<int64_t>(spf + 100, all.length - position);
            seeker.Read(got.data(), n);
            for (int64_t i = 0; i < n * channels; ++i)
                ASSERT_EQ(got[size_t(i)] / 524288.0f, all.samples[size_t(position * channels + i)])
                    << "frame " << f << " position " << position << " sample " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, Mp3Lame, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LameCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
