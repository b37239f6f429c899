// GSM 06.10 WAV files (format 49): our reader on files sox writes, our
// writer's files in sox, ffprobe and sndfile-info, the block and header
// arithmetic, seeking, and damaged or short files.

#include "audio/codecs/CodecTestFiles.h"
#include "audio/formats/gsm/LGsmSoundSink.h"
#include "audio/formats/gsm/LGsmSoundSource.h"
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

// Opens a GSM source over the data chunk of path.
LSoundSourcePtr OpenGsm(const std::string& path, uint32_t* dataSizeOverride = nullptr)
{
    const WavChunks wav = ReadWavChunks(path);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        lseek(fd, static_cast<off_t>(wav.dataOffset), SEEK_SET);
    LSoundSourcePtr source;
    CreateGsmSoundSource(source, fd, dataSizeOverride ? *dataSizeOverride : wav.dataSizeField,
                         static_cast<int32_t>(wav.rate));
    return source;
}

std::vector<double> ToDouble(const std::vector<int16_t>& v)
{
    return std::vector<double>(v.begin(), v.end());
}

std::vector<int16_t> SoxDecode(const TempDir& dir, const std::string& wav)
{
    return quorin::test::SoxDecode(wav, dir.Path("decoded.raw"));
}

// Writes samples (16-bit values) through our sink, in uneven blocks.
bool WriteThroughSink(const std::string& path, uint32_t rate, const std::vector<int16_t>& pcm)
{
    LSoundSinkPtr sink;
    CreateGsmSoundSink(sink, path.c_str(), rate);
    if (sink->IsFailed())
        return false;
    std::vector<int32_t> block;
    size_t at = 0;
    int step = 1;
    while (at < pcm.size()) {
        const size_t n = std::min<size_t>(pcm.size() - at, static_cast<size_t>(step * 97 % 8192 + 1));
        block.assign(n, 0);
        for (size_t i = 0; i < n; ++i)
            block[i] = pcm[at + i] * 16;
        sink->Write(block.data(), static_cast<int64_t>(n));
        at += n;
        ++step;
    }
    const bool failed = sink->IsFailed();
    sink.Reset();
    return !failed;
}

} // namespace

// Our de-emphasis (880/1024 at the internal scale, no 13-bit truncation, no
// saturation) differs from the standard's (28180/32768, truncated to 13 bits
// and saturated at 16 bits), so sox's decode and ours, limited to 16-bit
// range the way sox limits its own, agree to within this signal-to-noise
// ratio. Unlimited, ours keeps the peaks that go beyond 16-bit full scale
// (for the pump's limiter to handle).
constexpr double kDecodeSnrVersusSoxDb = 50.0;

std::vector<double> LimitedTo16Bits(const std::vector<int32_t>& internal)
{
    std::vector<double> d(internal.size());
    for (size_t i = 0; i < internal.size(); ++i)
        d[i] = std::max(-32768.0, std::min(32767.0, internal[i] / 16.0));
    return d;
}

TEST(GsmFile, SoxFilesDecodeCloseToSoxsOwnDecode)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::vector<int16_t> pcm = SpeechLikeSignal(8000 * 3 + 100, 1, 8000);
    ASSERT_TRUE(WriteWav16(dir.Path("in.wav"), 8000, 1, pcm));
    ASSERT_EQ(
        RunCommand("sox -D " + Quote(dir.Path("in.wav")) + " -e gsm-full-rate " + Quote(dir.Path("g.wav"))),
        0);
    const std::vector<int16_t> theirs = SoxDecode(dir, dir.Path("g.wav"));
    LSoundSourcePtr source = OpenGsm(dir.Path("g.wav"));
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetRate(), 8000);
    EXPECT_EQ(source->GetChannels(), 1);
    EXPECT_EQ(source->GetPeakLimit(), 0xFFFE0u);
    ASSERT_EQ(source->GetLength(), static_cast<int64_t>(theirs.size()));
    const std::vector<int32_t> ours = ReadFrames(source, source->GetLength());
    EXPECT_GE(SnrDb(ToDouble(theirs), LimitedTo16Bits(ours)), kDecodeSnrVersusSoxDb);
    int32_t worst = 0;
    const std::vector<double> limited = LimitedTo16Bits(ours);
    for (size_t i = 0; i < ours.size(); ++i)
        worst = std::max(worst, static_cast<int32_t>(std::abs(limited[i] - theirs[i])));
    EXPECT_LT(worst, 400);
}

TEST(GsmFile, OurFilesOpenEverywhereWithTheRightFormat)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    // 50 blocks, the last one padded. (With an odd number of blocks
    // libsndfile counts the pad byte as the start of one more block, for
    // its own files as for ours.)
    const std::vector<int16_t> pcm = SpeechLikeSignal(320 * 50 - 100, 1, 8000, 9);
    const std::string path = dir.Path("ours.wav");
    ASSERT_TRUE(WriteThroughSink(path, 8000, pcm));
    const int64_t blocks = (static_cast<int64_t>(pcm.size()) + 319) / 320;

    EXPECT_EQ(CaptureCommand("soxi -e " + Quote(path)), "GSM\n");
    EXPECT_EQ(CaptureCommand("soxi -r " + Quote(path)), "8000\n");
    EXPECT_EQ(CaptureCommand("soxi -c " + Quote(path)), "1\n");
    EXPECT_EQ(CaptureCommand("soxi -s " + Quote(path)), std::to_string(blocks * 320) + "\n");
    if (HaveTool("ffprobe")) {
        const std::string probe = CaptureCommand(
            "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of default=nw=1 " +
            Quote(path));
        EXPECT_NE(probe.find("codec_name=gsm_ms"), std::string::npos) << probe;
        EXPECT_NE(probe.find("sample_rate=8000"), std::string::npos) << probe;
        EXPECT_NE(probe.find("channels=1"), std::string::npos) << probe;
        // ffprobe only estimates the duration from the byte rate; its decoder gives the samples.
        const std::string raw = dir.Path("ffmpeg.raw");
        ASSERT_EQ(RunCommand("ffmpeg -v error -y -i " + Quote(path) + " -f s16le " + Quote(raw)), 0);
        EXPECT_EQ(wavtest::ReadFile(raw).size(), static_cast<size_t>(blocks * 320 * 2));
    }
    if (HaveTool("sndfile-info")) {
        const std::string info = CaptureCommand("sndfile-info " + Quote(path));
        EXPECT_NE(info.find("WAVE_FORMAT_GSM610"), std::string::npos) << info;
        EXPECT_NE(info.find("Format      : 0x00010020"), std::string::npos) << info;
        EXPECT_NE(info.find("Sample Rate : 8000"), std::string::npos) << info;
        EXPECT_NE(info.find("Channels    : 1"), std::string::npos) << info;
        EXPECT_NE(info.find("Frames      : " + std::to_string(blocks * 320)), std::string::npos) << info;
    }

    // sox hears what we hear, to within the filter difference; and our
    // encoder with its own filters codes about as well as sox's does.
    const std::vector<int16_t> soxOfOurs = SoxDecode(dir, path);
    LSoundSourcePtr source = OpenGsm(path);
    ASSERT_EQ(source->GetLength(), blocks * 320);
    const std::vector<int32_t> ours = ReadFrames(source, source->GetLength());
    EXPECT_GE(SnrDb(ToDouble(soxOfOurs), LimitedTo16Bits(ours)), kDecodeSnrVersusSoxDb);

    ASSERT_TRUE(WriteWav16(dir.Path("in.wav"), 8000, 1, pcm));
    ASSERT_EQ(
        RunCommand("sox -D " + Quote(dir.Path("in.wav")) + " -e gsm-full-rate " + Quote(dir.Path("s.wav"))),
        0);
    const std::vector<int16_t> soxOfSox = SoxDecode(dir, dir.Path("s.wav"));
    std::vector<double> original = ToDouble(pcm);
    const double ourSnr = SnrDb(original, ToDouble(soxOfOurs));
    const double soxSnr = SnrDb(original, ToDouble(soxOfSox));
    EXPECT_GE(ourSnr, soxSnr - 1.5) << "ours " << ourSnr << " dB, sox " << soxSnr << " dB";
    EXPECT_GE(ourSnr, 5.0);
}

TEST(GsmFile, HeaderAndSizesOfAFinishedFile)
{
    TempDir dir;
    struct Case
    {
        int samples;
        uint32_t dataSize;
        uint32_t riffSize;
        size_t fileSize;
    };
    const Case cases[] = {
        {1000, 260, 300, 308}, // four blocks, the last with 280 zeros
        {320, 65, 106, 114},   // odd data: a pad byte, counted by RIFF only
        {0, 0, 40, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.samples);
        const std::string path = dir.Path("h.wav");
        {
            LSoundSinkPtr sink;
            CreateGsmSoundSink(sink, path.c_str(), 8000);
            ASSERT_FALSE(sink->IsFailed());
            std::vector<int32_t> samples(static_cast<size_t>(c.samples), 1000);
            sink->Write(samples.data(), c.samples);
            EXPECT_EQ(sink->GetPosition(), c.samples);
        }
        const std::vector<uint8_t> b = wavtest::ReadFile(path);
        ASSERT_EQ(b.size(), c.fileSize);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
        EXPECT_EQ(wavtest::GetLe32(b, 4), c.riffSize);
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(wavtest::GetLe32(b, 16), 20u);
        EXPECT_EQ(wavtest::GetLe16(b, 20), 49);
        EXPECT_EQ(wavtest::GetLe16(b, 22), 1);
        EXPECT_EQ(wavtest::GetLe32(b, 24), 8000u);
        EXPECT_EQ(wavtest::GetLe32(b, 28), 1625u);
        EXPECT_EQ(wavtest::GetLe16(b, 32), 65);
        EXPECT_EQ(wavtest::GetLe16(b, 34), 0);
        EXPECT_EQ(wavtest::GetLe16(b, 36), 2);
        EXPECT_EQ(wavtest::GetLe16(b, 38), 320);
        EXPECT_EQ(std::string(b.begin() + 40, b.begin() + 44), "data");
        EXPECT_EQ(wavtest::GetLe32(b, 44), c.dataSize);
    }
}

TEST(GsmFile, StreamingHeaderWhileWriting)
{
    TempDir dir;
    const std::string path = dir.Path("s.wav");
    LSoundSinkPtr sink;
    CreateGsmSoundSink(sink, path.c_str(), 8000);
    std::vector<int32_t> samples(700, 0);
    sink->Write(samples.data(), 700);
    // Until it finishes the file is written beside its final name.
    EXPECT_FALSE(PathExists(path));
    const std::vector<std::string> inProgress = FolderEntries(dir.Path());
    ASSERT_EQ(inProgress.size(), 1u);
    const std::vector<uint8_t> b = wavtest::ReadFile(dir.Path(inProgress[0]));
    ASSERT_EQ(b.size(), 48u + 2 * 65);
    EXPECT_EQ(b[4] | b[5] << 8 | b[6] << 16 | uint32_t(b[7]) << 24, 0xFFFFFFFFu);
    EXPECT_EQ(b[44] | b[45] << 8 | b[46] << 16 | uint32_t(b[47]) << 24, 0xFFFFFFD7u);

    // Finishing on demand completes the file (the pending 60 samples make a
    // third block); later writes change nothing.
    EXPECT_TRUE(sink->Finish());
    sink->Write(samples.data(), 700);
    EXPECT_TRUE(sink->Finish());
    const WavChunks wav = ReadWavChunks(path);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.dataSizeField, 3u * 65);
    EXPECT_EQ(wavtest::ReadFile(path).size(), 48u + 3 * 65 + 1);
}

TEST(GsmFile, SinkThatCannotOpenIsFailedAndWritesNothing)
{
    TempDir dir;
    LSoundSinkPtr sink;
    CreateGsmSoundSink(sink, dir.Path("missing/folder/x.wav").c_str(), 8000);
    EXPECT_TRUE(sink->IsFailed());
    std::vector<int32_t> samples(640, 0);
    sink->Write(samples.data(), 640);
    sink.Reset();
}

TEST(GsmFile, ShortWriteFailsTheSinkAndLeavesNothingBehind)
{
    TempDir dir;
    const std::string path = dir.Path("short.wav");
    const size_t limit = 48 + 3 * 65 + 30;
    struct sigaction ignore
    {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed;
    {
        LSoundSinkPtr sink;
        CreateGsmSoundSink(sink, path.c_str(), 8000);
        ASSERT_FALSE(sink->IsFailed());
        std::vector<int32_t> samples(320 * 10, 5000);
        sink->Write(samples.data(), static_cast<int64_t>(samples.size()));
        failed = sink->IsFailed();
        sink.Reset();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_TRUE(failed);
    EXPECT_FALSE(PathExists(path));
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST(GsmFile, LengthCountsWholeBlocksOnly)
{
    TempDir dir;
    const std::string path = dir.Path("len.wav");
    ASSERT_TRUE(WriteThroughSink(path, 8000, std::vector<int16_t>(320 * 3, 100)));
    struct Case
    {
        uint32_t dataSize;
        int64_t length;
    };
    // 130 and 100 bytes as the header says; beyond the file (195 bytes) and
    // unknown sizes count what the file holds.
    const Case cases[] = {{130, 640},    {100, 320},        {0, 0},           {64, 0},
                          {100000, 960}, {0xFFFFFFFF, 960}, {0xFFFFFF01, 960}};
    for (const Case& c : cases) {
        uint32_t size = c.dataSize;
        LSoundSourcePtr source = OpenGsm(path, &size);
        EXPECT_EQ(source->GetLength(), c.length) << c.dataSize;
    }
}

TEST(GsmFile, SeekingReadingAroundTheEdges)
{
    TempDir dir;
    const std::string path = dir.Path("seek.wav");
    const std::vector<int16_t> pcm = SpeechLikeSignal(320 * 6, 1, 8000, 4);
    ASSERT_TRUE(WriteThroughSink(path, 8000, pcm));
    LSoundSourcePtr source = OpenGsm(path);
    ASSERT_EQ(source->GetLength(), 320 * 6);
    const std::vector<int32_t> all = ReadFrames(source, 320 * 6);

    // Reading from -10: ten zeros, then the first decoded samples.
    source->Seek(-10);
    std::vector<int32_t> head(30, 7);
    source->Read(head.data(), 30);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(head[i], 0);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(head[10 + i], all[i]) << i;
    EXPECT_EQ(source->GetPosition(), 20);

    // Seeking to 330 decodes the second block with a fresh decoder: the next
    // sample is its eleventh.
    LSoundSourcePtr fresh = OpenGsm(path);
    std::vector<int32_t> firstTwo(640);
    fresh->Seek(320);
    fresh->Read(firstTwo.data(), 320);
    source->Seek(330);
    EXPECT_EQ(source->GetPosition(), 330);
    std::vector<int32_t> after(400);
    source->Read(after.data(), 400);
    for (int i = 0; i < 310; ++i)
        ASSERT_EQ(after[i], firstTwo[10 + i]) << i;

    // Past the end: zeros, and the position still moves by the whole request.
    source->Seek(320 * 6 - 5);
    std::vector<int32_t> tail(20, 7);
    source->Read(tail.data(), 20);
    for (int i = 5; i < 20; ++i)
        EXPECT_EQ(tail[i], 0);
    EXPECT_EQ(source->GetPosition(), 320 * 6 + 15);
    source->Seek(100000);
    source->Read(tail.data(), 20);
    for (int v : tail)
        EXPECT_EQ(v, 0);
}

TEST(GsmFile, BadConstructionArguments)
{
    int fd = -1;
    LSoundSourcePtr source;
    CreateGsmSoundSource(source, fd, 650, 8000);
    EXPECT_EQ(source->GetStatus(), kSoundStatusCannotOpen);
    std::vector<int32_t> buffer(100, 5);
    source->Read(buffer.data(), 100);
    for (int v : buffer)
        EXPECT_EQ(v, 0);

    TempDir dir;
    ASSERT_TRUE(WriteThroughSink(dir.Path("r.wav"), 8000, std::vector<int16_t>(640, 0)));
    fd = open(dir.Path("r.wav").c_str(), O_RDONLY | O_CLOEXEC);
    lseek(fd, 48, SEEK_SET);
    CreateGsmSoundSource(source, fd, 130, 0);
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(source->GetStatus(), kSoundStatusBadParameters);
    EXPECT_EQ(source->GetRate(), 44100);
}
