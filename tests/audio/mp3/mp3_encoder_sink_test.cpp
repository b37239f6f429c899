// The MP3 writer: the output rate and bitrate it chooses, the files it writes
// as mpg123, ffprobe, ffmpeg and our own reader see them, and that every
// failure leaves a failed sink and nothing at the destination.

#include "Mp3EncoderTestSupport.h"

#include "audio/core/LSoundSink.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/mp3/LMp3EncoderSink.h"
#include "audio/formats/mp3/LMp3InfoFrame.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace mp3enc;
using quorin::test::HaveTool;
using quorin::test::TempDir;
using quorin::test::TempHome;

namespace {

LMp3EncoderOptions Cbr(uint16_t kbps, uint8_t mode = 0)
{
    LMp3EncoderOptions o;
    o.CBRBitRate = kbps;
    o.ChannelMode = mode;
    return o;
}

LMp3EncoderOptions Vbr(uint8_t quality, uint16_t low = 32, uint16_t high = 320, uint8_t mode = 0)
{
    LMp3EncoderOptions o;
    o.ConstantBitRate = false;
    o.VBRQuality = quality;
    o.VBRMinBitRate = low;
    o.VBRMaxBitRate = high;
    o.ChannelMode = mode;
    return o;
}

LMp3EncoderOptions Abr(uint8_t kbps, uint8_t mode = 0, uint16_t high = 320)
{
    LMp3EncoderOptions o = Vbr(4, 32, high);
    o.ABRBitRate = kbps;
    o.ChannelMode = mode;
    return o;
}

TEST(Mp3OutputRate, RuleForInputRatesAndBitrates)
{
    struct Case
    {
        int64_t input;
        LMp3EncoderOptions options;
        uint32_t expected;
    };
    const Case cases[] = {
        {22050, Cbr(192), 44100}, // above 160 kbps only the full rates have frames
        {22050, Cbr(128), 22050},        {11025, Cbr(128), 22050}, // above 127 kbps not below 22050
        {12000, Cbr(64), 11025},         {96000, Cbr(192), 48000},
        {44100, Vbr(4, 8, 160), 22050}, // below 32 kbps only the half rates
        {44100, Cbr(24), 22050},         {44100, Cbr(32), 44100},
        {48000, Cbr(320), 48000},        {47999, Cbr(128), 44100},
        {44101, Cbr(128), 44100},        {40000, Cbr(128), 44100},
        {32001, Cbr(128), 44100},        {32000, Cbr(128), 32000},
        {31999, Cbr(128), 32000},        {24001, Cbr(128), 32000},
        {24000, Cbr(128), 24000},        {23999, Cbr(128), 22050},
        {22051, Cbr(128), 22050},        {16001, Cbr(64), 22050},
        {16000, Cbr(64), 16000},         {15999, Cbr(64), 11025},
        {11026, Cbr(64), 11025},         {11025, Cbr(64), 11025},
        {8001, Cbr(64), 11025},          {8000, Cbr(64), 8000},
        {7999, Cbr(64), 8000},           {100, Cbr(64), 8000},
        {8000, Vbr(4, 32, 160), 8000},   // variable mode: no 22050 floor
        {16000, Vbr(4, 32, 192), 44100}, // variable mode: the maximum decides the first rule
    };
    for (const Case& c : cases)
        EXPECT_EQ(LMp3ChooseOutputRate(c.input, c.options), c.expected)
            << c.input << " Hz, " << (c.options.ConstantBitRate ? "CBR " : "VBR ") << c.options.CBRBitRate;
}

TEST(Mp3TagFrame, CrcIsTheTagsSixteenBitCrc)
{
    const char* check = "123456789";
    EXPECT_EQ(LMp3TagCrc(reinterpret_cast<const uint8_t*>(check), 9), 0xBB3D);
    // Continued over two pieces it is the same.
    const uint16_t first = LMp3TagCrc(reinterpret_cast<const uint8_t*>(check), 4);
    EXPECT_EQ(LMp3TagCrc(reinterpret_cast<const uint8_t*>(check) + 4, 5, first), 0xBB3D);
}

TEST(Mp3TagFrame, BuiltFrameCarriesCountsDelayAndPadding)
{
    LMp3InfoFrameFacts facts;
    facts.firstHeader = 0xFFF310C4; // MPEG-2 layer III, 8 kbps, 22050 Hz, mono, no CRC
    facts.audioFrames = 1000;
    facts.audioBytes = 52000;
    facts.encoderDelay = 576;
    facts.padding = 1234;
    facts.bitrateKbps = 8;
    std::strcpy(facts.encoder, "LAME3.100");
    std::vector<uint8_t> frame;
    ASSERT_TRUE(LMp3BuildInfoFrame(facts, frame));
    LMp3FrameHeader header;
    ASSERT_TRUE(LMp3ParseHeader(LMp3ReadBe32(frame.data()), &header));
    EXPECT_EQ(header.version, kMp3VersionMpeg2);
    EXPECT_EQ(header.sampleRate, 22050);
    EXPECT_FALSE(header.hasCrc);
    EXPECT_EQ(int(frame.size()), header.frameBytes);
    const uint8_t* info = frame.data() + 4 + header.sideInfoBytes;
    ASSERT_GE(frame.size(), size_t(4 + header.sideInfoBytes + 156));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info), 4), "Xing");
    EXPECT_EQ(LMp3ReadBe32(info + 8), 1000u);
    EXPECT_EQ(LMp3ReadBe32(info + 12), 52000u + frame.size());
    const uint8_t* ext = info + 120;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ext), 9), "LAME3.100");
    EXPECT_EQ((ext[21] << 4) | (ext[22] >> 4), 576);
    EXPECT_EQ(((ext[22] & 15) << 8) | ext[23], 1234);
    EXPECT_EQ((ext[34] << 8) | ext[35], LMp3TagCrc(frame.data(), size_t(ext + 34 - frame.data())));

    facts.firstHeader = 0x12345678; // no frame header
    EXPECT_FALSE(LMp3BuildInfoFrame(facts, frame));
}

TEST(Mp3OutputRate, FrameBitratesOfEachMpegVersion)
{
    struct Case
    {
        int64_t kbps;
        uint32_t rate;
        int expected;
    };
    const Case cases[] = {
        {8, 44100, 32},    {320, 44100, 320}, {640, 48000, 320}, {0, 32000, 32},
        {192, 32000, 192}, {150, 44100, 160}, {144, 44100, 128}, {320, 22050, 160},
        {144, 24000, 144}, {8, 8000, 8},      {256, 11025, 160}, {-1, 16000, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LMp3NearestFrameBitrate(c.kbps, c.rate), c.expected) << c.kbps << " kbps at " << c.rate;
}

class Mp3EncoderSink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!InstallComponent())
            GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0 missing)";
    }

    // Encodes the test tones through the factory in blocks of `block` frames.
    bool Encode(const std::string& path, const LMp3EncoderOptions& options, int32_t rate, int channels,
                int64_t frames, int64_t block = 8192, LMp3EncoderSink** seen = nullptr)
    {
        const std::vector<int32_t> samples = Tones(rate, channels, frames);
        LSoundSinkPtr sink;
        CreateMp3SoundSink(sink, path.c_str(), options, rate, static_cast<uint8_t>(channels));
        if (seen)
            *seen = dynamic_cast<LMp3EncoderSink*>(sink.Get());
        for (int64_t at = 0; at < frames; at += block)
            sink->Write(samples.data() + at * channels, std::min(block, frames - at));
        EXPECT_EQ(sink->GetPosition(), sink->IsFailed() ? sink->GetPosition() : frames);
        return sink->Finish();
    }

    TempHome home_;
    TempDir dir_;
};

TEST_F(Mp3EncoderSink, TheComponentIsFoundInTheUsersComponentsFolder)
{
    char path[260];
    ASSERT_TRUE(LFindComponentFile(kMp3EncoderComponentName, path));
    EXPECT_EQ(std::string(path), ComponentsFolder(home_) + "/quavex4x64");
    LMp3EncoderComponent component;
    ASSERT_TRUE(component.IsLoaded());
    EXPECT_TRUE(component.HasLameTagFrame());
    ASSERT_TRUE(component.OpenEncoder());
    EXPECT_NE(component.GetEncoder(), nullptr);
    component.CloseEncoder(); // (LAME reports -3 for a context never set up)
    EXPECT_EQ(component.GetEncoder(), nullptr);
    for (const char* name : LMp3EncoderComponent::kFunctionNames)
        EXPECT_NE(name, nullptr);
    EXPECT_STREQ(LMp3EncoderComponent::kFunctionNames[0], "lame_init");
    EXPECT_STREQ(LMp3EncoderComponent::kFunctionNames[33], "lame_encode_buffer_interleaved_ieee_float");
}

TEST_F(Mp3EncoderSink, LibrariesThatMustNotOrCannotServeAreRefused)
{
    LMp3EncoderComponent component;
    ASSERT_TRUE(component.IsLoaded());

    // Any user could put code into a world-writable file.
    const std::string copy = dir_.Path("writable");
    ASSERT_EQ(quorin::test::RunCommand("cp " + Quote(BuiltComponent()) + " " + Quote(copy)), 0);
    ASSERT_EQ(chmod(copy.c_str(), 0666), 0);
    EXPECT_FALSE(component.LoadLibrary(copy.c_str()));
    ASSERT_EQ(chmod(copy.c_str(), 0644), 0);
    EXPECT_TRUE(component.LoadLibrary(copy.c_str()));
    EXPECT_TRUE(component.ResolveFunctions());

    // Not a library at all, and a library without LAME's names.
    WriteText(dir_.Path("text"), "not a library\n");
    EXPECT_FALSE(component.LoadLibrary(dir_.Path("text").c_str()));
    EXPECT_FALSE(component.ResolveFunctions());
    EXPECT_FALSE(component.LoadLibrary(dir_.Path("missing").c_str()));
    const std::string libm = quorin::test::CaptureCommand(
        "/sbin/ldconfig -p | sed -n 's/.*libm.so.6 (libc6,x86-64) => //p' | head -1");
    if (!libm.empty()) {
        ASSERT_TRUE(component.LoadLibrary(libm.substr(0, libm.find('\n')).c_str()));
        EXPECT_FALSE(component.ResolveFunctions());
    }
}

// What each setting gives, as the reference tools see the file: the rate,
// the bitrate and the channel mode of the rules, and the exact length.
TEST_F(Mp3EncoderSink, FilesPlayWithTheRateBitrateModeAndExactLength)
{
    QUORIN_REQUIRE_TOOL("mpg123");
    QUORIN_REQUIRE_TOOL("ffprobe");
    QUORIN_REQUIRE_TOOL("ffmpeg");
    struct Case
    {
        const char* name;
        int32_t rate;
        int channels;
        LMp3EncoderOptions options;
        const char* description; // mpg123's first frame: version, bitrate kind, rate, mode
        int bitrate;             // ffprobe's kbps for constant bit rate, 0 otherwise
        int outputChannels;
        // The writer's own tag frame precedes the stream: ffprobe's average
        // bitrate includes it.
        bool ownTag = false;
        bool readerExact = true;
    };
    const Case cases[] = {
        {"cbr-stereo", 44100, 2, Cbr(128, 0), "MPEG 1.0 L III cbr128 44100 stereo", 128, 2},
        {"cbr-joint", 44100, 2, Cbr(192, 1), "MPEG 1.0 L III cbr192 44100 j-s", 192, 2},
        {"cbr-force", 44100, 2, Cbr(160, 2), "MPEG 1.0 L III cbr160 44100 j-s", 160, 2},
        {"cbr-downmix", 44100, 2, Cbr(96, 3), "MPEG 1.0 L III cbr96 44100 mono", 96, 1},
        {"cbr-48k", 48000, 2, Cbr(192), "MPEG 1.0 L III cbr192 48000 stereo", 192, 2},
        {"cbr-32k", 32000, 2, Cbr(192), "MPEG 1.0 L III cbr192 32000 stereo", 192, 2},
        {"cbr-mono", 44100, 1, Cbr(128), "MPEG 1.0 L III cbr128 44100 mono", 128, 1},
        {"cbr-mono-top", 48000, 1, Cbr(320), "MPEG 1.0 L III cbr320 48000 mono", 320, 1},
        {"cbr-mode-7", 44100, 2, Cbr(128, 7), "MPEG 1.0 L III cbr128 44100 stereo", 128, 2},
        {"cbr-22k", 22050, 2, Cbr(128), "MPEG 2.0 L III cbr128 22050 stereo", 128, 2},
        {"cbr-22k-up", 22050, 2, Cbr(192), "MPEG 1.0 L III cbr192 44100 stereo", 192, 2},
        {"cbr-24k-crc", 24000, 2,
         [] {
             LMp3EncoderOptions o = Cbr(96);
             o.ErrorProtection = true;
             return o;
         }(),
         "MPEG 2.0 L III cbr96 24000 stereo", 96, 2},
        {"cbr-16k", 16000, 1, Cbr(64), "MPEG 2.0 L III cbr64 16000 mono", 64, 1},
        {"cbr-11k-up", 11025, 1, Cbr(128), "MPEG 2.0 L III cbr128 22050 mono", 128, 1},
        {"cbr-11k", 11025, 2, Cbr(48), "MPEG 2.5 L III cbr48 11025 stereo", 48, 2},
        {"cbr-8k", 8000, 1, Cbr(64), "MPEG 2.5 L III cbr64 8000 mono", 64, 1},
        // Frames too small for the encoder's tag frame: the writer adds its own.
        {"cbr-16k-low", 16000, 1, Cbr(32), "MPEG 2.0 L III cbr32 16000 mono", 32, 1, true},
        {"cbr-8k-low", 8000, 1, Cbr(16), "MPEG 2.5 L III cbr16 8000 mono", 16, 1, true},
        {"cbr-8-stereo", 44100, 2, Cbr(8), "MPEG 2.0 L III cbr8 22050 stereo", 8, 2, true},
        {"cbr-24-crc", 44100, 2,
         [] {
             LMp3EncoderOptions o = Cbr(24, 1);
             o.ErrorProtection = true;
             return o;
         }(),
         "MPEG 2.0 L III cbr24 22050 j-s", 24, 2, true},
        {"cbr-48k-40", 48000, 2, Cbr(40), "MPEG 1.0 L III cbr40 48000 stereo", 40, 2, true},
        {"cbr-mono-48", 44100, 1, Cbr(48), "MPEG 1.0 L III cbr48 44100 mono", 48, 1, true},
        {"vbr-stereo", 44100, 2, Vbr(2), "MPEG 1.0 L III vbr 44100 stereo", 0, 2},
        {"vbr-joint-48k", 48000, 2, Vbr(5, 32, 320, 1), "MPEG 1.0 L III vbr 48000 j-s", 0, 2},
        {"vbr-mono-32k", 32000, 1, Vbr(0), "MPEG 1.0 L III vbr 32000 mono", 0, 1},
        {"vbr-22k", 44100, 2, Vbr(4, 8, 160), "MPEG 2.0 L III vbr 22050 stereo", 0, 2},
        {"vbr-16k", 16000, 2, Vbr(6, 32, 160), "MPEG 2.0 L III vbr 16000 stereo", 0, 2},
        {"abr-stereo", 44100, 2, Abr(128), "MPEG 1.0 L III abr128 44100 stereo", 0, 2},
        {"abr-joint-48k", 48000, 2, Abr(192, 1), "MPEG 1.0 L III abr192 48000 j-s", 0, 2},
        {"abr-mono-24k", 24000, 1, Abr(64, 0, 160), "MPEG 2.0 L III abr64 24000 mono", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.Path(std::string(c.name) + ".mp3");
        // 1.7 s: a length that ends inside a frame, in blocks that are not the pump's.
        const int64_t frames = c.rate * 17 / 10 + 3;
        LMp3EncoderSink* sink = nullptr;
        ASSERT_TRUE(Encode(path, c.options, c.rate, c.channels, frames, 5000, &sink));
        EXPECT_EQ(Mpg123Description(path), c.description);
        const uint32_t out = LMp3ChooseOutputRate(c.rate, c.options);
        std::string stream = std::to_string(out) + "," + std::to_string(c.outputChannels);
        const std::string probed = FfprobeStream(path);
        if (c.bitrate != 0 && !c.ownTag) {
            EXPECT_EQ(probed, stream + "," + std::to_string(c.bitrate * 1000));
        } else {
            ASSERT_EQ(probed.substr(0, stream.size() + 1), stream + ",");
            if (c.bitrate != 0) {
                const double average = std::atof(probed.c_str() + stream.size() + 1);
                EXPECT_GE(average, c.bitrate * 1000.0);
                EXPECT_LE(average, c.bitrate * 1120.0); // one larger frame in under two seconds
            }
        }
        // The encoder resamples to the output rate: its length is the input's, scaled.
        const int64_t expected = out == uint32_t(c.rate) ? frames : frames * out / c.rate;
        EXPECT_NEAR(double(Mpg123Frames(path, c.outputChannels)), double(expected),
                    out == uint32_t(c.rate) ? 0 : 1);
        EXPECT_NEAR(double(FfmpegFrames(path, c.outputChannels)), double(expected),
                    out == uint32_t(c.rate) ? 0 : 1);
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, path.c_str());
        ASSERT_EQ(source->GetStatus(), 0);
        EXPECT_EQ(source->GetRate(), int32_t(out));
        EXPECT_EQ(source->GetChannels(), c.outputChannels);
        if (c.readerExact) {
            EXPECT_NEAR(double(source->GetLength()), double(expected), out == uint32_t(c.rate) ? 0 : 1);
        }
    }
}

// The samples arrive where they belong: the left tone on the left, at the
// input's level, from the first sample on (the length is exact, so the
// decode lines up with the input).
TEST_F(Mp3EncoderSink, DecodedSamplesMatchTheInput)
{
    struct Case
    {
        int channels;
        LMp3EncoderOptions options;
    };
    const Case cases[] = {{2, Cbr(192)}, {1, Cbr(128)}, {2, Vbr(2)}, {3, Cbr(192)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        const std::string path = dir_.Path("match.mp3");
        const int64_t frames = 44100;
        ASSERT_TRUE(Encode(path, c.options, 44100, c.channels, frames));
        const std::vector<int32_t> input = Tones(44100, c.channels, frames);
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, path.c_str());
        ASSERT_EQ(source->GetLength(), frames);
        const int outChannels = c.channels > 2 ? 2 : c.channels;
        ASSERT_EQ(source->GetChannels(), outChannels);
        std::vector<int32_t> decoded(static_cast<size_t>(frames * outChannels));
        source->Read(decoded.data(), frames);
        for (int ch = 0; ch < outChannels; ++ch) {
            double error = 0.0, signal = 0.0;
            for (int64_t i = 0; i < frames; ++i) {
                const double want = input[size_t(i * c.channels + ch)];
                const double got = decoded[size_t(i * outChannels + ch)];
                error += (got - want) * (got - want);
                signal += want * want;
            }
            // The reference encoder's own files of these tones come out at
            // 26 dB (mono) and better; a swapped or misscaled channel at 0 or below.
            EXPECT_GT(10.0 * std::log10(signal / error), 20.0) << "channel " << ch;
        }
    }
}

TEST_F(Mp3EncoderSink, PositionCountsEveryFrameAndTheFileReplacesTheDestinationWhole)
{
    const std::string path = dir_.Path("song.mp3");
    WriteText(path, "the old contents");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    {
        LSoundSinkPtr sink;
        CreateMp3SoundSink(sink, path.c_str(), Cbr(128), 44100, 2);
        ASSERT_FALSE(sink->IsFailed());
        auto* mp3 = dynamic_cast<LMp3EncoderSink*>(sink.Get());
        ASSERT_NE(mp3, nullptr);
        EXPECT_EQ(mp3->GetOutputRate(), 44100u);
        EXPECT_EQ(mp3->GetFrameBitrate(), 128);
        // The first call hands out the (still empty) tag frame; the next short
        // block the encoder keeps to itself, yet its frames were taken.
        const std::vector<int32_t> samples = Tones(44100, 2, 100);
        sink->Write(samples.data(), 100);
        sink->Write(samples.data(), 100);
        EXPECT_EQ(mp3->GetLastOutputBytes(), 0);
        EXPECT_EQ(sink->GetPosition(), 200);
        const std::vector<int32_t> more = Tones(44100, 2, 20000);
        sink->Write(more.data(), 20000); // more than a block at once
        EXPECT_EQ(sink->GetPosition(), 20200);
        sink->Truncate(0); // an MP3 stream cannot be cut back
        EXPECT_EQ(sink->GetPosition(), 20200);
        // Until the stream is complete the destination holds the old file.
        EXPECT_EQ(ReadBytes(path).size(), std::string("the old contents").size());
    } // the last handle's release completes the file
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes[0], 0xFF);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(FolderNames(dir_.Path()), std::vector<std::string>{"song.mp3"});
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    EXPECT_EQ(source->GetLength(), 20200);

    // A link at the destination stays a link to the new file.
    const std::string link = dir_.Path("link.mp3");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(Encode(link, Cbr(64), 44100, 1, 30000));
    struct stat linkInfo;
    ASSERT_EQ(lstat(link.c_str(), &linkInfo), 0);
    EXPECT_TRUE(S_ISLNK(linkInfo.st_mode));
    LOpenAudioFileSource(source, link.c_str());
    EXPECT_EQ(source->GetLength(), 30000);
    EXPECT_EQ(source->GetChannels(), 1);
}

TEST_F(Mp3EncoderSink, FinishReportsOnceAndLaterWritesAreDropped)
{
    const std::string path = dir_.Path("twice.mp3");
    LSoundSinkPtr sink;
    CreateMp3SoundSink(sink, path.c_str(), Vbr(4), 48000, 2);
    const std::vector<int32_t> samples = Tones(48000, 2, 4800);
    sink->Write(samples.data(), 4800);
    EXPECT_TRUE(sink->Finish());
    const std::vector<uint8_t> first = ReadBytes(path);
    sink->Write(samples.data(), 4800);
    EXPECT_EQ(sink->GetPosition(), 4800);
    EXPECT_TRUE(sink->Finish());
    EXPECT_EQ(ReadBytes(path), first);
}

TEST_F(Mp3EncoderSink, AnEmptyPathEncodesAndDiscards)
{
    LMp3EncoderSink direct("", Cbr(128), 44100, 2);
    EXPECT_FALSE(direct.IsFailed());
    const std::vector<int32_t> samples = Tones(44100, 2, 10000);
    direct.Write(samples.data(), 10000);
    EXPECT_EQ(direct.GetPosition(), 10000);
    EXPECT_GT(direct.GetLastOutputBytes(), 0);
    EXPECT_TRUE(direct.Finish());

    // The factory has no file to make: the failed null sink.
    LSoundSinkPtr sink;
    CreateMp3SoundSink(sink, "", Cbr(128), 48000, 2);
    EXPECT_TRUE(sink->IsFailed());
    EXPECT_EQ(sink->GetRate(), 44100u);
    EXPECT_EQ(sink->GetChannels(), 1);
}

TEST_F(Mp3EncoderSink, StoredBitratesOutsideTheListNeverReachTheEncoderAsInvalid)
{
    struct Case
    {
        uint16_t stored;
        int channels;
        int expected;
    };
    // 0 once divided the ratio; mono once asked for twice the bitrate (640).
    // (0 becomes 8 kbps, which the output rate rule codes at 22050 Hz.)
    const Case cases[] = {{0, 2, 8}, {100, 2, 96}, {320, 1, 320}, {1000, 1, 320}, {65535, 2, 320}};
    for (const Case& c : cases) {
        LMp3EncoderSink sink("", Cbr(c.stored), 44100, static_cast<uint8_t>(c.channels));
        EXPECT_FALSE(sink.IsFailed()) << c.stored;
        EXPECT_EQ(sink.GetFrameBitrate(), c.expected) << c.stored;
    }
}

TEST_F(Mp3EncoderSink, ZeroChannelsOrRateGiveAFailedSink)
{
    LMp3EncoderSink noChannels("", Cbr(128), 44100, 0);
    EXPECT_TRUE(noChannels.IsFailed());
    EXPECT_EQ(noChannels.GetChannels(), 1);
    LMp3EncoderSink noRate("", Cbr(128), 0, 2);
    EXPECT_TRUE(noRate.IsFailed());
    EXPECT_FALSE(noRate.IsEncoderAvailable());
}

class Mp3EncoderSinkFailures : public ::testing::Test
{
protected:
    TempHome home_;
    TempDir dir_;
};

// Without the component nothing can be encoded: the sink is failed from the
// start and the destination keeps what it held (or stays absent).
TEST_F(Mp3EncoderSinkFailures, MissingComponent)
{
    char beside[4096];
    const ssize_t n = readlink("/proc/self/exe", beside, sizeof beside - 1);
    ASSERT_GT(n, 0);
    beside[n] = '\0';
    const std::string program(beside);
    ASSERT_FALSE(Exists(program.substr(0, program.rfind('/')) + "/quavex4x64"))
        << "a component beside the test program would be found";
    char found[260];
    EXPECT_FALSE(LFindComponentFile(kMp3EncoderComponentName, found));
    EXPECT_TRUE(Exists(ComponentsFolder(home_))) << "the components folder is made when missing";

    const std::string fresh = dir_.Path("fresh.mp3");
    const std::string existing = dir_.Path("existing.mp3");
    WriteText(existing, "keep me");
    for (const std::string& path : {fresh, existing}) {
        LSoundSinkPtr sink;
        CreateMp3SoundSink(sink, path.c_str(), Cbr(128), 44100, 2);
        EXPECT_TRUE(sink->IsFailed());
        const std::vector<int32_t> samples = Tones(44100, 2, 8192);
        sink->Write(samples.data(), 8192);
        EXPECT_EQ(sink->GetPosition(), 0);
        EXPECT_FALSE(sink->Finish());
    }
    EXPECT_FALSE(Exists(fresh));
    EXPECT_EQ(ReadBytes(existing).size(), 7u);
    EXPECT_EQ(FolderNames(dir_.Path()), std::vector<std::string>{"existing.mp3"});
}

TEST_F(Mp3EncoderSinkFailures, UnwritableOutput)
{
    ASSERT_TRUE(InstallComponent());
    WriteText(dir_.Path("file"), "x");
    mkdir(dir_.Path("folder.mp3").c_str(), 0777);
    const std::string longName = dir_.Path(std::string(300, 'a') + ".mp3");
    const std::string paths[] = {dir_.Path("missing/out.mp3"), dir_.Path("file/out.mp3"),
                                 dir_.Path("folder.mp3"), longName};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        LSoundSinkPtr sink;
        CreateMp3SoundSink(sink, path.c_str(), Cbr(128), 48000, 2);
        EXPECT_TRUE(sink->IsFailed());
        EXPECT_FALSE(sink->Finish());
    }
    EXPECT_FALSE(Exists(dir_.Path("missing")));
    EXPECT_EQ(FolderNames(dir_.Path()), (std::vector<std::string>{"file", "folder.mp3"}));
    EXPECT_EQ(FolderNames(dir_.Path("folder.mp3")), std::vector<std::string>{});
}

// A write that the disk refuses (here: the file-size limit) fails the sink,
// and the partial stream never reaches the destination.
TEST_F(Mp3EncoderSinkFailures, FailingWrite)
{
    ASSERT_TRUE(InstallComponent());
    const std::string path = dir_.Path("partial.mp3");
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    bool finished = true;
    int64_t position = 0;
    {
        LSoundSinkPtr sink;
        CreateMp3SoundSink(sink, path.c_str(), Cbr(320), 44100, 2);
        ASSERT_FALSE(sink->IsFailed());
        struct rlimit small = saved;
        small.rlim_cur = 20000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const std::vector<int32_t> samples = Tones(44100, 2, 8192);
        for (int i = 0; i < 20 && !sink->IsFailed(); ++i)
            sink->Write(samples.data(), 8192);
        position = sink->GetPosition();
        finished = sink->Finish();
        setrlimit(RLIMIT_FSIZE, &saved);
    }
    signal(SIGXFSZ, previous);
    EXPECT_FALSE(finished);
    EXPECT_LT(position, 20 * 8192);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(FolderNames(dir_.Path()), std::vector<std::string>{});
}

} // namespace
