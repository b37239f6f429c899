// Burning from the real main window: Burn (2011) through the "Burn Audio"
// page's OK to the deferred burn of the files, the erase message (114) and
// the disc's capacity in the status bar, on drives QUORIN_DRIVES names.

#include "app/program/MainDialog.h"
#include "app/program/burn/LBurnCommands.h"
#include "app/program/burn/LBurnSettingsPage.h"
#include "app/queue/ProcessQueueWorker.h"
#include "burn/LProgramDrives.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LCommands.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>

using namespace quorin::test;

namespace {

class BurnMainDialog : public MainDialog
{
public:
    explicit BurnMainDialog(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~BurnMainDialog() override
    {
        if (IsWindow() && !IsClosed()) {
            answers.assign(3, 1);
            QueryQuit();
        }
    }
    void OpenRecordingWizard() override {}
    int Ask(const char* text, const char*, const char*, const char*) override
    {
        questions.push_back(text);
        if (answers.empty())
            return 2;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Tell(const char* text, const char*, int) override { told.push_back(text); }
    // The real page, confirmed as a user would with OK; onPage acts on it
    // first when set.
    bool RunBurnAudioDialog() override
    {
        ++burnDialogs;
        LBurnPageSettings settings;
        settings.Load();
        settings.eraseDisc = [this] { OnNotify(kMainMsgEraseDisc, nullptr, 0); };
        LBurnAudioDialog page(settings);
        if (!page.CreateFromTemplate(LBurnAudioDialog::Template()))
            return false;
        page.ShowModeless(this, LPlacementCenterOnParent);
        if (onPage)
            onPage(page);
        return page.SendCommand(kCommandOK);
    }
    int ChooseBurnFiles() override { return 5002; }
    bool AskBurnAnother(const char* message) override
    {
        offers.push_back(message);
        return false;
    }

    std::deque<int> answers;
    std::vector<std::string> questions;
    std::vector<std::string> told;
    std::vector<std::string> offers;
    int burnDialogs = 0;
    std::function<void(LBurnAudioDialog&)> onPage;
};

class MainWindowBurnTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is needed (make deps installs it)";
        LInstallProgramDriveScan();
        LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
        LSettingsSetString("Settings", "NormalizeLevel", "0");
    }
    void TearDown() override
    {
        window_.reset();
        unsetenv("QUORIN_DRIVES");
        LReloadProgramDrives();
    }
    static void UseDrives(const std::string& specs)
    {
        setenv("QUORIN_DRIVES", specs.c_str(), 1);
        LReloadProgramDrives();
    }
    BurnMainDialog& Open(int rows)
    {
        window_ = std::make_unique<BurnMainDialog>(worker_);
        EXPECT_TRUE(window_->CreateMainWindow());
        window_->SetCharacterCell(2, 4, window_->GetScaleFactor());
        window_->InitMainWindow();
        EXPECT_TRUE(PumpUntil([&] { return window_->RowCount() == rows && !window_->IsTimerSet(4); }));
        return *window_;
    }
    void Tone(const char* name, double seconds)
    {
        ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(out_.Path(name)) + " synth " +
                             std::to_string(seconds) + " sine 440 vol 0.5"),
                  0);
    }

    TempDir out_;
    TempDir elsewhere_;
    std::string queuePath_ = elsewhere_.Path("grprocesses.list");
    ProcessQueueWorker worker_{queuePath_.c_str()};
    std::unique_ptr<BurnMainDialog> window_;
};

} // namespace

TEST_F(MainWindowBurnTest, BurnAudioBurnsTheListAfterThePageIsConfirmed)
{
    const std::string dump = elsewhere_.Path("OUT.raw");
    UseDrives("fake:media=cdr,dump=" + dump);
    Tone("one.wav", 4.0);
    Tone("two.wav", 4.0);
    BurnMainDialog& window = Open(2);
    // No row selected: "Burn All", then the page, then "Continue".
    window.answers = {1, 1};
    window.SendCommand(2011);
    EXPECT_EQ(window.burnDialogs, 1);
    ASSERT_TRUE(PumpUntil([&] { return !window.offers.empty() || !window.told.empty(); }, 20000));
    ASSERT_TRUE(window.told.empty()) << window.told[0];
    ASSERT_EQ(window.questions.size(), 2u);
    EXPECT_EQ(window.questions[1].rfind("Commence burning to disc?", 0), 0u);
    EXPECT_NE(window.offers[0].find("Total Files Burned: 2."), std::string::npos);
    // Two tracks of 4 s with a 2 s pause after the first.
    EXPECT_EQ(ReadFileBytes(dump).size(), static_cast<size_t>(300 + 150 + 300) * 2352);
    char burnNow[8] = {};
    LSettingsGetString("OutputFormat", "BurnCDNow", "", burnNow);
    EXPECT_STREQ(burnNow, "0");
}

TEST_F(MainWindowBurnTest, EraseSaysWhenThereIsNoDiscAndTheStatusBarShowsTheDisc)
{
    UseDrives("fake:media=none");
    Tone("one.wav", 1.0);
    BurnMainDialog& window = Open(1);
    EXPECT_TRUE(
        PumpUntil([&] { return window.StatusText(2).find("No Disc in Drive") != std::string::npos; }, 5000))
        << window.StatusText(2);
    window.OnNotify(kMainMsgEraseDisc, nullptr, 0);
    EXPECT_EQ(window.LastEraseResult(), 14);
    EXPECT_EQ(window.told, std::vector<std::string>{"No Disc in Drive"});

    UseDrives("fake:media=cdrw,state=appendable");
    window.told.clear();
    window.SendCommand(2047);
    EXPECT_TRUE(
        PumpUntil([&] { return window.StatusText(2).find("Disc Already Used") != std::string::npos; }, 5000))
        << window.StatusText(2);
    window.OnNotify(kMainMsgEraseDisc, nullptr, 0);
    EXPECT_EQ(window.LastEraseResult(), 0);
    EXPECT_TRUE(window.told.empty());
    EXPECT_TRUE(PumpUntil([&] { return window.StatusText(2).find("702.83 MB") != std::string::npos; }, 5000))
        << window.StatusText(2);

    UseDrives("fake:media=cdrw,state=full,fail=erase");
    window.OnNotify(kMainMsgEraseDisc, nullptr, 0);
    EXPECT_EQ(window.told, std::vector<std::string>{"Erasing of the disc has failed."});
}

TEST_F(MainWindowBurnTest, QdGuiDriveBurnsFilesThroughTheMainWindow)
{
    const std::string tool = BuildDir() + "/tools/qd-gui/qd-gui";
    if (!PathExists(tool))
        GTEST_SKIP() << "qd-gui is not built";
    const std::string track = elsewhere_.Path("take.wav");
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(track) + " synth 4 sine 440 vol 0.5"), 0);
    const std::string dump = elsewhere_.Path("drive.raw");
    struct Case
    {
        const char* steps;
        int status;
        bool burnt;
    };
    const Case cases[] = {
        {"click:cncl", 1, false},
        {"pick:105=~[MAX] click:ok answer:1 wait:3000 click:cncl", 0, true},
    };
    for (const Case& c : cases) {
        int status = -1;
        const std::string out =
            CaptureCommand("QT_QPA_PLATFORM=offscreen QUORIN_DRIVES=" + Quote("fake:media=cdr,dump=" + dump) +
                               " " + Quote(tool) + " drive burn " + Quote(track) + " -- " + c.steps + " 2>&1",
                           &status);
        EXPECT_EQ(status, c.status) << out;
        EXPECT_EQ(PathExists(dump), c.burnt) << out;
        if (c.burnt) {
            EXPECT_NE(out.find("box: Quorin Dizer od OD Udivezeve | Commence burning to disc?"),
                      std::string::npos);
            EXPECT_EQ(ReadFileBytes(dump).size(), static_cast<size_t>(300) * 2352);
        }
    }
    // The track was copied into the output folder and left as it was.
    EXPECT_EQ(ReadFileBytes(out_.Path("take.wav")), ReadFileBytes(track));
}

// With one file of three selected, the page counts that file, also after the
// drive is switched and after Erase Now (whose disc check refreshes the
// list's totals meanwhile), and the box after the burn reports what was
// burnt: the file's size on a data disc, its playing time on an audio CD.
TEST_F(MainWindowBurnTest, ThePageAndTheBoxAfterTheBurnCountOnlyTheSelection)
{
    const std::string image = elsewhere_.Path("disc.img");
    Tone("a long one.wav", 4.0);
    Tone("b chosen.wav", 1.0);
    Tone("c another.wav", 3.0);
    LSettingsSetString("OutputFormat", "OutputFormatNum", "1");
    LSettingsSetString("OutputFormat", "DataCDType", "2");
    struct Case
    {
        bool data;
        std::string drives;
        const char* total;
        const char* box;
    };
    const Case cases[] = {
        {true, "emulated:" + image + ",profile=dvd+rw;fake:media=cdrw,state=appendable", " 0.17 MB",
         "Total Size:  0.17 MB."},
        {false, "fake:media=cdrw,state=appendable;fake:media=cdr", "0:00:01.00",
         "Total Duration: 0:00:01.00."},
    };
    for (const Case& c : cases) {
        UseDrives(c.drives);
        BurnMainDialog& window = Open(3);
        ASSERT_EQ(window.RowText(1), "b chosen.wav");
        window.SelectListViewRow(MainDialog::kListId, 1, true);
        std::vector<std::string> totals;
        window.onPage = [&](LBurnAudioDialog& page) {
            page.SetCheck(LBurnSettingsPage::kDataDiscCheck, c.data);
            page.SendCommand(LBurnSettingsPage::kDataDiscCheck);
            auto total = [&] {
                char text[260] = {};
                page.GetControlText(LBurnSettingsPage::kTotalText, text);
                totals.push_back(text);
            };
            total();
            page.SelectPullDownItem(LBurnSettingsPage::kDriveList, 1);
            page.SendCommand(LBurnSettingsPage::kDriveChanged);
            total();
            page.SelectPullDownItem(LBurnSettingsPage::kDriveList, 0);
            page.SendCommand(LBurnSettingsPage::kDriveChanged);
            page.SendCommand(LBurnSettingsPage::kEraseNow);
            total();
            // The disc check the erase asked for comes back (as the capacity
            // thread's notice would) and the page is read again.
            window.OnDiscCapacity(LDiscCapacityThread::kCapacityTextCode, "702.83 MB");
            page.SendCommand(LBurnSettingsPage::kDriveChanged);
            total();
            // Only the burn is looked at from here on.
            window.told.clear();
        };
        window.answers = {1}; // Continue
        window.SendCommand(2011);
        EXPECT_EQ(totals, std::vector<std::string>(4, c.total)) << c.data;
        ASSERT_TRUE(PumpUntil([&] { return !window.offers.empty() || !window.told.empty(); }, 20000));
        ASSERT_TRUE(window.told.empty()) << window.told[0];
        EXPECT_NE(window.offers[0].find("Total Files Burned: 1."), std::string::npos) << window.offers[0];
        EXPECT_NE(window.offers[0].find(c.box), std::string::npos) << window.offers[0];
        window_.reset();
    }
}
