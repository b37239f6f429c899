// A resizable window placed from its saved placement (the defaults when the
// settings hold none) and showing where it landed.
#include "QdGuiScene.h"

#include "gui/framework/LWindow.h"

#include <cstdio>

namespace {

class PlacedWindow : public LWindow
{
public:
    bool ready = false;

    void OnCreate() override
    {
        AddStaticTextEmpty(101);
        AddStaticTextEmpty(102);
    }
    void OnReady() override
    {
        int x = 0, y = 0, w = 0, h = 0;
        GetWindowPos(&x, &y);
        GetWindowSize(&w, &h);
        char text[128];
        std::snprintf(text, sizeof(text), "Position %d, %d", x, y);
        SetControlText(101, text);
        std::snprintf(text, sizeof(text), "Size %d x %d pixels", w, h);
        SetControlText(102, text);
        int cw = static_cast<int>(CharWidthPx());
        int ch = static_cast<int>(CharHeightPx());
        SetControlRect(101, 2 * cw, ch, w - 4 * cw, ch + ch / 4);
        SetControlRect(102, 2 * cw, 5 * ch / 2, w - 4 * cw, ch + ch / 4);
        ready = true;
    }
};

bool Build(QdGuiSceneContext& context)
{
    auto* window = new PlacedWindow();
    window->CreateCocoaWindow(100, 100, kWindowStyleTitled | kWindowStyleClosable | kWindowStyleResizable,
                              false, nullptr);
    window->SetTitle("Placement");
    window->ShowModeless(nullptr, LPlacementNone);
    double scale = window->GetScaleFactor();
    window->RestoreWindowPlacement("QdGuiPlacement", static_cast<int>(320 * scale),
                                   static_cast<int>(90 * scale), static_cast<int>(200 * scale),
                                   static_cast<int>(60 * scale), false);
    context.window = window;
    context.ready = [window] { return window->ready; };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

} // namespace

QD_GUI_SCENE("placement", Build);
