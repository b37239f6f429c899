#include "burn/AiffFixture.h"
#include "support/TempHome.h"

#include "burn/LAiffTrackReader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

std::vector<int32_t> Ramp(int frames, int channels, int step = 7)
{
    std::vector<int32_t> s;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            s.push_back(static_cast<int16_t>((f * step + c * 1000) & 0xFFFF));
    return s;
}

// Reads the whole track in requests of the given sizes (cycled).
std::vector<unsigned char> ProduceAll(LAiffTrackProducer& producer, const std::vector<int>& sizes)
{
    std::vector<unsigned char> out;
    std::vector<unsigned char> buffer(70000);
    for (size_t i = 0;; ++i) {
        const int size = sizes[i % sizes.size()];
        const int64_t n = producer.Produce(buffer.data(), size);
        EXPECT_GE(n, 0);
        if (n <= 0)
            break;
        EXPECT_TRUE(n == size || out.size() + n == static_cast<size_t>(producer.TotalBytes()));
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
    return out;
}

class AiffTrackTest : public ::testing::Test
{
protected:
    std::string Write(const AiffSpec& spec, const char* name = "t.aiff")
    {
        const std::string path = dir_.Path(name);
        WriteBytes(path, MakeAiff(spec));
        return path;
    }
    TempDir dir_;
};

TEST_F(AiffTrackTest, ReadsLayoutOfAPlainFile)
{
    AiffSpec spec;
    spec.samples = Ramp(1000, 2);
    LAiffTrackFormat format;
    ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format));
    EXPECT_EQ(format.channels, 2u);
    EXPECT_EQ(format.bitsPerSample, 16u);
    EXPECT_EQ(format.bytesPerSample, 2u);
    EXPECT_EQ(format.dataStart, 12 + 26 + 16);
    EXPECT_EQ(format.Frames(), 1000);
}

TEST_F(AiffTrackTest, OddChunkIsFollowedByItsPadByte)
{
    AiffSpec spec;
    spec.samples = Ramp(10, 2);
    spec.extraChunk = {'a', 'b', 'c'};
    LAiffTrackFormat format;
    ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format));
    EXPECT_EQ(format.Frames(), 10);
    EXPECT_EQ(format.dataStart, 12 + 8 + 4 + 26 + 16);
}

TEST_F(AiffTrackTest, SizesAreBoundedByTheFileAndEachOther)
{
    struct Case
    {
        const char* what;
        int64_t commFrames;
        int64_t ssndSize;
        int64_t frames;
    };
    const Case cases[] = {
        {"sizes as written", -1, -1, 100},
        {"SSND size runs past the file", -1, 0xFFFFFFFF, 100},
        {"SSND size below its own header", -1, 4, 100},
        {"COMM counts fewer frames than SSND holds", 60, -1, 60},
        {"COMM counts more frames than the file holds", 5000, -1, 100},
        {"SSND ends inside a frame", -1, 8 + 100 * 4 - 3, 99},
    };
    for (const Case& c : cases) {
        AiffSpec spec;
        spec.samples = Ramp(100, 2);
        spec.commFrames = c.commFrames;
        spec.ssndSize = c.ssndSize;
        LAiffTrackFormat format;
        ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format)) << c.what;
        EXPECT_EQ(format.Frames(), c.frames) << c.what;
        EXPECT_EQ((format.dataEnd - format.dataStart) % 4, 0) << c.what;
    }
}

TEST_F(AiffTrackTest, RejectsWhatCannotBeATrack)
{
    struct Case
    {
        const char* what;
        uint16_t channels;
        uint16_t bits;
        uint32_t rateWord;
        uint32_t offset;
    };
    const Case cases[] = {
        {"no channels", 0, 16, 0x400EAC44, 0},    {"five channels", 5, 16, 0x400EAC44, 0},
        {"seven channels", 7, 16, 0x400EAC44, 0}, {"22,050 Hz", 2, 16, 0x400DAC44, 0},
        {"48,000 Hz", 2, 16, 0x400EBB80, 0},      {"zero bits", 2, 0, 0x400EAC44, 0},
        {"33 bits", 2, 33, 0x400EAC44, 0},        {"SSND offset beyond the data", 2, 16, 0x400EAC44, 100000},
    };
    for (const Case& c : cases) {
        AiffSpec spec;
        spec.channels = c.channels;
        spec.bits = c.bits;
        spec.rateWord = c.rateWord;
        spec.samples = Ramp(10, 2);
        std::vector<unsigned char> bytes = MakeAiff(spec);
        if (c.offset) {
            // Point the offset far past the end without adding the bytes.
            const size_t at = bytes.size() - 40 - 8;
            bytes[at] = static_cast<unsigned char>(c.offset >> 24);
            bytes[at + 1] = static_cast<unsigned char>(c.offset >> 16);
            bytes[at + 2] = static_cast<unsigned char>(c.offset >> 8);
            bytes[at + 3] = static_cast<unsigned char>(c.offset);
        }
        WriteBytes(dir_.Path("bad.aiff"), bytes);
        LAiffTrackFormat format;
        EXPECT_FALSE(LReadAiffTrackFormat(dir_.Path("bad.aiff").c_str(), format)) << c.what;
    }
    const std::vector<std::vector<unsigned char>> junk = {
        {},
        {'F', 'O', 'R', 'M'},
        {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'},
        {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'C'},
        {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'},
        {'F', 'O', 'R', 'M', 0, 0, 0, 12, 'A', 'I', 'F', 'F', 'C', 'O', 'M', 'M', 0, 0, 0, 18, 0, 2},
    };
    for (const auto& bytes : junk) {
        WriteBytes(dir_.Path("junk.aiff"), bytes);
        LAiffTrackFormat format;
        EXPECT_FALSE(LReadAiffTrackFormat(dir_.Path("junk.aiff").c_str(), format)) << bytes.size();
    }
    LAiffTrackFormat format;
    EXPECT_FALSE(LReadAiffTrackFormat(dir_.Path("missing.aiff").c_str(), format));
    EXPECT_FALSE(LReadAiffTrackFormat(dir_.Path("").c_str(), format));
}

TEST(AudioTrackBlocks, RoundsUpPadsShortTracksAndAddsThePause)
{
    EXPECT_EQ(LAudioTrackBlocks(0, 0), 300);
    EXPECT_EQ(LAudioTrackBlocks(1000, 0), 300);
    EXPECT_EQ(LAudioTrackBlocks(1000, 150), 450);
    EXPECT_EQ(LAudioTrackBlocks(588 * 300, 0), 300);
    EXPECT_EQ(LAudioTrackBlocks(588 * 300 + 1, 0), 301);
    EXPECT_EQ(LAudioTrackBlocks(588 * 1000 - 1, 150), 1150);
}

TEST_F(AiffTrackTest, ThousandFramesAllComeOutThenSilence)
{
    AiffSpec spec;
    spec.samples = Ramp(1000, 2);
    LAiffTrackFormat format;
    ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format));
    LAiffTrackProducer producer(dir_.Path("t.aiff"), format, LAudioTrackBlocks(format.Frames(), 0));
    ASSERT_TRUE(producer.Open());
    EXPECT_EQ(producer.TotalBytes(), 300 * 2352);
    const std::vector<unsigned char> out = ProduceAll(producer, {2352});
    ASSERT_EQ(out.size(), 300u * 2352u);
    std::vector<unsigned char> expected;
    for (int f = 0; f < 1000; ++f)
        PutLeFrame(expected, static_cast<int16_t>(spec.samples[f * 2]),
                   static_cast<int16_t>(spec.samples[f * 2 + 1]));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 4000, out.end(), [](unsigned char b) { return b == 0; }));
    // The data of 1,000 frames reaches into the second block.
    EXPECT_NE(out[2352 + 100], 0);
}

TEST_F(AiffTrackTest, AnyRequestSizesGiveTheSameBytes)
{
    AiffSpec spec;
    spec.samples = Ramp(3000, 2, 13);
    LAiffTrackFormat format;
    ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format));
    const int64_t blocks = LAudioTrackBlocks(format.Frames(), 7);
    LAiffTrackProducer reference(dir_.Path("t.aiff"), format, blocks);
    ASSERT_TRUE(reference.Open());
    const std::vector<unsigned char> whole = ProduceAll(reference, {2352});
    const std::vector<std::vector<int>> patterns = {{1},    {3},          {2},     {5, 7},
                                                    {2351}, {4095, 1, 2}, {65536}, {1, 2, 3, 4, 5, 6}};
    for (const auto& sizes : patterns) {
        LAiffTrackProducer producer(dir_.Path("t.aiff"), format, blocks);
        ASSERT_TRUE(producer.Open());
        EXPECT_EQ(ProduceAll(producer, sizes), whole) << "first request size " << sizes[0];
    }
}

TEST_F(AiffTrackTest, MonoIsDoubledThroughItsWholeLength)
{
    AiffSpec spec;
    spec.channels = 1;
    spec.samples = Ramp(200000, 1, 3);
    LAiffTrackFormat format;
    ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format));
    LAiffTrackProducer producer(dir_.Path("t.aiff"), format, LAudioTrackBlocks(format.Frames(), 0));
    ASSERT_TRUE(producer.Open());
    const std::vector<unsigned char> out = ProduceAll(producer, {2352});
    for (int f = 0; f < 200000; ++f) {
        const int16_t left = static_cast<int16_t>(out[f * 4] | (out[f * 4 + 1] << 8));
        const int16_t right = static_cast<int16_t>(out[f * 4 + 2] | (out[f * 4 + 3] << 8));
        ASSERT_EQ(left, static_cast<int16_t>(spec.samples[f])) << f;
        ASSERT_EQ(right, left) << f;
    }
}

TEST_F(AiffTrackTest, DepthsGiveTheirTopSixteenBits)
{
    struct Case
    {
        uint16_t bits;
        int32_t sample; // at the file's depth
        int16_t expected;
    };
    const Case cases[] = {
        {8, 0x7F, 0x7F00},        {8, -128, -32768},        {12, 0x7FF, 0x7FF0},
        {16, -12345, -12345},     {20, 0x12345, 0x1234},    {24, 0x123456, 0x1234},
        {24, -0x123456, -0x1235}, {32, 0x12345678, 0x1234}, {32, -1, -1},
    };
    for (const Case& c : cases) {
        AiffSpec spec;
        spec.bits = c.bits;
        spec.samples = {c.sample, c.sample};
        LAiffTrackFormat format;
        ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format)) << c.bits;
        LAiffTrackProducer producer(dir_.Path("t.aiff"), format, 300);
        ASSERT_TRUE(producer.Open());
        unsigned char frame[4];
        ASSERT_EQ(producer.Produce(frame, 4), 4);
        EXPECT_EQ(static_cast<int16_t>(frame[0] | (frame[1] << 8)), c.expected) << c.bits << " bits";
        EXPECT_EQ(static_cast<int16_t>(frame[2] | (frame[3] << 8)), c.expected) << c.bits << " bits";
    }
}

TEST(FoldToStereo, MixesClipAtFullScale)
{
    struct Case
    {
        uint32_t channels;
        std::vector<int32_t> in;
        int16_t left;
        int16_t right;
    };
    const int32_t hi = 32767, lo = -32768;
    const Case cases[] = {
        {3, {hi, hi, hi}, 32767, 32767},
        {3, {lo, lo, lo}, -32768, -32768},
        {3, {300, -300, 30}, 200 + 20, -200 + 20},
        {4, {hi, hi, hi, hi}, 32767, 32767},
        {4, {lo, lo, lo, lo}, -32768, -32768},
        {4, {3, 0, 6, 0}, 2, 4},
        {6, {hi, hi, hi, hi, hi, hi}, 32767, 32767},
        {6, {lo, lo, lo, lo, lo, lo}, -32768, -32768},
        {6, {900, 0, 0, 0, 900, 0}, 400, 400},
        {6, {hi, hi, 0, lo, lo, 0}, 29125, -29126},
    };
    for (const Case& c : cases) {
        int16_t left = 0, right = 0;
        ASSERT_TRUE(LFoldToStereo(c.in.data(), c.channels, left, right));
        EXPECT_EQ(left, c.left) << c.channels << " channels";
        EXPECT_EQ(right, c.right) << c.channels << " channels";
    }
    int32_t five[5] = {};
    int16_t l, r;
    EXPECT_FALSE(LFoldToStereo(five, 5, l, r));
}

TEST_F(AiffTrackTest, FileCutShortWhileReadingIsAnError)
{
    AiffSpec spec;
    spec.samples = Ramp(5000, 2);
    LAiffTrackFormat format;
    const std::string path = Write(spec);
    ASSERT_TRUE(LReadAiffTrackFormat(path.c_str(), format));
    LAiffTrackProducer producer(path, format, LAudioTrackBlocks(format.Frames(), 0));
    ASSERT_TRUE(producer.Open());
    std::vector<unsigned char> buffer(2352);
    ASSERT_EQ(producer.Produce(buffer.data(), 2352), 2352);
    ASSERT_EQ(truncate(path.c_str(), 200), 0);
    EXPECT_EQ(producer.Produce(buffer.data(), 2352), -1);
}

TEST_F(AiffTrackTest, ClosedProducerGivesNothing)
{
    AiffSpec spec;
    spec.samples = Ramp(10, 2);
    LAiffTrackFormat format;
    ASSERT_TRUE(LReadAiffTrackFormat(Write(spec).c_str(), format));
    LAiffTrackProducer producer(dir_.Path("t.aiff"), format, 300);
    unsigned char buffer[16];
    EXPECT_EQ(producer.Produce(buffer, 16), -1);
    LAiffTrackProducer missing(dir_.Path("gone.aiff"), format, 300);
    EXPECT_FALSE(missing.Open());
}

} // namespace
