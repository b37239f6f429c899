// The recording wizard's pages, each grabbed from inside the wizard's modal
// run: the source page (vinyl through an amplifier, its diagram), the volume
// calibration on a fake input at -12 dB full scale (verdict GOOD), side one
// while recording, and the progress window of the split. The scenes keep
// their settings and working folder in a home of their own.
#include "QdGuiScene.h"

#include "app/program/wizard/RecordSidePage.h"
#include "app/program/wizard/RecordingWizard.h"
#include "app/program/wizard/SideProcessing.h"
#include "app/program/wizard/WizardTasks.h"
#include "app/program/wizard/VolumeCalibrationPage.h"
#include "audio/devices/LFakeSoundBackend.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommandRouting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string gSceneHome;

void UsePrivateHome()
{
    if (!gSceneHome.empty())
        return;
    char pattern[] = "/tmp/qd-gui-wizard.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    gSceneHome = pattern;
    setenv("HOME", pattern, 1);
    setenv("XDG_CONFIG_HOME", (gSceneHome + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (gSceneHome + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (gSceneHome + "/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (gSceneHome + "/.local/state").c_str(), 1);
    LSettingsSetString("Settings", "AppOutputFolder", (gSceneHome + "/Music").c_str());
    LSettingsSetString("Recording", "Volume", "0");
    LSettingsSetString("RecordingSource", "SelectedOnce", "1");
    LSettingsSetString("RecordingSource", "Vinyl", "1");
    LSettingsSetString("RecordingSource", "Amp", "1");
    LSettingsSetString("RecordingSource", "RecordingSpeed", "0");
}

void RemovePrivateHome()
{
    if (gSceneHome.empty())
        return;
    std::system(("rm -rf '" + gSceneHome + "'").c_str());
    gSceneHome.clear();
}

// A stereo tone at -12 dB of full scale: the recorder reads it as 0 dB.
std::vector<int32_t> ToneFeed()
{
    const double amplitude = 131072.0;
    std::vector<int32_t> samples(44100 * 2 * 60);
    for (size_t f = 0; f < samples.size() / 2; ++f) {
        const double v = amplitude * std::sin(2 * M_PI * 440.0 * static_cast<double>(f) / 44100.0);
        samples[2 * f] = samples[2 * f + 1] = static_cast<int32_t>(std::lround(v)) * 4096;
    }
    return samples;
}

LFakeSoundBackend& FakeDevices()
{
    static LFakeSoundBackend* backend = [] {
        auto* fake = new LFakeSoundBackend();
        LSoundDeviceInfo info;
        info.id = "line";
        info.description = "Line In";
        info.bus = "pci";
        info.rate = 44100;
        info.channelNames = {"Front Left", "Front Right"};
        fake->AddInput(info);
        fake->SetDefaultInput("line");
        fake->SetInputFeed("line", ToneFeed());
        fake->SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
        return fake;
    }();
    return *backend;
}

// Answers every question with its first button and shows nothing.
class QuietUi : public WizardUi
{
public:
    int Ask(LWindow*, const char*, const char*, const char*, const char*) override { return 1; }
    void Tell(LWindow*, const char*, const char*, int) override {}
};

// Runs the wizard: the steps one per turn once a page is shown, then waits
// for ready, grabs the wizard and cancels it.
bool RunAndCapture(QdGuiSceneContext& context, std::vector<std::function<void(RecordingWizard&)>> steps,
                   std::function<bool(RecordingWizard&)> ready)
{
    UsePrivateHome();
    LSetSoundDeviceBackend(&FakeDevices());
    QuietUi ui;
    WizardRun run;
    run.ui = &ui;
    run.folders.Create();
    bool captured = false;
    {
        RecordingWizard wizard(run);
        size_t next = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            LWizard& frame = wizard.Wizard();
            if (captured || !frame.IsWindow() || frame.CurrentPage() < 0)
                return;
            if (next < steps.size()) {
                steps[next++](wizard);
                return;
            }
            if (ready && !ready(wizard))
                return;
            captured = true;
            QWidget* window = QApplication::activeModalWidget();
            QTimer::singleShot(80, [&context, window, &frame] {
                if (window != nullptr)
                    context.capture(window);
                frame.EndDialog(kCommandCancel);
            });
        });
        poll.start(20);
        wizard.Run(nullptr);
    }
    run.folders.Clear();
    LSetSoundDeviceBackend(nullptr);
    RemovePrivateHome();
    return !context.captured.isNull();
}

void Next(RecordingWizard& wizard)
{
    wizard.Wizard().SendCommand(kCommandOK);
}

std::string Text(LWindow* page, int id)
{
    char text[260] = {};
    page->GetControlText(id, text);
    return text;
}

bool Source(QdGuiSceneContext& context)
{
    return RunAndCapture(context, {}, {});
}

bool Volume(QdGuiSceneContext& context)
{
    LSettingsSetString("Wizard", "CalibrateVolume", "1");
    return RunAndCapture(context, {Next}, [](RecordingWizard& wizard) {
        return wizard.Wizard().CurrentPage() == RecordingWizard::kPageVolume &&
               Text(wizard.Page(RecordingWizard::kPageVolume), kVolumeVerdictText) == "GOOD";
    });
}

bool SideOne(QdGuiSceneContext& context)
{
    UsePrivateHome();
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    return RunAndCapture(context,
                         {Next,
                          [](RecordingWizard& wizard) {
                              LSendCommandToWindow(kSideStart, wizard.Page(RecordingWizard::kPageSideOne));
                          }},
                         [](RecordingWizard& wizard) {
                             auto* page =
                                 dynamic_cast<RecordSidePage*>(wizard.Page(RecordingWizard::kPageSideOne));
                             return page != nullptr && page->Recorder().GetState() == kRecorderRecording &&
                                    page->Meter().Level(0) > -40;
                         });
}

// A long side of tones and pauses, so that the split's window stays up.
bool WriteSide(const std::string& path)
{
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, 44100, 2, 16);
    LSoundSinkPtr sink;
    CreateSoundSinkForFormat(sink, path.c_str(), format);
    if (sink->IsFailed())
        return false;
    std::vector<int32_t> block(44100 * 2);
    for (int second = 0; second < 240; ++second) {
        const bool tone = second % 20 < 17;
        for (size_t f = 0; f < block.size() / 2; ++f) {
            const double t = static_cast<double>(second * 44100 + static_cast<int>(f)) / 44100.0;
            const int32_t v =
                tone ? static_cast<int32_t>(std::lround(200000 * std::sin(2 * M_PI * 330 * t))) : 0;
            block[2 * f] = block[2 * f + 1] = v;
        }
        sink->Write(block.data(), 44100);
    }
    return sink->Finish();
}

bool SplitProgress(QdGuiSceneContext& context)
{
    UsePrivateHome();
    LSettingsSetString("RecordingSource", "Vinyl", "1");
    LSettingsSetString("RecordingSource", "RecordingSpeed", "1");
    QuietUi ui;
    WizardRun run;
    run.ui = &ui;
    if (!run.folders.Create() || !WriteSide(run.folders.SidePath(1)))
        return false;
    QTimer poll;
    bool captured = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (captured)
            return;
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr || !window->isVisible() || window->windowTitle() != "Splitting recorded files.")
            return;
        captured = true;
        QTimer::singleShot(300, window, [&context, window] {
            context.capture(window);
            for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
                if (button->text() == "Cancel")
                    button->click();
        });
    });
    poll.start(20);
    SplitRecordedSides(run, nullptr);
    run.folders.Clear();
    RemovePrivateHome();
    return !context.captured.isNull();
}

} // namespace

QD_GUI_SCENE("wizard-source", Source);
QD_GUI_SCENE("wizard-volume", Volume);
QD_GUI_SCENE("wizard-record-side1", SideOne);
QD_GUI_SCENE("wizard-split-progress", SplitProgress);
