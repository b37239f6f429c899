// The dB slider at a cut, at a boost and at the bottom of its range; and the
// same disabled.
#include "QdGuiScene.h"

#include "gui/controls/LDBEdit.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QWidget>

namespace {

bool Build(QdGuiSceneContext& context, bool enabled)
{
    auto* window = new LWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(220 * s), static_cast<int>(100 * s),
                              kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Gain");
    const int8_t values[] = {-6, 9, -36};
    for (int i = 0; i < 3; ++i) {
        LQtWidget(LAddDBEditControl(window, 700 + i))->setGeometry(10, 8 + 30 * i, 200, 25);
        LCreateDBEdit(window, 700 + i);
        LSetDBEditValue(window, 700 + i, values[i]);
        window->EnableControl(700 + i, enabled);
    }
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

QD_GUI_SCENE("db-control", [](QdGuiSceneContext& c) { return Build(c, true); });
QD_GUI_SCENE("db-control-disabled", [](QdGuiSceneContext& c) { return Build(c, false); });

} // namespace
