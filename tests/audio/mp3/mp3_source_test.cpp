// LMp3SoundSource beyond plain decoding: encoder delay and padding, tags
// around the audio, headers that lie about the frame count, seeking in the
// conformance streams, the "open any audio file" entry and qd-audio decode.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "Mp3TestSupport.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/mp3/LMp3FrameHeader.h"
#include "support/TempHome.h"

namespace {

using namespace mp3test;
using quorin::test::RunCommand;
using quorin::test::TempDir;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Offsets of the frames of a file without leading tags, walked by their headers.
std::vector<size_t> FrameOffsets(const std::vector<uint8_t>& bytes, size_t start = 0)
{
    std::vector<size_t> offsets;
    size_t pos = start;
    while (pos + 4 <= bytes.size()) {
        LMp3FrameHeader h;
        if (!LMp3ParseHeader(LMp3ReadBe32(&bytes[pos]), &h) || h.frameBytes == 0 ||
            pos + size_t(h.frameBytes) > bytes.size())
            break;
        offsets.push_back(pos);
        pos += size_t(h.frameBytes);
    }
    return offsets;
}

size_t FindText(const std::vector<uint8_t>& bytes, const char* text, size_t limit = 4096)
{
    const size_t n = std::strlen(text);
    for (size_t i = 0; i + n <= std::min(limit, bytes.size()); ++i)
        if (std::memcmp(&bytes[i], text, n) == 0)
            return i;
    return std::string::npos;
}

void PutBe32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 24);
    b[at + 1] = uint8_t(v >> 16);
    b[at + 2] = uint8_t(v >> 8);
    b[at + 3] = uint8_t(v);
}

class Mp3Source : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!quorin::test::HaveTool("sox") || !quorin::test::HaveTool("lame") ||
            !quorin::test::HaveTool("mpg123"))
            GTEST_SKIP() << "sox, lame and mpg123 are needed (make deps installs them)";
        signal_ = dir_.Path("signal.wav");
        ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(signal_) +
                             " synth 3 sine 100-5000 synth pinknoise mix gain -4 2>/dev/null"),
                  0);
    }

    std::string Lame(const std::string& name, const std::string& options)
    {
        const std::string path = dir_.Path(name);
        EXPECT_EQ(RunCommand("lame --quiet " + options + " " + Quote(signal_) + " " + Quote(path)), 0);
        return path;
    }

    TempDir dir_;
    std::string signal_;
};

// With delay 576 and padding 1000 recorded over 100 frames, the length is
// 100 x 1152 - 1576 and the first sample delivered is decoded sample 1105.
TEST_F(Mp3Source, EncoderDelayAndPaddingShapeTheStream)
{
    std::vector<uint8_t> bytes = ReadBytes(Lame("cbr.mp3", "-b 128"));
    const size_t info = FindText(bytes, "Info");
    ASSERT_NE(info, std::string::npos);
    ASSERT_EQ(std::memcmp(&bytes[info + 120], "LAME", 4), 0);
    const std::vector<size_t> frames = FrameOffsets(bytes);
    ASSERT_GT(frames.size(), 101u);
    bytes.resize(frames[101]); // the tag frame and 100 audio frames
    bytes[info + 120 + 21] = uint8_t(576 >> 4);
    bytes[info + 120 + 22] = uint8_t(((576 & 15) << 4) | (1000 >> 8));
    bytes[info + 120 + 23] = uint8_t(1000 & 255);
    const std::string path = dir_.Path("shaped.mp3");
    WriteBytes(path, bytes);

    LMp3SoundSource source(path.c_str(), false, true);
    ASSERT_EQ(source.GetStatus(), 0);
    EXPECT_EQ(source.GetEncoderDelay(), 576);
    EXPECT_EQ(source.GetEncoderPadding(), 1000);
    EXPECT_EQ(source.GetLength(), 113624);
    const Decoded ours = DecodeAll(source);
    EXPECT_EQ(ours.length, 113624);
    const std::vector<float> plain = Mpg123Floats(path, "--no-gapless");
    ASSERT_EQ(int64_t(plain.size()) / 2, 100 * 1152);
    const Accuracy a = Compare(ours.samples, plain, 2, 1105);
    EXPECT_EQ(a.compared, 113624);
    EXPECT_LT(a.max, kFullAccuracyMax);

    // Without skipping the codec delays only the decoder's own delay is left out.
    LMp3SoundSource whole(path.c_str(), false, false);
    EXPECT_EQ(whole.GetLength(), 100 * 1152);
    const Decoded all = DecodeAll(whole);
    EXPECT_LT(Compare(all.samples, plain, 2, LMp3SoundSource::kDecoderDelay).max, kFullAccuracyMax);
}

// Two ID3v2 tags in front and an ID3v1 tag behind change nothing in the audio.
TEST_F(Mp3Source, TagsAroundTheAudioAreSteppedOver)
{
    const std::string plainPath = Lame("plain.mp3", "-b 160 -t");
    const std::vector<uint8_t> plain = ReadBytes(plainPath);
    std::vector<uint8_t> tagged;
    for (int t = 0; t < 2; ++t) {
        const uint8_t header[10] = {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 0}; // 256 bytes of tag body
        tagged.insert(tagged.end(), header, header + 10);
        tagged.insert(tagged.end(), 256, uint8_t(t == 0 ? 0xFF : 0)); // syncs inside the body are not frames
    }
    tagged.insert(tagged.end(), plain.begin(), plain.end());
    std::vector<uint8_t> v1(128, 0xFF);
    std::memcpy(v1.data(), "TAG", 3);
    tagged.insert(tagged.end(), v1.begin(), v1.end());
    const std::string taggedPath = dir_.Path("tagged.mp3");
    WriteBytes(taggedPath, tagged);

    LMp3SoundSource a(plainPath.c_str(), false, true);
    LMp3SoundSource b(taggedPath.c_str(), false, true);
    ASSERT_EQ(b.GetStatus(), 0);
    EXPECT_EQ(b.GetLength(), a.GetLength()); // known before decoding: the ID3v1 tag is not audio
    const Decoded da = DecodeAll(a);
    const Decoded db = DecodeAll(b);
    EXPECT_EQ(da.samples, db.samples);
}

TEST_F(Mp3Source, LowSamplingRatesReportTheirRates)
{
    struct Case
    {
        const char* options;
        int32_t rate;
        int channels;
    } cases[] = {{"--resample 22.05 -b 64", 22050, 2},
                 {"--resample 8 -b 16 -m m", 8000, 1},
                 {"--resample 48 -b 128", 48000, 2}};
    for (const Case& c : cases) {
        LMp3SoundSource s(Lame("rate.mp3", c.options).c_str(), false, true);
        ASSERT_EQ(s.GetStatus(), 0) << c.options;
        EXPECT_EQ(s.GetRate(), c.rate);
        EXPECT_EQ(s.GetChannels(), c.channels);
        EXPECT_EQ(s.GetSamplesPerFrame(), c.rate >= 32000 ? 1152 : 576);
    }
}

// Seeking into frame 30 reads from the wanted sample; past the end gives zeros.
TEST_F(Mp3Source, SeekInsideAFrameAndPastTheEnd)
{
    const std::string path = Lame("vbr.mp3", "-V 3");
    LMp3SoundSource source(path.c_str(), false, true);
    const Decoded all = DecodeAll(source);
    const int64_t position = 30 * 1152 + 700 - 529 - source.GetEncoderDelay();
    source.Seek(position);
    EXPECT_EQ(source.GetPosition(), position);
    std::vector<int32_t> got(2000 * 2);
    source.Read(got.data(), 2000);
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i] / 524288.0f, all.samples[size_t(position) * 2 + i]);

    source.Seek(all.length + 5000);
    std::fill(got.begin(), got.end(), 1);
    source.Read(got.data(), 2000);
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](int32_t v) { return v == 0; }));
    EXPECT_EQ(source.GetPosition(), all.length + 7000);

    source.Seek(-300);
    std::fill(got.begin(), got.end(), 1);
    source.Read(got.data(), 1000);
    for (size_t i = 0; i < 600; ++i)
        ASSERT_EQ(got[i], 0);
    for (size_t i = 600; i < 2000; ++i)
        ASSERT_EQ(got[i] / 524288.0f, all.samples[i - 600]);
}

// A Xing or VBRI header claiming 0 frames (or an impossible count) is not
// believed: the length comes from the frames themselves.
TEST_F(Mp3Source, FrameCountHeadersThatLieAreNotBelieved)
{
    const std::string path = Lame("vbr.mp3", "-V 2");
    const int64_t realLength = int64_t(Mpg123Floats(path, "--no-gapless").size()) / 2;
    const std::vector<uint8_t> original = ReadBytes(path);
    const size_t xing = FindText(original, "Xing");
    ASSERT_NE(xing, std::string::npos);
    for (uint32_t count : {0u, 1u, 0xFFFFFFFFu}) {
        std::vector<uint8_t> bytes = original;
        PutBe32(bytes, xing + 8, count);
        const std::string patched = dir_.Path("xing.mp3");
        WriteBytes(patched, bytes);
        LMp3SoundSource s(patched.c_str(), false, true);
        ASSERT_EQ(s.GetStatus(), 0) << count;
        EXPECT_FALSE(s.IsHeaderCountKnown()) << count;
        const Decoded d = DecodeAll(s);
        // The tag frame is no audio (mpg123 leaves it out too); delay and padding still apply.
        EXPECT_EQ(d.length, realLength - s.GetEncoderDelay() - s.GetEncoderPadding()) << count;
    }

    // A VBRI header (Fraunhofer's) in a silent first frame, claiming 0 frames.
    const std::string plainPath = Lame("plain.mp3", "-b 128 -t");
    std::vector<uint8_t> bytes = ReadBytes(plainPath);
    const std::vector<size_t> frames = FrameOffsets(bytes);
    std::fill(bytes.begin() + 4, bytes.begin() + int64_t(frames[1]), uint8_t(0));
    std::memcpy(&bytes[36], "VBRI", 4);
    PutBe32(bytes, 36 + 14, 0);
    const std::string vbriPath = dir_.Path("vbri.mp3");
    WriteBytes(vbriPath, bytes);
    LMp3SoundSource s(vbriPath.c_str(), false, true);
    ASSERT_EQ(s.GetStatus(), 0);
    EXPECT_FALSE(s.IsHeaderCountKnown());
    // The silent first frame is no audio; the next one may miss its bit reservoir.
    EXPECT_EQ(DecodeAll(s).length, int64_t(frames.size() - 1 - s.GetLeadingFramesLost()) * 1152);
}

// A file cut in the middle of a frame, or with garbage in the middle, decodes
// what is there and keeps its timing.
TEST_F(Mp3Source, TruncatedAndDamagedFilesKeepDecoding)
{
    const std::string path = Lame("cbr.mp3", "-b 128 -t");
    std::vector<uint8_t> bytes = ReadBytes(path);
    const std::vector<size_t> frames = FrameOffsets(bytes);
    ASSERT_GT(frames.size(), 60u);

    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + int64_t(frames[50] + 200));
    WriteBytes(dir_.Path("cut.mp3"), cut);
    LMp3SoundSource c(dir_.Path("cut.mp3").c_str(), false, true);
    ASSERT_EQ(c.GetStatus(), 0);
    EXPECT_EQ(DecodeAll(c).length, 50 * 1152);

    // Garbage in frames 20 and 21 behind intact headers: decoded as far as it
    // goes, with the timing kept.
    std::vector<uint8_t> damaged = bytes;
    for (size_t f = 20; f < 22; ++f)
        for (size_t i = frames[f] + 4; i < frames[f + 1]; ++i)
            damaged[i] = uint8_t(i * 37 + 11);
    WriteBytes(dir_.Path("damaged.mp3"), damaged);
    LMp3SoundSource d(dir_.Path("damaged.mp3").c_str(), false, true);
    LMp3SoundSource o(path.c_str(), false, true);
    const Decoded good = DecodeAll(o);
    const Decoded bad = DecodeAll(d);
    EXPECT_EQ(bad.length, good.length);
    // Well after the damage the stream is exactly the undamaged one again.
    const size_t from = size_t(30 * 1152) * 2;
    ASSERT_GT(bad.samples.size(), from);
    EXPECT_TRUE(std::equal(bad.samples.begin() + int64_t(from), bad.samples.end(),
                           good.samples.begin() + int64_t(from)));
}

// Seeks in the conformance streams (free format, missing leading reservoir,
// a mode switch, variable rate without a header) land on the linear samples.
TEST(Mp3SourceConformance, SeekGivesTheLinearSamples)
{
    QUORIN_REQUIRE_TESTDATA(data);
    for (const char* name :
         {"l3-he_free", "l3-sin1k0db", "l3-he_mode", "M2L3_bitrate_22_all", "l3-si_block"}) {
        const std::string path = data + "/mp3-conformance/" + name + ".bit";
        LMp3SoundSource linear(path.c_str(), false, true);
        const Decoded all = DecodeAll(linear);
        const int spf = linear.GetSamplesPerFrame();
        LMp3SoundSource seeker(path.c_str(), false, true);
        std::vector<int32_t> got(size_t(spf) * all.channels);
        for (int64_t position = all.length - spf; position >= 0; position -= spf * 7 + 123) {
            seeker.Seek(position);
            seeker.Read(got.data(), spf);
            for (size_t i = 0; i < got.size(); ++i)
                ASSERT_EQ(got[i] / 524288.0f, all.samples[size_t(position) * all.channels + i])
                    << name << " position " << position;
        }
    }
}

TEST_F(Mp3Source, IndexedAtOnceGivesTheExactLengthAtOnce)
{
    const std::string path = Lame("vbr.mp3", "-V 5 -t");
    LMp3SoundSource lazy(path.c_str(), false, true);
    LMp3SoundSource indexed(path.c_str(), true, true);
    const Decoded d = DecodeAll(lazy);
    EXPECT_EQ(indexed.GetLength(), d.length);
    EXPECT_EQ(DecodeAll(indexed).samples, d.samples);
}

TEST_F(Mp3Source, DescriptorConstructorStartsAtTheCurrentOffset)
{
    const std::string path = Lame("cbr.mp3", "-b 96");
    std::vector<uint8_t> bytes(1000, 0x55);
    const std::vector<uint8_t> mp3 = ReadBytes(path);
    bytes.insert(bytes.end(), mp3.begin(), mp3.end());
    WriteBytes(dir_.Path("embedded.bin"), bytes);
    const int fd = open(dir_.Path("embedded.bin").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lseek(fd, 1000, SEEK_SET), 1000);
    LMp3SoundSource embedded(fd, true, true);
    LMp3SoundSource direct(path.c_str(), false, true);
    ASSERT_EQ(embedded.GetStatus(), 0);
    EXPECT_EQ(embedded.GetLength(), direct.GetLength());
    EXPECT_EQ(DecodeAll(embedded).samples, DecodeAll(direct).samples);
}

TEST(Mp3SourceFailures, UnopenableAndNonMp3Files)
{
    TempDir dir;
    LMp3SoundSource missing(dir.Path("missing.mp3").c_str(), false, true);
    EXPECT_EQ(missing.GetStatus(), 4);
    WriteBytes(dir.Path("text.mp3"), std::vector<uint8_t>(5000, 'a'));
    LMp3SoundSource text(dir.Path("text.mp3").c_str(), false, true);
    EXPECT_EQ(text.GetStatus(), 3);
    WriteBytes(dir.Path("empty.mp3"), {});
    LMp3SoundSource empty(dir.Path("empty.mp3").c_str(), false, true);
    EXPECT_EQ(empty.GetStatus(), 3);
    std::vector<int32_t> buffer(100, 9); // a failed source is mono
    empty.Read(buffer.data(), 100);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](int32_t v) { return v == 0; }));
}

// The engine's "open any audio file" entry picks the MP3 reader, and
// qd-audio decode writes what mpg123 decodes.
TEST_F(Mp3Source, OpenAnyAudioFileAndQdAudioDecode)
{
    const std::string path = Lame("joint.mp3", "-V 4 --add-id3v2 --tt Song");
    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, path.c_str(), &info);
    ASSERT_EQ(source->GetStatus(), 0);
    EXPECT_EQ(info.formatTag, 85);
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.channels, 2u);

    // A stream behind leading bytes that are neither a tag nor a frame (with a
    // false sync pattern among them).
    std::vector<uint8_t> junk(300, 0);
    junk[100] = 0xFF;
    junk[101] = 0xFB;
    junk[102] = 0x90;
    junk[103] = 0x64;
    const std::vector<uint8_t> mp3 = ReadBytes(Lame("plain.mp3", "-b 128"));
    junk.insert(junk.end(), mp3.begin(), mp3.end());
    WriteBytes(dir_.Path("junk.mp3"), junk);
    LOpenAudioFileSource(source, dir_.Path("junk.mp3").c_str(), &info);
    EXPECT_EQ(source->GetStatus(), 0);
    EXPECT_EQ(info.formatTag, 85);

    const std::string tool = quorin::test::BuildDir() + "/tools/qd-audio/qd-audio";
    const std::string raw = dir_.Path("out.raw");
    ASSERT_EQ(RunCommand(Quote(tool) + " decode " + Quote(path) + " " + Quote(raw) + " --s16"), 0);
    const std::vector<uint8_t> ours = ReadBytes(raw);
    const std::string ref = quorin::test::CaptureCommand("mpg123 -q -s " + Quote(path) + " 2>/dev/null");
    ASSERT_EQ(ours.size(), ref.size());
    int worst = 0;
    for (size_t i = 0; i + 1 < ours.size(); i += 2) {
        const int a = int16_t(ours[i] | ours[i + 1] << 8);
        const int b = int16_t(uint8_t(ref[i]) | uint8_t(ref[i + 1]) << 8);
        worst = std::max(worst, std::abs(a - b));
    }
    EXPECT_LE(worst, 1);
}

} // namespace
