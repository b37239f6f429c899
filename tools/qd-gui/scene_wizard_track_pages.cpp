// The recording wizard's pages after the sides: the split list with four
// tracks, the restoration tools, the output methods, and the noise measure
// page listening to a fake input. Each runs in a wizard of its own over
// working folders in a private home, so a shot never touches the user's
// files or settings.
#include "QdGuiScene.h"

#include "app/program/wizard/AudioRestorationPage.h"
#include "app/program/wizard/BackgroundNoiseMeasurePage.h"
#include "app/program/wizard/OutputMethodsPage.h"
#include "app/program/wizard/SplitRecordingsPage.h"
#include "audio/devices/LFakeSoundBackend.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LPropertySheet.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string gHome;

void UsePrivateHome()
{
    if (!gHome.empty())
        return;
    char pattern[] = "/tmp/qd-gui-wizard.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    gHome = pattern;
    setenv("HOME", pattern, 1);
    setenv("XDG_CONFIG_HOME", (gHome + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (gHome + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (gHome + "/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (gHome + "/.local/state").c_str(), 1);
    LSettingsSetString("Settings", "AppOutputFolder", (gHome + "/Music").c_str());
    LSettingsSetString("Settings", "dBNoiseFloor", "-42");
    LSettingsSetString("Settings", "AutoSplitTime", "3");
    LSettingsSetString("RecordingSource", "Vinyl", "1");
    LSettingsSetString("RecordingSource", "Amp", "1");
    LSettingsSetString("Settings", "OutPutMethod", "2");
}

void RemovePrivateHome()
{
    if (gHome.empty())
        return;
    std::system(("rm -rf '" + gHome + "'").c_str());
    gHome.clear();
}

// A 16-bit stereo track of the given length: its header and a sparse body
// of silence, which takes no room on the disk.
void WriteTrack(const std::string& path, double seconds)
{
    const uint32_t bytes = static_cast<uint32_t>(seconds * 44100) * 4;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    out.close();
    truncate(path.c_str(), 44 + static_cast<off_t>(bytes));
}

// The working folders with four tracks of side one, masters and copies.
WizardTrackFolders MakeTracks()
{
    UsePrivateHome();
    WizardTrackFolders folders{gHome + "/Recording", gHome + "/Recording/save"};
    mkdir(folders.recording.c_str(), 0700);
    mkdir(folders.save.c_str(), 0700);
    const double lengths[] = {185.25, 243.5, 201.75, 318.0};
    for (int i = 0; i < 4; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "side1 2026-12-11 08-15-42_SPLIT_%02d.wav", i + 1);
        WriteTrack(folders.recording + "/" + name, lengths[i]);
        WriteTrack(folders.save + "/" + name, lengths[i]);
    }
    return folders;
}

LFakeSoundBackend& FakeInput()
{
    static LFakeSoundBackend* backend = [] {
        auto* fake = new LFakeSoundBackend();
        LSoundDeviceInfo info;
        info.id = "line";
        info.description = "Line In";
        info.rate = 44100;
        info.channelNames = {"Front Left", "Front Right"};
        fake->AddInput(info);
        fake->SetDefaultInput("line");
        // A hiss as between the tracks of a record.
        std::vector<int32_t> samples(44100 * 2 * 30);
        uint32_t seed = 1;
        const double amplitude = 131072.0 * std::pow(10.0, -24 / 20.0);
        for (size_t i = 0; i < samples.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double r = (static_cast<double>(seed >> 8) / 16777216.0) * 2 - 1;
            samples[i] = static_cast<int32_t>(std::lround(amplitude * r)) * 4096;
        }
        fake->SetInputFeed("line", std::move(samples));
        fake->SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
        return fake;
    }();
    return *backend;
}

void CaptureWizard(QdGuiSceneContext& context, QTimer& poll, LWizard& wizard, std::function<bool()> ready)
{
    QObject::connect(&poll, &QTimer::timeout, [&context, &poll, &wizard, ready] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || wizard.CurrentPage() < 0 || (ready && !ready()))
            return;
        poll.stop();
        QTimer::singleShot(80, modal, [&context, modal, &wizard] {
            context.capture(modal);
            wizard.SendCommand(kCommandCancel);
        });
    });
    poll.start(20);
}

bool SplitList(QdGuiSceneContext& context)
{
    SplitRecordingsPage page(MakeTracks(), WizardSideActions{[](LWindow*) {}, [](LWindow*) {}, {}});
    LWizard wizard;
    wizard.AddPageFromTemplate(&page, SplitRecordingsPage::Template(), "Split Recordings",
                               "Click the Re-Split button to get Quorin to run the split process again with "
                               "different parameters.",
                               true);
    QTimer poll;
    CaptureWizard(context, poll, wizard, [&page] {
        if (page.GetListViewRowCount(SplitRecordingsPage::kTrackList) != 4)
            return false;
        if (page.GetListViewSelectedCount(SplitRecordingsPage::kTrackList) == 0) {
            page.SelectListViewRow(SplitRecordingsPage::kTrackList, 1, true);
            page.UpdateControls();
        }
        return true;
    });
    wizard.DoModal(nullptr, "Quorin Wizard");
    RemovePrivateHome();
    return !context.captured.isNull();
}

bool Restore(QdGuiSceneContext& context)
{
    AudioRestorationPage page(MakeTracks(), WizardSideActions{});
    LWizard wizard;
    wizard.AddPageFromTemplate(&page, AudioRestorationPage::Template(), "Audio Restoration Tools",
                               "Select tools for enhancing or repairing the audio.", true);
    QTimer poll;
    CaptureWizard(context, poll, wizard,
                  [&page] { return page.GetListViewRowCount(AudioRestorationPage::kTrackList) == 4; });
    wizard.DoModal(nullptr, "Quorin Wizard");
    RemovePrivateHome();
    return !context.captured.isNull();
}

bool Output(QdGuiSceneContext& context)
{
    OutputMethodsPage page(MakeTracks(), nullptr, WizardSideActions{});
    LWizard wizard;
    wizard.AddPageFromTemplate(&page, OutputMethodsPage::Template(), "Select Output Method", "", true);
    QTimer poll;
    CaptureWizard(context, poll, wizard, {});
    wizard.DoModal(nullptr, "Quorin Wizard");
    RemovePrivateHome();
    return !context.captured.isNull();
}

bool NoiseFloor(QdGuiSceneContext& context)
{
    UsePrivateHome();
    LSetSoundDeviceBackend(&FakeInput());
    BackgroundNoiseMeasurePage page;
    page.alwaysShown = true;
    LWizard wizard;
    wizard.AddPageFromTemplate(
        &page, BackgroundNoiseMeasurePage::Template(), "Background Noise Measure",
        "Measure noise during the transitions between tracks. This is used by the auto "
        "file splitter later on when splitting your recordings.",
        true);
    QTimer poll;
    CaptureWizard(context, poll, wizard, [&page] {
        char text[260] = {};
        page.GetControlText(kNoiseCurrentText, text);
        return std::string(text).find("Current Volume Level") == 0;
    });
    wizard.DoModal(nullptr, "Background Noise Measure");
    LSetSoundDeviceBackend(nullptr);
    RemovePrivateHome();
    return !context.captured.isNull();
}

} // namespace

QD_GUI_SCENE("wizard-split-list", SplitList);
QD_GUI_SCENE("wizard-restore", Restore);
QD_GUI_SCENE("wizard-output", Output);
QD_GUI_SCENE("wizard-noise-floor", NoiseFloor);
