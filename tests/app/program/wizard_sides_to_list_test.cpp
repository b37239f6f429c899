// The recording wizard from prepared sides to the main window's list, as the
// main window runs it: sides made of tones and gaps (sox) are split into the
// tracks that the split page lists with their durations; Join, Delete,
// Rename, Re-Split and Restore keep the master copies in step; restoration
// with every tool changes the tracks and Undo gives them back; every output
// method lands every track in the list and leaves the working folders
// empty; and the failures (an encoder that cannot load, a read-only output
// folder, a name taken there, a cancelled conversion) lose no track and tell
// the user where the tracks are.

#include "PreferencesTestSupport.h"
#include "WizardDriver.h"
#include "WizardTestSupport.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include "app/program/MainDialog.h"
#include "app/program/wizard/AudioRestorationPage.h"
#include "app/program/wizard/OutputMethodsPage.h"
#include "app/program/wizard/RecordingSourcePage.h"
#include "app/program/wizard/SplitRecordingsPage.h"
#include "app/queue/ProcessQueueWorker.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/settings/LSettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <deque>
#include <linux/capability.h>
#include <map>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

using Names = std::vector<std::string>;
using P = RecordingWizard::PageIndex;

// The main window whose Wizard command runs the real pages over the
// prepared sides, driven by the test's steps.
class SidesWindow : public MainDialog
{
public:
    explicit SidesWindow(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~SidesWindow() override
    {
        if (IsWindow() && !IsClosed()) {
            answers.assign(3, 1);
            QueryQuit();
        }
    }

    // The start-up wizard over an empty list is left to the test.
    void OpenRecordingWizard() override
    {
        if (wizardAllowed_)
            MainDialog::OpenRecordingWizard();
    }
    int RunWizard(const std::vector<WizardStep>& steps)
    {
        steps_ = steps;
        wizardAllowed_ = true;
        MainDialog::OpenRecordingWizard();
        wizardAllowed_ = false;
        return result_;
    }

    int RunWizardPages(WizardRun& run) override
    {
        for (int side = 1; side <= 2; ++side)
            if (!sides[side - 1].empty()) {
                EXPECT_TRUE(LFileCopy(sides[side - 1].c_str(), run.folders.SidePath(side).c_str()));
            }
        run.ui = &ui;
        RecordingWizard wizard(run);
        result_ = DriveWizard(wizard, steps_);
        return result_;
    }

    void OnBurnCommand() override { ++burns; }
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

    std::string sides[2];
    ScriptedWizardUi ui; // the pages' questions and messages
    int burns = 0;
    std::deque<int> answers;
    std::vector<std::string> questions;
    std::vector<std::string> told;

private:
    std::vector<WizardStep> steps_;
    bool wizardAllowed_ = false;
    int result_ = -1;
};

SplitRecordingsPage* SplitPage(RecordingWizard& w)
{
    return dynamic_cast<SplitRecordingsPage*>(w.Wizard().GetCurrentPage());
}

std::string Cell(const LWindow& page, int row, int column)
{
    char text[260] = {};
    page.GetListViewItemText(SplitRecordingsPage::kTrackList, row, column, text);
    return text;
}

void Select(LWindow& page, std::initializer_list<int> rows)
{
    page.DeselectAllListViewRows(SplitRecordingsPage::kTrackList);
    for (int row : rows)
        page.SelectListViewRow(SplitRecordingsPage::kTrackList, row, true);
    page.UpdateControls();
}

int RowOf(const LWindow& page, const std::string& name)
{
    for (int row = 0; row < page.GetListViewRowCount(SplitRecordingsPage::kTrackList); ++row)
        if (Cell(page, row, 0) == name)
            return row;
    return -1;
}

// "h:mm:ss.cc" in seconds.
double DurationSeconds(const std::string& text)
{
    int h = 0, m = 0, s = 0, cs = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d.%d", &h, &m, &s, &cs) != 4)
        return -1;
    return h * 3600 + m * 60 + s + cs / 100.0;
}

int64_t SoxFrames(const std::string& path)
{
    int status = 0;
    const std::string out = CaptureCommand("soxi -s " + Quote(path) + " 2>/dev/null", &status);
    return status == 0 && !out.empty() ? std::stoll(out) : -1;
}

int64_t Mpg123Frames(const std::string& path)
{
    int status = 0;
    const std::string bytes = CaptureCommand("mpg123 -q -s " + Quote(path) + " | wc -c", &status);
    return status == 0 ? std::stoll(bytes) / 4 : -1;
}

std::string Title(const std::string& name)
{
    return name.substr(0, name.rfind('.'));
}

// Root writes into any folder; without the override capability (dropped for
// the test's thread, which runs the wizard and its copies) a folder's mode
// holds for root as its owner too.
class WithoutWriteOverride
{
public:
    WithoutWriteOverride()
    {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutWriteOverride()
    {
        if (dropped_)
            syscall(SYS_capset, &header_, saved_);
    }
    bool Holds() const { return geteuid() != 0 || dropped_; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

// Presses Cancel on the progress window of the title as soon as it shows.
class CancelWhenShown
{
public:
    explicit CancelWhenShown(const char* title) : title_(title)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (clicked || !window->isVisible() || window->windowTitle() != title_)
                    continue;
                for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
                    if (button->text() == "Cancel") {
                        clicked = true;
                        button->click();
                    }
            }
        });
        timer_.start(0);
    }
    bool clicked = false;

private:
    QString title_;
    QTimer timer_;
};

class WizardSidesToListTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox") || !HaveTool("soxi"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        GuiApp();
        LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
        LSettingsSetString("Wizard", "CalibrateVolume", "0");
        LSettingsSetString("Wizard", "SetAudioRestoreTools", "0");
        LSettingsSetString("RecordingSource", "Vinyl", "0");
        LSettingsSetString("Settings", "dBNoiseFloor", "-40");
        LSettingsSetString("Settings", "AutoSplitTime", "2");
        LSettingsSetString("Settings", "NormalizeLevel", "0");
    }

    // Side one: three tones of toneSeconds; side two: two. Gaps of 3 s.
    void MakeSides(double toneSeconds = 2)
    {
        MakeSide(sides_.Path("side1.wav"), toneSeconds, 3, 3);
        MakeSide(sides_.Path("side2.wav"), toneSeconds * 0.75, 3, 2);
    }

    std::unique_ptr<SidesWindow> Open()
    {
        auto window = std::make_unique<SidesWindow>(worker_);
        EXPECT_TRUE(window->CreateMainWindow());
        window->SetCharacterCell(2, 4, window->GetScaleFactor());
        window->InitMainWindow();
        EXPECT_TRUE(PumpUntil([&] { return !window->IsTimerSet(4) && !window->IsLoadingSavedFiles(); }));
        window->sides[0] = sides_.Path("side1.wav");
        window->sides[1] = sides_.Path("side2.wav");
        return window;
    }

    // Source (tapes), side one, side two (whose Next splits), the split page.
    static std::vector<WizardStep> ToSplitPage()
    {
        return {Click(kSourceTapes, true), Next(), Next(), Next(),
                Do([](RecordingWizard& w) { ASSERT_NE(SplitPage(w), nullptr) << "not on the split page"; })};
    }
    // From the split page to the output page and Finish with the method.
    static std::vector<WizardStep> Output(int method)
    {
        return {Next(), Do([](RecordingWizard& w) { ASSERT_EQ(w.Wizard().CurrentPage(), P::kPageOutput); }),
                Click(method, true), Finish()};
    }
    static std::vector<WizardStep> Then(std::vector<WizardStep> steps, const std::vector<WizardStep>& more)
    {
        steps.insert(steps.end(), more.begin(), more.end());
        return steps;
    }

    // The working copies with their frames, as the split page left them.
    static WizardStep NoteTracks(std::map<std::string, int64_t>* frames)
    {
        return [frames](RecordingWizard& w) {
            const WizardFolders& folders = w.GetRun().folders;
            for (const std::string& name : folders.SavedFiles())
                (*frames)[name] = SoxFrames(folders.Save() + "/" + name);
        };
    }

    // The tracks are still with the wizard: every working copy as its master.
    void ExpectTracksKept(const std::map<std::string, int64_t>& tracks)
    {
        WizardFolders folders;
        Names names;
        for (const auto& [name, frames] : tracks)
            names.push_back(name);
        EXPECT_EQ(folders.SavedFiles(), names);
        for (const std::string& name : folders.SavedFiles())
            EXPECT_EQ(ReadFileBytes(folders.Save() + "/" + name),
                      ReadFileBytes(folders.Recording() + "/" + name))
                << name;
    }

    TempDir out_;
    TempDir sides_;
    TempDir elsewhere_;
    std::string queuePath_ = elsewhere_.Path("grprocesses.list");
    ProcessQueueWorker worker_{queuePath_.c_str()};
};

} // namespace

TEST_F(WizardSidesToListTest, TheSplitPageListsTheTracksAndItsCommandsKeepTheMastersInStep)
{
    MakeSides();
    auto window = Open();
    using Page = SplitRecordingsPage;
    auto masters = [](RecordingWizard& w) { return w.GetRun().folders.TrackFiles(); };
    auto saved = [](RecordingWizard& w) { return w.GetRun().folders.SavedFiles(); };
    auto mastersFollow = [&](RecordingWizard& w) {
        EXPECT_EQ(masters(w), saved(w));
        for (const std::string& name : saved(w))
            EXPECT_EQ(ReadFileBytes(w.GetRun().folders.Save() + "/" + name),
                      ReadFileBytes(w.GetRun().folders.Recording() + "/" + name))
                << name;
    };

    std::vector<WizardStep> steps = ToSplitPage();
    // Five tracks, each with its duration: the tone and the detector's lead-in and tail.
    steps.push_back(Do([&](RecordingWizard& w) {
        Page& page = *SplitPage(w);
        ASSERT_EQ(page.GetListViewRowCount(Page::kTrackList), 5);
        EXPECT_EQ(saved(w).size(), 5u);
        for (int row = 0; row < 5; ++row) {
            const std::string name = Cell(page, row, 0);
            const double listed = DurationSeconds(Cell(page, row, 1));
            EXPECT_NEAR(listed, SoxSeconds(w.GetRun().folders.Save() + "/" + name), 0.011) << name;
            EXPECT_NEAR(listed, name.rfind("side1", 0) == 0 ? 2.125 : 1.625, 0.5) << name;
            EXPECT_FALSE(Cell(page, row, 2).empty());
        }
        mastersFollow(w);
    }));
    // Join of the first two: one file of the summed length; the masters of the parts stay.
    steps.push_back(Do([&](RecordingWizard& w) {
        Page& page = *SplitPage(w);
        const Names before = saved(w);
        const std::string first = Cell(page, 0, 0), second = Cell(page, 1, 0);
        const int64_t sum = SoxFrames(w.GetRun().folders.Save() + "/" + first) +
                            SoxFrames(w.GetRun().folders.Save() + "/" + second);
        Select(page, {0, 1});
        ASSERT_TRUE(page.IsControlEnabled(Page::kJoin));
        LSendCommandToWindow(Page::kJoin, &page);
        const Names after = saved(w);
        ASSERT_EQ(after.size(), 4u);
        EXPECT_EQ(std::count(after.begin(), after.end(), first), 0);
        EXPECT_EQ(std::count(after.begin(), after.end(), second), 0);
        std::string joined;
        for (const std::string& name : after)
            if (std::find(before.begin(), before.end(), name) == before.end())
                joined = name;
        ASSERT_FALSE(joined.empty());
        EXPECT_EQ(SoxFrames(w.GetRun().folders.Save() + "/" + joined), sum);
        EXPECT_EQ(masters(w), before);
        EXPECT_EQ(page.GetListViewRowCount(Page::kTrackList), 4);
    }));
    // Delete: the working copy goes, its master stays.
    steps.push_back(Do([&](RecordingWizard& w) {
        Page& page = *SplitPage(w);
        const Names before = masters(w);
        const int row = page.GetListViewRowCount(Page::kTrackList) - 1;
        const std::string name = Cell(page, row, 0);
        Select(page, {row});
        LSendCommandToWindow(Page::kDelete, &page);
        EXPECT_EQ(RowOf(page, name), -1);
        EXPECT_FALSE(PathExists(w.GetRun().folders.Save() + "/" + name));
        EXPECT_EQ(masters(w), before);
    }));
    // Rename: the track and its master take the new name (the old extension added).
    steps.push_back(Do([&](RecordingWizard& w) {
        Page& page = *SplitPage(w);
        const int row = page.GetListViewRowCount(Page::kTrackList) - 1;
        const std::string name = Cell(page, row, 0);
        const std::string bytes = ReadFileBytes(w.GetRun().folders.Save() + "/" + name);
        Select(page, {row});
        page.OnLabelEdited("  Song  ");
        EXPECT_NE(RowOf(page, "Song.wav"), -1);
        EXPECT_EQ(ReadFileBytes(w.GetRun().folders.Save() + "/Song.wav"), bytes);
        EXPECT_EQ(ReadFileBytes(w.GetRun().folders.Recording() + "/Song.wav"), bytes);
        EXPECT_FALSE(PathExists(w.GetRun().folders.Save() + "/" + name));
        EXPECT_FALSE(PathExists(w.GetRun().folders.Recording() + "/" + name));
        EXPECT_TRUE(window->ui.told.empty()) << window->ui.told.front();
    }));
    // Re-Split with a split duration longer than the gaps: each side is one
    // track, and the masters are the new tracks (the renamed one is gone).
    steps.push_back(Do([&](RecordingWizard& w) {
        Page& page = *SplitPage(w);
        page.SetUpDownValue(Page::kDurationInput, 5);
        LSendCommandToWindow(Page::kReSplit, &page);
        char text[20] = {};
        LSettingsGetString("Settings", "AutoSplitTime", "", text);
        EXPECT_STREQ(text, "5");
        EXPECT_EQ(page.GetListViewRowCount(Page::kTrackList), 2);
        EXPECT_EQ(RowOf(page, "Song.wav"), -1);
        mastersFollow(w);
        for (const std::string& name : saved(w))
            EXPECT_GT(SoxSeconds(w.GetRun().folders.Save() + "/" + name), 2 * 1.5) << name;
    }));
    // And back to two seconds: the five tracks again, with their masters.
    steps.push_back(Do([&](RecordingWizard& w) {
        Page& page = *SplitPage(w);
        page.SetUpDownValue(Page::kDurationInput, 2);
        LSendCommandToWindow(Page::kReSplit, &page);
        EXPECT_EQ(page.GetListViewRowCount(Page::kTrackList), 5);
        mastersFollow(w);
    }));
    // Restore: each side whole (a tape is not re-timed), sample for sample,
    // replaces the tracks; the masters follow.
    steps.push_back(Do([&](RecordingWizard& w) {
        Page& page = *SplitPage(w);
        Select(page, {0});
        LSendCommandToWindow(Page::kDelete, &page);
        LSendCommandToWindow(Page::kRestoreSides, &page);
        const Names tracks = saved(w);
        ASSERT_EQ(tracks.size(), 2u);
        EXPECT_EQ(page.GetListViewRowCount(Page::kTrackList), 2);
        for (int side = 1; side <= 2; ++side) {
            const std::string& name = tracks[side - 1];
            EXPECT_EQ(name.rfind("side" + std::to_string(side) + " ", 0), 0u) << name;
            EXPECT_EQ(ReadWav(w.GetRun().folders.Save() + "/" + name),
                      ReadWav(w.GetRun().folders.SidePath(side)))
                << name;
        }
        mastersFollow(w);
    }));
    steps.push_back(Cancel());
    window->answers = {2}; // discard what the run made
    EXPECT_EQ(window->RunWizard(steps), 0);
    EXPECT_TRUE(window->ui.told.empty()) << window->ui.told.front();
    EXPECT_TRUE(WizardFolders().IsEmpty());
}

TEST_F(WizardSidesToListTest, RestorationAppliesEveryToolToTheSplitTracksAndUndoRestoresThemByteForByte)
{
    // A record played straight into the computer: every tool may be used.
    LSettingsSetString("Wizard", "SetAudioRestoreTools", "1");
    MakeSides();
    auto window = Open();
    using Page = AudioRestorationPage;
    std::map<std::string, std::string> masters;
    std::map<std::string, int64_t> frames;
    bool changed = false;
    auto restorationPage = [](RecordingWizard& w) {
        return dynamic_cast<Page*>(w.Wizard().GetCurrentPage());
    };
    std::vector<WizardStep> steps = {Click(kSourceVinyl, true),
                                     Click(kSourceDirect, true),
                                     Click(kSourceSpeedNormal, true),
                                     Next(),
                                     Next(),
                                     Next(),
                                     Next()};
    steps.push_back(Do([&](RecordingWizard& w) {
        Page* page = restorationPage(w);
        ASSERT_NE(page, nullptr) << "not on the restoration page";
        const WizardFolders& folders = w.GetRun().folders;
        ASSERT_EQ(folders.SavedFiles().size(), 5u);
        for (const std::string& name : folders.SavedFiles()) {
            masters[name] = ReadFileBytes(folders.Recording() + "/" + name);
            frames[name] = SoxFrames(folders.Save() + "/" + name);
        }
        for (int box : {Page::kHighPass, Page::kClickPop, Page::kRiaa, Page::kDcOffset, Page::kNoiseReduction,
                        Page::kNormalize}) {
            ASSERT_TRUE(page->IsControlEnabled(box)) << box;
            page->SetCheck(box, true);
        }
        window->ui.answers = {1};
        LSendCommandToWindow(Page::kApply, page);
        ASSERT_TRUE(page->Restoration().IsApplied());
        changed = true;
        for (const std::string& name : folders.SavedFiles()) {
            changed = changed && ReadFileBytes(folders.Save() + "/" + name) != masters[name];
            EXPECT_EQ(SoxFrames(folders.Save() + "/" + name), frames[name]) << name;
        }
        EXPECT_TRUE(page->IsControlEnabled(Page::kUndo));
    }));
    steps.push_back(Do([&](RecordingWizard& w) {
        Page* page = restorationPage(w);
        ASSERT_NE(page, nullptr);
        window->ui.answers = {1};
        LSendCommandToWindow(Page::kUndo, page);
        EXPECT_FALSE(page->Restoration().IsApplied());
        const WizardFolders& folders = w.GetRun().folders;
        EXPECT_EQ(folders.SavedFiles().size(), masters.size());
        for (const auto& [name, bytes] : masters)
            EXPECT_EQ(ReadFileBytes(folders.Save() + "/" + name), bytes) << name;
    }));
    // Next offers to apply the checked tools again: declined, the tracks go as they are.
    steps.push_back(Do([&](RecordingWizard&) { window->ui.answers = {2}; }));
    steps = Then(steps, Output(OutputMethodsPage::kNothing));
    EXPECT_EQ(window->RunWizard(steps), 1);
    EXPECT_TRUE(changed);
    ASSERT_EQ(window->ui.asked.size(), 3u); // apply, undo, apply on leaving
    EXPECT_EQ(window->ui.asked[0], window->ui.asked[2]);
    EXPECT_TRUE(window->ui.told.empty()) << window->ui.told.front();
    ASSERT_EQ(window->RowCount(), 5);
    for (int row = 0; row < window->RowCount(); ++row)
        EXPECT_EQ(ReadFileBytes(window->RowPath(row)), masters[window->RowText(row)]) << window->RowText(row);
    char speed[16] = {};
    LSettingsGetString("RecordingSource", "RecordingSpeed", "", speed);
    EXPECT_STREQ(speed, "0");
    EXPECT_TRUE(WizardFolders().IsEmpty());
}

TEST_F(WizardSidesToListTest, EveryOutputMethodLandsEveryTrackInTheListAndEmptiesTheWorkingFolders)
{
    MakeSides();
    const bool haveMp3 = HaveTool("mpg123") && mp3enc::InstallComponent();
    const struct
    {
        int method;
        const char* extension;
        const char* stored;
        int burns;
    } cases[] = {
        {OutputMethodsPage::kNothing, ".wav", "3", 0},
        {OutputMethodsPage::kAudioCd, ".wav", "0", 1},
        {OutputMethodsPage::kMp3, ".mp3", "2", 0},
    };
    for (const auto& c : cases) {
        if (c.method == OutputMethodsPage::kMp3 && !haveMp3) {
            std::printf("MP3 case skipped: mpg123 or the build's MP3 encoder component is missing\n");
            continue;
        }
        TempDir out;
        LSettingsSetString("Settings", "AppOutputFolder", out.Path().c_str());
        auto window = Open();
        std::map<std::string, int64_t> tracks;
        EXPECT_EQ(window->RunWizard(Then(Then(ToSplitPage(), {NoteTracks(&tracks)}), Output(c.method))), 1)
            << c.extension;
        EXPECT_TRUE(window->ui.told.empty()) << window->ui.told.front();
        EXPECT_TRUE(window->questions.empty()) << window->questions.front();
        ASSERT_EQ(tracks.size(), 5u);
        ASSERT_EQ(window->RowCount(), 5) << c.extension;
        Names listed;
        for (int row = 0; row < window->RowCount(); ++row) {
            const std::string path = window->RowPath(row);
            const std::string name = window->RowText(row);
            listed.push_back(name);
            EXPECT_EQ(path, out.Path(name));
            ASSERT_GT(name.size(), 4u);
            EXPECT_EQ(name.substr(name.size() - 4), c.extension) << name;
            const auto made = std::find_if(tracks.begin(), tracks.end(),
                                           [&](const auto& t) { return Title(t.first) == Title(name); });
            ASSERT_NE(made, tracks.end()) << name;
            if (c.method == OutputMethodsPage::kMp3)
                EXPECT_LE(std::abs(Mpg123Frames(path) - made->second), 1152) << name;
            else
                EXPECT_EQ(SoxFrames(path), made->second) << name;
        }
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(FolderEntries(out.Path()), listed);
        EXPECT_TRUE(WizardFolders().IsEmpty()) << c.extension;
        EXPECT_EQ(window->burns, c.burns);
        char stored[20] = {};
        LSettingsGetString("Settings", "OutPutMethod", "", stored);
        EXPECT_STREQ(stored, c.stored);
    }
}

TEST_F(WizardSidesToListTest, AnEncoderThatCannotLoadKeepsTheWizardOpenAndEveryTrack)
{
    MakeSides();
    char folder[260] = {};
    ASSERT_TRUE(LGetComponentsFolder(folder));
    WriteFileBytes(std::string(folder) + "/" + kMp3EncoderComponentName, "not a library", 0755);
    auto window = Open();
    std::map<std::string, int64_t> tracks;
    bool stayed = false;
    auto steps = Then(Then(ToSplitPage(), {NoteTracks(&tracks)}), Output(OutputMethodsPage::kMp3));
    steps.push_back(Do([&](RecordingWizard& w) { stayed = w.Wizard().CurrentPage() == P::kPageOutput; }));
    steps.push_back(Cancel());
    window->answers = {1}; // keep for later
    // The encoder's download is offered and declined.
    quorin::test::BoxAnswerer boxes;
    boxes.Queue("Cancel");
    EXPECT_EQ(window->RunWizard(steps), 0);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(window->ui.told.empty());
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_NE(boxes.Seen()[0].find("libmp3lame0"), std::string::npos) << boxes.Seen()[0];
    EXPECT_EQ(window->RowCount(), 0);
    ASSERT_EQ(window->questions.size(), 1u);
    EXPECT_NE(window->questions[0].find("5 tracks"), std::string::npos) << window->questions[0];
    ExpectTracksKept(tracks);
    char stored[20] = {};
    LSettingsGetString("Settings", "OutPutMethod", "", stored);
    EXPECT_STREQ(stored, "");
}

TEST_F(WizardSidesToListTest, AReadOnlyOutputFolderKeepsTheTracksUntilFinishCanLandThem)
{
    MakeSides();
    WithoutWriteOverride noOverride;
    if (!noOverride.Holds())
        GTEST_SKIP() << "root cannot be kept out of a read-only folder here (no capset)";
    auto window = Open();
    std::map<std::string, int64_t> tracks;
    bool stayed = false;
    Names inTheFolder;
    auto steps =
        Then(ToSplitPage(), {NoteTracks(&tracks),
                             Do([&](RecordingWizard&) { ASSERT_EQ(chmod(out_.Path().c_str(), 0555), 0); })});
    steps = Then(steps, Output(OutputMethodsPage::kNothing));
    steps.push_back(Do([&](RecordingWizard& w) {
        stayed = w.Wizard().CurrentPage() == P::kPageOutput;
        inTheFolder = FolderEntries(out_.Path());
        ExpectTracksKept(tracks);
        chmod(out_.Path().c_str(), 0755);
    }));
    // Once the folder can be written, Finish lands them all.
    steps.push_back(Finish());
    EXPECT_EQ(window->RunWizard(steps), 1);
    chmod(out_.Path().c_str(), 0755);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(inTheFolder.empty());
    ASSERT_EQ(window->ui.told.size(), 1u);
    EXPECT_NE(window->ui.told[0].find("0 of 5 tracks were added"), std::string::npos) << window->ui.told[0];
    EXPECT_NE(window->ui.told[0].find(WizardFolders().Save()), std::string::npos) << window->ui.told[0];
    EXPECT_EQ(window->RowCount(), 5);
    EXPECT_EQ(FolderEntries(out_.Path()).size(), 5u);
    EXPECT_TRUE(WizardFolders().IsEmpty());
}

TEST_F(WizardSidesToListTest, ANameTakenInTheOutputFolderGivesTheNewTrackTheNextFreeName)
{
    if (!HaveTool("mpg123") || !HaveTool("lame") || !mp3enc::InstallComponent())
        GTEST_SKIP() << "mpg123, lame or the build's MP3 encoder component is missing";
    MakeSides();
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 -t wav - synth 1 sine 300 | lame --quiet - " +
                         Quote(out_.Path("Track 01.mp3"))),
              0);
    const std::string theirs = ReadFileBytes(out_.Path("Track 01.mp3"));
    auto window = Open();
    ASSERT_EQ(window->RowCount(), 1);
    auto steps = Then(ToSplitPage(), {Do([](RecordingWizard& w) {
                          SplitRecordingsPage& page = *SplitPage(w);
                          Select(page, {0});
                          page.OnLabelEdited("Track 01");
                          ASSERT_NE(RowOf(page, "Track 01.wav"), -1);
                      })});
    EXPECT_EQ(window->RunWizard(Then(steps, Output(OutputMethodsPage::kMp3))), 1);
    EXPECT_TRUE(window->ui.told.empty()) << window->ui.told.front();
    EXPECT_EQ(ReadFileBytes(out_.Path("Track 01.mp3")), theirs);
    const Names files = FolderEntries(out_.Path());
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(window->RowCount(), 6);
    int newTrackOne = 0;
    for (const std::string& name : files) {
        EXPECT_GT(Mpg123Frames(out_.Path(name)), 44100 / 2) << name;
        newTrackOne += name != "Track 01.mp3" && name.rfind("Track 01", 0) == 0;
    }
    EXPECT_EQ(newTrackOne, 1);
    EXPECT_TRUE(WizardFolders().IsEmpty());
}

TEST_F(WizardSidesToListTest, ACancelDuringTheConversionKeepsEveryTrackAndTheWizardOpen)
{
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    MakeSides(20);
    auto window = Open();
    std::map<std::string, int64_t> tracks;
    bool stayed = false;
    std::unique_ptr<CancelWhenShown> canceller;
    auto steps = Then(ToSplitPage(), {NoteTracks(&tracks), Do([&](RecordingWizard&) {
                                          canceller =
                                              std::make_unique<CancelWhenShown>("Converting to mp3 file.");
                                      })});
    steps = Then(steps, Output(OutputMethodsPage::kMp3));
    steps.push_back(Do([&](RecordingWizard& w) {
        stayed = w.Wizard().CurrentPage() == P::kPageOutput;
        ExpectTracksKept(tracks);
    }));
    steps.push_back(Cancel());
    window->answers = {1}; // keep for later
    EXPECT_EQ(window->RunWizard(steps), 0);
    ASSERT_TRUE(canceller && canceller->clicked);
    EXPECT_TRUE(stayed);
    ASSERT_EQ(window->ui.told.size(), 1u);
    EXPECT_NE(window->ui.told[0].find("cancelled"), std::string::npos) << window->ui.told[0];
    EXPECT_EQ(window->RowCount(), 0);
    EXPECT_TRUE(FolderEntries(out_.Path()).empty());
    ASSERT_EQ(window->questions.size(), 1u);
    EXPECT_NE(window->questions[0].find("5 tracks"), std::string::npos) << window->questions[0];
    ExpectTracksKept(tracks);
}
