// Keeping a window on its screen, and setting its frame from pixels.

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// A position on device pixels, kept whole in points.
int Aligned(int position, double scale)
{
    return static_cast<int>(std::floor(std::floor(position * scale + 0.5) / scale));
}

// The start of a span of `size` inside [start, start + room): its own start
// when it fits there, else moved in; a span larger than the room starts at
// the room's start, so its title bar and close box stay reachable.
int KeptInside(int position, int size, int start, int room)
{
    if (size >= room || position <= start)
        return start;
    return std::min(position, start + room - size);
}

} // namespace

void LMacWindow::KeepOnScreen()
{
    if (!isTopLevel_ || nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    if (top->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    // The screen that holds the window's centre; the nearest when none does.
    const QRect frame = top->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (screen == nullptr)
        screen = LQtScreenOf(top);
    if (screen == nullptr)
        return;
    const QRect visible = screen->availableGeometry();
    const QSize margins(frame.width() - top->width(), frame.height() - top->height());
    QSize size = top->size();
    if (top->property("lresizable").toBool()) {
        // A resizable window larger than the room is made to fit (never
        // below its minimum size).
        size = size.boundedTo(visible.size() - margins).expandedTo(top->minimumSize());
    }
    const QSize outer = size + margins;
    const double scale = std::max(1.0, top->devicePixelRatioF());
    const int x = Aligned(KeptInside(frame.x(), outer.width(), visible.x(), visible.width()), scale);
    const int y = Aligned(KeptInside(frame.y(), outer.height(), visible.y(), visible.height()), scale);
    if (size != top->size()) {
        top->resize(size);
        // A hidden window's content follows now rather than when shown.
        if (view_ != nullptr)
            LQtWidget(view_)->setGeometry(LQtContentArea(top, size));
    }
    if (QPoint(x, y) != frame.topLeft())
        top->move(x, y);
}

void LMacWindow::SetFramePixels(const int rect[4])
{
    if (!isTopLevel_ || nsWindow_ == nullptr || rect == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    const double scale = GetScaleFactor();
    const int x = static_cast<int>(std::floor(rect[0] / scale + 0.5));
    const int y = static_cast<int>(std::floor(rect[1] / scale + 0.5));
    const int w = std::max(1, static_cast<int>(std::floor((rect[2] - rect[0]) / scale + 0.5)));
    const int h = std::max(1, static_cast<int>(std::floor((rect[3] - rect[1]) / scale + 0.5)));
    const QRect frame = top->frameGeometry();
    const QSize margins(frame.width() - top->width(), frame.height() - top->height());
    const QSize size(std::max(1, w - margins.width()), std::max(1, h - margins.height()));
    if (size != top->size()) {
        top->resize(size);
        if (view_ != nullptr)
            LQtWidget(view_)->setGeometry(LQtContentArea(top, size));
    }
    if (QPoint(x, y) != frame.topLeft())
        top->move(x, y);
}
