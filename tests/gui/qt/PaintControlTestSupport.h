#pragma once
// A window with one paint-control host, and a recorder of the rectangles its
// host is asked to repaint.

#include "gui/GuiTestSupport.h"
#include "gui/controls/LPaintControl.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <memory>

namespace quorin::test {

class PaintHostWindow : public LWindow
{
public:
    void OnCommand(int command, int extra) override { LWindow::OnCommand(command, extra); }
};

// Points; the host fills (0, 0, w, h) of a window of that size.
inline std::unique_ptr<PaintHostWindow> MakePaintHost(int wPt, int hPt, int id = 500)
{
    GuiApp();
    auto window = std::make_unique<PaintHostWindow>();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(wPt * s), static_cast<int>(hPt * s), kWindowStyleTitled, false,
                              nullptr);
    LViewHandle host = LAddPaintControl(window.get(), id);
    LQtWidget(host)->setGeometry(0, 0, wPt, hPt);
    return window;
}

class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget* target) { target->installEventFilter(this); }
    QRegion region;
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            region += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
};

} // namespace quorin::test
