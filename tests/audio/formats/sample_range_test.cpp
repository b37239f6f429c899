// Damaged input stays within the range the filters are made for: float and
// MP3 sources hold their samples at the peak limit they report (NaN as 0),
// the high-pass sections saturate instead of wrapping, and an MP3 reader
// neither decodes phantom frames in junk nor promises frames a tag counts
// but the file lacks.

#include "audio/effects/LBiquad.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/mp3/LMp3FrameHeader.h"
#include "audio/formats/mp3/LMp3SoundSource.h"
#include "audio/mp3/Mp3TestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

using namespace quorin::test;

namespace {

template <typename T> std::string FloatWav(const std::vector<T>& samples, uint16_t channels)
{
    auto le16 = [](std::string& s, uint32_t v) {
        s += char(v & 0xFF);
        s += char((v >> 8) & 0xFF);
    };
    auto le32 = [&](std::string& s, uint32_t v) {
        le16(s, v & 0xFFFF);
        le16(s, v >> 16);
    };
    const uint32_t bytes = uint32_t(samples.size() * sizeof(T));
    std::string s = "RIFF";
    le32(s, 36 + bytes);
    s += "WAVEfmt ";
    le32(s, 16);
    le16(s, 3);
    le16(s, channels);
    le32(s, 44100);
    le32(s, 44100 * channels * sizeof(T));
    le16(s, channels * sizeof(T));
    le16(s, 8 * sizeof(T));
    s += "data";
    le32(s, bytes);
    s.append(reinterpret_cast<const char*>(samples.data()), bytes);
    return s;
}

template <typename T> void ExpectHeldAtThePeakLimit(const std::string& bytes)
{
    TempDir dir;
    const std::string path = dir.Path("f.wav");
    WriteFileBytes(path, bytes);
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    const int32_t limit = static_cast<int32_t>(source->GetPeakLimit());
    EXPECT_LT(limit, 0x2000000) << "a limit the filters' arithmetic is made for";
    std::vector<int32_t> read(8);
    source->Read(read.data(), 8);
    const std::vector<int32_t> expected = {limit, -limit, limit, -limit, 0, 262144, limit, -limit};
    EXPECT_EQ(read, expected);
}

TEST(SampleRange, FloatSamplesFarBeyondFullScaleAreHeldAtThePeakLimit)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ExpectHeldAtThePeakLimit<float>(
        FloatWav<float>({2048.0f, -2048.0f, inf, -inf, nan, 0.5f, 1e30f, -1e30f}, 1));
    const double dinf = std::numeric_limits<double>::infinity();
    const double dnan = std::numeric_limits<double>::quiet_NaN();
    ExpectHeldAtThePeakLimit<double>(
        FloatWav<double>({4096.0, -4096.0, dinf, -dinf, dnan, 0.5, 1e300, -1e300}, 1));
}

TEST(SampleRange, HighPassSectionSaturatesInsteadOfWrapping)
{
    // A full-range square wave and a full-range step: the output follows the
    // input's sign changes and settles, where wrapped 64-bit sums would turn
    // it into noise of either sign.
    LBiquad filter(150, 44100, 1);
    std::vector<int32_t> samples(44100);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = i < 22050 ? ((i / 50) % 2 ? INT32_MAX : INT32_MIN) : INT32_MAX;
    filter.Process(samples.data(), static_cast<int64_t>(samples.size()));
    // Just after an upward edge the output is high; long after the last step it is near 0.
    EXPECT_GT(samples[101], 0);
    EXPECT_LT(samples[151], 0);
    EXPECT_LT(std::llabs(samples.back()), 1 << 20);
}

class Mp3Damage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox") || !HaveTool("lame"))
            GTEST_SKIP() << "sox and lame are needed (make deps installs them)";
        const std::string wav = dir_.Path("s.wav");
        ASSERT_EQ(
            RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(wav) + " synth 3 sine 440 sine 660 gain -6"), 0);
        ASSERT_EQ(RunCommand("lame --quiet -b 128 " + Quote(wav) + " " + Quote(dir_.Path("cbr.mp3"))), 0);
        ASSERT_EQ(RunCommand("lame --quiet -V 4 " + Quote(wav) + " " + Quote(dir_.Path("vbr.mp3"))), 0);
    }
    // Offsets of the frames of a plain stream, by walking their headers.
    static std::vector<size_t> FrameOffsets(const std::string& bytes)
    {
        std::vector<size_t> offsets;
        size_t at = 0;
        while (at + 4 <= bytes.size()) {
            const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
            LMp3FrameHeader h;
            if (!LMp3ParseHeader(LMp3ReadBe32(b), &h) || h.frameBytes <= 0)
                break;
            offsets.push_back(at);
            at += static_cast<size_t>(h.frameBytes);
        }
        return offsets;
    }
    TempDir dir_;
};

TEST_F(Mp3Damage, SyncWordsInJunkBetweenFramesAreNoFrames)
{
    const std::string clean = ReadFileBytes(dir_.Path("cbr.mp3"));
    const std::vector<size_t> frames = FrameOffsets(clean);
    ASSERT_GT(frames.size(), 40u);
    // Junk before frames 20 and 30: a copy of a real header among bytes
    // that are no frame, longer than the frame that header announces.
    const std::string header = clean.substr(frames[5], 4);
    const std::string junk = std::string(11, char(0x00)) + header + std::string(600, char(0x00));
    std::string damaged = clean.substr(0, frames[20]) + junk +
                          clean.substr(frames[20], frames[30] - frames[20]) + junk + clean.substr(frames[30]);
    WriteFileBytes(dir_.Path("damaged.mp3"), damaged);

    const mp3test::Decoded a = mp3test::DecodeFile(dir_.Path("cbr.mp3"));
    const mp3test::Decoded b = mp3test::DecodeFile(dir_.Path("damaged.mp3"));
    EXPECT_EQ(b.length, a.length);
    ASSERT_EQ(b.samples.size(), a.samples.size());
    // The audio itself is the same (the bit reservoir may differ at the junk).
    size_t differing = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        differing += std::fabs(a.samples[i] - b.samples[i]) > 1e-4f;
    EXPECT_LT(differing, a.samples.size() / 10);
}

TEST_F(Mp3Damage, AFrameCountBeyondTheFramesPresentIsNotReported)
{
    // A cut file: its Xing tag still counts every frame of the whole stream.
    const std::string whole = ReadFileBytes(dir_.Path("vbr.mp3"));
    const std::vector<size_t> frames = FrameOffsets(whole);
    ASSERT_GT(frames.size(), 60u);
    const std::string cut = whole.substr(0, frames[frames.size() * 3 / 4]);
    WriteFileBytes(dir_.Path("cut.mp3"), cut);

    LMp3SoundSource opened(dir_.Path("cut.mp3").c_str(), false, true);
    ASSERT_EQ(opened.GetStatus(), kSoundStatusOk);
    const int64_t reported = opened.GetLength();
    const mp3test::Decoded decoded = mp3test::DecodeFile(dir_.Path("cut.mp3"));
    EXPECT_EQ(reported, decoded.length);
    // And the length is that of the frames present (not the tag's count).
    EXPECT_LT(reported, mp3test::DecodeFile(dir_.Path("vbr.mp3")).length * 4 / 5);
}

} // namespace
