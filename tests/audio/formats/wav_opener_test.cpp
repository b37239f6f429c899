// Opening WAV files: the header walk, every format tag, damaged headers, and
// files written by sox and ffmpeg.

#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/WavTestSupport.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWavHeaders.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

using namespace wavtest;
using quorin::test::CaptureCommand;
using quorin::test::RunCommand;
using quorin::test::TempDir;

namespace {

struct Opened
{
    uint8_t status;
    LWavFileInfo info;
    int64_t length;
};

Opened OpenBytes(const Bytes& bytes)
{
    TempDir dir;
    std::string path = dir.Path("f.wav");
    EXPECT_TRUE(WriteFile(path, bytes));
    LSoundSourcePtr source;
    Opened o{};
    LOpenWavSoundSource(source, path.c_str(), &o.info);
    o.status = source->GetStatus();
    o.length = source->GetLength();
    return o;
}

Bytes Data(size_t frames, size_t frameBytes)
{
    return Chunk("data", Bytes(frames * frameBytes, 0x11));
}

TEST(WavOpener, HeaderWalkAndStatusCodes)
{
    Bytes pcm = Data(100, 4);
    Bytes fmtPcm = Chunk("fmt ", Fmt(1, 2, 44100, 16));
    Bytes foreign = Chunk("ABCD", Bytes(20, 1));
    Bytes leading = foreign;
    Bytes riff = Riff({fmtPcm, pcm});
    leading.insert(leading.end(), riff.begin(), riff.end());
    Bytes notWave = Chunk("RIFF", Bytes{'A', 'V', 'I', ' ', 0, 0, 0, 0});

    struct Case
    {
        const char* name;
        Bytes bytes;
        uint8_t status;
        int32_t tag;
        int64_t length;
    } cases[] = {
        {"plain", riff, kSoundStatusOk, 1, 100},
        {"leading foreign chunk", leading, kSoundStatusOk, 1, 100},
        {"fmt 16 bytes, no extra", riff, kSoundStatusOk, 1, 100},
        {"fmt 15 bytes", Riff({Chunk("fmt ", Bytes(15, 1)), pcm}), kSoundStatusBadParameters, 0, 0},
        {"fmt 8193 bytes", Riff({Chunk("fmt ", Bytes(8193, 1)), pcm}), kSoundStatusBadParameters, 0, 0},
        {"fmt cut short", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16), 40)}), kSoundStatusBadParameters, 0, 0},
        {"extensible PCM", Riff({Chunk("fmt ", FmtExtensible(1, 2, 44100, 16)), pcm}), kSoundStatusOk, 1,
         100},
        {"extensible float", Riff({Chunk("fmt ", FmtExtensible(3, 1, 44100, 32)), pcm}), kSoundStatusOk, 3,
         100},
        {"extensible without its fields", Riff({Chunk("fmt ", Fmt(0xFFFE, 2, 44100, 16, 0, 0)), pcm}),
         kSoundStatusUnsupported, 0xFFFE, 0},
        {"extensible with a short count", Riff({Chunk("fmt ", Fmt(0xFFFE, 2, 44100, 16, 0, 10)), pcm}),
         kSoundStatusUnsupported, 0xFFFE, 0},
        {"PCM 24-bit", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 24)), Data(100, 6)}), kSoundStatusOk, 1, 100},
        {"PCM 24 bits in 32-bit containers", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 24, 8)), Data(100, 8)}),
         kSoundStatusOk, 1, 100},
        {"PCM 0 bits", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 0, 4)), pcm}), kSoundStatusBadParameters, 1, 0},
        {"PCM 40 bits", Riff({Chunk("fmt ", Fmt(1, 2, 44100, 40)), pcm}), kSoundStatusUnsupported, 1, 0},
        {"float 16 bits", Riff({Chunk("fmt ", Fmt(3, 2, 44100, 16)), pcm}), kSoundStatusUnsupported, 3, 0},
        {"196001 Hz", Riff({Chunk("fmt ", Fmt(1, 2, 196001, 16)), pcm}), kSoundStatusBadParameters, 1, 0},
        {"0 Hz", Riff({Chunk("fmt ", Fmt(1, 2, 0, 16)), pcm}), kSoundStatusBadParameters, 1, 0},
        {"0 channels", Riff({Chunk("fmt ", Fmt(1, 0, 44100, 16, 4)), pcm}), kSoundStatusBadParameters, 1, 0},
        {"256 channels", Riff({Chunk("fmt ", Fmt(1, 256, 44100, 16, 4)), pcm}), kSoundStatusBadParameters, 1,
         0},
        {"tag 34", Riff({Chunk("fmt ", Fmt(34, 1, 8000, 4)), pcm}), kSoundStatusNotDecoded, 34, 0},
        {"tag 69", Riff({Chunk("fmt ", Fmt(69, 1, 8000, 4)), pcm}), kSoundStatusNotDecoded, 69, 0},
        {"tag 2", Riff({Chunk("fmt ", Fmt(2, 1, 8000, 4)), pcm}), kSoundStatusUnsupported, 2, 0},
        {"negative tag", Riff({Chunk("fmt ", Fmt(0x8001, 1, 8000, 16)), pcm}), kSoundStatusUnsupported,
         0x8001, 0},
        {"GSM stereo", Riff({Chunk("fmt ", Fmt(49, 2, 8000, 0, 65)), pcm}), kSoundStatusNotDecoded, 49, 0},
        {"IMA block too small", Riff({Chunk("fmt ", Fmt(17, 2, 8000, 4, 8)), pcm}), kSoundStatusBadParameters,
         17, 0},
        {"A-law 16 bits", Riff({Chunk("fmt ", Fmt(6, 1, 8000, 16)), pcm}), kSoundStatusBadParameters, 6, 0},
        {"no data chunk", Riff({fmtPcm}), kSoundStatusBadParameters, 1, 0},
        {"no fmt chunk", Riff({pcm}), kSoundStatusBadParameters, 0, 0},
        {"not WAVE", notWave, kSoundStatusBadParameters, 0, 0},
        {"empty", Bytes{}, kSoundStatusBadParameters, 0, 0},
        {"tiny chunk ahead", Bytes{'A', 'B', 'C', 'D', 2, 0, 0, 0, 0, 0, 0, 0}, kSoundStatusBadParameters, 0,
         0},
        {"huge chunk before data", Riff({fmtPcm, Chunk("LIST", Bytes(4, 0), 0x7FFFFFFF), pcm}),
         kSoundStatusBadParameters, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Opened o = OpenBytes(c.bytes);
        EXPECT_EQ(o.status, c.status);
        if (c.tag != 0) {
            EXPECT_EQ(o.info.formatTag, c.tag);
        }
        if (c.status == kSoundStatusOk) {
            EXPECT_EQ(o.length, c.length);
        }
    }

    LSoundSourcePtr source;
    LOpenWavSoundSource(source, "/nonexistent/folder/x.wav");
    EXPECT_EQ(source->GetStatus(), kSoundStatusCannotOpen);
}

TEST(WavOpener, OddChunkOrdersAndMetadataChunks)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 64; ++i)
        samples.push_back(static_cast<int16_t>(i * 100 - 3000));
    Bytes data = Chunk("data", Pcm16(samples));
    Bytes fmt = Chunk("fmt ", Fmt(1, 1, 32000, 16));
    Bytes info = Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'a', 'b', 0, 0});
    Bytes odd = Chunk("odd ", Bytes(7, 9)); // padded to 8
    Bytes fact = Chunk("fact", Bytes{64, 0, 0, 0});
    Bytes junk = Chunk("JUNK", Bytes(28, 0));
    struct Case
    {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"LIST and JUNK before fmt", Riff({info, junk, fmt, data})},
        {"odd-sized chunk and fact between", Riff({fmt, odd, fact, data, info})},
        {"data before fmt", Riff({data, fmt, info})},
        {"metadata after data", Riff({fmt, data, junk, info})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = dir.Path("o.wav");
        ASSERT_TRUE(WriteFile(path, c.bytes));
        LSoundSourcePtr source;
        LOpenWavSoundSource(source, path.c_str());
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
        EXPECT_EQ(source->GetRate(), 32000);
        ASSERT_EQ(source->GetLength(), 64);
        std::vector<int32_t> got(64);
        source->Read(got.data(), 64);
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(got[i], samples[i] * 16);
    }
}

TEST(WavOpener, Rf64TakesTheDataSizeFromDs64)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 64; ++i)
        samples.push_back(static_cast<int16_t>(i * 7));
    Bytes ds64;
    PutLe32(ds64, 0); // RIFF size, 64-bit (not used)
    PutLe32(ds64, 0);
    PutLe32(ds64, 128); // data size, 64-bit
    PutLe32(ds64, 0);
    PutLe32(ds64, 64); // sample count
    PutLe32(ds64, 0);
    PutLe32(ds64, 0); // table length
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : {Chunk("ds64", ds64), Chunk("fmt ", Fmt(1, 1, 8000, 16)),
                           Chunk("data", Pcm16(samples), 0xFFFFFFFF), Chunk("LIST", Bytes(40, 'x'))})
        body.insert(body.end(), c.begin(), c.end());
    Bytes file = Chunk("RF64", body, 0xFFFFFFFF);
    Opened o = OpenBytes(file);
    EXPECT_EQ(o.status, kSoundStatusOk);
    EXPECT_EQ(o.length, 64); // the LIST chunk after the data is not audio
    EXPECT_EQ(o.info.dataSize64, 128);
}

// Decodes path with sox to signed 32-bit samples.
std::vector<int32_t> SoxDecode(const TempDir& dir, const std::string& path)
{
    std::string raw = dir.Path("sox.raw");
    EXPECT_EQ(RunCommand("sox " + Quote(path) + " -t s32 -e signed -L " + Quote(raw)), 0);
    return ReadS32(raw);
}

std::vector<int32_t> OurDecode(const std::string& path, int64_t* frames = nullptr, int* channels = nullptr)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    EXPECT_EQ(source->GetStatus(), kSoundStatusOk);
    int64_t length = source->GetLength();
    std::vector<int32_t> v(static_cast<size_t>(length * source->GetChannels()));
    source->Read(v.data(), length);
    if (frames)
        *frames = length;
    if (channels)
        *channels = source->GetChannels();
    return v;
}

TEST(WavOpener, SoxPcmDecodesToSoxSamples)
{
    QUORIN_REQUIRE_TOOL("sox");
    struct Case
    {
        const char* args;
        int shift; // sox's 32-bit scale down to the internal scale
    } cases[] = {
        {"-r 22050 -c 1 -b 8", 12},  {"-r 44100 -c 2 -b 16", 12}, {"-r 48000 -c 2 -b 24", 12},
        {"-r 96000 -c 3 -b 24", 12}, {"-r 8000 -c 1 -b 32", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        TempDir dir;
        std::string path = dir.Path("in.wav");
        ASSERT_EQ(RunCommand(std::string("sox -n ") + c.args + " " + Quote(path) +
                             " synth 0.3 sine 440 sine 1234 sine 90 gain -1 dither"),
                  0);
        std::vector<int32_t> ref = SoxDecode(dir, path);
        std::vector<int32_t> ours = OurDecode(path);
        ASSERT_EQ(ours.size(), ref.size());
        for (size_t i = 0; i < ref.size(); ++i)
            ASSERT_EQ(ours[i], ref[i] >> c.shift) << i;
    }
}

TEST(WavOpener, SoxCodedFilesDecodeToSoxSamples)
{
    QUORIN_REQUIRE_TOOL("sox");
    const char* cases[] = {
        "-r 8000 -c 1 -e a-law",
        "-r 8000 -c 2 -e u-law",
        "-r 22050 -c 1 -e ima-adpcm",
        "-r 44100 -c 2 -e ima-adpcm",
    };
    for (const char* args : cases) {
        SCOPED_TRACE(args);
        TempDir dir;
        std::string path = dir.Path("in.wav");
        ASSERT_EQ(
            RunCommand(std::string("sox -n ") + args + " " + Quote(path) + " synth 0.3 sine 440 sine 1234"),
            0);
        std::vector<int32_t> ref = SoxDecode(dir, path);
        std::vector<int32_t> ours = OurDecode(path);
        ASSERT_EQ(ours.size(), ref.size());
        for (size_t i = 0; i < ref.size(); ++i)
            ASSERT_EQ(ours[i], ref[i] >> 12) << i;
    }
}

TEST(WavOpener, FfmpegFilesOpen)
{
    QUORIN_REQUIRE_TOOL("ffmpeg");
    QUORIN_REQUIRE_TOOL("sox");
    struct Case
    {
        const char* name;
        const char* args;
        int channels;
        int32_t tag;
    } cases[] = {
        {"extensible 6 channels", "-ac 6 -c:a pcm_s16le", 6, 1},
        {"extensible 24-bit", "-ac 2 -c:a pcm_s24le", 2, 1},
        {"32-bit float", "-ac 2 -c:a pcm_f32le", 2, 3},
        {"LIST/INFO", "-ac 2 -c:a pcm_s16le -metadata title=Song -metadata artist=Band", 2, 1},
        {"bext", "-ac 1 -c:a pcm_s16le -write_bext 1 -metadata description=Tape", 1, 1},
        {"JUNK reserved for ds64", "-ac 2 -c:a pcm_s16le -rf64 auto", 2, 1},
        {"u8", "-ac 1 -c:a pcm_u8", 1, 1},
        {"RF64", "-ac 2 -c:a pcm_s16le -rf64 always -metadata title=x", 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = dir.Path("ff.wav");
        ASSERT_EQ(
            RunCommand(std::string("ffmpeg -v error -nostdin -f lavfi -i sine=frequency=500:duration=0.25 "
                                   "-ar 44100 ") +
                       c.args + " -y " + Quote(path)),
            0);
        LSoundSourcePtr source;
        LWavFileInfo info;
        LOpenWavSoundSource(source, path.c_str(), &info);
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
        EXPECT_EQ(info.formatTag, c.tag);
        EXPECT_EQ(source->GetChannels(), c.channels);
        EXPECT_EQ(source->GetRate(), 44100);
        EXPECT_EQ(source->GetLength(), 11025);
        std::vector<int32_t> ref = SoxDecode(dir, path);
        std::vector<int32_t> ours = OurDecode(path);
        ASSERT_EQ(ours.size(), ref.size());
        for (size_t i = 0; i < ref.size(); ++i) {
            if (c.tag == 3) // float rounds on each side differently: within one internal step
                ASSERT_NEAR(ours[i], ref[i] >> 12, 1) << i;
            else
                ASSERT_EQ(ours[i], ref[i] >> 12) << i;
        }
    }
}

TEST(WavOpener, Mp3InsideWav)
{
    QUORIN_REQUIRE_TOOL("ffmpeg");
    TempDir dir;
    std::string path = dir.Path("mp3.wav");
    ASSERT_EQ(RunCommand("ffmpeg -v error -nostdin -f lavfi -i sine=frequency=500:duration=1 -ar 44100 -ac 2 "
                         "-c:a libmp3lame -b:a 128k -f wav -y " +
                         Quote(path)),
              0);
    LSoundSourcePtr source;
    LWavFileInfo info;
    LOpenWavSoundSource(source, path.c_str(), &info);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(info.formatTag, 85);
    EXPECT_EQ(source->GetRate(), 44100);
    EXPECT_EQ(source->GetChannels(), 2);
    // Without an encoder tag the encoder's delay and padding stay in: whole frames of 1152.
    EXPECT_GE(source->GetLength(), 44100);
    EXPECT_LE(source->GetLength(), 44100 + 2 * 1152);
    std::vector<int32_t> v(2 * 8192);
    source->Seek(10000);
    source->Read(v.data(), 8192);
    int32_t peak = 0;
    for (int32_t s : v)
        peak = std::max(peak, std::abs(s));
    EXPECT_GT(peak, 524288 / 16); // ffmpeg's test sine peaks near -21 dBFS: clearly not silence
}

TEST(WavOpener, TruncatedSoxFileOpensWithWhatIsThere)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    std::string path = dir.Path("in.wav");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(path) + " synth 1 sine 440"), 0);
    Bytes b = ReadFile(path);
    b.resize(b.size() - 4000 - 3); // cut mid-frame
    ASSERT_TRUE(WriteFile(path, b));
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetLength(), 44100 - 1001);
}

} // namespace
