#include "gui/framework/LScreens.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>

namespace {

void ToPixels(const QRect& r, double scale, int rect[4])
{
    rect[0] = static_cast<int>(r.x() * scale);
    rect[1] = static_cast<int>(r.y() * scale);
    rect[2] = static_cast<int>((r.x() + r.width()) * scale);
    rect[3] = static_cast<int>((r.y() + r.height()) * scale);
}

} // namespace

void LGetScreenRect(int screen, int rect[4])
{
    rect[0] = rect[1] = rect[2] = rect[3] = 0;
    QList<QScreen*> screens = QGuiApplication::screens();
    if (screen < 0 || screen > screens.size() || screens.isEmpty())
        return;
    if (screen == 0) {
        QRect desktop;
        for (QScreen* s : screens)
            desktop = desktop.united(s->geometry());
        ToPixels(desktop, screens.first()->devicePixelRatio(), rect);
        return;
    }
    QScreen* s = screens[screen - 1];
    ToPixels(s->geometry(), s->devicePixelRatio(), rect);
}

void LGetWindowWorkArea(LViewHandle view, int rect[4])
{
    rect[0] = rect[1] = rect[2] = rect[3] = 0;
    QScreen* screen = LQtScreenOf(view != nullptr ? LQtWidget(view)->window() : nullptr);
    if (screen != nullptr)
        ToPixels(screen->availableGeometry(), screen->devicePixelRatio(), rect);
}

void LGetCursorPos(int pt[2])
{
    QScreen* screen = QGuiApplication::primaryScreen();
    double scale = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    QPoint pos = QCursor::pos();
    pt[0] = static_cast<int>(pos.x() * scale);
    pt[1] = static_cast<int>(pos.y() * scale);
}

int LGetStatusBarHeight(LViewHandle view)
{
    if (view == nullptr)
        return 0;
    QWidget* bar = LQtFindControl(LQtWidget(view), 800);
    if (bar == nullptr || bar->isHidden())
        return 0;
    return static_cast<int>(30 * LQtWidget(view)->devicePixelRatioF());
}

int LGetToolbarHeight(LViewHandle view)
{
    if (view == nullptr)
        return 0;
    auto* bar = LQtWidget(view)->findChild<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (bar == nullptr || bar->isHidden())
        return 0;
    return static_cast<int>(bar->height() * LQtWidget(view)->devicePixelRatioF());
}

void LEnableWindow(LViewHandle view, bool enable)
{
    if (view != nullptr)
        LQtWidget(view)->window()->setEnabled(enable);
}

bool LIsWindowVisible(LViewHandle view)
{
    LWindow* window = LGetWindowFromView(view);
    return window != nullptr && window->IsVisible();
}

void LBringWindowToFront(LViewHandle view)
{
    if (view == nullptr)
        return;
    QWidget* top = LQtWidget(view)->window();
    top->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        top->raise();
    top->activateWindow();
}
