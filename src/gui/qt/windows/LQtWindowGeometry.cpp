// Window-level helpers between pixels and the toolkit's points: title bar
// and toolbar heights, view frames, the screen frame, the pointer's
// rectangle, the status bar's place and whether a window can be seen.

#include "gui/framework/LScreens.h"
#include "gui/framework/LToolBar.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

QScreen* ScreenOfView(LViewHandle view)
{
    QScreen* screen = view != nullptr ? LQtScreenOf(LQtWidget(view)->window()) : nullptr;
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

bool HostedInScrollView(QWidget* widget)
{
    for (QWidget* w = widget->parentWidget(); w != nullptr && !w->isWindow(); w = w->parentWidget())
        if (qobject_cast<QScrollArea*>(w) != nullptr)
            return true;
    return false;
}

} // namespace

int LMacWindow::GetTitleBarHeight(LViewHandle view)
{
    if (view == nullptr || LGetWindowFromView(view) == nullptr)
        return 0;
    QWidget* widget = LQtWidget(view);
    if (HostedInScrollView(widget))
        return 0;
    QWidget* top = widget->window();
    const double scale = top->devicePixelRatioF();
    // Without a window manager (or offscreen) the frame is the content.
    return static_cast<int>(std::lround(top->frameGeometry().height() * scale) -
                            std::lround(top->geometry().height() * scale));
}

void LMacWindow::SetViewRect(LViewHandle view, int x, int y, int w, int h)
{
    if (view == nullptr)
        return;
    // The toolbar sits above the content view here, so y needs no toolbar
    // correction; edges are rounded as SetControlRect rounds them.
    QWidget* widget = LQtWidget(view);
    const double scale = widget->devicePixelRatioF();
    const int left = static_cast<int>(std::lround(x / scale));
    const int top = static_cast<int>(std::lround(y / scale));
    widget->setGeometry(left, top, std::max(0, static_cast<int>(std::lround((x + w) / scale)) - left),
                        std::max(0, static_cast<int>(std::lround((y + h) / scale)) - top));
    widget->update();
}

void LMacWindow::ConvertRectFromPixels(int x, int y, int w, int h, bool flipY, double out[4]) const
{
    QScreen* screen = ScreenOfView(view_);
    const double scale = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    out[0] = x / scale;
    out[2] = w / scale;
    out[3] = h / scale;
    if (flipY || screen == nullptr) {
        out[1] = y / scale;
    } else {
        const double screenHeight = screen->geometry().height();
        out[1] = screenHeight - (y + h) / scale;
    }
}

LWindow* LMacWindow::GetTopLevelWindow() const
{
    if (view_ == nullptr)
        return nullptr;
    auto* impl = qobject_cast<LQtWindowImpl*>(LQtWidget(view_)->window());
    return impl != nullptr ? impl->zunkitWindow() : nullptr;
}

void LWindow::SetToolTips(const ToolTipEntry* table, int count, const LKeyToCommandMap* accelerators,
                          int acceleratorCount)
{
    if (table == nullptr)
        return;
    for (int i = 0; i < count; ++i)
        if (table[i].text != nullptr)
            LSetToolTipWithShortcut(this, table[i].controlId, table[i].text, accelerators, acceleratorCount);
}

void LGetScreenFrame(LViewHandle view, int rect[4])
{
    rect[0] = rect[1] = rect[2] = rect[3] = 0;
    QScreen* screen = ScreenOfView(view);
    if (screen == nullptr)
        return;
    const QRect frame = screen->geometry();
    const double scale = screen->devicePixelRatio();
    rect[0] = static_cast<int>(frame.x() * scale);
    rect[1] = static_cast<int>(frame.y() * scale);
    rect[2] = static_cast<int>((frame.x() + frame.width()) * scale);
    rect[3] = static_cast<int>((frame.y() + frame.height()) * scale);
}

bool LGetDropDownOrigin(LViewHandle view, double* x, double* y)
{
    QWidget* widget = view != nullptr ? LQtWidget(view) : nullptr;
    if (widget == nullptr || !widget->isVisible())
        return false;
    const QPoint origin = widget->mapToGlobal(QPoint(0, widget->height()));
    *x = origin.x();
    *y = origin.y();
    return true;
}

void LGetCursorRect(int rect[4], LViewHandle view)
{
    int pt[2] = {};
    if (view != nullptr) {
        QWidget* widget = LQtWidget(view);
        const QPoint local = widget->mapFromGlobal(QCursor::pos());
        const double scale = widget->devicePixelRatioF();
        pt[0] = static_cast<int>(local.x() * scale);
        pt[1] = static_cast<int>(local.y() * scale);
    } else {
        LGetCursorPos(pt);
    }
    rect[0] = pt[0];
    rect[1] = pt[1];
    rect[2] = pt[0] + 11;
    rect[3] = pt[1] + 17;
}

void LLayoutStatusBar(LViewHandle windowView, const int* width, int* clientHeight)
{
    LWindow* window = LGetWindowFromView(windowView);
    if (window == nullptr || !window->HasControl(800))
        return;
    const int height = window->IsControlVisible(800) ? LGetStatusBarHeight(windowView) : 0;
    int w = 0;
    int h = 0;
    window->GetWindowSize(&w, &h);
    window->SetControlRect(800, 0, h - height, width != nullptr ? *width : w, height);
    if (clientHeight != nullptr)
        *clientHeight -= height;
}

bool LIsWindowVisibleOnScreen(LViewHandle view)
{
    if (view == nullptr)
        return false;
    QWidget* top = LQtWidget(view)->window();
    if (top->isMinimized() || !top->isVisible())
        return false;
    if (LQtWidget(view) != top && !LQtWidget(view)->isVisible())
        return false;
    // Qt keeps no occlusion state: a window counts as seen while some part
    // of it lies on a screen.
    const QRect frame = top->frameGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().intersects(frame))
            return true;
    return false;
}
