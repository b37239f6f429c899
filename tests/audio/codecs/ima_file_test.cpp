// IMA ADPCM WAV data (format 17): files sox and ffmpeg write, mono and
// stereo, decode to exactly the samples of sox's own decode; seeking reaches
// its target in blocks of any size; damaged data gives a status, not a crash.

#include "audio/codecs/CodecTestFiles.h"
#include "audio/formats/ima/LImaAdpcmSoundSource.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <unistd.h>

using namespace quorin::test;

namespace {

LSoundSourcePtr OpenIma(const std::string& path, const WavChunks& wav, uint32_t dataSize, uint32_t blockAlign,
                        uint8_t channels)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        lseek(fd, static_cast<off_t>(wav.dataOffset), SEEK_SET);
    LSoundSourcePtr source;
    CreateImaAdpcmSoundSource(source, fd, dataSize, static_cast<int32_t>(wav.rate), channels, blockAlign);
    return source;
}

LSoundSourcePtr OpenIma(const std::string& path)
{
    const WavChunks wav = ReadWavChunks(path);
    return OpenIma(path, wav, wav.dataSizeField, wav.blockAlign, static_cast<uint8_t>(wav.channels));
}

} // namespace

struct ImaCase
{
    const char* name;
    int channels;
    const char* encoder; // command template: %IN% %OUT%
};

class ImaFromTools : public ::testing::TestWithParam<ImaCase>
{
};

TEST_P(ImaFromTools, DecodesToSoxsSamples)
{
    const ImaCase& c = GetParam();
    QUORIN_REQUIRE_TOOL("sox");
    const std::string encoder = c.encoder;
    if (encoder.rfind("ffmpeg", 0) == 0 && !HaveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    const std::vector<int16_t> pcm = SpeechLikeSignal(22050 * 2 + 777, c.channels, 22050, 11);
    const std::string in = dir.Path("in.wav"), ima = dir.Path("ima.wav");
    ASSERT_TRUE(WriteWav16(in, 22050, c.channels, pcm));
    std::string cmd = encoder;
    cmd.replace(cmd.find("%IN%"), 4, Quote(in));
    cmd.replace(cmd.find("%OUT%"), 5, Quote(ima));
    ASSERT_EQ(RunCommand(cmd + " >/dev/null 2>&1"), 0) << cmd;
    const std::vector<int16_t> theirs = SoxDecode(ima, dir.Path("ima.raw"));

    LSoundSourcePtr source = OpenIma(ima);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetChannels(), c.channels);
    EXPECT_EQ(source->GetRate(), 22050);
    EXPECT_EQ(source->GetPeakLimit(), 0x7FFF0u);
    const int64_t frames = source->GetLength();
    // sox decodes whole blocks; so do we, and nothing is lost of the input.
    ASSERT_EQ(frames * c.channels, static_cast<int64_t>(theirs.size()));
    ASSERT_GE(frames * c.channels, static_cast<int64_t>(pcm.size()));
    const std::vector<int32_t> ours = ReadFrames(source, frames, 777);
    for (size_t i = 0; i < theirs.size(); ++i)
        ASSERT_EQ(ours[i], theirs[i] * 16) << "sample " << i;

    // Seeking anywhere, block boundaries included, lands on the target.
    const int64_t spb = static_cast<LImaAdpcmSoundSource*>(source.Get())->GetSamplesPerBlock();
    std::mt19937 random(5);
    std::vector<int64_t> targets = {0, 1, spb - 1, spb, spb + 1, 2 * spb, frames - 1, frames - 300};
    for (int i = 0; i < 20; ++i)
        targets.push_back(static_cast<int64_t>(random() % static_cast<uint32_t>(frames)));
    for (int64_t target : targets) {
        if (target < 0 || target >= frames)
            continue;
        source->Seek(target);
        EXPECT_EQ(source->GetPosition(), target);
        const int64_t n = std::min<int64_t>(300, frames - target);
        const std::vector<int32_t> got = ReadFrames(source, n, 123);
        for (int64_t k = 0; k < n * c.channels; ++k)
            ASSERT_EQ(got[k], theirs[target * c.channels + k] * 16) << "seek " << target << " sample " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writers, ImaFromTools,
    ::testing::Values(
        ImaCase{"SoxMono", 1, "sox -D %IN% -e ima-adpcm %OUT%"},
        ImaCase{"SoxStereo", 2, "sox -D %IN% -e ima-adpcm %OUT%"},
        // Blocks of 16377 samples: far more than one read's worth.
        ImaCase{"FfmpegMonoLargeBlocks", 1, "ffmpeg -y -i %IN% -c:a adpcm_ima_wav -block_size 8192 %OUT%"},
        ImaCase{"FfmpegStereoLargeBlocks", 2, "ffmpeg -y -i %IN% -c:a adpcm_ima_wav -block_size 8192 %OUT%"}),
    [](const ::testing::TestParamInfo<ImaCase>& info) { return std::string(info.param.name); });

class ImaEdges : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        pcm_ = SpeechLikeSignal(505 * 4 + 10, 1, 8000, 2);
        ASSERT_TRUE(WriteWav16(dir_.Path("in.wav"), 8000, 1, pcm_));
        ASSERT_EQ(RunCommand("sox -D " + Quote(dir_.Path("in.wav")) + " -e ima-adpcm " +
                             Quote(path_ = dir_.Path("m.wav"))),
                  0);
        wav_ = ReadWavChunks(path_);
        ASSERT_TRUE(wav_.ok);
        ASSERT_EQ(wav_.blockAlign, 256);
    }
    TempDir dir_;
    std::string path_;
    std::vector<int16_t> pcm_;
    WavChunks wav_;
};

TEST_F(ImaEdges, LengthFromDataSize)
{
    struct Case
    {
        uint32_t dataSize;
        int64_t length;
    };
    const int64_t inFile = static_cast<int64_t>(wav_.data.size()); // 5 blocks
    const Case cases[] = {
        {1000, 3 * 505 + (2 * 232 - 7)}, // a partial last block counts what it holds
        {256, 505},
        {3, 0},
        {259, 505},
        {260, 506},
        {0xFFFFFFFF, inFile / 256 * 505},
        {2000000, inFile / 256 * 505}, // beyond the file: what the file holds
    };
    for (const Case& c : cases) {
        LSoundSourcePtr source = OpenIma(path_, wav_, c.dataSize, 256, 1);
        EXPECT_EQ(source->GetStatus(), kSoundStatusOk);
        EXPECT_EQ(source->GetLength(), c.length) << c.dataSize;
    }
}

TEST_F(ImaEdges, ReadingAroundTheEdges)
{
    LSoundSourcePtr source = OpenIma(path_);
    const int64_t length = source->GetLength();
    const std::vector<int32_t> all = ReadFrames(source, length);
    source->Seek(-30);
    std::vector<int32_t> head(100, 9);
    source->Read(head.data(), 100);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(head[i], 0);
    for (int i = 0; i < 70; ++i)
        EXPECT_EQ(head[30 + i], all[i]);
    EXPECT_EQ(source->GetPosition(), 70);

    // Seeking to 600 with 505-sample blocks decodes the second block and drops 95 samples.
    source->Seek(600);
    std::vector<int32_t> at600(10);
    source->Read(at600.data(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(at600[i], all[600 + i]);

    source->Seek(length - 4);
    std::vector<int32_t> tail(10, 9);
    source->Read(tail.data(), 10);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tail[i], all[length - 4 + i]);
    for (int i = 4; i < 10; ++i)
        EXPECT_EQ(tail[i], 0);
    EXPECT_EQ(source->GetPosition(), length + 6);
    source->Seek(length + 1000);
    source->Read(tail.data(), 10);
    for (int v : tail)
        EXPECT_EQ(v, 0);
}

TEST_F(ImaEdges, TruncatedFileReadsWhatItHolds)
{
    // Cut the file in the middle of the third block; the header still says five.
    std::vector<uint8_t> bytes = wavtest::ReadFile(path_);
    bytes.resize(wav_.dataOffset + 2 * 256 + 100);
    const std::string cut = dir_.Path("cut.wav");
    ASSERT_TRUE(wavtest::WriteFile(cut, bytes));
    LSoundSourcePtr whole = OpenIma(path_);
    const std::vector<int32_t> all = ReadFrames(whole, whole->GetLength());
    LSoundSourcePtr source = OpenIma(cut, wav_, wav_.dataSizeField, 256, 1);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    ASSERT_EQ(source->GetLength(), 2 * 505 + (2 * 100 - 7));
    const std::vector<int32_t> got = ReadFrames(source, source->GetLength() + 50);
    for (int64_t i = 0; i < source->GetLength(); ++i)
        ASSERT_EQ(got[i], all[i]) << i;
    for (int64_t i = source->GetLength(); i < static_cast<int64_t>(got.size()); ++i)
        ASSERT_EQ(got[i], 0);
}

TEST_F(ImaEdges, BadParametersGiveAStatus)
{
    struct Case
    {
        uint32_t blockAlign;
        uint8_t channels;
        uint8_t status;
    };
    const Case cases[] = {
        {2, 1, kSoundStatusBadParameters},
        {0, 1, kSoundStatusBadParameters},
        {7, 2, kSoundStatusBadParameters},
        {255 * 4 - 1, 255, kSoundStatusBadParameters},
        {256, 0, kSoundStatusBadParameters},
        {(1u << 20) + 4, 1, kSoundStatusBadParameters},
        {256, 255, kSoundStatusBadParameters},
        {255 * 4, 255, kSoundStatusOk},
        {256, 2, kSoundStatusOk},
    };
    for (const Case& c : cases) {
        LSoundSourcePtr source = OpenIma(path_, wav_, wav_.dataSizeField, c.blockAlign, c.channels);
        EXPECT_EQ(source->GetStatus(), c.status) << c.blockAlign << " / " << int(c.channels);
        // Whatever the status, reading and seeking are safe.
        std::vector<int32_t> buffer(static_cast<size_t>(600) * source->GetChannels());
        source->Read(buffer.data(), 600);
        source->Seek(300);
        source->Read(buffer.data(), 600);
    }
    int fd = -1;
    LSoundSourcePtr source;
    CreateImaAdpcmSoundSource(source, fd, 1000, 8000, 1, 256);
    EXPECT_EQ(source->GetStatus(), kSoundStatusCannotOpen);
}

TEST_F(ImaEdges, RandomBytesDecodeWithoutHarm)
{
    std::mt19937 random(1);
    std::vector<uint8_t> bytes = wavtest::ReadFile(path_);
    for (size_t i = wav_.dataOffset; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(random());
    const std::string noise = dir_.Path("noise.wav");
    ASSERT_TRUE(wavtest::WriteFile(noise, bytes));
    for (uint8_t channels : {1, 2, 4}) {
        LSoundSourcePtr source = OpenIma(noise, wav_, wav_.dataSizeField, 256, channels);
        const std::vector<int32_t> got = ReadFrames(source, source->GetLength() + 10);
        for (int32_t v : got) {
            ASSERT_LE(v, 32767 * 16);
            ASSERT_GE(v, -32768 * 16);
        }
    }
}
