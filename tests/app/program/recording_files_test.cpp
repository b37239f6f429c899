// The files behind the list of recordings: durations as sox reports them,
// the rename rules (what is refused, what does nothing, what never replaces
// another file) and names that only an argument vector carries intact.

#include "app/program/RecordingFiles.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

std::string SoxiDurationHMS(const std::string& path)
{
    int status = 0;
    const std::string out = CaptureCommand("soxi -D " + Quote(path), &status);
    if (status != 0)
        return "soxi failed";
    const long seconds = static_cast<long>(std::floor(std::stod(out)));
    char text[32];
    std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

void Touch(const std::string& path, const std::string& bytes = "x")
{
    std::ofstream(path) << bytes;
}

std::string Read(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(RecordingFiles, DurationsAreThoseSoxReports)
{
    if (!HaveTool("sox") || !HaveTool("soxi") || !HaveTool("lame"))
        GTEST_SKIP() << "sox and lame are needed (make deps installs them)";
    TempDir dir;
    const std::string a = dir.Path("a.wav"), b = dir.Path("b.wav"), c = dir.Path("c.mp3");
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(a) + " synth 2.7 sine 440"), 0);
    ASSERT_EQ(RunCommand("sox -q -n -r 22050 -c 1 -b 16 " + Quote(b) + " synth 61.2 sine 300"), 0);
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(dir.Path("c.wav")) + " synth 3.4 sine 500"),
              0);
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(dir.Path("c.wav")) + " " + Quote(c)), 0);
    for (const std::string& path : {a, b, c}) {
        int64_t ms = -1;
        ASSERT_TRUE(ReadRecordingDuration(path.c_str(), &ms)) << path;
        EXPECT_EQ(FormatRecordingDuration(ms), SoxiDurationHMS(path)) << path;
    }
    Touch(dir.Path("text.wav"), "not a sound file");
    int64_t ms = -1;
    EXPECT_FALSE(ReadRecordingDuration(dir.Path("text.wav").c_str(), &ms));
    EXPECT_FALSE(ReadRecordingDuration(dir.Path("missing.wav").c_str(), &ms));
}

// A header whose sizes claim about 4 GB (a writer that never finished it,
// or a hostile file) gives the length of the audio the file holds.
TEST(RecordingFiles, AHeaderClaimingFourGigabytesGivesTheLengthTheFileHolds)
{
    if (!HaveTool("sox"))
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    TempDir dir;
    const std::string path = dir.Path("claims.wav");
    for (const double seconds : {0.5, 2.5}) {
        ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(path) + " synth " +
                             std::to_string(seconds) + " sine 440"),
                  0);
        const std::string whole = Read(path);
        const size_t data = whole.find("data");
        ASSERT_NE(data, std::string::npos);
        for (const uint32_t claimed : {0xFFFFFFFFu, 0xFFFFFFD9u, 0xFFFFFF00u, 0xF0000000u}) {
            std::string bytes = whole;
            for (const size_t at : {size_t{4}, data + 4})
                for (int i = 0; i < 4; ++i)
                    bytes[at + i] = static_cast<char>((claimed >> (8 * i)) & 0xFF);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
            int64_t ms = -1;
            ASSERT_TRUE(ReadRecordingDuration(path.c_str(), &ms)) << std::hex << claimed;
            EXPECT_EQ(ms, static_cast<int64_t>(seconds * 1000)) << std::hex << claimed;
        }
    }
}

TEST(RecordingFiles, HoursMinutesAndSecondsOfALength)
{
    const struct
    {
        int64_t ms;
        const char* text;
    } cases[] = {{0, "0:00:00"},
                 {999, "0:00:00"},
                 {61'500, "0:01:01"},
                 {3'600'000, "1:00:00"},
                 {36'061'000, "10:01:01"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatRecordingDuration(c.ms), c.text) << c.ms;
}

TEST(RecordingFiles, OnlyWavAndMp3FilesBelongInTheList)
{
    for (const char* name : {"a.wav", "B.WAV", "c.mp3", "d.Mp3", "take.01.wav"})
        EXPECT_TRUE(IsRecordingFileName(name)) << name;
    for (const char* name : {"a.txt", "wav", ".wav.bak", "a.wave", "a.mp", ""})
        EXPECT_FALSE(IsRecordingFileName(name)) << name;
}

TEST(RecordingFiles, RenamePlansFollowTheRules)
{
    TempDir dir;
    Touch(dir.Path("Take 01.wav"));
    Touch(dir.Path("Other.wav"));
    auto listed = [](const char* name, void*) { return std::string(name) == "Listed.wav"; };
    const struct
    {
        const char* typed;
        RenameCheck check;
        const char* name;
    } cases[] = {
        {"Side A", RenameCheck::kRename, "Side A.wav"},
        {"  Side B  ", RenameCheck::kRename, "Side B.wav"},
        {"Side C.wav", RenameCheck::kRename, "Side C.wav"},
        {"Side A.mp3", RenameCheck::kNothing, ""},
        {"Take 01.wav", RenameCheck::kNothing, ""},
        {"Take 01", RenameCheck::kNothing, ""},
        {"", RenameCheck::kEmpty, ""},
        {"   ", RenameCheck::kEmpty, ""},
        {".wav", RenameCheck::kLeadingDot, ""},
        {"..", RenameCheck::kLeadingDot, ""},
        {".hidden", RenameCheck::kLeadingDot, ""},
        {"bad/name", RenameCheck::kSlash, ""},
        {"../up", RenameCheck::kSlash, ""},
        {"Other", RenameCheck::kExists, ""},
        {"Other.wav", RenameCheck::kExists, ""},
        {"Listed", RenameCheck::kExists, ""},
        {"it's $HOME \"x\".wav", RenameCheck::kRename, "it's $HOME \"x\".wav"},
    };
    for (const auto& c : cases) {
        std::string name;
        EXPECT_EQ(PlanRecordingRename(dir.Path().c_str(), "Take 01.wav", c.typed, listed, nullptr, &name),
                  c.check)
            << '"' << c.typed << '"';
        EXPECT_EQ(name, c.name) << '"' << c.typed << '"';
        const bool refused = c.check != RenameCheck::kRename && c.check != RenameCheck::kNothing;
        EXPECT_EQ(*RenameRefusalText(c.check) != '\0', refused) << '"' << c.typed << '"';
    }
}

TEST(RecordingFiles, ARenameNeverReplacesAnotherFile)
{
    TempDir dir;
    Touch(dir.Path("a.wav"), "first");
    Touch(dir.Path("b.wav"), "second");
    EXPECT_FALSE(RenameWithoutReplacing(dir.Path("a.wav").c_str(), dir.Path("b.wav").c_str()));
    EXPECT_EQ(Read(dir.Path("a.wav")), "first");
    EXPECT_EQ(Read(dir.Path("b.wav")), "second");
    EXPECT_TRUE(RenameWithoutReplacing(dir.Path("a.wav").c_str(), dir.Path("c.wav").c_str()));
    EXPECT_EQ(Read(dir.Path("c.wav")), "first");
    struct stat info;
    EXPECT_NE(stat(dir.Path("a.wav").c_str(), &info), 0);
}

TEST(RecordingFiles, ANameWithQuotesAndDollarsRenamesAndStillOpensInSox)
{
    if (!HaveTool("sox"))
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    TempDir dir;
    ASSERT_EQ(
        RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(dir.Path("take.wav")) + " synth 0.5 sine 440"),
        0);
    std::string name;
    ASSERT_EQ(
        PlanRecordingRename(dir.Path().c_str(), "take.wav", "it's $HOME \"x\"", nullptr, nullptr, &name),
        RenameCheck::kRename);
    const std::string to = dir.Path(name);
    ASSERT_TRUE(RenameWithoutReplacing(dir.Path("take.wav").c_str(), to.c_str()));
    EXPECT_EQ(name, "it's $HOME \"x\".wav");
    EXPECT_EQ(RunCommand("sox " + Quote(to) + " -n stat 2>/dev/null"), 0);
}

TEST(RecordingFiles, AFolderIsWritableWhenAFileCanBeMadeInIt)
{
    TempDir dir;
    EXPECT_TRUE(IsFolderWritable(dir.Path().c_str()));
    EXPECT_TRUE(IsFolderWritable(dir.Path().c_str())); // the probe file is gone again
    ASSERT_EQ(mkdir(dir.Path("locked").c_str(), 0500), 0);
    if (geteuid() != 0) { // root writes anywhere
        EXPECT_FALSE(IsFolderWritable(dir.Path("locked").c_str()));
    }
    EXPECT_FALSE(IsFolderWritable(dir.Path("missing").c_str()));
}
