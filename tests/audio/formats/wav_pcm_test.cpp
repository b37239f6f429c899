// PCM WAV and AIFF sinks and the WAV data source: layouts, streaming headers,
// continuation chunks, resuming, truncation and failed writes.

#include "audio/core/LSoundSamples.h"
#include "audio/formats/WavTestSupport.h"
#include "audio/formats/aiff/LAiffSoundSink.h"
#include "audio/formats/pcm/LWavDataSoundSource.h"
#include "audio/formats/pcm/LWavPcmSoundSink.h"
#include "audio/formats/sndfile/LExtAudioFileSoundSink.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWavHeaders.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace wavtest;
using quorin::test::TempDir;

namespace {

// Internal samples that every sample size represents exactly (multiples of 4096).
std::vector<int32_t> Ramp(int64_t frames, int channels)
{
    std::vector<int32_t> v(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<int32_t>(((static_cast<int64_t>(i) * 37) % 256 - 128) * 4096);
    return v;
}

std::vector<int32_t> ReadAll(LSoundSourcePtr& source, int64_t frames)
{
    std::vector<int32_t> v(static_cast<size_t>(frames * source->GetChannels()));
    source->Read(v.data(), frames);
    return v;
}

int64_t FileSize(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

TEST(WavPcmSink, EightBitMonoOddDataIsPaddedAndCounted)
{
    TempDir dir;
    std::string path = dir.Path("a.wav");
    {
        LSoundSinkPtr sink;
        CreatePcmSinkByBits(sink, path.c_str(), 8000, 1, 8, 0);
        ASSERT_FALSE(sink->IsFailed());
        const int32_t samples[3] = {0, 4096, -4096};
        sink->Write(samples, 3);
        EXPECT_TRUE(sink->Finish());
    }
    Bytes b = ReadFile(path);
    ASSERT_EQ(b.size(), 50u);
    EXPECT_EQ(GetLe32(b, 42), 3u); // data size
    EXPECT_EQ(GetLe32(b, 4), 42u); // RIFF size counts the pad byte: file length - 8
    EXPECT_EQ(GetLe16(b, 34), 8);  // bits
    EXPECT_EQ(b[46], 128);
    EXPECT_EQ(b[47], 129);
    EXPECT_EQ(b[48], 127);
    EXPECT_EQ(b[49], 0);
}

TEST(WavPcmSink, RoundTripsEverySampleSize)
{
    struct Case
    {
        uint32_t bits;
        uint8_t channels;
        uint32_t rate;
    } cases[] = {{8, 1, 22050},  {16, 2, 44100}, {24, 2, 48000},
                 {32, 6, 96000}, {12, 1, 8000},  {20, 3, 44100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        TempDir dir;
        std::string path = dir.Path("rt.wav");
        const int64_t frames = 20000; // crosses the 8192-frame block size
        std::vector<int32_t> in = Ramp(frames, c.channels);
        {
            LSoundSinkPtr sink;
            CreatePcmSinkByBits(sink, path.c_str(), c.rate, c.channels, c.bits, 0);
            ASSERT_FALSE(sink->IsFailed());
            sink->Write(in.data(), frames);
            EXPECT_EQ(sink->GetPosition(), frames);
        }
        LSoundSourcePtr source;
        LWavFileInfo info;
        LOpenWavSoundSource(source, path.c_str(), &info);
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
        uint32_t bytes = c.bits <= 8 ? 1 : c.bits <= 16 ? 2 : c.bits <= 24 ? 3 : 4;
        EXPECT_EQ(info.bitsPerSample, bytes * 8);
        EXPECT_EQ(source->GetRate(), static_cast<int32_t>(c.rate));
        EXPECT_EQ(source->GetChannels(), c.channels);
        EXPECT_EQ(source->GetLength(), frames);
        EXPECT_FALSE(source->IsMoreDataPending());
        EXPECT_EQ(ReadAll(source, frames), in);
    }
}

TEST(WavPcmSink, FactoryChoosesBySampleSize)
{
    TempDir dir;
    LSoundSinkPtr sink;
    CreatePcmSinkByBits(sink, dir.Path("a.wav").c_str(), 44100, 2, 12, 0);
    ASSERT_NE(dynamic_cast<LWavPcmSoundSink*>(sink.Get()), nullptr);
    EXPECT_EQ(static_cast<LWavPcmSoundSink*>(sink.Get())->GetBytesPerSample(), 2u);
    CreatePcmSinkByBits(sink, dir.Path("b.wav").c_str(), 44100, 2, 24, 0);
    EXPECT_FALSE(sink->IsFailed());
    EXPECT_EQ(static_cast<LWavPcmSoundSink*>(sink.Get())->GetBytesPerSample(), 3u);
    CreatePcmSinkByBits(sink, dir.Path("c.wav").c_str(), 44100, 2, 40, 0);
    EXPECT_TRUE(sink->IsFailed());
    CreatePcmSinkByBits(sink, dir.Path("missing/d.wav").c_str(), 44100, 2, 16, 0);
    EXPECT_TRUE(sink->IsFailed());
}

TEST(WavPcmSink, StreamingHeaderLetsAReaderFollowTheRecording)
{
    TempDir dir;
    std::string path = dir.Path("live.wav");
    LSoundSinkPtr sink;
    // In place, as a recording is written.
    CreatePcmSinkByBits(sink, path.c_str(), 44100, 2, 16, 0, true);
    std::vector<int32_t> block = Ramp(1000, 2);
    sink->Write(block.data(), 1000);

    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_TRUE(source->IsMoreDataPending());
    EXPECT_EQ(source->GetLength(), 1000);
    EXPECT_EQ(ReadAll(source, 1000), block);

    // Reading ahead of the writer gives silence but keeps the place ...
    std::vector<int32_t> ahead = ReadAll(source, 500);
    EXPECT_EQ(ahead, std::vector<int32_t>(1000, 0));
    EXPECT_EQ(source->GetPosition(), 1500);
    sink->Write(block.data(), 1000);
    EXPECT_EQ(source->GetLength(), 2000);
    // ... so the frames written later are found at their own position.
    std::vector<int32_t> later = ReadAll(source, 500);
    EXPECT_EQ(later, std::vector<int32_t>(block.begin() + 1000, block.end()));

    sink.Reset(); // finishing writes the final sizes
    EXPECT_EQ(source->GetLength(), 2000);
}

TEST(WavPcmSink, TruncateAndResume)
{
    TempDir dir;
    std::string path = dir.Path("t.wav");
    std::vector<int32_t> in = Ramp(3000, 2);
    {
        LSoundSinkPtr sink;
        CreatePcmSinkByBits(sink, path.c_str(), 44100, 2, 16, 0);
        sink->Write(in.data(), 3000);
        sink->Truncate(5000); // beyond the position: nothing happens
        EXPECT_EQ(sink->GetPosition(), 3000);
        sink->Truncate(2000);
        EXPECT_EQ(sink->GetPosition(), 2000);
        sink->Write(in.data(), 10);
        EXPECT_EQ(sink->GetPosition(), 2010);
    }
    EXPECT_EQ(FileSize(path), 46 + 2010 * 4);
    {
        // Resume at frame 1500, then add 100 frames.
        LSoundSinkPtr sink;
        CreatePcmSinkByBits(sink, path.c_str(), 44100, 2, 16, 1500);
        EXPECT_EQ(sink->GetPosition(), 1500);
        sink->Write(in.data(), 100);
    }
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetLength(), 1600);
    std::vector<int32_t> all = ReadAll(source, 1600);
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + 3000, all.begin()));
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + 200, all.begin() + 3000));
    {
        // Resuming beyond what the file holds starts at its end.
        LSoundSinkPtr sink;
        CreatePcmSinkByBits(sink, path.c_str(), 44100, 2, 16, 99999);
        EXPECT_EQ(sink->GetPosition(), 1600);
        sink->Truncate(-5);
        EXPECT_EQ(sink->GetPosition(), 0);
    }
    EXPECT_EQ(FileSize(path), 46);
}

TEST(WavDataSource, NegativePositionAndPastTheEnd)
{
    TempDir dir;
    std::string path = dir.Path("n.wav");
    std::vector<int16_t> pcm;
    for (int i = 0; i < 200; ++i)
        pcm.push_back(static_cast<int16_t>(i + 1));
    ASSERT_TRUE(WriteFile(path, Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Pcm16(pcm))})));
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetLength(), 100);
    source->Seek(-30);
    std::vector<int32_t> v = ReadAll(source, 100);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(v[i], 0);
    EXPECT_EQ(v[60], 16);
    EXPECT_EQ(v[199], 140 * 16);
    EXPECT_EQ(source->GetPosition(), 70);
    v = ReadAll(source, 50); // 30 frames left, then zeros
    EXPECT_EQ(v[59], 200 * 16);
    EXPECT_EQ(v[60], 0);
    EXPECT_EQ(source->GetPosition(), 120);
    v = ReadAll(source, 10);
    EXPECT_EQ(v, std::vector<int32_t>(20, 0));
    EXPECT_EQ(source->GetPosition(), 130);
}

TEST(WavDataSource, FollowsASecondDataChunkAndSeeksIntoIt)
{
    TempDir dir;
    std::string path = dir.Path("two.wav");
    // 3-channel 16-bit: 6-byte frames; the first chunk ends in the middle of a frame.
    std::vector<int16_t> first, second;
    for (int i = 0; i < 301; ++i) // 602 bytes: 100 frames and 2 bytes
        first.push_back(static_cast<int16_t>(i));
    for (int i = 301; i < 600; ++i) // 598 bytes
        second.push_back(static_cast<int16_t>(i));
    Bytes file = Riff({Chunk("fmt ", Fmt(1, 3, 8000, 16)), Chunk("data", Pcm16(first))});
    Bytes more = Chunk("data", Pcm16(second));
    file.insert(file.end(), more.begin(), more.end());
    ASSERT_TRUE(WriteFile(path, file));
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    ASSERT_EQ(source->GetLength(), 200); // 602/6 + 598/6 = 100 + 99 ... counted per chunk
    std::vector<int32_t> v = ReadAll(source, 200);
    for (int i = 0; i < 600; ++i)
        ASSERT_EQ(v[i], i * 16) << i;
    source->Seek(150);
    v = ReadAll(source, 1);
    EXPECT_EQ(v[0], 450 * 16);
    source->Seek(100); // the frame that straddles the two chunks
    v = ReadAll(source, 1);
    EXPECT_EQ(v, (std::vector<int32_t>{300 * 16, 301 * 16, 302 * 16}));
}

TEST(WavDataSource, DataChunkRunningPastTheEndHasItsRealLength)
{
    TempDir dir;
    std::string path = dir.Path("cut.wav");
    std::vector<int16_t> pcm(1000, 7);
    ASSERT_TRUE(
        WriteFile(path, Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Pcm16(pcm), 400000)})));
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetLength(), 500);
    EXPECT_FALSE(source->IsMoreDataPending());

    // The streaming placeholder of a recording in progress: the length follows the file.
    std::string live = dir.Path("live.wav");
    Bytes bytes =
        Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", Pcm16(pcm), kWavStreamingDataSize)});
    ASSERT_TRUE(WriteFile(live, bytes));
    LOpenWavSoundSource(source, live.c_str());
    EXPECT_EQ(source->GetLength(), 500);
    EXPECT_TRUE(source->IsMoreDataPending());
}

TEST(AiffSink, HeaderOfOneStereoFrame)
{
    TempDir dir;
    std::string path = dir.Path("t.aiff");
    {
        LSoundSinkPtr sink;
        CreateAiffSoundSink(sink, path.c_str(), 44100, 2);
        ASSERT_FALSE(sink->IsFailed());
        const int32_t frame[2] = {524272, -16};
        sink->Write(frame, 1);
    }
    Bytes b = ReadFile(path);
    ASSERT_EQ(b.size(), 58u);
    auto be32 = [&](size_t at) { return (b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3]; };
    EXPECT_EQ(be32(4), 50);
    EXPECT_EQ(be32(22), 1);
    EXPECT_EQ(be32(42), 12);
    const uint8_t rate[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(rate, rate + 10, b.begin() + 28));
    EXPECT_EQ(b[54], 0x7F);
    EXPECT_EQ(b[55], 0xFF);
    EXPECT_EQ(b[56], 0xFF);
    EXPECT_EQ(b[57], 0xFF);
}

TEST(AiffSink, OpensInSoxWithItsSamples)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    std::string path = dir.Path("t.aiff");
    std::vector<int32_t> in = Ramp(5000, 2);
    {
        LSoundSinkPtr sink;
        CreateAiffSoundSink(sink, path.c_str(), 22050, 2);
        sink->Write(in.data(), 5000);
    }
    std::string raw = dir.Path("t.raw");
    ASSERT_EQ(quorin::test::RunCommand("sox " + Quote(path) + " -t s16 -e signed -L " + Quote(raw)), 0);
    Bytes b = ReadFile(raw);
    ASSERT_EQ(b.size(), in.size() * 2);
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(static_cast<int16_t>(GetLe16(b, 2 * i)), in[i] / 16) << i;
    std::string rate = quorin::test::CaptureCommand("soxi -r " + Quote(path));
    EXPECT_EQ(rate, "22050\n");
    if (quorin::test::HaveTool("ffprobe")) {
        std::string probe = quorin::test::CaptureCommand(
            "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,duration_ts -of "
            "default=nw=1 " +
            Quote(path));
        EXPECT_EQ(probe, "codec_name=pcm_s16be\nsample_rate=22050\nchannels=2\nduration_ts=5000\n");
    }
    if (quorin::test::HaveTool("sndfile-info")) {
        std::string info = quorin::test::CaptureCommand("sndfile-info " + Quote(path));
        EXPECT_NE(info.find("Frames      : 5000\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Channels    : 2\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Sample Rate : 22050\n"), std::string::npos) << info;
    }
}

// Runs body in a child whose files may not grow beyond limit bytes: writes past
// it fail with EFBIG, as on a full disk. Returns the child's exit status.
template <typename Body> int WithFileSizeLimit(rlim_t limit, Body body)
{
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileSinks, ShortWritesMarkTheSinkFailed)
{
    TempDir dir;
    struct Case
    {
        const char* name;
        void (*make)(LSoundSinkPtr&, const std::string&);
    } cases[] = {
        {"pcm16",
         [](LSoundSinkPtr& s, const std::string& p) { CreatePcmSinkByBits(s, p.c_str(), 44100, 2, 16, 0); }},
        {"pcm24",
         [](LSoundSinkPtr& s, const std::string& p) { CreatePcmSinkByBits(s, p.c_str(), 44100, 2, 24, 0); }},
        {"aiff", [](LSoundSinkPtr& s, const std::string& p) { CreateAiffSoundSink(s, p.c_str(), 44100, 2); }},
        {"ima",
         [](LSoundSinkPtr& s, const std::string& p) {
             LAudioFileFormat f{};
             LSetAudioFileFormat(f, 44100, 2, 4, 17);
             CreateExtAudioFileSink(s, p.c_str(), f);
         }},
        {"float",
         [](LSoundSinkPtr& s, const std::string& p) {
             LAudioFileFormat f{};
             LSetAudioFileFormat(f, 44100, 2, 32, 3);
             CreateExtAudioFileSink(s, p.c_str(), f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.Path(std::string(c.name) + ".wav");
        // 0: failed as it should; 1: reported success; 2: could not even start.
        int status = WithFileSizeLimit(100000, [&] {
            LSoundSinkPtr sink;
            c.make(sink, path);
            if (sink->IsFailed())
                return 2;
            std::vector<int32_t> block = Ramp(8192, 2);
            for (int i = 0; i < 20; ++i)
                sink->Write(block.data(), 8192);
            bool finished = sink->Finish();
            return sink->IsFailed() && !finished ? 0 : 1;
        });
        EXPECT_EQ(status, 0);
    }
}

// A recording on a disk that fills up: the write that fails ends it, and
// the header then counts exactly the whole frames the file holds (a frame
// the failed write cut short is dropped), however many blocks come after.
TEST(WavPcmSink, ARecordingThatHitsAFullDiskKeepsAHeaderOfWhatItHolds)
{
    TempDir dir;
    const std::string path = dir.Path("take.wav");
    const int64_t room = 46 + 3000 * 4 + 2; // 3000 stereo 16-bit frames and half of one more
    const int status = WithFileSizeLimit(room, [&] {
        LSoundSinkPtr sink;
        CreatePcmSinkByBits(sink, path.c_str(), 44100, 2, 16, 0, true);
        if (sink->IsFailed())
            return 2;
        const std::vector<int32_t> block = Ramp(1000, 2);
        for (int i = 0; i < 8; ++i)
            sink->Write(block.data(), 1000);
        if (!sink->IsFailed() || sink->GetError() != EFBIG)
            return 3;
        if (sink->GetPosition() != 3000)
            return 4;
        sink->Finish();
        return 0;
    });
    ASSERT_EQ(status, 0);
    const Bytes bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 46u + 12000u);
    EXPECT_EQ(GetLe32(bytes, 4), 12000u + 38u);
    EXPECT_EQ(GetLe32(bytes, 42), 12000u);
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetLength(), 3000);
    EXPECT_EQ(ReadAll(source, 1000), Ramp(1000, 2));
}

// A recording whose writer died keeps its streaming sizes; finishing it
// writes the sizes of the whole frames it holds, and leaves alone a file
// that is finished already or is not of this program's layout.
TEST(WavRecordingFinish, TheHeaderOfAnUnfinishedRecordingIsWrittenFromItsLength)
{
    TempDir dir;
    const Bytes audio = Pcm16(std::vector<int16_t>(2 * 2500, 1200));
    uint8_t streaming[kPcmWavHeaderBytes];
    LBuildPcmWavHeader(streaming, 44100, 2, 2, 0, false);
    uint8_t final[kPcmWavHeaderBytes];
    LBuildPcmWavHeader(final, 44100, 2, 2, audio.size(), true);
    Bytes cut(streaming, streaming + sizeof streaming);
    cut.insert(cut.end(), audio.begin(), audio.end());
    cut.push_back(7); // a frame cut short by the crash
    Bytes finished(final, final + sizeof final);
    finished.insert(finished.end(), audio.begin(), audio.end());
    const Bytes foreign = Riff({Fmt(1, 2, 44100, 16), Chunk("data", audio)}); // the 44-byte layout
    Bytes foreignStreaming = foreign;
    foreignStreaming[40] = foreignStreaming[41] = foreignStreaming[42] = foreignStreaming[43] = 0xFF;

    struct Case
    {
        const char* name;
        Bytes before;
        bool ok;
        Bytes after;
        int64_t frames;
    } cases[] = {
        {"unfinished", cut, true, finished, 2500},
        {"finished", finished, true, finished, 2500},
        {"another layout", foreignStreaming, false, foreignStreaming, 0},
        {"not a WAV file", Bytes{'n', 'o', 'p', 'e'}, false, Bytes{'n', 'o', 'p', 'e'}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Path(std::string(c.name) + ".wav");
        ASSERT_TRUE(WriteFile(path, c.before));
        int64_t frames = 0;
        EXPECT_EQ(LFinishWavRecording(path.c_str(), &frames), c.ok);
        EXPECT_EQ(ReadFile(path), c.after);
        if (c.ok) {
            EXPECT_EQ(frames, c.frames);
        }
    }
    if (quorin::test::HaveTool("sox")) {
        const std::string seconds =
            quorin::test::CaptureCommand("sox " + Quote(dir.Path("unfinished.wav")) +
                                         " -n stat 2>&1 | sed -n 's/^Length (seconds): *//p'");
        EXPECT_NEAR(std::atof(seconds.c_str()), 2500.0 / 44100, 0.0001) << seconds;
    }
}

TEST(WavPcmSink, ContinuationChunksBeyondFourGigabytesOnASparseFile)
{
    TempDir dir;
    std::string path = dir.Path("big.wav");
    // A sparse file whose first data chunk is nearly full: 16-bit stereo
    // frames, resumed 1000 frames before the first chunk's limit.
    const int64_t limitFrames = kWavFirstChunkMaxBytes / 4; // 0xFFFFFFD8 is a multiple of 4
    const int64_t start = limitFrames - 1000;
    {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        if (ftruncate(fd, 46 + start * 4) != 0) {
            close(fd);
            GTEST_SKIP() << "the temporary folder's file system cannot hold a sparse 4 GB file";
        }
        close(fd);
    }
    std::vector<int32_t> block = Ramp(3000, 2);
    {
        LSoundSinkPtr sink;
        CreatePcmSinkByBits(sink, path.c_str(), 44100, 2, 16, start);
        ASSERT_FALSE(sink->IsFailed());
        ASSERT_EQ(sink->GetPosition(), start);
        sink->Write(block.data(), 3000); // crosses into a continuation chunk
        // Cutting back inside the continuation keeps its header; the end stays where the layout says.
        sink->Truncate(start + 2500);
        ASSERT_TRUE(sink->Finish());
    }
    const int64_t dataBytes = (start + 2500) * 4;
    EXPECT_EQ(FileSize(path), 46 + dataBytes + 8);
    int fd = open(path.c_str(), O_RDONLY);
    uint8_t h[8];
    ASSERT_EQ(pread(fd, h, 8, 0), 8);
    EXPECT_EQ(h[4] | h[5] << 8 | h[6] << 16 | static_cast<uint32_t>(h[7]) << 24, 0xFFFFFFFEu);
    ASSERT_EQ(pread(fd, h, 8, 46 + static_cast<int64_t>(kWavFirstChunkMaxBytes)), 8);
    close(fd);
    EXPECT_EQ(std::string(h, h + 4), "data");
    EXPECT_EQ(h[4] | h[5] << 8 | h[6] << 16 | static_cast<uint32_t>(h[7]) << 24, 1500u * 4);

    LSoundSourcePtr source;
    LWavFileInfo info;
    LOpenWavSoundSource(source, path.c_str(), &info);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(info.dataSize, kWavFirstChunkMaxBytes);
    EXPECT_EQ(source->GetLength(), start + 2500);
    EXPECT_EQ(static_cast<LWavDataSoundSource*>(source.Get())->GetRangeCount(), 2u);
    source->Seek(start);
    std::vector<int32_t> back = ReadAll(source, 2500);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), block.begin()));
    source->Seek(limitFrames + 10); // lands past the continuation header
    back = ReadAll(source, 1);
    EXPECT_EQ(back[0], block[2 * 1010]);
    EXPECT_EQ(back[1], block[2 * 1010 + 1]);
}

TEST(WavHeaders, LayoutOffsetsAcrossChunkBoundaries)
{
    EXPECT_EQ(LWavPcmDataOffset(0), 46);
    EXPECT_EQ(LWavPcmDataOffset(kWavFirstChunkMaxBytes), 46 + int64_t{kWavFirstChunkMaxBytes});
    EXPECT_EQ(LWavPcmDataOffset(uint64_t{kWavFirstChunkMaxBytes} + 1),
              46 + int64_t{kWavFirstChunkMaxBytes} + 9);
    const uint64_t twoChunks = uint64_t{kWavFirstChunkMaxBytes} + kWavContinuationMaxBytes;
    EXPECT_EQ(LWavPcmDataOffset(twoChunks), static_cast<int64_t>(46 + twoChunks + 8));
    EXPECT_EQ(LWavPcmDataOffset(twoChunks + 1), static_cast<int64_t>(46 + twoChunks + 1 + 16));
    for (uint64_t bytes : {uint64_t{0}, uint64_t{5}, uint64_t{kWavFirstChunkMaxBytes}, twoChunks - 3,
                           twoChunks, twoChunks + 77})
        EXPECT_EQ(LWavPcmDataBytesBefore(LWavPcmDataOffset(bytes)), bytes);
}

} // namespace
