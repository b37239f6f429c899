// The encoder option dialogs: "Wave Encoder Options" on a Custom A-law
// choice and "MP3 Encoder Options" in variable mode. The scenes keep their
// settings in a home of their own.
#include "QdGuiScene.h"

#include "app/program/encoders/LMp3EncoderSettingsPage.h"
#include "app/program/encoders/LWavEncoderOptionsDialog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommands.h"

#include <cstdlib>
#include <string>

namespace {

std::string gHome;

void UsePrivateHome()
{
    if (!gHome.empty())
        return;
    char pattern[] = "/tmp/qd-gui-encoders.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    gHome = pattern;
    setenv("HOME", pattern, 1);
    setenv("XDG_CONFIG_HOME", (gHome + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (gHome + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (gHome + "/.local/share").c_str(), 1);
}

void RemovePrivateHome()
{
    if (!gHome.empty())
        std::system(("rm -rf '" + gHome + "'").c_str());
    gHome.clear();
}

template <typename Window> bool Show(QdGuiSceneContext& context, Window* window, const LDialogTemplate* tmpl)
{
    window->CreateFromTemplate(tmpl);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
        RemovePrivateHome();
    };
    return window->IsWindow();
}

bool BuildWave(QdGuiSceneContext& context)
{
    UsePrivateHome();
    LSettingsSetString("WavSettings", "Preset", "1");
    LSettingsSetString("WavSettings", "CodecIndex", "2");
    static LWaveFormatBlock block;
    return Show(context, new LWavEncoderOptionsDialog(block, "Wave Encoder Options"),
                LWavEncoderOptionsDialog::Template());
}

bool BuildMp3(QdGuiSceneContext& context)
{
    UsePrivateHome();
    static LMp3EncoderOptions options;
    options.ConstantBitRate = false;
    options.VBRMinBitRate = 64;
    options.VBRMaxBitRate = 256;
    options.ChannelMode = 1;
    return Show(context, new LMp3EncoderSettingsPage(&options), LMp3EncoderSettingsPage::Template());
}

} // namespace

QD_GUI_SCENE("wave-options", BuildWave);
QD_GUI_SCENE("mp3-options", BuildMp3);
