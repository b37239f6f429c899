// The progress dialog half way through a task.
#include "QdGuiScene.h"

#include "gui/framework/LProgressDialog.h"

namespace {

bool Build(QdGuiSceneContext& context)
{
    auto* dialog = new LProgressDialog("Converting");
    if (dialog->Show(nullptr) != 1)
        return false;
    dialog->MessageLevel("Converting side1.wav", 0);
    dialog->MessageLevel("Track 3 of 7: Lazy Afternoon", 1);
    dialog->Progress(0.42);
    context.window = dialog;
    context.cleanup = [dialog] {
        dialog->Hide();
        delete dialog;
    };
    return true;
}

} // namespace

QD_GUI_SCENE("progress", Build);
