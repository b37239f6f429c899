// The About box on each of its tabs: the program's icon, name, version and
// distributor; the licence terms; the credits.
#include "QdGuiScene.h"

#include "app/program/about/LAboutBox.h"
#include "foundation/process/LProcessStartup.h"

namespace {

bool Build(QdGuiSceneContext& context, int tab)
{
    // The notices the program registers at start, which the credits show.
    LProcessStaticInit();
    auto* about = new LAboutBox();
    if (!about->Open(nullptr)) {
        delete about;
        return false;
    }
    if (tab != 0) {
        about->SelectTabByIndex(LAboutBox::kTabs, tab);
        about->OnTabChanged();
    }
    context.window = about;
    context.ready = [about] { return about->IsVisible(); };
    context.cleanup = [about] { delete about; };
    return true;
}

} // namespace

QD_GUI_SCENE("about", [](QdGuiSceneContext& context) { return Build(context, 0); });
QD_GUI_SCENE("about-license", [](QdGuiSceneContext& context) { return Build(context, 1); });
QD_GUI_SCENE("about-credits", [](QdGuiSceneContext& context) { return Build(context, 2); });
