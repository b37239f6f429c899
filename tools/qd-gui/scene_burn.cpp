// The burning windows: "Burn Audio" with a scripted CD writer holding a
// blank CD-R, the burn settings with a DVD+RW for a data disc, the data-disc
// options, and the offer of another copy after a burn. The scenes keep
// their settings in a folder of their own.
#include "QdGuiScene.h"

#include "app/program/burn/BurnAnotherDialog.h"
#include "app/program/burn/LBurnSettingsPage.h"
#include "app/program/burn/LDataDiscTypeDialog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommands.h"

#include <cstdlib>
#include <string>

namespace {

std::string gSceneHome;

void UsePrivateHome(const char* drives)
{
    if (gSceneHome.empty()) {
        char pattern[] = "/tmp/qd-gui-burn.XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return;
        gSceneHome = pattern;
        setenv("HOME", pattern, 1);
        setenv("XDG_CONFIG_HOME", (gSceneHome + "/.config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (gSceneHome + "/.cache").c_str(), 1);
        setenv("XDG_DATA_HOME", (gSceneHome + "/.local/share").c_str(), 1);
    }
    setenv("QUORIN_DRIVES", drives, 1);
    LSettingsSetString("RecordingPage", "TotalTime", "0:12:34.50");
    LSettingsSetString("RecordingPage", "TotalSize", "131072000");
}

void RemovePrivateHome()
{
    if (gSceneHome.empty())
        return;
    std::system(("rm -rf '" + gSceneHome + "'").c_str());
    gSceneHome.clear();
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

bool BuildBurnAudio(QdGuiSceneContext& context)
{
    UsePrivateHome("fake:media=cdr");
    LSettingsSetString("OutputFormat", "OutputFormatNum", "4");
    LSettingsSetString("CDRecorder", "Speed", "240");
    static LBurnPageSettings settings;
    settings.Load();
    return Show(context, new LBurnAudioDialog(settings), LBurnAudioDialog::Template());
}

bool BuildBurnSettings(QdGuiSceneContext& context)
{
    UsePrivateHome("fake:media=dvd+rw");
    LSettingsSetString("OutputFormat", "OutputFormatNum", "1");
    LSettingsSetString("OutputFormat", "BurnAudioCD", "0");
    LSettingsSetString("CDRecorder", "CDLabel", "Side A");
    static LBurnPageSettings settings;
    settings.Load();
    settings.eraseDisc = [] {};
    return Show(context, new LBurnSettingsPage(settings), LBurnSettingsPage::Template());
}

bool BuildDataDiscType(QdGuiSceneContext& context)
{
    UsePrivateHome("");
    LSettingsSetString("OutputFormat", "DataCDType", "1");
    return Show(context, new LDataDiscTypeDialog(), LDataDiscTypeDialog::Template());
}

bool BuildBurnAnother(QdGuiSceneContext& context)
{
    UsePrivateHome("");
    return Show(
        context,
        new BurnAnotherDialog("Burn has successfully completed. The disc has been ejected. Total Files "
                              "Burned: 3. Total Duration: 0:12:34.50. Would you like to burn another copy?"),
        BurnAnotherDialog::Template());
}

} // namespace

QD_GUI_SCENE("burn-audio", BuildBurnAudio);
QD_GUI_SCENE("burn-settings", BuildBurnSettings);
QD_GUI_SCENE("data-disc-type", BuildDataDiscType);
QD_GUI_SCENE("burn-another", BuildBurnAnother);
