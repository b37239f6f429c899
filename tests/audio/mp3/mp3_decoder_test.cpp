// The layer III decoder's parts: the transcribed code books, the transforms
// against their defining sums, header parsing, and frames whose side
// information lies (counts beyond the tables, lengths beyond the data, a back
// pointer beyond the reservoir).

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "Mp3TestSupport.h"
#include "audio/formats/mp3/LMp3FrameHeader.h"
#include "audio/formats/mp3/LMp3HybridFilter.h"
#include "audio/formats/mp3/LMp3LayerIIIDecoder.h"
#include "audio/formats/mp3/LMp3SynthesisFilter.h"
#include "audio/formats/mp3/LMp3Tables.h"
#include "support/TempHome.h"

namespace {

using namespace mp3test;

// Every code book is a complete prefix code: no code word begins another and
// the Kraft sum is exactly 1. A mistyped code or length breaks one or the other.
TEST(Mp3Tables, CodeBooksAreCompletePrefixCodes)
{
    auto check = [](const uint16_t* codes, const uint8_t* lengths, int count, int table) {
        double kraft = 0.0;
        for (int i = 0; i < count; ++i) {
            ASSERT_GT(lengths[i], 0) << table;
            ASSERT_LT(codes[i], 1u << lengths[i]) << table << " entry " << i;
            kraft += std::ldexp(1.0, -lengths[i]);
            for (int j = 0; j < count; ++j) {
                if (i == j || lengths[j] < lengths[i])
                    continue;
                ASSERT_NE(codes[j] >> (lengths[j] - lengths[i]), codes[i])
                    << "table " << table << ": code " << i << " is a prefix of code " << j;
            }
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0) << table;
    };
    int books = 0;
    for (int t = 0; t < 32; ++t) {
        const LMp3HuffmanCodeBook& book = LMp3BigValueCodeBook(t);
        if (t == 0 || t == 4 || t == 14) {
            EXPECT_EQ(book.size, 0) << t;
            continue;
        }
        ASSERT_GT(book.size, 0) << t;
        check(book.codes, book.lengths, book.size * book.size, t);
        ++books;
    }
    EXPECT_EQ(books, 29);
    uint16_t count1Codes[16];
    for (int i = 0; i < 16; ++i)
        count1Codes[i] = kMp3Count1ACodes[i];
    check(count1Codes, kMp3Count1ALengths, 16, 32);
}

TEST(Mp3Tables, BandTablesEndAtTheGranule)
{
    for (int r = 0; r < 9; ++r) {
        EXPECT_EQ(kMp3LongBands[r][0], 0);
        EXPECT_EQ(kMp3LongBands[r][22], 576);
        EXPECT_EQ(kMp3ShortBands[r][13], 192);
        for (int b = 0; b < 22; ++b)
            EXPECT_LT(kMp3LongBands[r][b], kMp3LongBands[r][b + 1]) << r << " " << b;
        for (int b = 0; b < 13; ++b)
            EXPECT_LT(kMp3ShortBands[r][b], kMp3ShortBands[r][b + 1]) << r << " " << b;
    }
    for (const auto& table : kMp3LsfPartitions) {
        EXPECT_EQ(table[0][0] + table[0][1] + table[0][2] + table[0][3], 21);
        EXPECT_EQ(table[1][0] + table[1][1] + table[1][2] + table[1][3], 36);
        EXPECT_EQ(table[2][0] + table[2][1] + table[2][2] + table[2][3], 33);
    }
}

TEST(Mp3Transforms, Dct32MatchesItsSum)
{
    float in[32], out[32];
    for (int n = 0; n < 32; ++n)
        in[n] = float(std::sin(n * 1.7) + 0.3 * std::cos(n * 0.2));
    LMp3Dct32(in, out);
    for (int k = 0; k < 32; ++k) {
        double sum = 0.0;
        for (int n = 0; n < 32; ++n)
            sum += in[n] * std::cos(M_PI * (2 * n + 1) * k / 64.0);
        EXPECT_NEAR(out[k], sum, 2e-5) << k;
    }
}

TEST(Mp3Transforms, Imdct36MatchesItsSum)
{
    float in[18], out[36];
    for (int k = 0; k < 18; ++k)
        in[k] = float(std::cos(k * 2.3) - 0.1 * k);
    LMp3Imdct36(in, out);
    for (int n = 0; n < 36; ++n) {
        double sum = 0.0;
        for (int k = 0; k < 18; ++k)
            sum += in[k] * std::cos(M_PI / 72.0 * (2 * n + 1 + 18) * (2 * k + 1));
        EXPECT_NEAR(out[n], sum, 2e-5) << n;
    }
}

TEST(Mp3FrameHeader, ParsesTheFieldsAndRejectsOtherLayers)
{
    struct Case
    {
        uint32_t word;
        bool valid;
        int version, rate, bitrate, frameBytes, channels, samples, side;
        bool crc;
    } cases[] = {
        {0xFFFB9064u, true, kMp3VersionMpeg1, 44100, 128, 417, 2, 1152, 32, false},
        {0xFFFB9264u, true, kMp3VersionMpeg1, 44100, 128, 418, 2, 1152, 32, false},
        {0xFFFA94C4u, true, kMp3VersionMpeg1, 48000, 128, 384, 1, 1152, 17, true},
        {0xFFF38064u, true, kMp3VersionMpeg2, 22050, 64, 208, 2, 576, 17, false},
        {0xFFE328C4u, true, kMp3VersionMpeg25, 8000, 16, 144, 1, 576, 9, false},
        {0xFFFB0064u, true, kMp3VersionMpeg1, 44100, 0, 0, 2, 1152, 32, false}, // free format
        {0xFFFBF064u, false, 0, 0, 0, 0, 0, 0, 0, false},                       // bitrate index 15
        {0xFFFB9C64u, false, 0, 0, 0, 0, 0, 0, 0, false},                       // rate index 3
        {0xFFEB9064u, false, 0, 0, 0, 0, 0, 0, 0, false},                       // reserved version
        {0xFFFD9064u, false, 0, 0, 0, 0, 0, 0, 0, false},                       // layer II
        {0xFFFF9064u, false, 0, 0, 0, 0, 0, 0, 0, false},                       // layer I
        {0xFF7B9064u, false, 0, 0, 0, 0, 0, 0, 0, false},                       // no sync
    };
    for (const Case& c : cases) {
        LMp3FrameHeader h;
        ASSERT_EQ(LMp3ParseHeader(c.word, &h), c.valid) << std::hex << c.word;
        if (!c.valid)
            continue;
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.sampleRate, c.rate);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.frameBytes, c.frameBytes);
        EXPECT_EQ(h.channels, c.channels);
        EXPECT_EQ(h.samplesPerFrame, c.samples);
        EXPECT_EQ(h.sideInfoBytes, c.side);
        EXPECT_EQ(h.hasCrc, c.crc);
    }
}

// Frames of a LAME file, to be decoded one by one, some with patched side information.
class Mp3DecoderFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUORIN_REQUIRE_TOOL("sox");
        QUORIN_REQUIRE_TOOL("lame");
        const std::string wav = dir_.Path("s.wav"), mp3 = dir_.Path("s.mp3");
        ASSERT_EQ(quorin::test::RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(wav) +
                                           " synth 1 sine 200-8000 synth pinknoise mix 2>/dev/null"),
                  0);
        ASSERT_EQ(quorin::test::RunCommand("lame --quiet -b 192 -m j -t " + Quote(wav) + " " + Quote(mp3)),
                  0);
        std::ifstream in(mp3, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        for (size_t pos = 0; pos + 4 <= bytes.size();) {
            LMp3FrameHeader h;
            ASSERT_TRUE(LMp3ParseHeader(LMp3ReadBe32(&bytes[pos]), &h));
            if (pos + size_t(h.frameBytes) > bytes.size())
                break;
            headers_.push_back(h);
            frames_.emplace_back(bytes.begin() + int64_t(pos) + 4,
                                 bytes.begin() + int64_t(pos) + h.frameBytes);
            frames_.back().resize(frames_.back().size() + 16, 0);
            pos += size_t(h.frameBytes);
        }
        ASSERT_GT(frames_.size(), 20u);
        ASSERT_EQ(headers_[0].sideInfoBytes, 32);
    }

    // Writes value into bits [bit, bit + count) of a frame's side information.
    static void Patch(std::vector<uint8_t>& frame, int bit, int count, uint32_t value)
    {
        for (int i = 0; i < count; ++i) {
            const int b = bit + i;
            const uint8_t mask = uint8_t(0x80 >> (b & 7));
            if ((value >> (count - 1 - i)) & 1)
                frame[size_t(b / 8)] |= mask;
            else
                frame[size_t(b / 8)] &= uint8_t(~mask);
        }
    }

    // Bit offset of a field of granule gr, channel ch (MPEG-1 stereo).
    static int Field(int gr, int ch, int offset) { return 20 + (gr * 2 + ch) * 59 + offset; }

    // Decodes frames 0..last with frame `patched` replaced; returns the
    // decoder result of the patched frame and checks every output is finite.
    LMp3LayerIIIDecoder::Result DecodeWith(size_t patched, const std::vector<uint8_t>& replacement,
                                           LMp3LayerIIIDecoder& decoder, size_t last)
    {
        std::vector<float> out(2304);
        LMp3LayerIIIDecoder::Result result = LMp3LayerIIIDecoder::kDecoded;
        for (size_t f = 0; f <= last; ++f) {
            const std::vector<uint8_t>& bytes = f == patched ? replacement : frames_[f];
            const size_t size = size_t(headers_[f].frameBytes) - 4;
            const LMp3LayerIIIDecoder::Result r =
                decoder.DecodeFrame(headers_[f], bytes.data(), size, out.data());
            if (f == patched)
                result = r;
            if (r == LMp3LayerIIIDecoder::kDecoded) {
                for (float v : out)
                    EXPECT_TRUE(std::isfinite(v));
            }
        }
        return result;
    }

    quorin::test::TempDir dir_;
    std::vector<LMp3FrameHeader> headers_;
    std::vector<std::vector<uint8_t>> frames_;
};

TEST_F(Mp3DecoderFaults, CountsBeyondTheTablesSilenceOnlyTheirGranule)
{
    struct Case
    {
        const char* what;
        int offset, bits;
        uint32_t value;
        bool damaged; // the granule is decoded as silence
    } cases[] = {
        {"big_values 289", 12, 9, 289, true},
        {"big_values 511", 12, 9, 511, true},
        {"part2_3_length beyond the data", 0, 12, 4095, true},
        {"window switching with block type 0", 33, 3, 0b100, true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> frame = frames_[10];
        Patch(frame, Field(0, 0, c.offset), c.bits, c.value);
        LMp3LayerIIIDecoder decoder;
        EXPECT_EQ(DecodeWith(10, frame, decoder, 14), LMp3LayerIIIDecoder::kDecoded) << c.what;
        EXPECT_EQ(decoder.DamagedGranules() > 0, c.damaged) << c.what;
    }
}

TEST_F(Mp3DecoderFaults, RegionCountsBeyondTheBandTableAreBounded)
{
    // Long blocks with region0_count 15 and region1_count 7 name band 24 of 22;
    // big_values 288 takes the regions to the end of the granule.
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<uint8_t> frame = frames_[12];
            Patch(frame, Field(gr, ch, 33), 1, 0); // no window switching
            Patch(frame, Field(gr, ch, 12), 9, 288);
            Patch(frame, Field(gr, ch, 49), 4, 15);
            Patch(frame, Field(gr, ch, 53), 3, 7);
            LMp3LayerIIIDecoder decoder;
            EXPECT_EQ(DecodeWith(12, frame, decoder, 13), LMp3LayerIIIDecoder::kDecoded);
        }
}

TEST_F(Mp3DecoderFaults, Count1RegionStopsAtTheGranuleEnd)
{
    // No big values and count1 codes as long as the whole frame: the
    // quadruples stop at line 576 whatever the data says.
    std::vector<uint8_t> frame = frames_[15];
    const int available = std::min((headers_[15].frameBytes - 4 - 32) * 8, 4095);
    Patch(frame, 0, 9, 0); // no back pointer
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < 2; ++ch) {
            Patch(frame, Field(gr, ch, 0), 12, uint32_t(gr == 0 && ch == 0 ? available : 0));
            Patch(frame, Field(gr, ch, 12), 9, 0);
            Patch(frame, Field(gr, ch, 29), 4, 0); // no scale factor bits
            Patch(frame, Field(gr, ch, 58), 1, 1); // count1 table B: 4 bits a quadruple
        }
    for (size_t i = 32; i < frame.size() - 16; ++i)
        frame[i] = 0x00; // every quadruple 1 1 1 1
    LMp3LayerIIIDecoder decoder;
    EXPECT_EQ(DecodeWith(15, frame, decoder, 15), LMp3LayerIIIDecoder::kDecoded);
    EXPECT_EQ(decoder.DamagedGranules(), 0);
}

TEST_F(Mp3DecoderFaults, BackPointerBeyondTheReservoirSkipsTheFrame)
{
    std::vector<uint8_t> frame = frames_[0];
    Patch(frame, 0, 9, 300);
    LMp3LayerIIIDecoder decoder;
    EXPECT_EQ(DecodeWith(0, frame, decoder, 0), LMp3LayerIIIDecoder::kNeedReservoir);

    // After a reset nothing earlier is kept: a frame that points back cannot decode...
    size_t pointing = 0;
    for (size_t f = 1; f < frames_.size() && !pointing; ++f)
        if ((frames_[f][0] << 1 | frames_[f][1] >> 7) > 0)
            pointing = f;
    ASSERT_GT(pointing, 0u);
    std::vector<float> out(2304);
    decoder.Reset();
    EXPECT_EQ(decoder.DecodeFrame(headers_[pointing], frames_[pointing].data(),
                                  size_t(headers_[pointing].frameBytes) - 4, out.data()),
              LMp3LayerIIIDecoder::kNeedReservoir);
    // ...but it is kept, so the next one can.
    EXPECT_EQ(decoder.DecodeFrame(headers_[pointing + 1], frames_[pointing + 1].data(),
                                  size_t(headers_[pointing + 1].frameBytes) - 4, out.data()),
              LMp3LayerIIIDecoder::kDecoded);
}

TEST_F(Mp3DecoderFaults, PayloadShorterThanItsSideInformationIsRejected)
{
    LMp3LayerIIIDecoder decoder;
    std::vector<float> out(2304);
    EXPECT_EQ(decoder.DecodeFrame(headers_[0], frames_[0].data(), 20, out.data()),
              LMp3LayerIIIDecoder::kBadFrame);
}

} // namespace
