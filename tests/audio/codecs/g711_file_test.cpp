// A-law and mu-law WAV files through the WAV opener and the sink factory:
// sox's files decode to sox's samples, ours open everywhere with the right
// format and samples, headers and pad bytes, reading edges, short writes.
// Also the GSM and IMA ADPCM readers and the GSM writer as the opener and
// factory hand them out.

#include "audio/codecs/CodecTestFiles.h"
#include "audio/formats/g711/LG711.h"
#include "audio/formats/g711/LG711SoundSink.h"
#include "audio/formats/g711/LG711SoundSource.h"
#include "audio/formats/gsm/LGsmSoundSource.h"
#include "audio/formats/ima/LImaAdpcmSoundSource.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWavSampleWriter.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

// Writes 16-bit samples through a sink in uneven pieces (at most 8192 frames each).
void WriteAll(LSoundSinkPtr& sink, const std::vector<int16_t>& pcm, int channels)
{
    const int64_t frames = static_cast<int64_t>(pcm.size()) / channels;
    std::vector<int32_t> block;
    int64_t at = 0;
    for (int step = 1; at < frames; ++step) {
        const int64_t n = std::min<int64_t>(frames - at, step * 1237 % kSoundBlockFrames + 1);
        block.resize(static_cast<size_t>(n * channels));
        for (int64_t i = 0; i < n * channels; ++i)
            block[i] = pcm[at * channels + i] * 16;
        sink->Write(block.data(), n);
        at += n;
    }
}

struct G711Case
{
    const char* name;
    uint16_t tag;
    const char* soxEncoding;
    const char* soxiName;
    const char* ffprobeCodec;
    const char* sndfileFormat;
    int channels;
};

const G711Case kCases[] = {
    {"AlawMono", 6, "a-law", "A-law", "pcm_alaw", "Format      : 0x00010011", 1},
    {"AlawStereo", 6, "a-law", "A-law", "pcm_alaw", "Format      : 0x00010011", 2},
    {"MulawMono", 7, "u-law", "u-law", "pcm_mulaw", "Format      : 0x00010010", 1},
    {"MulawStereo", 7, "u-law", "u-law", "pcm_mulaw", "Format      : 0x00010010", 2},
};

} // namespace

class G711Files : public ::testing::TestWithParam<G711Case>
{
protected:
    TempDir dir_;
};

TEST_P(G711Files, SoxFilesDecodeToSoxsSamples)
{
    const G711Case& c = GetParam();
    QUORIN_REQUIRE_TOOL("sox");
    const std::vector<int16_t> pcm = SpeechLikeSignal(8000 * 2 + 3, c.channels, 8000, 3);
    const std::string in = dir_.Path("in.wav"), coded = dir_.Path("coded.wav");
    ASSERT_TRUE(WriteWav16(in, 8000, c.channels, pcm));
    ASSERT_EQ(RunCommand("sox -D " + Quote(in) + " -e " + c.soxEncoding + " " + Quote(coded)), 0);
    const std::vector<int16_t> theirs = SoxDecode(coded, dir_.Path("coded.raw"));

    LSoundSourcePtr source;
    LWavFileInfo info;
    LOpenWavSoundSource(source, coded.c_str(), &info);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(info.formatTag, c.tag);
    EXPECT_EQ(source->GetChannels(), c.channels);
    EXPECT_EQ(source->GetRate(), 8000);
    EXPECT_EQ(source->GetPeakLimit(), kG711PeakLimit);
    ASSERT_EQ(source->GetLength() * c.channels, static_cast<int64_t>(theirs.size()));
    const std::vector<int32_t> ours = ReadFrames(source, source->GetLength());
    for (size_t i = 0; i < theirs.size(); ++i)
        ASSERT_EQ(ours[i], theirs[i] * 16) << "sample " << i;
}

TEST_P(G711Files, OurFilesOpenEverywhereWithTheRightFormatAndSamples)
{
    const G711Case& c = GetParam();
    QUORIN_REQUIRE_TOOL("sox");
    const std::vector<int16_t> pcm = SpeechLikeSignal(8000 * 2 + 1, c.channels, 8000, 8);
    const int64_t frames = static_cast<int64_t>(pcm.size()) / c.channels;
    const std::string path = dir_.Path("ours.wav");
    {
        LWaveFormatBlock format;
        format.formatTag = c.tag;
        format.channels = static_cast<uint16_t>(c.channels);
        format.sampleRate = 8000;
        format.bitsPerSample = 8;
        LSoundSinkPtr sink;
        CreateSoundSinkForFormat(sink, path.c_str(), format);
        ASSERT_FALSE(sink->IsFailed());
        WriteAll(sink, pcm, c.channels);
        EXPECT_TRUE(sink->Finish());
    }
    EXPECT_EQ(CaptureCommand("soxi -e " + Quote(path)), std::string(c.soxiName) + "\n");
    EXPECT_EQ(CaptureCommand("soxi -r " + Quote(path)), "8000\n");
    EXPECT_EQ(CaptureCommand("soxi -c " + Quote(path)), std::to_string(c.channels) + "\n");
    EXPECT_EQ(CaptureCommand("soxi -s " + Quote(path)), std::to_string(frames) + "\n");
    if (HaveTool("ffprobe")) {
        const std::string probe = CaptureCommand(
            "ffprobe -v error -count_packets -show_entries stream=codec_name,sample_rate,channels,"
            "duration_ts -of default=nw=1 " +
            Quote(path));
        EXPECT_NE(probe.find(std::string("codec_name=") + c.ffprobeCodec), std::string::npos) << probe;
        EXPECT_NE(probe.find("sample_rate=8000"), std::string::npos) << probe;
        EXPECT_NE(probe.find("channels=" + std::to_string(c.channels)), std::string::npos) << probe;
        EXPECT_NE(probe.find("duration_ts=" + std::to_string(frames)), std::string::npos) << probe;
    }
    if (HaveTool("sndfile-info")) {
        const std::string info = CaptureCommand("sndfile-info " + Quote(path));
        EXPECT_NE(info.find(c.sndfileFormat), std::string::npos) << info;
        EXPECT_NE(info.find("Sample Rate : 8000"), std::string::npos) << info;
        EXPECT_NE(info.find("Channels    : " + std::to_string(c.channels)), std::string::npos) << info;
        EXPECT_NE(info.find("Frames      : " + std::to_string(frames)), std::string::npos) << info;
    }

    // sox and we expand the same codes to the same samples, and the codes
    // are the ones our encoder gives the original.
    const std::vector<int16_t> theirs = SoxDecode(path, dir_.Path("ours.raw"));
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    const std::vector<int32_t> ours = ReadFrames(source, source->GetLength());
    ASSERT_EQ(theirs.size(), pcm.size());
    ASSERT_EQ(ours.size(), pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) {
        ASSERT_EQ(ours[i], theirs[i] * 16) << i;
        uint8_t code;
        if (c.tag == 6)
            LLinearToALaw(code, pcm[i] * 16);
        else
            LLinearToMuLaw(code, pcm[i] * 16);
        ASSERT_EQ(ours[i], c.tag == 6 ? LALawToInternal(code) : LMuLawToInternal(code)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Codings, G711Files, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<G711Case>& info) {
                             return std::string(info.param.name);
                         });

TEST(G711Header, LayoutPadByteAndResume)
{
    TempDir dir;
    const std::string path = dir.Path("h.wav");
    {
        LSoundSinkPtr sink;
        CreateWavSampleWriter(sink, path.c_str(), 11025, 1, 7, 0);
        ASSERT_FALSE(sink->IsFailed());
        std::vector<int32_t> samples(3, 0);
        sink->Write(samples.data(), 3);
    }
    std::vector<uint8_t> b = wavtest::ReadFile(path);
    // 58 + 3 data bytes + one pad byte, counted by the RIFF size only.
    ASSERT_EQ(b.size(), 62u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(wavtest::GetLe32(b, 4), 54u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(wavtest::GetLe32(b, 16), 18u);
    EXPECT_EQ(wavtest::GetLe16(b, 20), 7);
    EXPECT_EQ(wavtest::GetLe16(b, 22), 1);
    EXPECT_EQ(wavtest::GetLe32(b, 24), 11025u);
    EXPECT_EQ(wavtest::GetLe32(b, 28), 11025u);
    EXPECT_EQ(wavtest::GetLe16(b, 32), 1);
    EXPECT_EQ(wavtest::GetLe16(b, 34), 8);
    EXPECT_EQ(wavtest::GetLe16(b, 36), 0);
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 42), "fact");
    EXPECT_EQ(wavtest::GetLe32(b, 42), 4u);
    EXPECT_EQ(wavtest::GetLe32(b, 46), 3u);
    EXPECT_EQ(std::string(b.begin() + 50, b.begin() + 54), "data");
    EXPECT_EQ(wavtest::GetLe32(b, 54), 3u);
    EXPECT_EQ(b[58], 0xFF); // mu-law zero
    EXPECT_EQ(b[61], 0x00);

    // Resuming at frame 2 drops what followed and goes on from there.
    {
        LSoundSinkPtr sink;
        CreateWavSampleWriter(sink, path.c_str(), 11025, 1, 7, 2);
        ASSERT_FALSE(sink->IsFailed());
        EXPECT_EQ(sink->GetPosition(), 2);
        std::vector<int32_t> samples(2, 524288);
        sink->Write(samples.data(), 2);
    }
    b = wavtest::ReadFile(path);
    ASSERT_EQ(b.size(), 62u);
    EXPECT_EQ(wavtest::GetLe32(b, 46), 4u);
    EXPECT_EQ(wavtest::GetLe32(b, 54), 4u);
    EXPECT_EQ(b[60], 0x80);
    EXPECT_EQ(b[61], 0x80);

    // Other tags are not the G.711 writer's.
    LSoundSinkPtr other;
    CreateWavSampleWriter(other, dir.Path("pcm.wav").c_str(), 44100, 2, 1, 0);
    EXPECT_TRUE(other->IsFailed());
}

TEST(G711Source, ReadingEdges)
{
    TempDir dir;
    const std::string path = dir.Path("e.wav");
    // 10 stereo A-law frames but only 15 bytes in the file.
    {
        LSoundSinkPtr sink;
        CreateWavSampleWriter(sink, path.c_str(), 8000, 2, 6, 0);
        std::vector<int32_t> ramp(20);
        for (int i = 0; i < 20; ++i)
            ramp[i] = (i + 1) * 20000;
        sink->Write(ramp.data(), 10);
    }
    std::vector<uint8_t> bytes = wavtest::ReadFile(path);
    bytes.resize(58 + 15);
    ASSERT_TRUE(wavtest::WriteFile(path, bytes));

    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetLength(), 7); // whole frames the file holds
    std::vector<int32_t> out(20, 99);
    source->Read(out.data(), 10);
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(out[i], LALawToInternal(bytes[58 + i])) << i;
    for (int i = 14; i < 20; ++i)
        EXPECT_EQ(out[i], 0) << i;
    EXPECT_EQ(source->GetPosition(), 10);

    // From -3: three zero frames, then the first frames.
    source->Seek(-3);
    std::fill(out.begin(), out.end(), 99);
    source->Read(out.data(), 5);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(out[i], 0);
    for (int i = 6; i < 10; ++i)
        EXPECT_EQ(out[i], LALawToInternal(bytes[58 + i - 6]));
    EXPECT_EQ(source->GetPosition(), 2);
    source->Seek(-10);
    source->Read(out.data(), 10);
    for (int v : out)
        EXPECT_EQ(v, 0);
}

TEST(G711Source, PartialFrameOfAGrowingFileStaysInStep)
{
    // A data size of 0xFFFFFFFF: the length follows the file, which another
    // writer may still be extending; a half frame read now is read again whole later.
    TempDir dir;
    const std::string path = dir.Path("g.wav");
    {
        LSoundSinkPtr sink;
        CreateWavSampleWriter(sink, path.c_str(), 8000, 2, 7, 0);
        std::vector<int32_t> samples(40);
        for (int i = 0; i < 40; ++i)
            samples[i] = (i % 2 ? -1 : 1) * (i + 1) * 9000;
        sink->Write(samples.data(), 20);
    }
    std::vector<uint8_t> full = wavtest::ReadFile(path);
    for (int i = 0; i < 4; ++i)
        full[54 + i] = 0xFF;
    std::vector<uint8_t> partial(full.begin(), full.begin() + 58 + 11);
    ASSERT_TRUE(wavtest::WriteFile(path, partial));
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    std::vector<int32_t> first(12);
    source->Read(first.data(), 5);
    ASSERT_TRUE(wavtest::WriteFile(path, full)); // the writer went on (same inode)
    std::vector<int32_t> second(30);
    source->Read(second.data(), 15);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(first[i], LMuLawToInternal(full[58 + i])) << i;
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(second[i], LMuLawToInternal(full[58 + 10 + i])) << i;
}

TEST(G711Sink, ShortWriteFailsTheSinkAndLeavesNothingBehind)
{
    TempDir dir;
    const std::string path = dir.Path("short.wav");
    struct sigaction ignore
    {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 58 + 1001;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed, finished;
    {
        LSoundSinkPtr sink;
        CreateWavSampleWriter(sink, path.c_str(), 8000, 2, 6, 0);
        ASSERT_FALSE(sink->IsFailed());
        std::vector<int32_t> samples(2 * 4000, 1000);
        sink->Write(samples.data(), 4000);
        failed = sink->IsFailed();
        finished = sink->Finish();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_TRUE(failed);
    EXPECT_FALSE(finished);
    // A short file under the final name would read as a complete one.
    EXPECT_FALSE(PathExists(path));
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST(G711Sink, UnopenablePathGivesAFailedSink)
{
    TempDir dir;
    LSoundSinkPtr sink;
    CreateWavSampleWriter(sink, dir.Path("no/such/folder/x.wav").c_str(), 8000, 1, 6, 0);
    EXPECT_TRUE(sink->IsFailed());
    std::vector<int32_t> samples(100, 0);
    sink->Write(samples.data(), 100);
    EXPECT_FALSE(sink->Finish());
}

TEST(CodecOpener, GsmAndImaFilesComeWithTheirReaders)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    struct Case
    {
        const char* args;
        int channels;
        int32_t tag;
    };
    const Case cases[] = {{"-e gsm-full-rate", 1, 49}, {"-e ima-adpcm", 1, 17}, {"-e ima-adpcm", 2, 17}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const std::vector<int16_t> pcm = SpeechLikeSignal(8000, c.channels, 8000, 6);
        ASSERT_TRUE(WriteWav16(dir.Path("in.wav"), 8000, c.channels, pcm));
        ASSERT_EQ(
            RunCommand("sox -D " + Quote(dir.Path("in.wav")) + " " + c.args + " " + Quote(dir.Path("c.wav"))),
            0);
        LSoundSourcePtr source;
        LWavFileInfo info;
        LOpenWavSoundSource(source, dir.Path("c.wav").c_str(), &info);
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
        EXPECT_EQ(info.formatTag, c.tag);
        EXPECT_EQ(source->GetChannels(), c.channels);
        if (c.tag == 49)
            EXPECT_NE(dynamic_cast<LGsmSoundSource*>(source.Get()), nullptr);
        else
            EXPECT_NE(dynamic_cast<LImaAdpcmSoundSource*>(source.Get()), nullptr);
        EXPECT_GE(source->GetLength(), 8000);
    }

    // The factory's GSM sink, read back through the opener.
    LWaveFormatBlock format;
    format.formatTag = 49;
    format.channels = 1;
    format.sampleRate = 8000;
    format.bitsPerSample = 0;
    {
        LSoundSinkPtr sink;
        CreateSoundSinkForFormat(sink, dir.Path("g.wav").c_str(), format);
        ASSERT_FALSE(sink->IsFailed());
        std::vector<int32_t> samples(1000, 3000);
        sink->Write(samples.data(), 1000);
    }
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, dir.Path("g.wav").c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetLength(), 1280);
}

TEST(CodecOpener, DamagedCodecHeadersGiveAStatus)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::vector<int16_t> pcm = SpeechLikeSignal(4000, 1, 8000, 12);
    ASSERT_TRUE(WriteWav16(dir.Path("in.wav"), 8000, 1, pcm));
    ASSERT_EQ(
        RunCommand("sox -D " + Quote(dir.Path("in.wav")) + " -e ima-adpcm " + Quote(dir.Path("ima.wav"))), 0);
    ASSERT_EQ(
        RunCommand("sox -D " + Quote(dir.Path("in.wav")) + " -e gsm-full-rate " + Quote(dir.Path("gsm.wav"))),
        0);
    ASSERT_EQ(RunCommand("sox -D " + Quote(dir.Path("in.wav")) + " -e a-law " + Quote(dir.Path("alaw.wav"))),
              0);

    // Offsets of fields in the "fmt " payload.
    constexpr size_t kChannels = 2, kBlockAlign = 12;
    struct Case
    {
        const char* name;
        const char* file;
        size_t field; // in the "fmt " payload; SIZE_MAX: cut the file instead
        uint16_t value;
        size_t keepDataBytes;
        uint8_t status;
        int64_t length; // -1: not checked
    };
    const Case cases[] = {
        {"IMA block align 2", "ima.wav", kBlockAlign, 2, 0, kSoundStatusBadParameters, -1},
        {"IMA block align 0", "ima.wav", kBlockAlign, 0, 0, kSoundStatusBadParameters, -1},
        {"IMA 200 channels in 256 bytes", "ima.wav", kChannels, 200, 0, kSoundStatusBadParameters, -1},
        {"IMA 0 channels", "ima.wav", kChannels, 0, 0, kSoundStatusBadParameters, -1},
        {"IMA cut inside the second block", "ima.wav", SIZE_MAX, 0, 256 + 50, kSoundStatusOk,
         505 + 2 * 50 - 7},
        {"GSM stereo", "gsm.wav", kChannels, 2, 0, kSoundStatusNotDecoded, -1},
        {"GSM cut inside the third block", "gsm.wav", SIZE_MAX, 0, 2 * 65 + 30, kSoundStatusOk, 640},
        {"A-law cut inside the data", "alaw.wav", SIZE_MAX, 0, 1234, kSoundStatusOk, 1234},
        {"A-law 255 channels", "alaw.wav", kChannels, 255, 0, kSoundStatusOk, 4000 / 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WavChunks wav = ReadWavChunks(dir.Path(c.file));
        std::vector<uint8_t> bytes = wavtest::ReadFile(dir.Path(c.file));
        size_t fmt = 12;
        while (fmt + 8 <= bytes.size() && std::memcmp(&bytes[fmt], "fmt ", 4) != 0)
            fmt += 8 + (bytes[fmt + 4] | bytes[fmt + 5] << 8 | bytes[fmt + 6] << 16 | bytes[fmt + 7] << 24);
        ASSERT_LT(fmt + 8, bytes.size());
        if (c.field == SIZE_MAX) {
            bytes.resize(wav.dataOffset + c.keepDataBytes);
        } else {
            bytes[fmt + 8 + c.field] = static_cast<uint8_t>(c.value);
            bytes[fmt + 8 + c.field + 1] = static_cast<uint8_t>(c.value >> 8);
        }
        const std::string damaged = dir.Path("damaged.wav");
        ASSERT_TRUE(wavtest::WriteFile(damaged, bytes));
        LSoundSourcePtr source;
        LOpenWavSoundSource(source, damaged.c_str());
        EXPECT_EQ(source->GetStatus(), c.status);
        if (c.length >= 0) {
            EXPECT_EQ(source->GetLength(), c.length);
        }
        std::vector<int32_t> buffer(static_cast<size_t>(4096) * source->GetChannels());
        for (int i = 0; i < 3; ++i)
            source->Read(buffer.data(), 4096);
        source->Seek(source->GetLength() / 2);
        source->Read(buffer.data(), 4096);
    }
}
