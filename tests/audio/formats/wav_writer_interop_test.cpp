// Every WAV coding the sink factory writes must open in sox, ffprobe and
// sndfile-info with the right coding, rate, channels and samples.

#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/WavTestSupport.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace wavtest;
using quorin::test::CaptureCommand;
using quorin::test::RunCommand;
using quorin::test::TempDir;

namespace {

std::string Trim(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

// Two tones, a different one per channel, well inside full scale.
std::vector<int32_t> Tones(int64_t frames, int channels, uint32_t rate)
{
    std::vector<int32_t> v(static_cast<size_t>(frames * channels));
    for (int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            v[f * channels + c] = static_cast<int32_t>(std::lrint(
                300000.0 * std::sin(2 * M_PI * (300.0 + 170.0 * c) * static_cast<double>(f) / rate)));
    return v;
}

double SnrDb(const std::vector<int32_t>& ref, const std::vector<int32_t>& got)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < ref.size() && i < got.size(); ++i) {
        signal += static_cast<double>(ref[i]) * ref[i];
        double d = static_cast<double>(ref[i]) - got[i];
        noise += d * d;
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

TEST(WavWriterInterop, EveryWrittenCodingOpensInReferenceTools)
{
    QUORIN_REQUIRE_TOOL("sox");
    QUORIN_REQUIRE_TOOL("ffprobe");
    QUORIN_REQUIRE_TOOL("sndfile-info");
    struct Case
    {
        uint16_t tag;
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        const char* soxEncoding;   // soxi -e
        const char* ffmpegCodec;   // ffprobe codec_name
        const char* sndfileFormat; // sndfile-info's format line
        bool exactFrames;          // block codings round the length up to whole blocks
        double minSnrDb;           // our samples against sox's decode of our file
    } cases[] = {
        {1, 1, 8000, 8, "Unsigned Integer PCM", "pcm_u8", "0x1 => WAVE_FORMAT_PCM", true, 40},
        {1, 2, 44100, 16, "Signed Integer PCM", "pcm_s16le", "0x1 => WAVE_FORMAT_PCM", true, 85},
        {1, 2, 48000, 24, "Signed Integer PCM", "pcm_s24le", "0x1 => WAVE_FORMAT_PCM", true, 200},
        {1, 3, 96000, 32, "Signed Integer PCM", "pcm_s32le", "0x1 => WAVE_FORMAT_PCM", true, 200},
        {3, 2, 44100, 32, "Floating Point PCM", "pcm_f32le", "0x3 => WAVE_FORMAT_IEEE_FLOAT", true, 120},
        {6, 1, 8000, 8, "A-law", "pcm_alaw", "0x6 => WAVE_FORMAT_ALAW", true, 30},
        {7, 2, 11025, 8, "u-law", "pcm_mulaw", "0x7 => WAVE_FORMAT_MULAW", true, 30},
        {17, 1, 22050, 4, "IMA ADPCM", "adpcm_ima_wav", "0x11 => WAVE_FORMAT_IMA_ADPCM", false, 20},
        {17, 2, 44100, 4, "IMA ADPCM", "adpcm_ima_wav", "0x11 => WAVE_FORMAT_IMA_ADPCM", false, 20},
        {49, 1, 8000, 0, "GSM", "gsm_ms", "0x31 => WAVE_FORMAT_GSM610", false, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.tag) + "/" + std::to_string(c.bits) + "/" + std::to_string(c.channels));
        TempDir dir;
        std::string path = dir.Path("out.wav");
        const int64_t frames = c.rate / 4 + 123;
        std::vector<int32_t> in = Tones(frames, c.channels, c.rate);
        {
            LWaveFormatBlock format;
            LSetWaveFormatBlock(format, c.tag, c.rate, c.channels, c.bits);
            LSoundSinkPtr sink;
            CreateSoundSinkForFormat(sink, path.c_str(), format);
            ASSERT_FALSE(sink->IsFailed());
            sink->Write(in.data(), frames);
            ASSERT_TRUE(sink->Finish());
        }
        std::string q = Quote(path);
        EXPECT_EQ(Trim(CaptureCommand("soxi -r " + q)), std::to_string(c.rate));
        EXPECT_EQ(Trim(CaptureCommand("soxi -c " + q)), std::to_string(c.channels));
        EXPECT_EQ(Trim(CaptureCommand("soxi -e " + q)), c.soxEncoding);
        std::string probe = CaptureCommand(
            "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of default=nw=1 " + q);
        EXPECT_NE(probe.find(std::string("codec_name=") + c.ffmpegCodec), std::string::npos) << probe;
        EXPECT_NE(probe.find("sample_rate=" + std::to_string(c.rate)), std::string::npos) << probe;
        EXPECT_NE(probe.find("channels=" + std::to_string(c.channels)), std::string::npos) << probe;
        std::string info = CaptureCommand("sndfile-info " + q);
        EXPECT_NE(info.find(c.sndfileFormat), std::string::npos) << info;
        EXPECT_NE(info.find("Sample Rate : " + std::to_string(c.rate)), std::string::npos) << info;
        EXPECT_NE(info.find("Channels    : " + std::to_string(c.channels)), std::string::npos) << info;

        std::string raw = dir.Path("sox.raw");
        ASSERT_EQ(RunCommand("sox " + q + " -t s32 -e signed -L " + Quote(raw)), 0);
        std::vector<int32_t> ref = ReadS32(raw);
        for (int32_t& v : ref)
            v >>= 12;
        int64_t soxFrames = static_cast<int64_t>(ref.size()) / c.channels;
        if (c.exactFrames) {
            EXPECT_EQ(soxFrames, frames);
            EXPECT_NE(info.find("Frames      : " + std::to_string(frames) + "\n"), std::string::npos) << info;
        } else {
            EXPECT_GE(soxFrames, frames);
        }
        EXPECT_GE(SnrDb(in, ref), c.minSnrDb);

        // Our own reader decodes our file like sox does (exactly, but for GSM's own filters).
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, path.c_str());
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
        std::vector<int32_t> ours(static_cast<size_t>(frames * c.channels));
        source->Read(ours.data(), frames);
        ref.resize(ours.size());
        if (c.tag == 49)
            EXPECT_GE(SnrDb(ref, ours), 5);
        else if (c.tag == 3)
            EXPECT_GE(SnrDb(ref, ours), 100);
        else
            EXPECT_EQ(ours, ref);
    }
}

TEST(WavWriterInterop, FactoryRefusals)
{
    TempDir dir;
    struct Case
    {
        uint16_t tag;
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
    } cases[] = {
        {2, 1, 8000, 4},       // MS ADPCM: not written
        {0x8001, 1, 8000, 16}, // negative as a signed tag
        {1, 2, 44100, 40},     // PCM wider than 32 bits
        {1, 0, 44100, 16},     // no channels (low byte 0)
        {1, 0x100, 44100, 16}, // 256 channels: the low byte is 0
        {1, 2, 0, 16},         // no rate
        {49, 2, 8000, 0},      // GSM is mono only
        {3, 2, 44100, 16},     // float: 32 or 64 bits; 16 is taken as 32 - not refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        LWaveFormatBlock format;
        LSetWaveFormatBlock(format, c.tag, c.rate, c.channels, c.bits);
        LSoundSinkPtr sink;
        CreateSoundSinkForFormat(sink, dir.Path("x.wav").c_str(), format);
        EXPECT_EQ(sink->IsFailed(), c.tag != 3);
    }
}

} // namespace
