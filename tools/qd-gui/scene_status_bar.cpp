// A window with a three-part status bar; and the same window disabled.
#include "QdGuiScene.h"

#include "gui/controls/LStatusBar.h"
#include "gui/framework/LWindow.h"

namespace {

class BarWindow : public LWindow
{
public:
    LStatusBar bar;
};

bool Build(QdGuiSceneContext& context, bool enabled)
{
    auto* window = new BarWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(520 * s), static_cast<int>(80 * s),
                              kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Status");
    window->bar.Create(window);
    const uint32_t edges[] = {static_cast<uint32_t>(240 * s), static_cast<uint32_t>(400 * s),
                              LStatusBar::kRestOfWidth};
    window->bar.SetParts(3, edges);
    window->bar.SetText("Recording side A of the first record in the box", 0);
    window->bar.SetText("44.1 kHz stereo", 1);
    window->bar.SetText("00:12:41", 2);
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

QD_GUI_SCENE("status-bar", [](QdGuiSceneContext& c) { return Build(c, true); });
QD_GUI_SCENE("status-bar-disabled", [](QdGuiSceneContext& c) { return Build(c, false); });

} // namespace
