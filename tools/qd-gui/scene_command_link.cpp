// Two command-link buttons sized by their preferred size, the second shown
// as the pointer hovers over it; and the same window disabled.
#include "QdGuiScene.h"

#include "gui/controls/LCommandLinkButton.h"
#include "gui/framework/LWindow.h"

#include <algorithm>

namespace {

class ChoiceWindow : public LWindow
{
};

bool Build(QdGuiSceneContext& context, bool enabled)
{
    auto* window = new ChoiceWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(440 * s), static_cast<int>(200 * s), kWindowStyleTitled, false,
                              nullptr);
    window->SetTitle("Choose");
    LCreateCommandLinkButton(window, 601, "&Split the recording",
                             "Finds the pauses between the tracks and makes one file of each track.");
    LCommandLinkButton* second =
        LCreateCommandLinkButton(window, 602, "&Keep it whole", "Saves the side as one file.");
    const int margin = static_cast<int>(10 * s);
    int y = margin;
    for (int id : {601, 602}) {
        int w = 0, h = 0;
        LGetCommandLinkButtonSize(window, id, &w, &h);
        window->SetControlRect(id, margin, y, std::min(w, static_cast<int>(420 * s)), h);
        y += h + margin / 2;
    }
    if (second)
        second->OnMouseEnter();
    if (!enabled)
        window->EnableWindow(false);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

QD_GUI_SCENE("command-link", [](QdGuiSceneContext& c) { return Build(c, true); });
QD_GUI_SCENE("command-link-disabled", [](QdGuiSceneContext& c) { return Build(c, false); });

} // namespace
