// The wizard's track pages offscreen over prepared tracks: the split page's
// list, buttons and commands (join, delete, rename, the split duration), the
// restoration page's Apply and Undo with its questions and its failure, and
// the output page handing every track over or keeping the wizard open.

#include "PreferencesTestSupport.h"
#include "TrackPagesTestSupport.h"
#include "gui/GuiTestSupport.h"

#include "app/program/wizard/AudioRestorationPage.h"
#include "app/program/wizard/BackgroundNoiseMeasurePage.h"
#include "app/program/wizard/OutputMethodsPage.h"
#include "app/program/wizard/SplitRecordingsPage.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/settings/LSettings.h"

#include <deque>

using namespace quorin::test;

namespace {

using Names = std::vector<std::string>;

// Keeps what a page tells and answers its questions from a list.
template <class Page> class Scripted : public Page
{
public:
    using Page::Page;
    void Tell(const char* text) override { told.emplace_back(text); }
    std::vector<std::string> told;
};

class ScriptedSplitPage : public Scripted<SplitRecordingsPage>
{
public:
    using Scripted::Scripted;
    void RunNoiseMeasureWizard() override
    {
        ++measured;
        LSettingsSetString("Settings", "dBNoiseFloor", "-47");
    }
    int measured = 0;
};

class ScriptedRestorationPage : public Scripted<AudioRestorationPage>
{
public:
    using Scripted::Scripted;
    int Ask(const char* text, const char*, const char*, const char*) override
    {
        asked.emplace_back(text);
        if (answers.empty())
            return 2;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<int> answers;
    std::vector<std::string> asked;
};

class CopyingReceiver : public WizardTrackReceiver
{
public:
    explicit CopyingReceiver(std::string folder) : folder_(std::move(folder)) {}
    bool TakeFile(const char* path) override
    {
        const std::string text = path;
        return !refuseAll && LFileCopy(path, (folder_ + "/" + text.substr(text.rfind('/') + 1)).c_str());
    }
    bool refuseAll = false;

private:
    std::string folder_;
};

class TrackPagesTest : public WizardFoldersTest
{
protected:
    void SetUp() override
    {
        WizardFoldersTest::SetUp();
        GuiApp();
        host_.CreateCocoaWindow(1400, 1100, kWindowStyleTitled, false, nullptr);
        host_.ShowModeless(nullptr, LPlacementCenterOnScreen);
        AddTrack("side1_SPLIT_01.wav", 1.0, 440);
        AddTrack("side1_SPLIT_02.wav", 1.5, 550);
        AddTrack("side1_SPLIT_03.wav", 0.5, 660);
        AddTrack("side1_SPLIT_04.wav", 2.0, 770);
    }
    void TearDown() override { host_.DestroyWindow(); }

    static std::string Cell(const LWindow& page, int list, int row, int column)
    {
        char text[260] = {};
        page.GetListViewItemText(list, row, column, text);
        return text;
    }

    static void Select(LWindow& page, int list, std::initializer_list<int> rows)
    {
        page.DeselectAllListViewRows(list);
        for (int row : rows)
            page.SelectListViewRow(list, row, true);
        page.UpdateControls();
    }

    LWindow host_;
    WizardSideActions actions_;
};

} // namespace

TEST_F(TrackPagesTest, SplitListShowsEachTrackAndEnablesButtonsBySelection)
{
    int splits = 0, restores = 0;
    actions_.splitSides = [&](LWindow*) { ++splits; };
    actions_.restoreSidesUnsplit = [&](LWindow*) { ++restores; };
    ScriptedSplitPage page(folders_, actions_);
    ASSERT_TRUE(page.CreateFromTemplate(&host_, SplitRecordingsPage::Template()));
    page.OnPageShown();
    const int list = SplitRecordingsPage::kTrackList;
    ASSERT_EQ(page.GetListViewRowCount(list), 4);
    const char* durations[] = {"0:00:01.00", "0:00:01.50", "0:00:00.50", "0:00:02.00"};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(Cell(page, list, row, 0), "side1_SPLIT_0" + std::to_string(row + 1) + ".wav");
        EXPECT_EQ(Cell(page, list, row, 1), durations[row]);
        EXPECT_EQ(Cell(page, list, row, 2).size(), 21u) << Cell(page, list, row, 2);
    }
    char caption[260] = {};
    page.GetControlText(SplitRecordingsPage::kNoiseMeasure, caption);
    EXPECT_STREQ(caption, "(Current Noise Floor = -25 dB)");

    const struct
    {
        std::initializer_list<int> rows;
        bool play, join, del, rename;
    } cases[] = {
        {{}, false, false, false, false},
        {{1}, true, false, true, true},
        {{0, 2}, false, true, true, false},
        {{0, 1, 3}, false, false, true, false},
    };
    for (const auto& c : cases) {
        Select(page, list, c.rows);
        EXPECT_EQ(page.IsControlEnabled(SplitRecordingsPage::kPlay), c.play);
        EXPECT_EQ(page.IsControlEnabled(SplitRecordingsPage::kJoin), c.join);
        EXPECT_EQ(page.IsControlEnabled(SplitRecordingsPage::kDelete), c.del);
        EXPECT_EQ(page.IsControlEnabled(SplitRecordingsPage::kRename), c.rename);
        EXPECT_TRUE(page.IsControlEnabled(SplitRecordingsPage::kReSplit));
        EXPECT_TRUE(page.IsControlEnabled(SplitRecordingsPage::kRestoreSides));
    }
    // Three selected: the join command still answers.
    page.SendCommand(SplitRecordingsPage::kJoin);
    EXPECT_EQ(page.told, Names{"You need to select 2 files to join."});
    EXPECT_EQ(Saved().size(), 4u);

    page.SendCommand(SplitRecordingsPage::kReSplit);
    page.SendCommand(SplitRecordingsPage::kRestoreSides);
    EXPECT_EQ(splits, 1);
    EXPECT_EQ(restores, 1);
    page.SendCommand(SplitRecordingsPage::kNoiseMeasure);
    EXPECT_EQ(page.measured, 1);
    page.GetControlText(SplitRecordingsPage::kNoiseMeasure, caption);
    EXPECT_STREQ(caption, "(Current Noise Floor = -47 dB)");
}

TEST_F(TrackPagesTest, SplitPageJoinsDeletesAndRenamesWithTheMasters)
{
    ScriptedSplitPage page(folders_, actions_);
    ASSERT_TRUE(page.CreateFromTemplate(&host_, SplitRecordingsPage::Template()));
    const int list = SplitRecordingsPage::kTrackList;
    // Without the side actions the two side buttons do nothing and say so by
    // being disabled.
    EXPECT_FALSE(page.IsControlEnabled(SplitRecordingsPage::kReSplit));
    EXPECT_FALSE(page.IsControlEnabled(SplitRecordingsPage::kRestoreSides));

    Select(page, list, {0, 1});
    page.SendCommand(SplitRecordingsPage::kJoin);
    ASSERT_TRUE(page.told.empty()) << page.told.front();
    ASSERT_EQ(page.GetListViewRowCount(list), 3);
    Names saved = Saved();
    EXPECT_EQ(saved.size(), 3u);
    const std::string joined = saved[0];
    EXPECT_NE(joined.find("JOINED"), std::string::npos) << joined;
    EXPECT_EQ(ReadWav(folders_.save + "/" + joined).Frames(), 44100 + 66150);

    Select(page, list, {1});
    EXPECT_EQ(Cell(page, list, 1, 0), "side1_SPLIT_03.wav");
    page.SendCommand(SplitRecordingsPage::kDelete);
    EXPECT_EQ(Saved(), (Names{joined, "side1_SPLIT_04.wav"}));

    Select(page, list, {1});
    page.OnLabelEdited("  Finale ");
    EXPECT_EQ(Saved(), (Names{"Finale.wav", joined}));
    EXPECT_EQ(Masters(), (Names{"Finale.wav", "save", "side1_SPLIT_01.wav", "side1_SPLIT_02.wav",
                                "side1_SPLIT_03.wav"}));
    Select(page, list, {0});
    EXPECT_EQ(Cell(page, list, 0, 0), "Finale.wav");
    page.OnLabelEdited("Finale.mp3");
    page.OnLabelEdited(" ");
    EXPECT_EQ(page.told, Names{"File name is empty, please try again."});
    EXPECT_EQ(Saved(), (Names{"Finale.wav", joined}));

    // Next stores the split duration within its range.
    page.SetUpDownValue(SplitRecordingsPage::kDurationInput, 7);
    EXPECT_TRUE(page.CanOK());
    EXPECT_EQ(LSettingsGetInt("Settings", "AutoSplitTime", 0), 7);
}

TEST_F(TrackPagesTest, RestorationPageAppliesAfterAskingAndUndoesByteForByte)
{
    LSettingsSetString("RecordingSource", "Vinyl", "1");
    LSettingsSetString("RecordingSource", "Amp", "1");
    LSettingsSetString("RecordingSource", "RecordingSpeed", "1");
    ScriptedRestorationPage page(folders_, actions_);
    ASSERT_TRUE(page.CreateFromTemplate(&host_, AudioRestorationPage::Template()));
    page.OnPageShown();
    EXPECT_EQ(page.GetListViewRowCount(AudioRestorationPage::kTrackList), 4);
    // First run: normalization, DC offset and noise reduction; click/pop for
    // vinyl; no RIAA through an amplifier.
    EXPECT_TRUE(page.GetCheck(AudioRestorationPage::kNormalize));
    EXPECT_TRUE(page.GetCheck(AudioRestorationPage::kDcOffset));
    EXPECT_TRUE(page.GetCheck(AudioRestorationPage::kNoiseReduction));
    EXPECT_TRUE(page.GetCheck(AudioRestorationPage::kClickPop));
    EXPECT_FALSE(page.GetCheck(AudioRestorationPage::kHighPass));
    EXPECT_FALSE(page.GetCheck(AudioRestorationPage::kRiaa));
    EXPECT_FALSE(page.IsControlEnabled(AudioRestorationPage::kRiaa));
    EXPECT_FALSE(page.IsControlEnabled(AudioRestorationPage::kUndo));
    EXPECT_TRUE(page.IsControlEnabled(AudioRestorationPage::kApply));

    // "No, Don't Apply" changes nothing.
    page.answers = {2};
    page.SendCommand(AudioRestorationPage::kApply);
    EXPECT_EQ(page.asked.size(), 1u);
    for (const std::string& name : Saved())
        EXPECT_EQ(ReadFileBytes(folders_.save + "/" + name), ReadFileBytes(folders_.recording + "/" + name));

    page.answers = {1};
    page.SendCommand(AudioRestorationPage::kApply);
    EXPECT_TRUE(page.told.empty()) << page.told.front();
    EXPECT_TRUE(page.Restoration().IsApplied());
    EXPECT_TRUE(page.IsControlEnabled(AudioRestorationPage::kUndo));
    for (const std::string& name : Saved())
        EXPECT_NE(ReadFileBytes(folders_.save + "/" + name), ReadFileBytes(folders_.recording + "/" + name));
    char speed[16] = {};
    LSettingsGetString("RecordingSource", "RecordingSpeed", "", speed);
    EXPECT_STREQ(speed, "1");

    page.answers = {1};
    page.SendCommand(AudioRestorationPage::kUndo);
    EXPECT_EQ(page.asked.back(),
              "This will undo all changes you have made to the sounds and restore to the oringinal recorded "
              "sound.");
    EXPECT_FALSE(page.IsControlEnabled(AudioRestorationPage::kUndo));
    for (const std::string& name : Saved())
        EXPECT_EQ(ReadFileBytes(folders_.save + "/" + name), ReadFileBytes(folders_.recording + "/" + name));
}

TEST_F(TrackPagesTest, AFailedRestorationIsShownAndLeftUnapplied)
{
    WriteFileBytes(folders_.save + "/side1_SPLIT_05.wav", "not a sound");
    ScriptedRestorationPage page(folders_, actions_);
    ASSERT_TRUE(page.CreateFromTemplate(&host_, AudioRestorationPage::Template()));
    const std::string first = ReadFileBytes(folders_.save + "/side1_SPLIT_01.wav");
    page.answers = {1};
    EXPECT_FALSE(page.ApplyRestoration());
    ASSERT_EQ(page.told.size(), 1u);
    EXPECT_NE(page.told[0].find("Audio Restoration FAILED"), std::string::npos);
    EXPECT_NE(page.told[0].find("side1_SPLIT_05.wav"), std::string::npos) << page.told[0];
    EXPECT_FALSE(page.Restoration().IsApplied());
    EXPECT_FALSE(page.IsControlEnabled(AudioRestorationPage::kUndo));
    EXPECT_EQ(ReadFileBytes(folders_.save + "/side1_SPLIT_01.wav"), first);
}

TEST_F(TrackPagesTest, RestorationNextWithNothingCheckedAsksNothingAndThePageCanBeSkipped)
{
    ScriptedRestorationPage page(folders_, actions_);
    ASSERT_TRUE(page.CreateFromTemplate(&host_, AudioRestorationPage::Template()));
    page.SetChoices(RestorationChoices{});
    EXPECT_TRUE(page.CanOK());
    EXPECT_TRUE(page.asked.empty());
    char value[16] = {};
    LSettingsGetString("AudioRestoration", "Normalization", "", value);
    EXPECT_STREQ(value, "0");
    EXPECT_TRUE(page.IsPageActive());
    LSettingsSetString("Wizard", "SetAudioRestoreTools", "0");
    EXPECT_FALSE(page.IsPageActive());
}

TEST_F(TrackPagesTest, OutputPageHandsEveryTrackOverOrStaysWithTheReason)
{
    TempDir out;
    CopyingReceiver receiver(out.Path());
    Scripted<OutputMethodsPage> page(folders_, &receiver, actions_);
    LSettingsSetString("Settings", "OutPutMethod", "7");
    ASSERT_TRUE(page.CreateFromTemplate(&host_, OutputMethodsPage::Template()));
    EXPECT_EQ(page.CheckedMethod(), OutputMethod::kNothing);

    // The output folder takes nothing: the wizard stays, the tracks stay.
    receiver.refuseAll = true;
    page.CheckMethod(OutputMethod::kAudioCd);
    EXPECT_FALSE(page.CanOK());
    ASSERT_EQ(page.told.size(), 1u);
    EXPECT_NE(page.told[0].find(folders_.save), std::string::npos) << page.told[0];
    EXPECT_EQ(Saved().size(), 4u);
    char burn[16] = {};
    LSettingsGetString("OutputFormat", "WIZARDBURN", "", burn);
    EXPECT_STREQ(burn, "");
    EXPECT_EQ(LSettingsGetInt("Settings", "OutPutMethod", 0), 7);

    receiver.refuseAll = false;
    EXPECT_TRUE(page.CanOK());
    EXPECT_EQ(FolderEntries(out.Path()), (Names{"side1_SPLIT_01.wav", "side1_SPLIT_02.wav",
                                                "side1_SPLIT_03.wav", "side1_SPLIT_04.wav"}));
    EXPECT_EQ(Saved(), Names{});
    LSettingsGetString("OutputFormat", "WIZARDBURN", "", burn);
    EXPECT_STREQ(burn, "1");
    EXPECT_EQ(LSettingsGetInt("Settings", "OutPutMethod", 9), 0);
}

TEST_F(TrackPagesTest, ChoosingMp3WithoutAnEncoderKeepsThePageAndTheChoice)
{
    char folder[260] = {};
    ASSERT_TRUE(LGetComponentsFolder(folder));
    WriteFileBytes(std::string(folder) + "/" + kMp3EncoderComponentName, "not a library", 0755);
    TempDir out;
    CopyingReceiver receiver(out.Path());
    Scripted<OutputMethodsPage> page(folders_, &receiver, actions_);
    ASSERT_TRUE(page.CreateFromTemplate(&host_, OutputMethodsPage::Template()));
    page.CheckMethod(OutputMethod::kMp3);
    // The download is offered, with the package as the other way; declined,
    // the page stays.
    quorin::test::BoxAnswerer boxes;
    boxes.Queue("Cancel");
    EXPECT_FALSE(page.CanOK());
    EXPECT_TRUE(page.told.empty());
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_NE(boxes.Seen()[0].find("libmp3lame0"), std::string::npos) << boxes.Seen()[0];
    EXPECT_EQ(page.CheckedMethod(), OutputMethod::kMp3);
    EXPECT_EQ(LSettingsGetInt("Settings", "OutPutMethod", 99), 99);
    EXPECT_EQ(Saved().size(), 4u);
    EXPECT_TRUE(FolderEntries(out.Path()).empty());
}

TEST_F(TrackPagesTest, NoiseMeasurePageIsShownUnlessSwitchedOffOrForced)
{
    BackgroundNoiseMeasurePage page;
    EXPECT_TRUE(page.IsPageActive());
    LSettingsSetString("Wizard", "MeasureNoiseFloor", "0");
    EXPECT_FALSE(page.IsPageActive());
    page.alwaysShown = true;
    EXPECT_TRUE(page.IsPageActive());
}
