// The recording session window: idle, and recording a steady tone at -12 dB
// from a fake input (meter lit, a track name and the times shown). The scenes
// keep their settings in a folder of their own, so a shot never changes the
// user's recording options.
#include "QdGuiScene.h"

#include "app/program/recording/RecordingSessionDialog.h"
#include "app/program/recording/SessionSpaceTexts.h"
#include "audio/devices/LFakeSoundBackend.h"
#include "foundation/settings/LSettings.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string gSceneHome;

// A private home for the scene's settings, caches and music folder.
void UsePrivateHome()
{
    if (!gSceneHome.empty())
        return;
    char pattern[] = "/tmp/qd-gui-session.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    gSceneHome = pattern;
    setenv("HOME", pattern, 1);
    setenv("XDG_CONFIG_HOME", (gSceneHome + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (gSceneHome + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (gSceneHome + "/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (gSceneHome + "/.local/state").c_str(), 1);
    LSettingsSetString("Settings", "AppOutputFolder", (gSceneHome + "/Music").c_str());
    LSettingsSetString("Settings", "PlaybackAudioWhileRecording", "0");
    LSettingsSetString("Settings", "RecordAudioOnly", "0");
    LSettingsSetString("Settings", "AutoSplitTracks", "1");
    LSettingsSetString("Settings", "dBNoiseFloor", "-40");
    LSettingsSetString("Recording", "Volume", "0");
    SetSessionDiscQuery([] { return SessionDiscState{}; });
}

void RemovePrivateHome()
{
    if (gSceneHome.empty())
        return;
    std::system(("rm -rf '" + gSceneHome + "'").c_str());
    gSceneHome.clear();
}

LFakeSoundBackend& FakeDevices()
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
        // A stereo tone whose level reads -12 dB on both channels.
        const double amplitude = 131072.0 * std::pow(10.0, -12 / 20.0);
        std::vector<int32_t> samples(44100 * 2 * 30);
        for (size_t f = 0; f < samples.size() / 2; ++f) {
            const double v = amplitude * std::sin(2 * M_PI * 440.0 * static_cast<double>(f) / 44100.0);
            samples[2 * f] = samples[2 * f + 1] = static_cast<int32_t>(std::lround(v)) * 4096;
        }
        fake->SetInputFeed("line", std::move(samples));
        fake->SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
        return fake;
    }();
    return *backend;
}

bool Build(QdGuiSceneContext& context, bool recording)
{
    UsePrivateHome();
    LSetSoundDeviceBackend(&FakeDevices());
    auto* dialog = new RecordingSessionDialog(nullptr);
    dialog->CreateFromTemplate(RecordingSessionDialog::Template());
    dialog->ShowModeless(nullptr, LPlacementCenterOnScreen);
    if (recording)
        dialog->SendCommand(kSessionRecord);
    context.window = dialog;
    context.ready = [dialog, recording] {
        if (!dialog->IsVisible())
            return false;
        // Recording: verified (two seconds of input) and the time past a second.
        return !recording || (dialog->IsVerified() && dialog->CurrentMs() >= 2000);
    };
    context.cleanup = [dialog] {
        dialog->Recorder().Stop();
        dialog->EndDialog(kCommandCancel);
        delete dialog;
        LSetSoundDeviceBackend(nullptr);
        RemovePrivateHome();
    };
    return dialog->IsWindow();
}

} // namespace

QD_GUI_SCENE("recording-session", [](QdGuiSceneContext& c) { return Build(c, false); });
QD_GUI_SCENE("recording-session-recording", [](QdGuiSceneContext& c) { return Build(c, true); });
