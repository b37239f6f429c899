// qd-disc's audio-CD commands as a user runs them: the dry run's raw data
// against sox, bchunk and cuebreakpoints, and the exit codes and messages
// of the scripted drive's failures.

#include "burn/AiffFixture.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>

using namespace quorin::test;

namespace {

class DiscToolAudioTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        tool_ = BuildDir() + "/tools/qd-disc/qd-disc";
        if (!PathExists(tool_))
            GTEST_SKIP() << "qd-disc is not built";
        QUORIN_REQUIRE_TOOL("sox");
    }

    std::string MakeWav(const char* name, const std::string& format, const char* synth)
    {
        const std::string path = home_.Path(name);
        EXPECT_EQ(RunCommand("sox -n " + format + " " + Quote(path) + " synth " + synth), 0);
        return path;
    }

    std::string Run(const std::string& args, int* status)
    {
        return CaptureCommand(Quote(tool_) + " " + args + " 2>" + Quote(home_.Path("stderr.txt")), status);
    }

    std::string Stderr()
    {
        const std::vector<unsigned char> bytes = ReadBytes(home_.Path("stderr.txt"));
        return std::string(bytes.begin(), bytes.end());
    }

    static std::vector<unsigned char> SoxCdr(const std::string& path)
    {
        const std::string bytes = CaptureCommand("sox " + Quote(path) + " -L -t cdr - 2>/dev/null");
        return std::vector<unsigned char>(bytes.begin(), bytes.end());
    }

    std::string tool_;
};

struct TrackLine
{
    int number;
    long long start;
    long long blocks;
    std::string path;
};

std::vector<TrackLine> ParseTracks(const std::string& out)
{
    std::vector<TrackLine> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        TrackLine t;
        std::istringstream fields(line);
        std::string number, start, blocks;
        std::getline(fields, number, '\t');
        std::getline(fields, start, '\t');
        std::getline(fields, blocks, '\t');
        std::getline(fields, t.path);
        t.number = std::stoi(number);
        t.start = std::stoll(start);
        t.blocks = std::stoll(blocks);
        lines.push_back(t);
    }
    return lines;
}

TEST_F(DiscToolAudioTest, DryRunMatchesSoxAndSplitsBackWithBchunk)
{
    const std::vector<std::string> tracks = {
        MakeWav("stereo.wav", "-r 44100 -c 2 -b 16", "3.3 sine 440 sine 660 vol 0.5"),
        MakeWav("mono.wav", "-r 44100 -c 1 -b 16", "5.01 pinknoise vol 0.3"),
        MakeWav("short.wav", "-r 44100 -c 2 -b 16", "0.5 sine 1000"),
    };
    const std::string raw = home_.Path("OUT.raw");
    int status = -1;
    const std::string out = Run("audio-cd --drive fake: --pause 2.0 --dry-run " + Quote(raw) + " " +
                                    Quote(tracks[0]) + " " + Quote(tracks[1]) + " " + Quote(tracks[2]),
                                &status);
    ASSERT_EQ(status, 0) << Stderr();
    const std::vector<TrackLine> lines = ParseTracks(out);
    ASSERT_EQ(lines.size(), 3u) << out;
    const long long expectedBlocks[] = {300 + 150, 376 + 150, 300};
    const std::vector<unsigned char> bytes = ReadBytes(raw);
    long long start = 0;
    for (size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(lines[n].number, static_cast<int>(n + 1));
        EXPECT_EQ(lines[n].start, start);
        EXPECT_EQ(lines[n].blocks, expectedBlocks[n]);
        EXPECT_EQ(lines[n].path, tracks[n]);
        const std::vector<unsigned char> reference = SoxCdr(tracks[n]);
        const auto part = bytes.begin() + start * 2352;
        ASSERT_LE(static_cast<size_t>((start + lines[n].blocks) * 2352), bytes.size());
        EXPECT_TRUE(std::equal(reference.begin(), reference.end(), part)) << tracks[n];
        EXPECT_TRUE(std::all_of(part + static_cast<long>(reference.size()), part + lines[n].blocks * 2352,
                                [](unsigned char b) { return b == 0; }))
            << tracks[n];
        start += lines[n].blocks;
    }
    EXPECT_EQ(static_cast<long long>(bytes.size()), start * 2352);

    if (HaveTool("cuebreakpoints")) {
        const std::string points = CaptureCommand("cuebreakpoints " + Quote(home_.Path("OUT.cue")));
        EXPECT_EQ(points, "0:06.00\n0:13.01\n");
    }
    if (HaveTool("bchunk")) {
        ASSERT_EQ(RunCommand("cd " + Quote(home_.Root()) + " && bchunk -w OUT.raw OUT.cue split >/dev/null"),
                  0);
        for (size_t n = 0; n < 3; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "split%02d.wav", static_cast<int>(n + 1));
            const std::vector<unsigned char> wav = ReadBytes(home_.Path(name));
            ASSERT_GT(wav.size(), 44u) << name;
            const std::vector<unsigned char> samples(wav.begin() + 44, wav.end());
            const auto part = bytes.begin() + lines[n].start * 2352;
            ASSERT_EQ(static_cast<long long>(samples.size()), lines[n].blocks * 2352) << name;
            EXPECT_TRUE(std::equal(samples.begin(), samples.end(), part)) << name;
        }
    }
}

TEST_F(DiscToolAudioTest, OtherRatesAndDepthsFollowSoxClosely)
{
    const std::string track = MakeWav("hires.wav", "-r 48000 -c 2 -b 24", "2.5 sine 997 vol 0.5");
    int status = -1;
    Run("audio-cd --drive none --dry-run " + Quote(home_.Path("hires.raw")) + " " + Quote(track), &status);
    ASSERT_EQ(status, 0) << Stderr();
    const std::vector<unsigned char> ours = ReadBytes(home_.Path("hires.raw"));
    const std::vector<unsigned char> reference = SoxCdr(track);
    ASSERT_GE(ours.size(), reference.size());
    // Compare away from the edges, where the two resamplers' filters start and stop.
    double signal = 0, error = 0;
    for (size_t i = 44100; i + 1 < reference.size() - 44100; i += 2) {
        const int a = static_cast<int16_t>(ours[i] | (ours[i + 1] << 8));
        const int b = static_cast<int16_t>(reference[i] | (reference[i + 1] << 8));
        signal += double(b) * b;
        error += double(a - b) * (a - b);
    }
    ASSERT_GT(signal, 0);
    EXPECT_GT(10 * std::log10(signal / std::max(error, 1.0)), 40.0);
}

TEST_F(DiscToolAudioTest, FailuresGiveTheirCodes)
{
    const std::string track = MakeWav("t.wav", "-r 44100 -c 2 -b 16", "0.2 sine 440");
    struct Case
    {
        std::string args;
        int status;
        const char* error; // beginning of the stderr line, or null
    };
    const std::vector<Case> cases = {
        {"audio-cd --drive fake:fail=write " + Quote(track), 2,
         "qd-disc: code 46: Unknown SCSI access error: Fake drive"},
        {"audio-cd --drive fake:fail=vanish " + Quote(track), 2, "qd-disc: code 15: "},
        {"audio-cd --drive fake:fail=hang " + Quote(track), 2,
         "qd-disc: code 46: Unknown SCSI access error: The drive stopped responding"},
        {"audio-cd --drive fake:media=cdrw,state=full,fail=erase --erase " + Quote(track), 2,
         "qd-disc: code 25: "},
        {"audio-cd --drive fake:media=cdr,state=full " + Quote(track), 2, "qd-disc: code 14: "},
        {"audio-cd --drive 200 " + Quote(track), 2, "qd-disc: code 15: "},
        {"audio-cd --drive fake: " + Quote(track), 0, nullptr},
        {"audio-cd --drive fake:media=cdrw,state=full --full-erase --tao --speed 8 " + Quote(track), 0,
         nullptr},
        {"audio-cd --drive none " + Quote(track), 2, "qd-disc: --drive none"},
        {"audio-cd --drive emulated:cdr " + Quote(track), 2, "qd-disc: emulated drives"},
        {"audio-cd --drive fake:media=floppy " + Quote(track), 2, "qd-disc: bad fake drive"},
        {"audio-cd --drive fake:", 2, "qd-disc: no TRACK"},
        {"audio-cd --drive fake: " + Quote(home_.Path("missing.wav")), 2, "qd-disc: "},
        {"erase --drive fake:media=cdrw,state=full --full", 0, nullptr},
        {"erase --drive fake:media=cdrw,state=full,fail=erase", 2,
         "qd-disc: code 25: Error erasing the disc"},
        {"erase --drive fake:media=cdr,state=full", 2, "qd-disc: code 14: "},
        {"erase --drive emulated:cdr", 2, "qd-disc: emulated drives"},
    };
    for (const Case& c : cases) {
        int status = -1;
        Run(c.args, &status);
        EXPECT_EQ(status, c.status) << c.args << "\n" << Stderr();
        if (c.error) {
            EXPECT_EQ(Stderr().rfind(c.error, 0), 0u) << c.args << "\n" << Stderr();
        }
    }
}

TEST_F(DiscToolAudioTest, InterruptCancels)
{
    const std::string track = MakeWav("t.wav", "-r 44100 -c 2 -b 16", "0.2 sine 440");
    // Waiting for a disc that never comes until the user presses Ctrl-C.
    const std::string command = Quote(tool_) + " audio-cd --drive fake:media=none --wait 30 " + Quote(track) +
                                " 2>/dev/null & pid=$!; sleep 0.5; kill -INT $pid; wait $pid; echo $?";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CaptureCommand(command), "1\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(DiscToolAudioTest, ScanAndStateLines)
{
    int status = -1;
    std::string out = Run("scan --drive fake:media=cdrw,state=appendable", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "0\tQUORIN\tFake CD/DVD Writer\twrite=cd,cd-sao,dvd-r,dvd+r\tmedia=1 CD-RW\tblank=0\t"
                   "speeds=706,1411,2822,4234,7056\n");
    out = Run("scan --drive fake:media=none", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("\tmedia=19 No Disc\tblank=0\tspeeds=\n"), std::string::npos) << out;
    out = Run("state --drive fake:media=cdrw,state=appendable", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "result=29\nfree=236391\nused=123456\nmedia=1 CD-RW\n");
    out = Run("state --drive fake:media=none", &status);
    EXPECT_EQ(out, "result=14\nfree=0\nused=0\nmedia=19 No Disc\n");
    Run("state --drive emulated:cdr", &status);
    EXPECT_EQ(status, 2);
}

} // namespace
