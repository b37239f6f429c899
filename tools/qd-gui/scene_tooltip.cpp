// The window's tips: a balloon pointing at a button and a plain tip, each
// grabbed together with the window around it.
#include "QdGuiScene.h"

#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtTooltipImpl.h"

#include <QPainter>

namespace {

class TipWindow : public LWindow
{
public:
    bool ready = false;
    void OnReady() override { ready = true; }
};

bool Tip(QdGuiSceneContext& context, bool balloon)
{
    auto* window = new TipWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(360 * s), static_cast<int>(160 * s), kWindowStyleTitled, false,
                              nullptr);
    window->SetTitle(balloon ? "Balloon" : "Tip");
    window->AddButtonNoRect(20, "Record");
    window->SetControlRect(20, static_cast<int>(130 * s), static_cast<int>(30 * s), static_cast<int>(100 * s),
                           static_cast<int>(28 * s));
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    QWidget* top = LQtWidget(window->GetView())->window();
    top->activateWindow();
    auto* tip = new LQtTooltipImpl(QString(), balloon, top);
    context.window = window;
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    LWaitWithMessagePump([window] { return window->ready; }, true, 5000);
    tip->SetParentWindow(top);
    tip->SetText(balloon ? "Starts recording from the selected input" : "Record (Ctrl+R)");
    for (QWidget* child : top->findChildren<QWidget*>())
        if (child->property("ltag").toInt() == 20)
            tip->MoveToControl(child);
    tip->Show();
    if (!tip->IsShown())
        return false;
    LWaitWithMessagePump([] { return false; }, true, 50);
    // The window with the tip drawn over it where it stands.
    QImage shot = top->grab().toImage();
    const QImage tipImage = tip->grab().toImage();
    QPainter painter(&shot);
    painter.drawImage(tip->geometry().topLeft() - top->geometry().topLeft(), tipImage);
    painter.end();
    context.captured = shot;
    return true;
}

bool Balloon(QdGuiSceneContext& context)
{
    return Tip(context, true);
}

bool Plain(QdGuiSceneContext& context)
{
    return Tip(context, false);
}

} // namespace

QD_GUI_SCENE("tooltip-balloon", Balloon);
QD_GUI_SCENE("tooltip-plain", Plain);
