// The "Oxbel Software Suite" window on its first tab (with the sound editor
// installed, so one row offers "Run It Now"), and with a search typed in. The
// scenes keep the window's settings and the stand-in program in a home of
// their own.
#include "QdGuiScene.h"

#include "app/program/suite/LSuiteLauncherDialog.h"
#include "online/LRelatedPrograms.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

std::string gSceneHome;

void UsePrivateHome()
{
    char pattern[] = "/tmp/qd-gui-suite.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    gSceneHome = pattern;
    setenv("HOME", pattern, 1);
    setenv("XDG_CONFIG_HOME", (gSceneHome + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (gSceneHome + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (gSceneHome + "/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (gSceneHome + "/.local/state").c_str(), 1);
    char folder[260];
    if (LGetRelatedProgramFolder(folder, "Tessary")) {
        std::system(("mkdir -p '" + std::string(folder) + "'").c_str());
        const std::string program = std::string(folder) + "/tessary";
        std::ofstream(program) << "#!/bin/sh\nexit 0\n";
        chmod(program.c_str(), 0700);
    }
}

void RemovePrivateHome()
{
    if (gSceneHome.empty())
        return;
    std::system(("rm -rf '" + gSceneHome + "'").c_str());
    gSceneHome.clear();
}

bool Build(QdGuiSceneContext& context, const char* tab, const char* search)
{
    UsePrivateHome();
    auto* dialog = new LSuiteLauncherDialog(tab);
    if (!dialog->Create(nullptr) || !dialog->ShowModeless(nullptr, LPlacementCenterOnScreen)) {
        delete dialog;
        RemovePrivateHome();
        return false;
    }
    if (search != nullptr)
        dialog->SetControlText(LSuiteLauncherDialog::kSearchText, search);
    context.window = dialog;
    context.ready = [dialog] { return dialog->IsVisible(); };
    context.cleanup = [dialog] {
        delete dialog;
        RemovePrivateHome();
    };
    return true;
}

} // namespace

QD_GUI_SCENE("suite-launcher", [](QdGuiSceneContext& context) { return Build(context, "Popular", nullptr); });
QD_GUI_SCENE("suite-launcher-audio", [](QdGuiSceneContext& context) { return Build(context, "Audio", nullptr); });
QD_GUI_SCENE("suite-launcher-search",
             [](QdGuiSceneContext& context) { return Build(context, "Utilities", "sound editor & \"tape\""); });
