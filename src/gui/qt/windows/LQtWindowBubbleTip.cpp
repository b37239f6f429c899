// The window's bubble tip: one LQtTooltipImpl owned by the window's widget.

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtTooltipImpl.h"

namespace {

LQtTooltipImpl* TipOf(const LMacWindow* window)
{
    QWidget* view = LQtWidget(window->GetView());
    if (!view)
        return nullptr;
    return view->window()->findChild<LQtTooltipImpl*>(QString(), Qt::FindDirectChildrenOnly);
}

void ShowOrHide(LMacWindow* window, LQtTooltipImpl* tip)
{
    if (window->IsVisible())
        tip->Show();
    else
        tip->HideTip();
}

} // namespace

void LMacWindow::CreateTooltip()
{
    QWidget* view = LQtWidget(GetView());
    if (!view || TipOf(this))
        return;
    new LQtTooltipImpl(QString(), false, view->window());
}

void LMacWindow::ShowBubbleTip(int controlId, const char* text)
{
    LQtTooltipImpl* tip = TipOf(this);
    if (!IsWindow() || !tip)
        return;
    tip->HideTip();
    QWidget* control = LQtFindControl(LQtWidget(GetView()), controlId);
    if (!control)
        return;
    tip->SetParentWindow(control->window());
    tip->SetText(QString::fromUtf8(text ? text : ""));
    tip->MoveToControl(control);
    ShowOrHide(this, tip);
}

void LMacWindow::ShowBubbleTipAt(int x, int y, const char* text)
{
    LQtTooltipImpl* tip = TipOf(this);
    if (!IsWindow() || !tip)
        return;
    tip->SetParentWindow(LQtWidget(GetView()));
    tip->SetText(QString::fromUtf8(text ? text : ""));
    ShowBubbleTipAtPixel(x, y);
}

void LMacWindow::ShowBubbleTipAtPixel(int x, int y)
{
    LQtTooltipImpl* tip = TipOf(this);
    if (!IsWindow() || !tip)
        return;
    const double scale = GetScaleFactor();
    tip->MoveToPoint(QPoint(static_cast<int>(x / scale), static_cast<int>(y / scale)));
    ShowOrHide(this, tip);
}

void LMacWindow::ShowBubbleTipAtPoint(int x, int y)
{
    QWidget* view = LQtWidget(GetView());
    if (!view)
        return;
    const double scale = GetScaleFactor();
    const QPoint global = view->mapToGlobal(QPoint(static_cast<int>(x / scale), static_cast<int>(y / scale)));
    ShowBubbleTipAtPixel(static_cast<int>(global.x() * scale), static_cast<int>(global.y() * scale));
}

void LMacWindow::HideToolTip()
{
    if (!IsWindow())
        return;
    if (LQtTooltipImpl* tip = TipOf(this))
        tip->HideTip();
}
