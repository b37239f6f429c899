// The pure codec cores checked against sox: G.711 expansion tables and
// encoders, the GSM 06.10 coder and decoder (bit-exact with the standard's
// scaling) and IMA ADPCM block decoding, mono and stereo.

#include "audio/codecs/CodecTestFiles.h"
#include "audio/formats/g711/LG711.h"
#include "audio/formats/gsm/LGsm0610.h"
#include "audio/formats/ima/LImaAdpcm.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace quorin::test;

namespace {

// Decodes all 256 codes with sox and returns its 16-bit values.
std::vector<int16_t> SoxExpandAllCodes(const TempDir& dir, const char* encoding)
{
    std::vector<uint8_t> codes(256);
    for (int i = 0; i < 256; ++i)
        codes[i] = static_cast<uint8_t>(i);
    const std::string in = dir.Path("codes.raw"), out = dir.Path("codes16.raw");
    EXPECT_TRUE(wavtest::WriteFile(in, codes));
    const std::string cmd = std::string("sox -t raw -r 8000 -c 1 -e ") + encoding + " -b 8 " + Quote(in) +
                            " -t raw -e signed -b 16 " + Quote(out);
    EXPECT_EQ(RunCommand(cmd), 0) << cmd;
    return ReadRaw16(out);
}

} // namespace

TEST(G711Tables, ExpansionOfEveryCodeMatchesSox)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::vector<int16_t> alaw = SoxExpandAllCodes(dir, "a-law");
    const std::vector<int16_t> ulaw = SoxExpandAllCodes(dir, "u-law");
    ASSERT_EQ(alaw.size(), 256u);
    ASSERT_EQ(ulaw.size(), 256u);
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(LALawToInternal(static_cast<uint8_t>(code)), alaw[code] * 16) << "A-law code " << code;
        EXPECT_EQ(LMuLawToInternal(static_cast<uint8_t>(code)), ulaw[code] * 16) << "mu-law code " << code;
    }
}

TEST(G711Tables, KnownValues)
{
    struct Case
    {
        int32_t (*expand)(uint8_t);
        uint8_t code;
        int32_t expected;
    };
    const Case cases[] = {
        {LALawToInternal, 0xD5, 128},
        {LALawToInternal, 0x55, -128},
        {LALawToInternal, 0xAA, 32256 * 16},
        {LALawToInternal, 0x2A, -32256 * 16},
        {LMuLawToInternal, 0xFF, 0},
        {LMuLawToInternal, 0x7F, 0},
        {LMuLawToInternal, 0x80, 32124 * 16},
        {LMuLawToInternal, 0x00, -32124 * 16},
        // First code of segment 5: the standard value is 4092 (16-bit), 65472 internal.
        {LMuLawToInternal, 0xAF, 4092 * 16},
        {LMuLawToInternal, 0x2F, -4092 * 16},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expand(c.code), c.expected) << "code " << int(c.code);
}

TEST(G711Encoders, EdgeValues)
{
    struct Case
    {
        void (*encode)(uint8_t&, int32_t);
        int32_t sample;
        uint8_t expected;
    };
    const Case cases[] = {
        {LLinearToMuLaw, 0, 0xFF},       {LLinearToMuLaw, -1, 0x7F},        {LLinearToMuLaw, 524288, 0x80},
        {LLinearToMuLaw, -524288, 0x00}, {LLinearToMuLaw, INT32_MAX, 0x80}, {LLinearToMuLaw, INT32_MIN, 0x00},
        {LLinearToALaw, 0, 0xD5},        {LLinearToALaw, -1, 0x55},         {LLinearToALaw, 524288, 0xAA},
        {LLinearToALaw, -524288, 0x2A},  {LLinearToALaw, INT32_MAX, 0xAA},  {LLinearToALaw, INT32_MIN, 0x2A},
    };
    for (const Case& c : cases) {
        uint8_t code = 0;
        c.encode(code, c.sample);
        EXPECT_EQ(code, c.expected) << "sample " << c.sample;
    }
}

TEST(G711Encoders, EveryCodeSurvivesARoundTrip)
{
    for (int code = 0; code < 256; ++code) {
        uint8_t a = 0, u = 0;
        LLinearToALaw(a, LALawToInternal(static_cast<uint8_t>(code)));
        LLinearToMuLaw(u, LMuLawToInternal(static_cast<uint8_t>(code)));
        EXPECT_EQ(a, code);
        // Negative zero (0x7F) comes back as positive zero.
        EXPECT_EQ(u, code == 0x7F ? 0xFF : code);
    }
}

TEST(G711Encoders, EverySixteenBitValueLandsInItsCodesInterval)
{
    // The standard's decision levels put each expansion at the centre of its
    // interval, so the error never exceeds half a step of the code's segment.
    constexpr int64_t kAStep[8] = {256, 256, 512, 1024, 2048, 4096, 8192, 16384};
    for (int32_t v = -32768; v <= 32767; ++v) {
        const int32_t x = v * 16;
        uint8_t u = 0, a = 0;
        LLinearToMuLaw(u, x);
        LLinearToALaw(a, x);
        const int64_t muStep = int64_t(1) << (((~u >> 4) & 7) + 7);
        const int64_t errMu = std::llabs(int64_t(LMuLawToInternal(u)) - x);
        const int64_t errA = std::llabs(int64_t(LALawToInternal(a)) - x);
        // Only the top codes, where the encoders saturate, may be further off.
        if (v > -32124 && v < 32124) {
            ASSERT_LE(errMu, muStep / 2) << "mu-law, 16-bit value " << v;
        }
        if (v > -32256 && v < 32256) {
            ASSERT_LE(errA, kAStep[((a ^ 0x55) >> 4) & 7] / 2) << "A-law, 16-bit value " << v;
        }
    }
}

TEST(G711Encoders, BulkConversionsEqualTheSingleSampleOnes)
{
    std::vector<int32_t> samples;
    for (int32_t v = -600000; v <= 600000; v += 997)
        samples.push_back(v);
    std::vector<uint8_t> a(samples.size()), u(samples.size());
    LEncodeALaw(samples.data(), a.data(), samples.size());
    LEncodeMuLaw(samples.data(), u.data(), samples.size());
    std::vector<int32_t> da(samples.size()), du(samples.size());
    LDecodeALaw(a.data(), da.data(), a.size());
    LDecodeMuLaw(u.data(), du.data(), u.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        uint8_t ca, cu;
        LLinearToALaw(ca, samples[i]);
        LLinearToMuLaw(cu, samples[i]);
        ASSERT_EQ(a[i], ca);
        ASSERT_EQ(u[i], cu);
        ASSERT_EQ(da[i], LALawToInternal(ca));
        ASSERT_EQ(du[i], LMuLawToInternal(cu));
    }
}

namespace {

// Encodes 16-bit mono PCM (a whole number of blocks) the way the standard
// scales it and packs WAVE format 49 blocks.
std::vector<uint8_t> EncodeStandard(const std::vector<int16_t>& pcm)
{
    LGsm0610Encoder encoder;
    std::vector<uint8_t> out;
    for (size_t at = 0; at + kGsmBlockSamples <= pcm.size(); at += kGsmBlockSamples) {
        LGsm0610Frame first, second;
        encoder.EncodePcm16(pcm.data() + at, first);
        encoder.EncodePcm16(pcm.data() + at + 160, second);
        uint8_t block[kGsmBlockBytes];
        LGsmPackBlock(first, second, block);
        out.insert(out.end(), block, block + kGsmBlockBytes);
    }
    return out;
}

std::vector<int16_t> DecodeStandard(const std::vector<uint8_t>& data)
{
    LGsm0610Decoder decoder;
    std::vector<int16_t> out;
    for (size_t at = 0; at + kGsmBlockBytes <= data.size(); at += kGsmBlockBytes) {
        LGsm0610Frame first, second;
        LGsmUnpackBlock(data.data() + at, first, second);
        int16_t pcm[320];
        decoder.DecodePcm16(first, pcm);
        decoder.DecodePcm16(second, pcm + 160);
        out.insert(out.end(), pcm, pcm + 320);
    }
    return out;
}

} // namespace

class GsmAgainstSox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        pcm_ = SpeechLikeSignal(8000 * 4, 1, 8000); // 100 blocks
        ASSERT_TRUE(WriteWav16(dir_.Path("speech.wav"), 8000, 1, pcm_));
        const std::string cmd = "sox -D " + Quote(dir_.Path("speech.wav")) + " -e gsm-full-rate " +
                                Quote(dir_.Path("speech-gsm.wav"));
        ASSERT_EQ(RunCommand(cmd), 0) << cmd;
        gsm_ = ReadWavChunks(dir_.Path("speech-gsm.wav"));
        ASSERT_TRUE(gsm_.ok);
        ASSERT_EQ(gsm_.tag, 49);
        ASSERT_EQ(gsm_.blockAlign, 65);
    }

    TempDir dir_;
    std::vector<int16_t> pcm_;
    WavChunks gsm_;
};

TEST_F(GsmAgainstSox, EncoderWritesTheSameBlocks)
{
    const std::vector<uint8_t> ours = EncodeStandard(pcm_);
    ASSERT_EQ(ours.size(), 100u * kGsmBlockBytes);
    ASSERT_GE(gsm_.data.size(), ours.size());
    size_t differing = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        differing += ours[i] != gsm_.data[i];
    EXPECT_EQ(differing, 0u) << "of " << ours.size() << " bytes";
}

TEST_F(GsmAgainstSox, DecoderGivesTheSameSamples)
{
    const std::string raw = dir_.Path("speech-gsm.raw");
    ASSERT_EQ(
        RunCommand("sox " + Quote(dir_.Path("speech-gsm.wav")) + " -t raw -e signed -b 16 " + Quote(raw)), 0);
    const std::vector<int16_t> theirs = ReadRaw16(raw);
    const std::vector<int16_t> ours = DecodeStandard(gsm_.data);
    ASSERT_EQ(ours.size(), theirs.size());
    for (size_t i = 0; i < ours.size(); ++i)
        ASSERT_EQ(ours[i], theirs[i]) << "sample " << i;
}

TEST_F(GsmAgainstSox, DamagedBlocksDecodeLikeSox)
{
    // Random bytes give lags outside 40..120, extreme gains and pulses: the
    // decoder must treat them exactly as the reference does.
    std::mt19937 random(7);
    std::vector<uint8_t> data(200 * kGsmBlockBytes);
    for (uint8_t& b : data)
        b = static_cast<uint8_t>(random());
    std::vector<uint8_t> file = wavtest::ReadFile(dir_.Path("speech-gsm.wav"));
    file.resize(gsm_.dataOffset);
    const uint32_t size = static_cast<uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        file[gsm_.dataOffset - 4 + i] = static_cast<uint8_t>(size >> (8 * i));
    file.insert(file.end(), data.begin(), data.end());
    ASSERT_TRUE(wavtest::WriteFile(dir_.Path("noise-gsm.wav"), file));
    const std::string raw = dir_.Path("noise.raw");
    ASSERT_EQ(RunCommand("sox " + Quote(dir_.Path("noise-gsm.wav")) + " -t raw -e signed -b 16 " +
                         Quote(raw) + " 2>/dev/null"),
              0);
    const std::vector<int16_t> theirs = ReadRaw16(raw);
    const std::vector<int16_t> ours = DecodeStandard(data);
    ASSERT_EQ(ours.size(), theirs.size());
    for (size_t i = 0; i < ours.size(); ++i)
        ASSERT_EQ(ours[i], theirs[i]) << "sample " << i;
}

TEST(GsmBlocks, PackingRoundTripsEveryField)
{
    std::mt19937 random(3);
    constexpr int kLarBits[8] = {6, 6, 5, 5, 4, 4, 3, 3};
    for (int round = 0; round < 50; ++round) {
        LGsm0610Frame in[2], out[2];
        for (LGsm0610Frame& f : in) {
            for (int i = 0; i < 8; ++i)
                f.larc[i] = static_cast<int16_t>(random() & ((1 << kLarBits[i]) - 1));
            for (int s = 0; s < 4; ++s) {
                f.nc[s] = static_cast<int16_t>(random() & 127);
                f.bc[s] = static_cast<int16_t>(random() & 3);
                f.mc[s] = static_cast<int16_t>(random() & 3);
                f.xmaxc[s] = static_cast<int16_t>(random() & 63);
                for (int i = 0; i < 13; ++i)
                    f.xmc[s][i] = static_cast<int16_t>(random() & 7);
            }
        }
        uint8_t block[kGsmBlockBytes];
        LGsmPackBlock(in[0], in[1], block);
        LGsmUnpackBlock(block, out[0], out[1]);
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(0, std::memcmp(&in[k], &out[k], sizeof(LGsm0610Frame))) << "frame " << k;
        }
    }
}

TEST(GsmBlocks, SecondFrameStartsInTheHighHalfOfByte32)
{
    LGsm0610Frame zero{}, marked{};
    marked.larc[0] = 0x2B; // 6 bits: 101011
    uint8_t block[kGsmBlockBytes];
    LGsmPackBlock(zero, marked, block);
    EXPECT_EQ(block[32], 0xB0); // low 4 bits of the value in the high half
    EXPECT_EQ(block[33], 0x02); // its top 2 bits next
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(block[i], 0) << i;
}

namespace {

// Decodes every block of a WAV's data with our block decoder.
std::vector<int32_t> DecodeImaData(const WavChunks& wav)
{
    std::vector<int32_t> out;
    const uint32_t align = wav.blockAlign;
    std::vector<int32_t> block(static_cast<size_t>(LImaAdpcmSamplesInBlock(align, wav.channels)) *
                               wav.channels);
    for (size_t at = 0; at < wav.data.size(); at += align) {
        const uint32_t bytes = static_cast<uint32_t>(std::min<size_t>(align, wav.data.size() - at));
        const int32_t frames = LImaAdpcmDecodeBlock(wav.data.data() + at, bytes, wav.channels, block.data());
        out.insert(out.end(), block.begin(), block.begin() + frames * wav.channels);
    }
    return out;
}

} // namespace

TEST(ImaAdpcm, BlocksDecodeLikeSoxMonoAndStereo)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        // Not a whole number of blocks, so the last block is padded.
        const std::vector<int16_t> pcm = SpeechLikeSignal(22050 * 2 + 333, channels, 22050, 5);
        const std::string in = dir.Path("in.wav"), ima = dir.Path("ima.wav"), raw = dir.Path("ima.raw");
        ASSERT_TRUE(WriteWav16(in, 22050, channels, pcm));
        ASSERT_EQ(RunCommand("sox -D " + Quote(in) + " -e ima-adpcm " + Quote(ima)), 0);
        ASSERT_EQ(RunCommand("sox " + Quote(ima) + " -t raw -e signed -b 16 " + Quote(raw)), 0);
        const WavChunks wav = ReadWavChunks(ima);
        ASSERT_TRUE(wav.ok);
        ASSERT_EQ(wav.tag, 17);
        ASSERT_EQ(wav.channels, channels);
        const std::vector<int16_t> theirs = ReadRaw16(raw);
        const std::vector<int32_t> ours = DecodeImaData(wav);
        ASSERT_GE(ours.size(), theirs.size());
        ASSERT_GE(theirs.size(), pcm.size());
        for (size_t i = 0; i < theirs.size(); ++i)
            ASSERT_EQ(ours[i], theirs[i] * 16) << "sample " << i;
    }
}

TEST(ImaAdpcm, BlockGeometry)
{
    struct Case
    {
        uint32_t bytes;
        int channels;
        int32_t samples;
    };
    const Case cases[] = {
        {256, 1, 505}, {1024, 1, 2041}, {232, 1, 457}, {4, 1, 1},  {3, 1, 0}, {2048, 2, 2041},
        {8, 2, 1},     {7, 2, 0},       {12, 2, 1},    {16, 2, 9}, {0, 1, 0}, {64, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LImaAdpcmSamplesInBlock(c.bytes, c.channels), c.samples)
            << c.bytes << " bytes, " << c.channels;
}

TEST(ImaAdpcm, NibbleArithmeticAndLimits)
{
    LImaAdpcmState s;
    s.predictor = 0;
    s.stepIndex = 0;
    // step 7: 7/8 + 7 + 7/2 + 7/4 = 0 + 7 + 3 + 1
    EXPECT_EQ(LImaAdpcmDecodeNibble(s, 7), 11 * 16);
    EXPECT_EQ(s.stepIndex, 8);
    EXPECT_EQ(LImaAdpcmDecodeNibble(s, 8), (11 - (16 >> 3)) * 16);
    EXPECT_EQ(s.stepIndex, 7);
    s.predictor = 32000;
    s.stepIndex = 88;
    EXPECT_EQ(LImaAdpcmDecodeNibble(s, 7), 32767 * 16);
    EXPECT_EQ(s.stepIndex, 88);
    s.predictor = -32000;
    EXPECT_EQ(LImaAdpcmDecodeNibble(s, 15), -32768 * 16);
    s.stepIndex = 0;
    LImaAdpcmDecodeNibble(s, 0);
    EXPECT_EQ(s.stepIndex, 0);
}

TEST(ImaAdpcm, StepIndexAbove88InAHeaderIsLimited)
{
    uint8_t a[8] = {0x10, 0x00, 100, 0, 0x77, 0x77, 0x77, 0x77};
    uint8_t b[8] = {0x10, 0x00, 88, 0, 0x77, 0x77, 0x77, 0x77};
    int32_t outA[9], outB[9];
    ASSERT_EQ(LImaAdpcmDecodeBlock(a, 8, 1, outA), 9);
    ASSERT_EQ(LImaAdpcmDecodeBlock(b, 8, 1, outB), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(outA[i], outB[i]);
    EXPECT_EQ(outA[0], 16 * 16);
}
