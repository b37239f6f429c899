// The recording wizard on a real sound server: the private PulseAudio of
// tools/with-pulse.sh, with a pipe source that plays a side of four
// 15-second tones separated by 3-second quiet gaps. Side one and side two
// are recorded through the side pages, and leaving side two splits each
// side into four tracks, copied into Recording/save; nothing outside the
// working folder (and the settings the pages store) changes.

#include "WizardDriver.h"
#include "WizardTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"

#include "app/program/wizard/RecordSidePage.h"
#include "app/program/wizard/RecordingSourcePage.h"
#include "foundation/settings/LSettings.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <regex>
#include <thread>
#include <unistd.h>

using namespace quorin::test;

namespace {

#define QUORIN_REQUIRE_PULSE()                                                                               \
    if (const char* flag = std::getenv("QUORIN_TEST_PULSE"); flag == nullptr || std::string(flag) != "1")    \
    GTEST_SKIP() << "no private PulseAudio server (run through tools/with-pulse.sh, as make test does)"

std::string Trim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Every file under the home but the working folder and the settings, with
// its size and change time.
std::map<std::string, std::string> FilesOutsideTheWorkingFolder(const std::string& home)
{
    const std::string listing = CaptureCommand(
        "cd " + Quote(home) +
        " && find . -path ./.cache/Quorin/Recording -prune -o -path ./.config -prune -o -type f "
        "-printf '%p\\t%s %T@\\n' | sort");
    std::map<std::string, std::string> files;
    size_t start = 0;
    while (start < listing.size()) {
        const size_t end = listing.find('\n', start);
        const std::string line =
            listing.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const size_t tab = line.find('\t');
        if (tab != std::string::npos)
            files[line.substr(0, tab)] = line.substr(tab + 1);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return files;
}

class WizardPulseTest : public TempHomeTest
{
protected:
    void TearDown() override
    {
        if (!module_.empty())
            RunCommand("timeout 20 pactl unload-module " + module_ + " >/dev/null 2>&1");
    }
    std::string module_;
};

} // namespace

TEST_F(WizardPulseTest, BothSidesAreRecordedAndSplitIntoTheirTracks)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("sox");
    GuiApp();
    TempDir dir;
    const std::string tone = dir.Path("tone.wav"), gap = dir.Path("gap.wav"), feed = dir.Path("feed.raw");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(tone) + " synth 15 sine 440 gain -6"), 0);
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(gap) + " synth 3 sine 440 gain -60"), 0);
    // A gap before the first tone too: the recorder's warm-up takes its first blocks.
    std::string parts = Quote(gap);
    for (int i = 0; i < 4; ++i)
        parts += " " + Quote(tone) + " " + Quote(gap);
    ASSERT_EQ(RunCommand("sox " + parts + " -t raw -e signed -b 16 " + Quote(feed)), 0);
    std::vector<char> bytes;
    {
        FILE* file = std::fopen(feed.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(file);
    }

    const std::string name = "quorin_wizard_" + std::to_string(getpid());
    const std::string fifo = dir.Path(name + ".fifo");
    int status = -1;
    module_ = Trim(CaptureCommand(
        "timeout 20 pactl load-module module-pipe-source source_name=" + name + " file=" + fifo +
            " format=s16le rate=44100 channels=2 source_properties=device.description=" + name +
            " 2>/dev/null",
        &status));
    ASSERT_EQ(status, 0) << "the pipe source could not be loaded";
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    LSettingsSetString("Settings", "AppOutputFolder", home_.Path("Music/Quorin").c_str());
    ASSERT_EQ(RunCommand("mkdir -p " + Quote(home_.Path("Music/Quorin"))), 0);
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(home_.Path("Music/Quorin/mine.wav")) +
                         " synth 1 sine 300"),
              0);
    LSettingsSetString("Settings", "SoundInDevice", name.c_str());
    LSettingsSetString("Recording", "Volume", "0");
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    LSettingsSetString("Settings", "dBNoiseFloor", "-40");
    LSettingsSetString("Settings", "AutoSplitTime", "2");
    ScriptedWizardUi ui;
    WizardRun run;
    run.ui = &ui;
    ASSERT_TRUE(run.folders.Create());
    const auto before = FilesOutsideTheWorkingFolder(home_.Root());

    // Plays the side into the pipe source in real time while the page records it.
    std::atomic<bool> failed{false};
    auto playSide = [&](RecordingWizard& w) {
        auto* page = dynamic_cast<RecordSidePage*>(w.Wizard().GetCurrentPage());
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(page->IsBusy()) << (ui.told.empty() ? "" : ui.told.back());
        std::atomic<bool> written{false};
        std::thread writer([&] {
            const size_t chunk = 441 * 4; // ten milliseconds
            const auto start = std::chrono::steady_clock::now();
            for (size_t done = 0; done < bytes.size() && !failed; done += chunk) {
                size_t left = std::min(chunk, bytes.size() - done);
                const char* p = bytes.data() + done;
                while (left > 0) {
                    const ssize_t n = write(fd, p, left);
                    if (n > 0) {
                        p += n;
                        left -= static_cast<size_t>(n);
                    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                        failed = true;
                        break;
                    } else {
                        pollfd writable{fd, POLLOUT, 0};
                        if (poll(&writable, 1, 10000) <= 0) {
                            failed = true;
                            break;
                        }
                    }
                }
                std::this_thread::sleep_until(
                    start + std::chrono::microseconds((done + chunk) / 4 * 1000000 / 44100));
            }
            written = true;
        });
        EXPECT_TRUE(PumpUntil([&] { return written.load(); }, 120000));
        writer.join();
        // What the server still holds reaches the recorder.
        PumpFor(500);
    };

    RecordingWizard wizard(run);
    DriveWizard(wizard,
                {Click(kSourceTapes, true), Next(), Click(kSideStart), Do(playSide), Click(kSideStop), Next(),
                 Click(kSideStart), Do(playSide), Click(kSideStop), Next(), Do([&](RecordingWizard& w) {
                     EXPECT_EQ(w.Wizard().CurrentPage(), RecordingWizard::kPageSplit);
                 }),
                 Do([&](RecordingWizard&) { ui.answers = {1}; }), Cancel()});
    close(fd);
    ASSERT_FALSE(failed) << "the pipe source stopped taking its input";
    EXPECT_TRUE(ui.told.empty()) << ui.told.front();

    const double sideSeconds = bytes.size() / 4.0 / 44100.0;
    for (int side = 1; side <= 2; ++side)
        EXPECT_NEAR(SoxSeconds(run.folders.SidePath(side)), sideSeconds, 1.5) << side;
    const std::vector<std::string> tracks = run.folders.TrackFiles();
    ASSERT_EQ(tracks.size(), 8u);
    const std::regex pattern("side([12]) [0-9-]+ [0-9-]+_SPLIT_0([1-4])\\.wav");
    int perSide[2] = {0, 0};
    for (const std::string& track : tracks) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(track, match, pattern)) << track;
        ++perSide[std::stoi(match[1]) - 1];
        // The tone with the split's lead-in (25 ms) and tail (100 ms).
        EXPECT_NEAR(SoxSeconds(run.folders.Recording() + "/" + track), 15.125, 0.5) << track;
        EXPECT_EQ(FileSum(run.folders.Save() + "/" + track), FileSum(run.folders.Recording() + "/" + track));
    }
    EXPECT_EQ(perSide[0], 4);
    EXPECT_EQ(perSide[1], 4);
    EXPECT_EQ(run.folders.SavedFiles(), tracks);
    EXPECT_EQ(FilesOutsideTheWorkingFolder(home_.Root()), before);
}
