// The install-on-demand window while a component is being fetched.
#include "QdGuiScene.h"

#include "app/program/online/InstallOnDemandDialogs.h"

namespace {

char gPath[260];

bool Build(QdGuiSceneContext& context)
{
    auto* dialog = new LInstallOnDemandDialog("quavex4x64", gPath);
    if (dialog->Show(nullptr) != 1)
        return false;
    dialog->MessageLevel("Download install-on-demand", 0);
    dialog->MessageLevel("quavex4x64", 1);
    dialog->Progress(0.3);
    context.window = dialog;
    context.cleanup = [dialog] {
        dialog->Hide();
        delete dialog;
    };
    return true;
}

} // namespace

QD_GUI_SCENE("install-on-demand", Build);
