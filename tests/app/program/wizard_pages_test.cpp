// The recording wizard offscreen on the fake sound device: the pages shown
// for every source and skip setting, what the source page stores, the
// calibration page's stored channel and verdicts, the side pages' takes
// (asked before one is replaced, kept by Back and Cancel), and the unsaved-
// recording warning.

#include "WizardDriver.h"
#include "WizardTestSupport.h"
#include "audio/devices/DeviceTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"

#include "app/program/wizard/RecordSidePage.h"
#include "app/program/wizard/RecordingSourcePage.h"
#include "app/program/wizard/SplitRecordingsPage.h"
#include "app/program/wizard/VolumeCalibrationPage.h"
#include "app/program/wizard/VolumeVerdict.h"
#include "foundation/settings/LSettings.h"

#include <cmath>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

constexpr int64_t kBlock = 4410;

std::string Setting(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text;
}

class WizardPagesTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        fake_.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
        fake_.backend.AddInput(MakeDevice("usbmic", "USB Mic", 2, "usb"));
        fake_.backend.SetDefaultInput("line");
        fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kStepped, 441);
        LSettingsSetString("Settings", "AppOutputFolder", home_.Path("Music/Quorin").c_str());
        // The side pages record at the stored volume (-20 dB when none is stored).
        LSettingsSetString("Recording", "Volume", "0");
        run_.ui = &ui_;
        ASSERT_TRUE(run_.folders.Create());
    }

    // Feeds blocks of input to the page's recorder and lets the page get the reports.
    static void Step(LSoundRecorder& recorder, FakeDevices& fake, int blocks)
    {
        for (int i = 0; i < blocks && recorder.GetState() != kRecorderStopped; ++i) {
            const int64_t before = recorder.GetStream().GetFramesTaken();
            fake.backend.StepCapture(kBlock);
            EXPECT_TRUE(PumpUntil([&] { return recorder.GetStream().GetFramesTaken() != before; }, 5000));
            PumpFor(3);
        }
    }

    // The input at a level the recorder reads as dB.
    void Feed(int dB, double seconds = 30)
    {
        const double amplitude = 131072.0 * std::pow(10.0, dB / 20.0) / 524287.0;
        fake_.backend.SetInputFeed("line",
                                   ToDevice(Tone(static_cast<int64_t>(seconds * 44100), 2, amplitude)));
    }

    static WizardStep Record(FakeDevices& fake, int blocks)
    {
        return [&fake, blocks](RecordingWizard& w) {
            auto* page = dynamic_cast<RecordSidePage*>(w.Wizard().GetCurrentPage());
            ASSERT_NE(page, nullptr);
            Step(page->Recorder(), fake, blocks);
        };
    }

    static WizardStep Note(std::vector<int>* pages)
    {
        return [pages](RecordingWizard& w) { pages->push_back(w.Wizard().CurrentPage()); };
    }

    FakeDevices fake_;
    ScriptedWizardUi ui_;
    WizardRun run_;
};

using P = RecordingWizard::PageIndex;

} // namespace

TEST_F(WizardPagesTest, EverySourceAndSkipSettingShowsItsPagesForwardAndBack)
{
    const struct
    {
        int source;     // radio of the source page
        int connection; // 0: none clicked
        int speed;
        const char* calibrate;
        const char* restore;
        std::vector<int> pages;
    } cases[] = {
        {kSourceTapes, 0, 0, "", "", {0, 1, 2, 3, 4, 5, 6}},
        {kSourceVinyl, kSourceViaAmp, kSourceSpeedNormal, "1", "1", {0, 1, 2, 3, 4, 5, 6}},
        {kSourceVinyl, kSourceDirect, kSourceSpeed33At45, "0", "", {0, 2, 3, 4, 5, 6}},
        {kSourceVinyl, kSourceViaAmp, kSourceSpeed78At45, "", "0", {0, 1, 2, 3, 4, 6}},
        {kSourceTapes, 0, 0, "0", "0", {0, 2, 3, 4, 6}},
        {kSourceVinyl, kSourceDirect, kSourceSpeedNormal, "0", "0", {0, 2, 3, 4, 6}},
    };
    for (const auto& c : cases) {
        LSettingsSetString("Wizard", "CalibrateVolume", c.calibrate);
        LSettingsSetString("Wizard", "SetAudioRestoreTools", c.restore);
        std::vector<int> forward, backward;
        std::vector<WizardStep> steps = {Click(c.source, true)};
        if (c.connection != 0)
            steps.push_back(Click(c.connection, true));
        if (c.speed != 0)
            steps.push_back(Click(c.speed, true));
        for (size_t i = 0; i < c.pages.size(); ++i) {
            steps.push_back(Note(&forward));
            if (i + 1 < c.pages.size())
                steps.push_back(Next());
        }
        for (size_t i = 1; i < c.pages.size(); ++i) {
            steps.push_back(Back());
            steps.push_back(Note(&backward));
        }
        for (size_t i = 1; i < c.pages.size(); ++i)
            steps.push_back(Next());
        steps.push_back(Finish());
        RecordingWizard wizard(run_);
        EXPECT_EQ(DriveWizard(wizard, steps), 1) << c.calibrate << "/" << c.restore;
        EXPECT_EQ(forward, c.pages);
        std::vector<int> expectedBack(c.pages.rbegin() + 1, c.pages.rend());
        EXPECT_EQ(backward, expectedBack);
        EXPECT_EQ(Setting("RecordingSource", "Vinyl"), c.source == kSourceVinyl ? "1" : "0");
        if (c.source == kSourceVinyl) {
            EXPECT_EQ(Setting("RecordingSource", "Amp"), c.connection == kSourceViaAmp ? "1" : "0");
            EXPECT_EQ(Setting("RecordingSource", "RecordingSpeed"),
                      std::to_string(c.speed - kSourceSpeedNormal));
        }
    }
}

TEST_F(WizardPagesTest, TheFirstRunAsksForTheSourceBeforeGoingOn)
{
    std::vector<int> pages;
    int diagram = -1;
    std::string tip;
    RecordingWizard wizard(run_);
    const int result =
        DriveWizard(wizard, {Next(), Note(&pages), Do([&](RecordingWizard& w) {
                                 auto* page = dynamic_cast<RecordingSourcePage*>(w.Page(P::kPageSource));
                                 diagram = page->Diagram();
                                 tip = page->LastTip();
                             }),
                             Cancel()});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(pages, std::vector<int>{0});
    EXPECT_EQ(diagram, kDiagramNone);
    EXPECT_EQ(tip, "Please select if you are converting records or tapes");
    EXPECT_EQ(Setting("RecordingSource", "Vinyl"), "");
}

TEST_F(WizardPagesTest, TheSourcePageShowsTheStoredChoicesAndTheirDiagram)
{
    LSettingsSetString("RecordingSource", "SelectedOnce", "1");
    LSettingsSetString("RecordingSource", "Vinyl", "1");
    LSettingsSetString("RecordingSource", "Amp", "0");
    LSettingsSetString("RecordingSource", "RecordingSpeed", "2");
    RecordingWizard wizard(run_);
    std::vector<int> diagrams;
    bool enabledForVinyl = false, enabledForTapes = true;
    auto note = [&](RecordingWizard& w) {
        diagrams.push_back(dynamic_cast<RecordingSourcePage*>(w.Page(P::kPageSource))->Diagram());
    };
    DriveWizard(wizard,
                {Do(note), Do([&](RecordingWizard& w) {
                     LWizardPage* page = w.Page(P::kPageSource);
                     EXPECT_TRUE(page->GetCheck(kSourceDirect));
                     EXPECT_TRUE(page->GetCheck(kSourceSpeed78At45));
                     enabledForVinyl = page->IsControlEnabled(kSourceViaAmp);
                 }),
                 Click(kSourceTapes, true), Do(note), Do([&](RecordingWizard& w) {
                     enabledForTapes = w.Page(P::kPageSource)->IsControlEnabled(kSourceSpeed33At45);
                 }),
                 Click(kSourceVinyl, true), Do(note), Click(kSourceViaAmp, true), Do(note), Cancel()});
    EXPECT_EQ(diagrams,
              (std::vector<int>{kDiagramDirectPhono, kDiagramCassette, kDiagramDirectPhono, kDiagramViaAmp}));
    EXPECT_TRUE(enabledForVinyl);
    EXPECT_FALSE(enabledForTapes);
}

TEST(WizardVolumeVerdict, BlocksOfTwentyReadings)
{
    const struct
    {
        std::vector<int> readings; // the first fills the block unless more are given
        VolumeVerdict verdict;
    } cases[] = {
        {{-127}, VolumeVerdict::kLow},
        {{6}, VolumeVerdict::kHigh},
        {{5}, VolumeVerdict::kGood},
        {{-6}, VolumeVerdict::kGood},
        {{-7}, VolumeVerdict::kLow},
        {{0}, VolumeVerdict::kGood},
        // The loudest and quietest are left out of the average.
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, -20, 0, 0}, VolumeVerdict::kGood},
        {{40, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7, -7},
         VolumeVerdict::kLow},
        {{-127, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8}, VolumeVerdict::kHigh},
        // Integer average towards zero: (-6 x 17 - 7) / 18 = -6.05 -> -6.
        {{0, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -6, -7, -50},
         VolumeVerdict::kGood},
    };
    for (const auto& c : cases) {
        int8_t block[20];
        for (int i = 0; i < 20; ++i)
            block[i] = static_cast<int8_t>(c.readings.size() == 1 ? c.readings[0]
                                                                  : c.readings[static_cast<size_t>(i)]);
        EXPECT_EQ(JudgeVolumeReadings(block), c.verdict) << c.readings[0];
        // The collector judges every twentieth reading and starts afresh.
        VolumeReadings collector;
        VolumeVerdict got = VolumeVerdict::kHigh;
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < 20; ++i)
                EXPECT_EQ(collector.Add(block[i], &got), i == 19);
        EXPECT_EQ(got, c.verdict);
    }
    LSoundLevelRecord levels;
    EXPECT_EQ(VolumeReading(levels), -127);
    levels.count = 1;
    levels.levels[0] = -9;
    EXPECT_EQ(VolumeReading(levels), -9);
    levels.count = 2;
    levels.levels[1] = -3;
    EXPECT_EQ(VolumeReading(levels), -3);
}

TEST_F(WizardPagesTest, CalibrationSelectsTheStoredChannelJudgesTheLevelAndStoresTheChoice)
{
    for (const int stored : {0, 1}) {
        LSettingsSetString("Settings", "SoundInDevice", "USB Mic");
        LSettingsSetString("Settings", "SoundInDeviceChannel", std::to_string(stored).c_str());
        LSettingsSetString("Recording", "Volume", "0");
        fake_.backend.SetInputFeed("usbmic", ToDevice(Tone(44100 * 30, 2, 0.25)));
        std::string verdict, device, channel;
        int selectedChannel = -1;
        RecordingWizard wizard(run_);
        DriveWizard(wizard, {Click(kSourceTapes, true), Next(), Do([&](RecordingWizard& w) {
                                 auto* page = dynamic_cast<VolumeCalibrationPage*>(w.Page(P::kPageVolume));
                                 selectedChannel = page->GetPullDownSelection(kVolumeChannelList);
                                 char text[260] = {};
                                 page->GetPullDownSelectedText(kVolumeDeviceList, text);
                                 device = text;
                                 Step(page->Recorder(), fake_, 60);
                                 page->GetControlText(kVolumeVerdictText, text);
                                 verdict = text;
                             }),
                             Next(), Cancel()});
        EXPECT_EQ(selectedChannel, stored);
        EXPECT_NE(device.find("USB Mic"), std::string::npos) << device;
        // A tone at a quarter of full scale reads 0 dB: in the middle of GOOD.
        EXPECT_EQ(verdict, "GOOD");
        EXPECT_EQ(Setting("Settings", "SoundInDeviceChannel"), std::to_string(stored));
        EXPECT_NE(Setting("Settings", "SoundInDevice").find("USB Mic"), std::string::npos);
        EXPECT_EQ(Setting("Recording", "Volume"), "0");
    }
}

TEST_F(WizardPagesTest, AStopThenStartAsksBeforeReplacingTheTake)
{
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    Feed(-10);
    std::string firstTake, keptTake, newTake;
    const std::string side1 = run_.folders.SidePath(1);
    ui_.answers = {1, 2}; // keep the take, then replace it
    RecordingWizard wizard(run_);
    DriveWizard(wizard,
                {Click(kSourceVinyl, true), Next(), Click(kSideStart), Record(fake_, 15), Click(kSideStop),
                 Do([&](RecordingWizard&) { firstTake = FileSum(side1); }), Click(kSideStart),
                 Do([&](RecordingWizard& w) {
                     keptTake = FileSum(side1);
                     EXPECT_FALSE(dynamic_cast<RecordSidePage*>(w.Page(P::kPageSideOne))->IsBusy());
                 }),
                 Click(kSideStart), Record(fake_, 10), Click(kSideStop),
                 Do([&](RecordingWizard&) { newTake = FileSum(side1); }),
                 // Cancel asks first: "No" stays, "End without Saving" ends.
                 Do([&](RecordingWizard&) { ui_.answers = {2}; }), Cancel(),
                 Do([&](RecordingWizard& w) { EXPECT_EQ(w.Wizard().CurrentPage(), P::kPageSideOne); }),
                 Do([&](RecordingWizard&) { ui_.answers = {1}; }), Cancel()});
    ASSERT_GE(ui_.asked.size(), 4u);
    EXPECT_NE(ui_.asked[0].find("Side one has already been recorded"), std::string::npos) << ui_.asked[0];
    EXPECT_EQ(keptTake, firstTake);
    EXPECT_NE(newTake, firstTake);
    EXPECT_NE(ui_.asked[2].find("You have not saved your recordings"), std::string::npos) << ui_.asked[2];
    EXPECT_TRUE(run_.discardConfirmed);
    // The frame keeps the take; only its owner empties the folder.
    EXPECT_NEAR(SoxSeconds(side1), 0.5, 0.11);
}

TEST_F(WizardPagesTest, NextWhileRecordingAsksAndBackKeepsTheSide)
{
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    Feed(-10);
    std::vector<int> pages;
    ui_.answers = {2, 1};
    RecordingWizard wizard(run_);
    DriveWizard(wizard, {Click(kSourceTapes, true), Next(), Click(kSideStart), Record(fake_, 12), Next(),
                         Note(&pages), Next(), Note(&pages), Click(kSideStart), Record(fake_, 16), Back(),
                         Note(&pages), Do([&](RecordingWizard& w) {
                             EXPECT_FALSE(dynamic_cast<RecordSidePage*>(w.Page(P::kPageSideTwo))->IsBusy());
                         }),
                         Do([&](RecordingWizard&) { ui_.answers = {1}; }), Cancel()});
    EXPECT_EQ(pages, (std::vector<int>{P::kPageSideOne, P::kPageSideTwo, P::kPageSideOne}));
    ASSERT_GE(ui_.asked.size(), 2u);
    EXPECT_NE(ui_.asked[0].find("in the middle of a recording"), std::string::npos);
    EXPECT_TRUE(run_.unsavedRecording);
    // What the recorder took after its warm-up of five blocks.
    EXPECT_NEAR(SoxSeconds(run_.folders.SidePath(1)), 0.7, 0.11);
    EXPECT_NEAR(SoxSeconds(run_.folders.SidePath(2)), 1.1, 0.11);
}

TEST_F(WizardPagesTest, CancelBeforeAnyRecordingEndsAtOnce)
{
    RecordingWizard wizard(run_);
    EXPECT_EQ(DriveWizard(wizard, {Click(kSourceTapes, true), Next(), Cancel()}), 0);
    EXPECT_TRUE(ui_.asked.empty());
    EXPECT_FALSE(run_.discardConfirmed);
}

TEST_F(WizardPagesTest, AfterTheSidesTheSplitPageListsTheTracksFound)
{
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    LSettingsSetString("RecordingSource", "Vinyl", "0");
    Feed(-10, 2);
    bool onSplitPage = false;
    RecordingWizard wizard(run_);
    auto note = [&](RecordingWizard& w) {
        onSplitPage = dynamic_cast<SplitRecordingsPage*>(w.Wizard().GetCurrentPage()) != nullptr;
    };
    ui_.answers = {1, 1, 1};
    DriveWizard(wizard, {Click(kSourceTapes, true), Next(), Click(kSideStart), Record(fake_, 30),
                         Click(kSideStop), Next(), Next(), Do(note), Cancel()});
    EXPECT_TRUE(onSplitPage);
    EXPECT_FALSE(run_.handedOver);
    EXPECT_TRUE(run_.folders.HasSide(1));
    EXPECT_EQ(run_.folders.SavedFiles().size(), 1u) << (ui_.told.empty() ? "" : ui_.told[0]);
}
