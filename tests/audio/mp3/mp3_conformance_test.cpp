// The layer III compliance streams of ISO/IEC 11172-4, the MPEG-2 low
// sampling rate streams and a set of damaged files, decoded by
// LMp3SoundSource and measured against mpg123's floating-point decode.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>

#include "Mp3TestSupport.h"
#include "audio/formats/mp3/LMp3FrameHeader.h"
#include "audio/formats/mp3/LMp3LayerIIIDecoder.h"

namespace {

using namespace mp3test;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Channel counts of the frames of a stream, walked by their headers from the
// first sync (enough for the streams here that change mode).
std::vector<int> FrameChannels(const std::vector<uint8_t>& bytes)
{
    std::vector<int> channels;
    size_t pos = 0;
    while (pos + 4 <= bytes.size()) {
        LMp3FrameHeader h;
        if (!LMp3ParseHeader(LMp3ReadBe32(&bytes[pos]), &h) || h.frameBytes == 0) {
            if (!channels.empty())
                break;
            ++pos;
            continue;
        }
        channels.push_back(h.channels);
        pos += size_t(h.frameBytes);
    }
    return channels;
}

struct Stream
{
    const char* name;
    bool mpeg1;
};

// Every stream that must decode with full accuracy.
const Stream kAccurateStreams[] = {
    {"l3-compl", true},
    {"l3-he_32khz", true},
    {"l3-he_44khz", true},
    {"l3-he_48khz", true},
    {"l3-he_free", true},
    {"l3-he_mode", true},
    {"l3-hecommon", true},
    {"l3-si", true},
    {"l3-si_block", true},
    {"l3-si_huff", true},
    {"l3-sin1k0db", true},
    {"l3-nonstandard-sin1k0db_lame_vbrtag", true},
    {"M2L3_bitrate_16_all", false},
    {"M2L3_bitrate_22_all", false},
    {"M2L3_bitrate_24_all", false},
    {"M2L3_compl24", false},
    {"M2L3_noise", false},
};

void PrintTo(const Stream& s, std::ostream* os)
{
    *os << s.name;
}

class Mp3Conformance : public ::testing::TestWithParam<Stream>
{
};

TEST_P(Mp3Conformance, FullAccuracyAgainstFloatReference)
{
    QUORIN_REQUIRE_TESTDATA(data);
    QUORIN_REQUIRE_TOOL("mpg123");
    const std::string path = data + "/mp3-conformance/" + GetParam().name + ".bit";
    LMp3SoundSource source(path.c_str(), false, true);
    ASSERT_EQ(source.GetStatus(), 0);
    const int spf = GetParam().mpeg1 ? 1152 : 576;
    EXPECT_EQ(source.GetSamplesPerFrame(), spf);
    const Decoded ours = DecodeAll(source);
    ASSERT_GT(ours.length, 0);

    // mpg123 skips the delays only when an encoder tag records them; it also
    // decodes the frames whose bit reservoir is missing, which we drop.
    const bool tagged = source.GetEncoderDelay() != 0 || source.GetEncoderPadding() != 0;
    const int64_t offset =
        (tagged ? 0 : LMp3SoundSource::kDecoderDelay) + source.GetLeadingFramesLost() * spf;
    const std::vector<float> reference = Mpg123Floats(path, ours.channels == 2 ? "--stereo" : "--mono");
    ASSERT_FALSE(reference.empty());

    // mpg123 restarts its decoder where a stream switches between mono and
    // stereo; those frames are checked against the ISO reference below.
    const std::vector<int> frameChannels = FrameChannels(ReadBytes(path));
    std::set<int64_t> switches;
    for (size_t f = 1; f < frameChannels.size(); ++f)
        if (frameChannels[f] != frameChannels[f - 1])
            switches.insert(int64_t(f));
    const Accuracy a = Compare(ours.samples, reference, ours.channels, offset,
                               [&](int64_t refFrame) { return switches.count(refFrame / spf) != 0; });
    EXPECT_GT(a.compared, ours.length - spf * int64_t(1 + switches.size()) - LMp3SoundSource::kDecoderDelay);
    EXPECT_LT(a.rms, kFullAccuracyRms) << "max " << a.max;
    EXPECT_LT(a.max, kFullAccuracyMax) << "rms " << a.rms;
    std::printf("%-40s frames %lld rms %.3g max %.3g\n", GetParam().name, (long long)ours.length, a.rms,
                a.max);

    // Every output sample of the stream is accounted for: what mpg123 gives
    // less what precedes position 0.
    const int64_t referenceFrames = int64_t(reference.size()) / ours.channels;
    EXPECT_EQ(ours.length, referenceFrames - source.GetLeadingFramesLost() * spf);

    if (!switches.empty()) {
        // The ISO reference holds each frame with its own channel count, as 16-bit samples.
        const std::vector<uint8_t> iso = ReadBytes(data + "/mp3-conformance/" + GetParam().name + ".pcm");
        size_t isoPos = 0;
        double worst = 0.0;
        for (size_t f = 0; f < frameChannels.size(); ++f) {
            for (int i = 0; i < spf; ++i) {
                const int64_t ourFrame = int64_t(f) * spf + i - LMp3SoundSource::kDecoderDelay;
                for (int c = 0; c < frameChannels[f]; ++c, isoPos += 2) {
                    if (!switches.count(int64_t(f)) || ourFrame < 0 || ourFrame >= ours.length ||
                        isoPos + 1 >= iso.size())
                        continue;
                    const double ref = int16_t(iso[isoPos] | iso[isoPos + 1] << 8) / 32768.0;
                    worst = std::max(worst, std::fabs(ours.samples[size_t(ourFrame * 2 + c)] - ref));
                }
            }
        }
        EXPECT_LT(worst, 2.0 / 32768.0);
    }
}

// The decoder's own floating-point output, before the conversion to the
// internal integer scale truncates it, measured the same way: the margin
// left under the full-accuracy limits.
TEST_P(Mp3Conformance, FloatOutputBeforeTruncation)
{
    QUORIN_REQUIRE_TESTDATA(data);
    QUORIN_REQUIRE_TOOL("mpg123");
    const std::string path = data + "/mp3-conformance/" + GetParam().name + ".bit";
    const std::vector<uint8_t> bytes = ReadBytes(path);
    size_t first = 0;
    LMp3FrameHeader firstHeader;
    while (first + 4 <= bytes.size() && !LMp3ParseHeader(LMp3ReadBe32(&bytes[first]), &firstHeader))
        ++first;
    if (firstHeader.frameBytes == 0 || std::string(GetParam().name).find("lame") != std::string::npos)
        GTEST_SKIP() << "free format or an encoder tag: read through the source only";
    const std::vector<int> frameChannels = FrameChannels(bytes);
    for (int c : frameChannels)
        if (c != frameChannels[0])
            GTEST_SKIP() << "the channel count changes: read through the source only";
    const int channels = frameChannels[0];

    LMp3LayerIIIDecoder decoder;
    std::vector<float> planar(2304), ours;
    int64_t lost = 0;
    int spf = 0;
    size_t pos = 0;
    while (pos + 4 <= bytes.size()) {
        LMp3FrameHeader h;
        if (!LMp3ParseHeader(LMp3ReadBe32(&bytes[pos]), &h) || h.frameBytes == 0) {
            ++pos;
            continue;
        }
        if (pos + size_t(h.frameBytes) > bytes.size())
            break;
        spf = h.samplesPerFrame;
        const size_t header = 4 + (h.hasCrc ? 2 : 0);
        std::vector<uint8_t> payload(bytes.begin() + int64_t(pos + header),
                                     bytes.begin() + int64_t(pos) + h.frameBytes);
        payload.resize(payload.size() + 16, 0);
        if (decoder.DecodeFrame(h, payload.data(), size_t(h.frameBytes) - header, planar.data()) ==
            LMp3LayerIIIDecoder::kDecoded) {
            for (int i = 0; i < spf; ++i)
                for (int c = 0; c < channels; ++c)
                    ours.push_back(float(planar[size_t(c * spf + i)] / 524288.0));
        } else if (ours.empty()) {
            ++lost;
        }
        pos += size_t(h.frameBytes);
    }
    const std::vector<float> reference = Mpg123Floats(path, channels == 2 ? "--stereo" : "--mono");
    const Accuracy a = Compare(ours, reference, channels, lost * spf);
    EXPECT_GT(a.compared, int64_t(ours.size()) / channels - spf);
    EXPECT_LT(a.rms, kFullAccuracyRms / 20) << "max " << a.max;
    EXPECT_LT(a.max, kFullAccuracyMax / 4) << "rms " << a.rms;
    std::printf("%-40s float rms %.3g max %.3g\n", GetParam().name, a.rms, a.max);
}

INSTANTIATE_TEST_SUITE_P(Streams, Mp3Conformance, ::testing::ValuesIn(kAccurateStreams),
                         [](const ::testing::TestParamInfo<Stream>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

struct DamagedStream
{
    const char* name;
    uint8_t status; // status the reader reports
};

const DamagedStream kDamagedStreams[] = {
    {"l3-nonstandard-id3v1", 0},
    {"l3-nonstandard-id3v2", 0},
    {"l3-nonstandard-sideinfo-size", 3},
    {"l3-nonstandard-small", 3},
    {"l3-nonstandard-vbrtag-corrupted", 0},
    {"l3-nonstandard-vbrtag-empty", 3},
    {"l3-nonstandard-vbrtag-noframes", 3},
};

void PrintTo(const DamagedStream& s, std::ostream* os)
{
    *os << s.name;
}

class Mp3Damaged : public ::testing::TestWithParam<DamagedStream>
{
};

// A damaged file decodes what can be decoded, as many samples as the
// reference decode holds, and reads past its end as silence.
TEST_P(Mp3Damaged, DecodesWhatIsThereAndNeverFails)
{
    QUORIN_REQUIRE_TESTDATA(data);
    const std::string base = data + "/mp3-conformance/" + GetParam().name;
    LMp3SoundSource source((base + ".bit").c_str(), false, true);
    EXPECT_EQ(source.GetStatus(), GetParam().status);
    const int channels = source.GetChannels();
    const std::vector<uint8_t> reference = ReadBytes(base + ".pcm");
    EXPECT_EQ(source.GetLength(), int64_t(reference.size()) / 2 / channels);

    const Decoded ours = DecodeAll(source);
    EXPECT_EQ(ours.length, int64_t(reference.size()) / 2 / channels);
    // Where both hold the same decoded sample, they agree to 16-bit precision.
    for (int64_t i = 0; i + LMp3SoundSource::kDecoderDelay < ours.length; ++i) {
        const size_t r = size_t(i + LMp3SoundSource::kDecoderDelay) * 2;
        const double ref = int16_t(reference[r] | reference[r + 1] << 8) / 32768.0;
        ASSERT_NEAR(ours.samples[size_t(i)], ref, 2.0 / 32768.0) << i;
    }
    std::vector<int32_t> tail(1000 * size_t(channels), 7);
    source.Read(tail.data(), 1000);
    for (int32_t v : tail)
        ASSERT_EQ(v, 0);
}

INSTANTIATE_TEST_SUITE_P(Streams, Mp3Damaged, ::testing::ValuesIn(kDamagedStreams),
                         [](const ::testing::TestParamInfo<DamagedStream>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
