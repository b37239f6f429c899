// The main window's side of the recording wizard: the working folder is
// emptied only when the tracks went to the list or the user agreed; what a
// run left behind is offered at the next start and never deleted unasked;
// the close query knows the wizard runs; the wizard's audio-CD choice runs
// the Burn command once. And a wizard killed while recording side two
// leaves both sides readable for the next start to offer.

#include "WizardDriver.h"
#include "WizardTestSupport.h"
#include "audio/devices/DeviceTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/KilledChild.h"
#include "support/TempHome.h"

#include "app/program/MainDialog.h"
#include "app/program/wizard/RecordSidePage.h"
#include "app/program/wizard/RecordingSourcePage.h"
#include "app/queue/ProcessQueueWorker.h"
#include "foundation/settings/LSettings.h"

#include <chrono>
#include <csignal>
#include <deque>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

using quorin::test::KilledChild;

namespace {

class WizardMainDialog : public MainDialog
{
public:
    explicit WizardMainDialog(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~WizardMainDialog() override
    {
        if (IsWindow() && !IsClosed()) {
            answers.assign(3, 1);
            QueryQuit();
        }
    }
    int RunWizardPages(WizardRun& run) override
    {
        ++runs;
        runningDuring = IsWizardRunning();
        return pages ? pages(run) : 0;
    }
    void OnBurnCommand() override { ++burns; }
    int Ask(const char* text, const char*, const char* first, const char*) override
    {
        questions.push_back(text);
        firstButtons.push_back(first);
        if (answers.empty())
            return 2;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Tell(const char* text, const char*, int) override { told.push_back(text); }

    std::function<int(WizardRun&)> pages;
    int runs = 0;
    int burns = 0;
    bool runningDuring = false;
    std::deque<int> answers;
    std::vector<std::string> questions;
    std::vector<std::string> firstButtons;
    std::vector<std::string> told;
};

class MainWindowWizardTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox") || !HaveTool("soxi"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        GuiApp();
        LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
        // A file in the list: the start does not open the wizard by itself.
        EXPECT_EQ(
            RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(out_.Path("kept.wav")) + " synth 1 sine 300"),
            0);
    }

    std::unique_ptr<WizardMainDialog> Open()
    {
        auto window = std::make_unique<WizardMainDialog>(worker_);
        EXPECT_TRUE(window->CreateMainWindow());
        window->SetCharacterCell(2, 4, window->GetScaleFactor());
        window->InitMainWindow();
        EXPECT_TRUE(PumpUntil([&] { return window->RowCount() == 1 && !window->IsTimerSet(4); }));
        return window;
    }

    // A run that records a side, as the side page would.
    static std::function<int(WizardRun&)> Records(int side, double seconds = 2)
    {
        return [side, seconds](WizardRun& run) {
            EXPECT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(run.folders.SidePath(side)) +
                                 " synth " + std::to_string(seconds) + " sine 500"),
                      0);
            run.unsavedRecording = true;
            return 1;
        };
    }

    WizardFolders folders_;
    TempDir out_;
    TempDir elsewhere_;
    std::string queuePath_ = elsewhere_.Path("grprocesses.list");
    ProcessQueueWorker worker_{queuePath_.c_str()};
};

} // namespace

TEST_F(MainWindowWizardTest, RecordingsNotHandedOverStayUntilTheUserDiscardsThem)
{
    auto window = Open();
    window->pages = Records(1);
    window->answers = {1}; // keep for later
    window->OpenRecordingWizard();
    EXPECT_TRUE(window->runningDuring);
    EXPECT_FALSE(window->IsWizardRunning());
    ASSERT_EQ(window->questions.size(), 1u);
    EXPECT_NE(window->questions[0].find("side one"), std::string::npos) << window->questions[0];
    EXPECT_EQ(window->firstButtons[0], "Keep for Later");
    EXPECT_TRUE(folders_.HasSide(1));

    // The next start offers it; continuing gives the run the side.
    bool sawSide = false;
    window->pages = [&](WizardRun& run) {
        sawSide = run.folders.HasSide(1);
        return 0;
    };
    window->answers = {1, 2}; // continue with them, then discard
    window->OpenRecordingWizard();
    ASSERT_EQ(window->questions.size(), 3u);
    EXPECT_EQ(window->firstButtons[1], "Continue with Them");
    EXPECT_TRUE(sawSide);
    EXPECT_EQ(window->firstButtons[2], "Keep for Later");
    EXPECT_TRUE(folders_.IsEmpty());
}

// The tracks a wizard run hands over change the list: the status bar's total
// against the disc is counted again once the wizard closes.
TEST_F(MainWindowWizardTest, TheDiscTotalIsCountedAgainAfterTheWizard)
{
    auto window = Open();
    ASSERT_TRUE(PumpUntil([&] { return !window->CapacityThread().RefreshRequested(); }));
    // Stopped, the thread takes no request away before it is looked at.
    window->CapacityThread().StopAndWait();
    window->pages = [&](WizardRun& run) {
        EXPECT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(out_.Path("track.wav")) +
                             " synth 1 sine 400"),
                  0);
        window->AddFileToList(out_.Path("track.wav").c_str(), false, false);
        run.handedOver = true;
        return 1;
    };
    window->OpenRecordingWizard();
    EXPECT_EQ(window->RowCount(), 2);
    EXPECT_TRUE(window->CapacityThread().RefreshRequested());
}

TEST_F(MainWindowWizardTest, TheFolderIsEmptiedWithoutAQuestionOnceTheTracksAreHandedOverOrDropped)
{
    auto window = Open();
    for (const bool handedOver : {true, false}) {
        window->pages = [&, handedOver](WizardRun& run) {
            Records(2)(run);
            std::ofstream(run.folders.Save() + "/t_SPLIT_01.wav") << "x";
            (handedOver ? run.handedOver : run.discardConfirmed) = true;
            return handedOver ? 1 : 0;
        };
        window->OpenRecordingWizard();
        EXPECT_TRUE(window->questions.empty()) << window->questions.front();
        EXPECT_TRUE(folders_.IsEmpty());
    }
    // A run that recorded nothing leaves nothing to ask about.
    window->pages = [](WizardRun&) { return 0; };
    window->OpenRecordingWizard();
    EXPECT_TRUE(window->questions.empty());
}

TEST_F(MainWindowWizardTest, LeftRecordingsCanGoStraightToTheList)
{
    ASSERT_TRUE(folders_.Create());
    ASSERT_EQ(
        RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(folders_.SidePath(1)) + " synth 3 sine 500"), 0);
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(folders_.Save() + "/Track_SPLIT_01.wav") +
                         " synth 2 sine 500"),
              0);
    auto window = Open();
    bool sawSide = true;
    window->pages = [&](WizardRun& run) {
        sawSide = run.folders.HasSide(1) || !run.folders.SavedFiles().empty();
        return 0;
    };
    window->answers = {2}; // add them to the list
    window->OpenRecordingWizard();
    ASSERT_FALSE(window->questions.empty());
    EXPECT_NE(window->questions[0].find("side one, 1 track"), std::string::npos) << window->questions[0];
    EXPECT_FALSE(sawSide);
    ASSERT_EQ(window->RowCount(), 3);
    bool side = false, track = false;
    for (int row = 0; row < 3; ++row) {
        side = side || window->RowText(row).rfind("Side One ", 0) == 0;
        track = track || window->RowText(row) == "Track_SPLIT_01.wav";
        EXPECT_GT(SoxSeconds(window->RowPath(row)), 0.9) << window->RowText(row);
    }
    EXPECT_TRUE(side);
    EXPECT_TRUE(track);
    EXPECT_TRUE(folders_.IsEmpty());
}

TEST_F(MainWindowWizardTest, TheAudioCdChoiceRunsTheBurnCommandOnce)
{
    auto window = Open();
    window->pages = [](WizardRun& run) {
        LSettingsSetString("OutputFormat", "WIZARDBURN", "1");
        run.handedOver = true;
        return 1;
    };
    window->OpenRecordingWizard();
    EXPECT_EQ(window->burns, 1);
    char text[260] = {};
    LSettingsGetString("OutputFormat", "WIZARDBURN", "", text);
    EXPECT_STREQ(text, "0");
    window->pages = [](WizardRun&) { return 0; };
    window->OpenRecordingWizard();
    EXPECT_EQ(window->burns, 1);
    LSettingsGetString("Wizard", "Activated", "", text);
    EXPECT_STREQ(text, "1");
}

TEST_F(MainWindowWizardTest, QuittingWhileTheWizardRunsAsksFirst)
{
    auto window = Open();
    bool allowed = true;
    window->pages = [&](WizardRun&) {
        window->answers = {2};
        allowed = window->QueryQuit();
        return 0;
    };
    window->OpenRecordingWizard();
    EXPECT_FALSE(allowed);
    ASSERT_FALSE(window->questions.empty());
    EXPECT_NE(window->questions.back().find("recording progress"), std::string::npos);
}

namespace {

// The child: a wizard that records side one, then side two until it is killed.
[[noreturn]] void RecordSidesUntilKilled(int out)
{
    GuiApp();
    FakeDevices fake;
    fake.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
    fake.backend.SetDefaultInput("line");
    fake.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
    fake.backend.SetInputFeed("line", ToDevice(Tone(44100 * 120, 2, 0.25)));
    LSettingsSetString("Recording", "Volume", "0");
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    ScriptedWizardUi ui;
    WizardRun run;
    run.ui = &ui;
    run.folders.Create();
    RecordingWizard wizard(run);
    auto wait = [](int ms) { return [ms](RecordingWizard&) { PumpFor(static_cast<uint32_t>(ms)); }; };
    DriveWizard(wizard, {Click(kSourceTapes, true), Next(), Click(kSideStart), Do(wait(2000)),
                         Click(kSideStop), Next(), Click(kSideStart), Do([out](RecordingWizard&) {
                             if (write(out, "2\n", 2) != 2)
                                 _exit(3);
                             PumpFor(60000);
                         })});
    _exit(4);
}

} // namespace

TEST_F(MainWindowWizardTest, AWizardKilledOnSideTwoLeavesBothSidesForTheNextStart)
{
    KilledChild child([](int fd) { RecordSidesUntilKilled(fd); });
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.FirstLine(30000), "2") << "the child did not start side two";
    const std::string side2 = folders_.SidePath(2);
    ASSERT_TRUE(child.KillWhenFileHolds(side2, 44 + 176400));

    // Both sides read with other tools.
    EXPECT_GT(SoxSeconds(folders_.SidePath(1)), 1.0);
    EXPECT_GE(SoxSeconds(side2), 0.9);

    // The next start offers them and deletes nothing.
    auto window = Open();
    const std::string sums[2] = {FileSum(folders_.SidePath(1)), FileSum(side2)};
    window->pages = [](WizardRun&) { return 0; };
    window->answers = {1, 1}; // continue with them, keep them for later
    window->OpenRecordingWizard();
    ASSERT_FALSE(window->questions.empty());
    EXPECT_NE(window->questions[0].find("side one and side two"), std::string::npos) << window->questions[0];
    EXPECT_EQ(FileSum(folders_.SidePath(1)), sums[0]);
    EXPECT_EQ(FileSum(side2), sums[1]);
}
