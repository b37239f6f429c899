// The noise floor measurement: the averaging rule by tables of level
// reports, and the dialog on the fake sound device measuring pink noise,
// keeping the floor when it heard nothing, and asking about unusual floors.

#include "RecordingSessionTestSupport.h"
#include "support/TestData.h"

#include "app/program/recording/NoiseFloorDialog.h"
#include "app/program/recording/NoiseFloorMeasurement.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

using namespace quorin::test;

namespace {

constexpr int64_t kFifth = 44100 / 5;

LSoundLevelRecord Levels(std::vector<int> dBs)
{
    LSoundLevelRecord record;
    record.count = static_cast<uint8_t>(dBs.size());
    for (size_t i = 0; i < dBs.size(); ++i)
        record.levels[i] = static_cast<int8_t>(dBs[i]);
    return record;
}

// Feeds reports five times a second until the measurement ends.
NoiseFloorStep Measure(const std::function<LSoundLevelRecord(int)>& report, int* reports = nullptr)
{
    NoiseFloorMeasurement measurement;
    measurement.Begin(1000);
    NoiseFloorStep step;
    for (int i = 1; i <= 100; ++i) {
        step = measurement.OnLevels(report(i), 1000 + i * kFifth, 44100);
        if (step.finished) {
            if (reports != nullptr)
                *reports = i;
            EXPECT_FALSE(measurement.IsMeasuring());
            return step;
        }
        EXPECT_TRUE(step.sampling);
    }
    ADD_FAILURE() << "the measurement never ended";
    return step;
}

TEST(NoiseFloorMeasurement, AveragesTheLoudestNineTenthsOfTheRange)
{
    struct Case
    {
        const char* what;
        std::function<LSoundLevelRecord(int)> report;
        int floor;
        double spread;
    } cases[] = {
        {"steady -50 dB",
         [](int) {
             return Levels({-50, -50});
         },
         -50, 0},
        {"-60 and -40 alternating", [](int i) { return Levels({i % 2 ? -60 : -40}); }, -40, 0},
        {"the louder of two channels",
         [](int) {
             return Levels({-70, -45});
         },
         -45, 0},
    };
    for (const auto& c : cases) {
        int reports = 0;
        const NoiseFloorStep step = Measure(c.report, &reports);
        EXPECT_EQ(reports, 10) << c.what; // two seconds of frames
        EXPECT_FALSE(step.noSignal) << c.what;
        EXPECT_EQ(step.floor, c.floor) << c.what;
        EXPECT_DOUBLE_EQ(step.spread, c.spread) << c.what;
    }
}

TEST(NoiseFloorMeasurement, NoLevelAboveMinus100MeansNoSignalNotADivisionByZero)
{
    for (auto levels : {Levels({}), Levels({-127, -127}), Levels({-110})}) {
        const NoiseFloorStep step = Measure([&](int) { return levels; });
        EXPECT_TRUE(step.finished);
        EXPECT_TRUE(step.noSignal);
    }
}

class NoiseFloorDialogTest : public SessionTest
{
protected:
    void OpenDialog()
    {
        dialog_ = std::make_unique<NoiseFloorDialog>();
        ASSERT_TRUE(dialog_->CreateFromTemplate(NoiseFloorDialog::Template()));
        ASSERT_TRUE(dialog_->ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(20);
        ASSERT_NE(dialog_->Recorder().GetState(), kRecorderStopped)
            << "the page does not listen to the input";
    }

    void StepDialog(int blocks)
    {
        for (int i = 0; i < blocks; ++i) {
            const int64_t before = dialog_->Recorder().GetStream().GetFramesTaken();
            fake_.backend.StepCapture(kSessionBlock);
            EXPECT_TRUE(PumpUntil(
                [&] { return dialog_->Recorder().GetStream().GetFramesTaken() >= before + kSessionBlock; }));
            PumpFor(3);
        }
    }

    std::string DialogText(int id)
    {
        char text[260] = {};
        dialog_->GetControlText(id, text);
        return text;
    }

    void TearDown() override
    {
        if (dialog_ && dialog_->IsWindow())
            dialog_->DestroyWindow();
        dialog_.reset();
        SessionTest::TearDown();
    }

    std::unique_ptr<NoiseFloorDialog> dialog_;
};

TEST_F(NoiseFloorDialogTest, MeasuresPinkNoiseAndStoresTheFloor)
{
    QUORIN_REQUIRE_TOOL("sox");
    // Pink noise whose peak reads -48 dB on the meter (-60 dB of full scale).
    TempDir dir;
    const std::string pink = dir.Path("pink.wav");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 24 " + Quote(pink) + " synth 8 pinknoise gain -n -60"), 0);
    ASSERT_TRUE(fake_.backend.SetInputFeedFromWav("line", pink.c_str()));
    OpenDialog();
    StepDialog(5);
    ASSERT_TRUE(dialog_->SendCommand(kNoiseMeasureButton));
    EXPECT_FALSE(dialog_->IsControlEnabled(kNoiseMeasureButton));
    StepDialog(5);
    EXPECT_EQ(DialogText(kNoiseFloorText), "Sampling - Please wait...");
    StepDialog(20);
    ASSERT_FALSE(dialog_->Measurement().IsMeasuring());
    const int floor = LSettingsGetInt("Settings", "dBNoiseFloor", 999);
    EXPECT_NEAR(floor, -48, 2);
    EXPECT_EQ(DialogText(kNoiseFloorText), "Noise floor is: " + std::to_string(floor) + " dB");
    EXPECT_TRUE(dialog_->IsControlEnabled(kNoiseMeasureButton));
}

TEST_F(NoiseFloorDialogTest, SilenceKeepsTheFloorAndSaysSo)
{
    LSettingsSetString("Settings", "dBNoiseFloor", "-30");
    Feed(std::vector<int32_t>(44100 * 2 * 10, 0));
    OpenDialog();
    StepDialog(5);
    dialog_->SendCommand(kNoiseMeasureButton);
    StepDialog(25);
    ASSERT_FALSE(dialog_->Measurement().IsMeasuring());
    EXPECT_EQ(LSettingsGetInt("Settings", "dBNoiseFloor", 999), -30);
    EXPECT_NE(DialogText(kNoiseFloorText).find("No signal"), std::string::npos)
        << DialogText(kNoiseFloorText);
}

TEST_F(NoiseFloorDialogTest, AnUnusualManualFloorIsConfirmedFirst)
{
    struct Case
    {
        int value;
        const char* answer; // null: no question expected
        bool closes;
        int stored;
    } cases[] = {
        {-30, nullptr, true, -30},
        {20, "Cancel", false, -25},
        {20, "Continue", true, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        LSettingsSetString("Settings", "dBNoiseFloor", "-25");
        Feed(std::vector<int32_t>(44100 * 2, 0));
        OpenDialog();
        dialog_->SetCheck(kNoiseManualCheck, true);
        dialog_->SendCommand(kNoiseManualCheck);
        EXPECT_FALSE(dialog_->IsControlEnabled(kNoiseMeasureButton));
        dialog_->SetUpDownValue(kNoiseManualInput, c.value);
        bool asked = false;
        if (c.answer != nullptr) {
            QTimer::singleShot(30, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                asked = box->informativeText().contains("unusual noise floor");
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == c.answer)
                        button->click();
            });
        }
        dialog_->SendCommand(kCommandOK);
        PumpFor(20);
        EXPECT_EQ(asked, c.answer != nullptr);
        EXPECT_EQ(!dialog_->IsWindow(), c.closes);
        EXPECT_EQ(LSettingsGetInt("Settings", "dBNoiseFloor", 999), c.stored);
        EXPECT_EQ(LSettingsGetInt("Settings", "CustomNoiseFloor", 0), 1);
        if (dialog_->IsWindow())
            dialog_->DestroyWindow();
        dialog_.reset();
    }
}

} // namespace
