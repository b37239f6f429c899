// The wizard's side processing against files made with sox: speed
// correction at the exact quotient of the speeds, tapes left alone, a side
// rewritten only when whole, the split into one file per track with copies
// in Recording/save, the side files never changed, and a cancel that says
// so. Also the working folders themselves.

#include "WizardTestSupport.h"
#include "audio/restore/RestoreTestSignals.h"
#include "support/TempHome.h"

#include "app/program/wizard/SideProcessing.h"
#include "app/program/wizard/WizardTasks.h"
#include "app/program/wizard/WizardFolders.h"
#include "audio/effects/LRestorationTasks.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <fstream>
#include <regex>
#include <sys/stat.h>

using namespace quorin::test;

namespace {

class WizardSideTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox") || !HaveTool("soxi"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        GuiApp();
        LSettingsSetString("Settings", "AppOutputFolder", home_.Path("Music/Quorin").c_str());
        run_.ui = &ui_;
        ASSERT_TRUE(run_.folders.Create());
    }

    void Vinyl(int speed)
    {
        LSettingsSetString("RecordingSource", "Vinyl", "1");
        LSettingsSetString("RecordingSource", "RecordingSpeed", std::to_string(speed).c_str());
    }

    std::string Side(int side) const { return run_.folders.SidePath(side); }

    ScriptedWizardUi ui_;
    WizardRun run_;
};

} // namespace

TEST_F(WizardSideTest, TheWorkingFolderIsPrivateAndApartFromTheOutputFolder)
{
    const std::string recording = run_.folders.Recording();
    EXPECT_EQ(recording, home_.Path(".cache/Quorin/Recording"));
    char viaRestoration[260] = {};
    ASSERT_TRUE(GetRecordingFolder(viaRestoration));
    EXPECT_EQ(std::string(viaRestoration), recording);
    for (const std::string& folder : {run_.folders.Recording(), run_.folders.Save()}) {
        struct stat info
        {
        };
        ASSERT_EQ(stat(folder.c_str(), &info), 0) << folder;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
}

TEST_F(WizardSideTest, EmptyingAFolderKeepsItsSubfoldersAndClearingKeepsNothingElse)
{
    std::ofstream(Side(1)) << "one";
    std::ofstream(Side(2)) << "two";
    std::ofstream(run_.folders.Recording() + "/side1 x_SPLIT_01.wav") << "t";
    std::ofstream(run_.folders.Save() + "/side1 x_SPLIT_01.wav") << "t";
    ASSERT_EQ(mkdir((run_.folders.Recording() + "/keep").c_str(), 0700), 0);
    std::ofstream(run_.folders.Recording() + "/keep/inner") << "x";

    EXPECT_EQ(run_.folders.TrackFiles(), std::vector<std::string>{"side1 x_SPLIT_01.wav"});
    run_.folders.DeleteTrackFiles();
    EXPECT_TRUE(run_.folders.HasSide(1));
    EXPECT_TRUE(run_.folders.HasSide(2));
    EXPECT_TRUE(run_.folders.TrackFiles().empty());
    EXPECT_FALSE(run_.folders.IsEmpty());

    run_.folders.Clear();
    EXPECT_TRUE(run_.folders.IsEmpty());
    struct stat info
    {
    };
    EXPECT_EQ(stat((run_.folders.Recording() + "/keep/inner").c_str(), &info), 0);
}

TEST_F(WizardSideTest, SpeedCorrectionUsesTheExactQuotientOfTheSpeeds)
{
    const struct
    {
        int speed;
        double frequency; // of a 1 kHz tone
        double lengthFactor;
    } cases[] = {
        {1, 1000.0 * 100 / 135, 135.0 / 100}, // 33 1/3 played at 45
        {2, 1000.0 * 78 / 45, 45.0 / 78},     // 78 played at 45
        {0, 1000.0, 1.0},                     // played at its own speed
    };
    for (const auto& c : cases) {
        Vinyl(c.speed);
        const std::string path = Side(1);
        ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(path) + " synth 4 sine 1000 vol 0.5"),
                  0);
        StoppingContext context;
        ASSERT_EQ(ConvertSideToNormalSpeed(&context, path.c_str()), kWizardJobDone) << c.speed;
        int32_t rate = 0, channels = 0;
        const std::vector<int32_t> samples = ReadWav(path, &rate, &channels);
        ASSERT_EQ(rate, 44100);
        ASSERT_EQ(channels, 2);
        const int64_t frames = static_cast<int64_t>(samples.size() / 2);
        EXPECT_NEAR(static_cast<double>(frames), 4 * 44100 * c.lengthFactor, 44.1) << c.speed;
        for (int channel = 0; channel < 2; ++channel)
            EXPECT_NEAR(ToneFrequency(samples, 2, channel, rate, 4410, frames - 4410), c.frequency,
                        c.frequency * 0.001)
                << c.speed;
        // Other tools read the result alike.
        EXPECT_NEAR(SoxSeconds(path), 4 * c.lengthFactor, 0.01) << c.speed;
    }
}

TEST_F(WizardSideTest, TapesAreLeftAsTheyAre)
{
    LSettingsSetString("RecordingSource", "Vinyl", "0");
    LSettingsSetString("RecordingSource", "RecordingSpeed", "1");
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(Side(1)) + " synth 2 sine 1000"), 0);
    const std::string before = FileSum(Side(1));
    StoppingContext context;
    EXPECT_EQ(ConvertSideToNormalSpeed(&context, Side(1).c_str()), kWizardJobDone);
    EXPECT_EQ(FileSum(Side(1)), before);
}

TEST_F(WizardSideTest, ACancelledConversionLeavesTheFileWholeAndNothingBeside)
{
    Vinyl(1);
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(Side(1)) + " synth 20 sine 1000"), 0);
    const std::string before = FileSum(Side(1));
    StoppingContext context(3);
    EXPECT_EQ(ConvertSideToNormalSpeed(&context, Side(1).c_str()), kWizardJobCancelled);
    EXPECT_EQ(FileSum(Side(1)), before);
    EXPECT_TRUE(run_.folders.TrackFiles().empty()) << run_.folders.TrackFiles().front();
}

TEST_F(WizardSideTest, BothSidesAreSplitIntoTracksAndCopiedForTheLaterPages)
{
    LSettingsSetString("RecordingSource", "Vinyl", "0");
    LSettingsSetString("Settings", "dBNoiseFloor", "-40");
    LSettingsSetString("Settings", "AutoSplitTime", "2");
    MakeSide(Side(1), 4, 3);
    MakeSide(Side(2), 3, 2.5, 3);
    const std::string sums[2] = {FileSum(Side(1)), FileSum(Side(2))};

    SplitRecordedSides(run_, nullptr);
    EXPECT_TRUE(ui_.told.empty()) << ui_.told.front();

    const std::vector<std::string> tracks = run_.folders.TrackFiles();
    ASSERT_EQ(tracks.size(), 7u);
    const std::regex name("side([12]) \\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}-\\d{2}_SPLIT_0([1-4])\\.wav");
    int perSide[2] = {0, 0};
    for (const std::string& track : tracks) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(track, match, name)) << track;
        const int side = std::stoi(match[1]);
        ++perSide[side - 1];
        // A track is its tone with the detector's lead-in and tail, within half a second.
        const double tone = side == 1 ? 4 : 3;
        EXPECT_NEAR(SoxSeconds(run_.folders.Recording() + "/" + track), tone + 0.125, 0.5) << track;
    }
    EXPECT_EQ(perSide[0], 4);
    EXPECT_EQ(perSide[1], 3);
    EXPECT_EQ(run_.folders.SavedFiles(), tracks);
    for (const std::string& track : tracks)
        EXPECT_EQ(FileSum(run_.folders.Save() + "/" + track),
                  FileSum(run_.folders.Recording() + "/" + track));
    // The sides stay as recorded; the dated copies are gone.
    EXPECT_EQ(FileSum(Side(1)), sums[0]);
    EXPECT_EQ(FileSum(Side(2)), sums[1]);

    // A second split starts from the sides again, numbering from 01.
    SplitRecordedSides(run_, nullptr);
    EXPECT_EQ(run_.folders.TrackFiles().size(), 7u);
    EXPECT_EQ(run_.folders.SavedFiles().size(), 7u);
}

TEST_F(WizardSideTest, TheSplitParametersAreKeptWithinTheirRange)
{
    LSettingsSetString("RecordingSource", "Vinyl", "0");
    LSettingsSetString("Settings", "AutoSplitTime", "2");
    MakeSide(Side(1), 2, 3, 2);
    // A floor above every level: the whole side is silence, no track.
    LSettingsSetString("Settings", "dBNoiseFloor", "500");
    StoppingContext context;
    EXPECT_EQ(WizardSplitSides(&context, run_, nullptr), kWizardJobDone);
    EXPECT_TRUE(run_.folders.TrackFiles().empty());
    // A floor below every level: the whole side is one track.
    LSettingsSetString("Settings", "dBNoiseFloor", "-200");
    EXPECT_EQ(WizardSplitSides(&context, run_, nullptr), kWizardJobDone);
    EXPECT_EQ(run_.folders.TrackFiles().size(), 1u);
}

TEST_F(WizardSideTest, ACancelledSplitSaysSoAndKeepsTheSides)
{
    LSettingsSetString("RecordingSource", "Vinyl", "1");
    LSettingsSetString("RecordingSource", "RecordingSpeed", "1");
    MakeSide(Side(1), 15, 3);
    MakeSide(Side(2), 15, 3);
    const std::string sums[2] = {FileSum(Side(1)), FileSum(Side(2))};
    // The user presses Cancel as soon as the split's progress window is up.
    QTimer clicker;
    bool clicked = false;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (clicked || !window->isVisible() || window->windowTitle() != "Splitting recorded files.")
                continue;
            for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
                if (button->text() == "Cancel") {
                    clicked = true;
                    button->click();
                }
        }
    });
    clicker.start(0);
    SplitRecordedSides(run_, nullptr);
    clicker.stop();
    ASSERT_TRUE(clicked);
    ASSERT_EQ(ui_.told.size(), 1u);
    EXPECT_NE(ui_.told[0].find("cancelled"), std::string::npos) << ui_.told[0];
    EXPECT_EQ(ui_.told[0].find("failed"), std::string::npos) << ui_.told[0];
    EXPECT_EQ(FileSum(Side(1)), sums[0]);
    EXPECT_EQ(FileSum(Side(2)), sums[1]);
    // Side two was not processed, and no dated copy is left behind.
    for (const std::string& track : run_.folders.TrackFiles())
        EXPECT_NE(track.find("_SPLIT_"), std::string::npos) << track;
    EXPECT_EQ(run_.folders.SavedFiles(), run_.folders.TrackFiles());
}

TEST_F(WizardSideTest, RestoringWithoutSplittingGivesTheSidesAtTheirSpeed)
{
    Vinyl(1);
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(Side(1)) + " synth 3 sine 1000 vol 0.5"),
              0);
    RestoreSidesWithoutSplitting(run_, nullptr);
    const std::vector<std::string> saved = run_.folders.SavedFiles();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].rfind("side1 ", 0), 0u) << saved[0];
    EXPECT_NEAR(SoxSeconds(run_.folders.Save() + "/" + saved[0]), 3 * 1.35, 0.01);
    EXPECT_TRUE(run_.folders.HasSide(1));
}
