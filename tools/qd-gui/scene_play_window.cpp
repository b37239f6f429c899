// The play window on a generated 30-second recording, played through a fake
// output: playing at 0:00:12 ("play-window"), and with three cursor points
// in its list ("play-window-split"). The scenes keep their settings and the
// recording in a folder of their own.
#include "QdGuiScene.h"

#include "app/program/play/PlayWindow.h"
#include "audio/devices/LFakeSoundBackend.h"
#include "foundation/settings/LSettings.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string gSceneHome;

void UsePrivateHome()
{
    if (!gSceneHome.empty())
        return;
    char pattern[] = "/tmp/qd-gui-play.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    gSceneHome = pattern;
    setenv("HOME", pattern, 1);
    setenv("XDG_CONFIG_HOME", (gSceneHome + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (gSceneHome + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (gSceneHome + "/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (gSceneHome + "/.local/state").c_str(), 1);
    LSettingsSetString("Player", "VolumeDB", "-12");
}

void RemovePrivateHome()
{
    if (gSceneHome.empty())
        return;
    std::system(("rm -rf '" + gSceneHome + "'").c_str());
    gSceneHome.clear();
}

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// 30 seconds of 16-bit stereo at 44100 Hz: a tone whose loudness swells and
// falls every few seconds, so the waveform has a shape.
std::string WriteRecording()
{
    const std::string path = gSceneHome + "/Side A.wav";
    const uint32_t frames = 44100 * 30;
    std::vector<uint8_t> bytes;
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    PutLE(bytes, 36 + frames * 4, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLE(bytes, 16, 4);
    PutLE(bytes, 1, 2);
    PutLE(bytes, 2, 2);
    PutLE(bytes, 44100, 4);
    PutLE(bytes, 44100 * 4, 4);
    PutLE(bytes, 4, 2);
    PutLE(bytes, 16, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLE(bytes, frames * 4, 4);
    bytes.reserve(bytes.size() + frames * 4);
    for (uint32_t f = 0; f < frames; ++f) {
        const double t = f / 44100.0;
        const double envelope = 0.15 + 0.75 * std::pow(std::sin(t * M_PI / 3.7), 2);
        const auto v = static_cast<int16_t>(std::lround(26000 * envelope * std::sin(2 * M_PI * 220 * t)));
        PutLE(bytes, static_cast<uint16_t>(v), 2);
        PutLE(bytes, static_cast<uint16_t>(v), 2);
    }
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

LFakeSoundBackend& FakeOutput()
{
    static LFakeSoundBackend* backend = [] {
        auto* fake = new LFakeSoundBackend();
        LSoundDeviceInfo info;
        info.id = "speakers";
        info.description = "Built-in Speakers";
        info.rate = 44100;
        info.channelNames = {"Front Left", "Front Right"};
        fake->AddOutput(info);
        fake->SetDefaultOutput("speakers");
        fake->SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
        return fake;
    }();
    return *backend;
}

bool Build(QdGuiSceneContext& context, bool split)
{
    UsePrivateHome();
    LSetSoundDeviceBackend(&FakeOutput());
    static int result = 0;
    auto* window = new PlayWindow(nullptr, WriteRecording().c_str(), &result);
    window->CreateFromTemplate(PlayWindow::Template());
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    if (split) {
        for (int64_t ms : {21500, 4250, 12000}) {
            window->SeekToMs(ms);
            window->AddCursorPoint();
        }
        window->UpdateControls();
    }
    window->SeekToMs(12000);
    context.window = window;
    context.ready = [window] {
        return window->IsVisible() && window->PositionMs() >= 12000 && window->Waveform().Deliveries() > 0;
    };
    context.cleanup = [window] {
        window->Player().Stop();
        window->EndDialog(kCommandCancel);
        delete window;
        LSetSoundDeviceBackend(nullptr);
        RemovePrivateHome();
    };
    return window->IsWindow();
}

} // namespace

QD_GUI_SCENE("play-window", [](QdGuiSceneContext& c) { return Build(c, false); });
QD_GUI_SCENE("play-window-split", [](QdGuiSceneContext& c) { return Build(c, true); });
