// Burning from the main window's commands against the drives QUORIN_DRIVES
// names: an audio CD on a scripted CD writer whose dump is read back against
// sox, a data disc on an emulated DVD+RW read back with 7z, the failures the
// user is told about, another copy, eject, erase and the capacity texts.

#include "app/program/burn/LBurnCommands.h"
#include "app/program/burn/LProgressTasks.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"
#include "burn/LProgramDrives.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>

using namespace quorin::test;

namespace {

class TestBurnUi : public LBurnCommandUi
{
public:
    LViewHandle BurnParentView() override { return nullptr; }
    void TellBurn(const char* text, const char*, int) override { told.push_back(text); }
    bool AskBurnAnother(const char* message) override
    {
        offers.push_back(message);
        if (another.empty())
            return false;
        const bool answer = another.front();
        another.pop_front();
        return answer;
    }
    std::vector<std::string> told;
    std::vector<std::string> offers;
    std::deque<bool> another;
};

class BurnCommandsTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        if (!HaveTool("sox") || !HaveTool("lame"))
            GTEST_SKIP() << "sox and lame are needed (make deps installs them)";
        // As the program does: the default drive is the first CD writer.
        LInstallProgramDriveScan();
        // Burnt as recorded: no levelling of the tracks.
        LSettingsSetString("Settings", "NormalizeLevel", "0");
    }
    void TearDown() override
    {
        unsetenv("QUORIN_DRIVES");
        LReloadProgramDrives();
    }

    static void UseDrives(const std::string& specs)
    {
        setenv("QUORIN_DRIVES", specs.c_str(), 1);
        LReloadProgramDrives();
    }

    // Three recordings of about five seconds: a CD-format WAV, a 22.05 kHz
    // mono WAV and an MP3.
    std::vector<std::string> Recordings()
    {
        const std::string a = files_.Path("Song.wav");
        const std::string b = files_.Path("Low.wav");
        const std::string c = files_.Path("Song.mp3");
        EXPECT_EQ(
            RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(a) + " synth 5.2 sine 440 sine 660 vol 0.5"),
            0);
        EXPECT_EQ(RunCommand("sox -q -n -r 22050 -c 1 -b 16 " + Quote(b) + " synth 4.7 sine 300 vol 0.5"), 0);
        const std::string tone = files_.Path("tone.wav");
        EXPECT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(tone) + " synth 5.0 sine 523 vol 0.4"),
                  0);
        EXPECT_EQ(RunCommand("lame --quiet -b 192 " + Quote(tone) + " " + Quote(c)), 0);
        std::remove(tone.c_str());
        return {a, b, c};
    }

    static std::vector<std::string> Contents(const std::vector<std::string>& paths)
    {
        std::vector<std::string> bytes;
        for (const std::string& p : paths)
            bytes.push_back(ReadFileBytes(p));
        return bytes;
    }

    // What a burn left in the caches folder (its working folders).
    std::vector<std::string> CacheLeftovers()
    {
        char caches[1024] = {};
        if (!LGetCachesFolder(caches))
            return {};
        std::vector<std::string> left;
        for (const std::string& name : FolderEntries(caches))
            if (!name.empty() && name[0] == '0')
                left.push_back(name);
        return left;
    }

    TempDir files_;
};

// sox's CD audio of a file: 16-bit little-endian stereo at 44.1 kHz.
std::string SoxCdr(const std::string& path)
{
    return CaptureCommand("sox " + Quote(path) + " -L -t cdr - 2>/dev/null");
}

struct CueTrack
{
    long start = 0; // blocks
};

std::vector<long> CueStarts(const std::string& cue)
{
    std::vector<long> starts;
    std::istringstream in(cue);
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find("INDEX 01 ");
        if (at == std::string::npos)
            continue;
        int m = 0, s = 0, f = 0;
        if (std::sscanf(line.c_str() + at + 9, "%d:%d:%d", &m, &s, &f) == 3)
            starts.push_back((m * 60L + s) * 75 + f);
    }
    return starts;
}

// The difference of two runs of 16-bit samples as a signal-to-noise ratio.
double SnrDb(const std::string& reference, const std::string& got)
{
    const size_t n = std::min(reference.size(), got.size()) / 2;
    double signal = 0, noise = 0;
    for (size_t i = 0; i < n; ++i) {
        const int16_t r =
            static_cast<int16_t>(uint8_t(reference[2 * i]) | (uint8_t(reference[2 * i + 1]) << 8));
        const int16_t g = static_cast<int16_t>(uint8_t(got[2 * i]) | (uint8_t(got[2 * i + 1]) << 8));
        signal += double(r) * r;
        noise += double(r - g) * (r - g);
    }
    return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

} // namespace

TEST_F(BurnCommandsTest, AnAudioCdHoldsTheRecordingsInListOrderAndLeavesThemAlone)
{
    const std::string dump = files_.Path("OUT.raw");
    UseDrives("fake:media=cdr,dump=" + dump);
    LSettingsSetString("CDRecorder", "CDDrive", "0");
    const std::vector<std::string> paths = Recordings();
    const std::vector<std::string> before = Contents(paths);

    TestBurnUi ui;
    const LBurnOutcome outcome = LRunBurnWithCopies(ui, true, paths);
    ASSERT_EQ(outcome.code, 0) << (ui.told.empty() ? "" : ui.told[0]);
    EXPECT_EQ(outcome.files, 3);
    EXPECT_TRUE(ui.told.empty());
    ASSERT_EQ(ui.offers.size(), 1u);
    EXPECT_NE(ui.offers[0].find("Total Files Burned: 3."), std::string::npos) << ui.offers[0];

    const std::string raw = ReadFileBytes(dump);
    const std::vector<long> starts = CueStarts(ReadFileBytes(files_.Path("OUT.cue")));
    ASSERT_EQ(starts.size(), 3u);
    for (size_t n = 0; n < 3; ++n) {
        // sox leaves the MP3 encoder's delay and padding in; ffmpeg reads the
        // encoder's gapless information as our decoder does.
        const std::string reference =
            n == 2 && HaveTool("ffmpeg")
                ? CaptureCommand("ffmpeg -v quiet -i " + Quote(paths[n]) + " -f s16le -ar 44100 -ac 2 -")
                : SoxCdr(paths[n]);
        ASSERT_FALSE(reference.empty());
        const size_t at = static_cast<size_t>(starts[n]) * 2352;
        ASSERT_LE(at + reference.size(), raw.size()) << paths[n];
        const std::string got = raw.substr(at, reference.size());
        if (n == 0) {
            // The CD's own format goes through untouched.
            EXPECT_TRUE(got == reference) << paths[n];
        } else {
            // Resampled and decoded tracks come from our own resampler and
            // decoder: the same sound, not the same rounding as sox's.
            EXPECT_GT(SnrDb(reference, got), 25.0) << paths[n];
        }
        // Padding to whole blocks is silence.
        const size_t end = at + (reference.size() + 2351) / 2352 * 2352;
        ASSERT_LE(end, raw.size());
        EXPECT_EQ(raw.substr(at + reference.size(), end - at - reference.size()),
                  std::string(end - at - reference.size(), '\0'));
    }
    EXPECT_EQ(Contents(paths), before);
    EXPECT_TRUE(CacheLeftovers().empty());
}

TEST_F(BurnCommandsTest, AFailedBurnIsToldAndNeverReportedAsComplete)
{
    struct Case
    {
        const char* drive;
        const char* what;
        int code; // the burn code the log gets
    };
    const Case cases[] = {
        {"fake:media=none", "no disc", 14},
        {"fake:media=cdr,state=full", "a full CD-R", 14},
        {"fake:media=dvd+rw", "a disc that cannot take audio", 21},
        {"fake:media=cdr,fail=write", "a drive failing mid-write", 46},
    };
    const std::vector<std::string> paths = Recordings();
    const std::vector<std::string> before = Contents(paths);
    LSettingsSetString("CDRecorder", "EraseCDRW", "0");
    for (const Case& c : cases) {
        const std::string dump = files_.Path("fail.raw");
        UseDrives(std::string(c.drive) + ",dump=" + dump);
        TestBurnUi ui;
        const LBurnOutcome outcome = LRunBurnWithCopies(ui, true, paths);
        EXPECT_EQ(outcome.code, c.code) << c.what;
        ASSERT_EQ(ui.told.size(), 1u) << c.what;
        EXPECT_EQ(ui.told[0], kBurnFailedText) << c.what;
        EXPECT_TRUE(ui.offers.empty()) << c.what;
        EXPECT_TRUE(outcome.successText.empty()) << c.what;
        EXPECT_FALSE(PathExists(dump)) << c.what;
        EXPECT_EQ(Contents(paths), before) << c.what;
        EXPECT_TRUE(CacheLeftovers().empty()) << c.what;
    }
}

TEST_F(BurnCommandsTest, AnotherCopyBurnsTheSameFilesAgainUntilClosed)
{
    UseDrives("fake:media=cdrw");
    LSettingsSetString("CDRecorder", "EraseCDRW", "1");
    const std::vector<std::string> paths = Recordings();
    TestBurnUi ui;
    ui.another = {true, true, false};
    const LBurnOutcome outcome = LRunBurnWithCopies(ui, true, paths);
    EXPECT_EQ(outcome.code, 0);
    EXPECT_TRUE(ui.told.empty()) << ui.told[0];
    EXPECT_EQ(ui.offers.size(), 3u);
    const LFakeBurnRecord last = LProgramDriveSpecs()->Fakes().LastWrite();
    EXPECT_EQ(last.tracks.size(), 3u);
}

TEST_F(BurnCommandsTest, TheTrayOpensAfterABurnOnlyWhenTheUserAskedForIt)
{
    const std::vector<std::string> paths = Recordings();
    for (const char* loadEject : {"0", "1"}) {
        UseDrives("fake:media=cdr");
        LSettingsSetString("CDRecorder", "CDLoadEject", loadEject);
        TestBurnUi ui;
        const LBurnOutcome outcome = LRunBurnWithCopies(ui, true, {paths[0]});
        ASSERT_EQ(outcome.code, 0);
        const bool on = loadEject[0] == '1';
        EXPECT_EQ(LProgramDriveSpecs()->Fakes().Ejects(), on ? 1 : 0);
        ASSERT_EQ(ui.offers.size(), 1u);
        EXPECT_EQ(ui.offers[0].find("The disc has been ejected.") != std::string::npos, on) << ui.offers[0];
    }
    // The Eject command itself always opens the tray.
    LSettingsSetString("CDRecorder", "CDLoadEject", "0");
    EXPECT_TRUE(LBurnEjectDisc());
    EXPECT_EQ(LProgramDriveSpecs()->Fakes().Ejects(), 2);
}

TEST_F(BurnCommandsTest, ADataDiscHoldsTheFilesOrTheirReencodedForms)
{
    if (!HaveTool("7z"))
        GTEST_SKIP() << "7z is needed (p7zip-full)";
    const std::vector<std::string> paths = Recordings();
    const std::vector<std::string> before = Contents(paths);
    struct Case
    {
        const char* type;
        std::vector<std::string> names;
    };
    // As they are: the same title twice, both there. As WAV: the MP3 and
    // the 22.05 kHz file become WAVs of their own next to the untouched one.
    // As MP3: the WAVs become MP3s and the MP3 goes on byte for byte, its
    // bit rate and tag frames kept.
    const Case cases[] = {
        {"2", {"Low.wav", "Song.mp3", "Song.wav"}},
        {"0", {"Low.wav", "Song.wav", "Song2.wav"}},
        {"1", {"Low.mp3", "Song.mp3", "Song2.mp3"}},
    };
    for (const Case& c : cases) {
        // MP3 files are made by the encoder component.
        if (c.type[0] == '1' && !mp3enc::InstallComponent())
            GTEST_SKIP() << "the build tree has no MP3 encoder component";
        const std::string image = files_.Path(std::string("disc") + c.type + ".img");
        UseDrives("emulated:" + image + ",profile=dvd+rw");
        LSettingsSetString("OutputFormat", "DataCDType", c.type);
        LSettingsSetString("OutputFormat", "ReencodeAllFiles", "0");
        LSettingsSetString("CDRecorder", "CDLabel", "Sides");
        TestBurnUi ui;
        const LBurnOutcome outcome = LRunBurnWithCopies(ui, false, paths);
        ASSERT_EQ(outcome.code, 0) << c.type << ": " << (ui.told.empty() ? "" : ui.told[0]);
        EXPECT_EQ(outcome.files, 3);
        const std::string out = files_.Path(std::string("x") + c.type);
        ASSERT_EQ(RunCommand("7z x -y -o" + Quote(out) + " " + Quote(image) + " >/dev/null"), 0);
        std::vector<std::string> names = FolderEntries(out);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names) << c.type;
        if (c.type[0] == '2') {
            for (const std::string& p : paths)
                EXPECT_EQ(ReadFileBytes(out + p.substr(p.rfind('/'))), ReadFileBytes(p)) << p;
        } else if (c.type[0] == '1') {
            EXPECT_EQ(ReadFileBytes(out + "/Song2.mp3"), ReadFileBytes(paths[2]));
            // The WAVs were encoded: an ID3 tag or a frame header first.
            for (const char* name : {"Song.mp3", "Low.mp3"}) {
                const std::string bytes = ReadFileBytes(out + "/" + name);
                ASSERT_GT(bytes.size(), 1000u) << name;
                EXPECT_TRUE(bytes.rfind("ID3", 0) == 0 || static_cast<unsigned char>(bytes[0]) == 0xFF)
                    << name;
            }
        } else {
            EXPECT_EQ(ReadFileBytes(out + "/Song.wav"), ReadFileBytes(paths[0]));
            for (const char* name : {"Song2.wav", "Low.wav"}) {
                const std::string length =
                    CaptureCommand("soxi -D " + Quote(out + "/" + name) + " 2>/dev/null");
                ASSERT_FALSE(length.empty()) << name;
                EXPECT_NEAR(std::stod(length), name[0] == 'S' ? 5.0 : 4.7, 0.06) << name;
            }
        }
        EXPECT_EQ(Contents(paths), before);
        EXPECT_TRUE(CacheLeftovers().empty());
        // The disc now holds data; erasing it makes it blank again.
        char text[260] = {};
        LBurnDiscCapacityText(text, true);
        EXPECT_STREQ(text, "Disc Already Used");
        LEraseDiscTask erase("Erasing Disc", LProgramBurnBackend(), 0, false);
        erase.Run(nullptr);
        EXPECT_EQ(erase.Result(), 0);
        LBurnDiscCapacityText(text, true);
        EXPECT_STRNE(text, "Disc Already Used");
    }
}

TEST_F(BurnCommandsTest, TheCapacityTextSaysWhatIsInTheDrive)
{
    struct Case
    {
        const char* drive;
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {"fake:media=none", "1", "No Disc in Drive"},
        {"fake:media=cdr,state=appendable", "1", "Disc Already Used"},
        {"fake:media=cdr", "1", "702.83 MB"},
        {"fake:media=cdr", "4", "1:19:57.96"},
        {"", "1", "No Drive"},
    };
    for (const Case& c : cases) {
        UseDrives(c.drive);
        LSettingsSetString("OutputFormat", "OutputFormatNum", c.format);
        char text[260] = {};
        LBurnDiscCapacityText(text, true);
        EXPECT_STREQ(text, c.text) << c.drive;
        char saved[260] = {};
        LSettingsGetString("CD", "Capacity", "", saved);
        EXPECT_STREQ(saved, c.text);
        LBurnDiscCapacityText(text, false);
        EXPECT_STREQ(text, c.text);
    }
}

TEST_F(BurnCommandsTest, EraseTellsWhenThereIsNoDisc)
{
    UseDrives("fake:media=none");
    LEraseDiscTask none("Erasing Disc", LProgramBurnBackend(), 0, false);
    none.Run(nullptr);
    EXPECT_EQ(none.Result(), 14);
    UseDrives("fake:media=cdrw,state=full");
    LEraseDiscTask erase("Erasing Disc", LProgramBurnBackend(), 0, false);
    erase.Run(nullptr);
    EXPECT_EQ(erase.Result(), 0);
    char text[260] = {};
    LBurnDiscCapacityText(text, true);
    EXPECT_STREQ(text, "702.83 MB");
}
