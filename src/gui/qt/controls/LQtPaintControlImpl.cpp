#include "gui/qt/controls/LQtPaintControlImpl.h"

#include "gui/controls/LDBEdit.h"
#include "gui/controls/LPaintControl.h"
#include "gui/controls/LStatusBar.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtKeys.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtCustomScrollView.h"
#include "gui/qt/controls/LQtPaintContext.h"
#include "gui/qt/windows/LQtMouseCapture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>

namespace {

double ScaleOf(const QWidget* widget)
{
    return std::max(1.0, widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio());
}

bool gCursorHidden = false;

} // namespace

LQtPaintControlImpl::LQtPaintControlImpl(QWidget* parent, LWindow* window) : LQtViewBase(parent, window)
{
    setFocusPolicy(Qt::ClickFocus);
}

LQtPaintControlImpl::~LQtPaintControlImpl()
{
    LQtMouseCapture::shared().releaseCaptureOf(LQtHandle(this));
    if (control_) {
        control_->view = nullptr;
        control_->owner = nullptr;
        control_->mouseHandler.window = nullptr;
        control_->mouseHandler.view = nullptr;
    }
    delete owned_;
}

void LQtPaintControlImpl::setPaintControl(LPaintControl* control)
{
    control_ = control;
}

void LQtPaintControlImpl::paintEvent(QPaintEvent* event)
{
    LPaintControl* control = control_;
    if (!control || !control->owner)
        return;
    LWindow* owner = control->owner;
    if (owner->IsClosing() || (LGetSuperview(owner->GetView()) == nullptr && !owner->IsTopLevel()))
        return;
    if (window()->isMinimized())
        return;
    const double s = ScaleOf(this);
    QPainter painter(this);
    painter.scale(1.0 / s, 1.0 / s);
    LQtPaintContext context(&painter, s, true);
    const QRect dirty = event->rect();
    const int x0 = static_cast<int>(std::floor(dirty.x() * s)),
              y0 = static_cast<int>(std::floor(dirty.y() * s));
    context.area = {x0 - control->GetScrollX(), y0 - control->GetScrollY(),
                    static_cast<int>(std::ceil((dirty.x() + dirty.width()) * s)) - x0,
                    static_cast<int>(std::ceil((dirty.y() + dirty.height()) * s)) - y0};
    if (control->dimWhenDisabled && !isEnabled())
        context.SetAlpha(0.5f);
    if (control->cornerRadius != 0) {
        // Straight edges one pixel in from every side.
        const int r = control->cornerRadius;
        const int w = static_cast<int>(width() * s), h = static_cast<int>(height() * s);
        context.ClipRoundedRect({1, 1, w - 2, h - 2}, r);
    }
    control->Paint(&context);
}

void LQtPaintControlImpl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!control_)
        return;
    const int w = control_->width, h = control_->height;
    control_->UpdateSize();
    if (w != control_->width || h != control_->height)
        control_->OnSize();
}

void LQtPaintControlImpl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (control_)
        control_->OnShow(true);
}

void LQtPaintControlImpl::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (control_)
        control_->OnShow(false);
}

void LQtPaintControlImpl::keyPressEvent(QKeyEvent* event)
{
    if (control_) {
        const LKey key = LQtKeyFromEvent(event);
        if (event->isAutoRepeat() ? control_->OnKeyRepeat(key) : control_->OnKeyDown(key))
            return event->accept();
    }
    LQtViewBase::keyPressEvent(event);
}

void LQtPaintControlImpl::keyReleaseEvent(QKeyEvent* event)
{
    if (control_ && !event->isAutoRepeat() && control_->OnKeyUp(LQtKeyFromEvent(event)))
        return event->accept();
    LQtViewBase::keyReleaseEvent(event);
}

// ---- LPaintControl's view operations ----

namespace {

LQtPaintControlImpl* Host(LViewHandle view)
{
    return view ? qobject_cast<LQtPaintControlImpl*>(LQtWidget(view)) : nullptr;
}

LQtCustomScrollView* ScrollerOf(const QWidget* documentView)
{
    // document view -> viewport -> scroll area
    QWidget* viewport = documentView ? documentView->parentWidget() : nullptr;
    return viewport ? qobject_cast<LQtCustomScrollView*>(viewport->parentWidget()) : nullptr;
}

} // namespace

void LPaintControl::Attach(LWindow* window, int id)
{
    owner = window;
    view = nullptr;
    scrollHosted = false;
    QWidget* found = window ? LQtFindControl(LQtWidget(window->GetView()), id) : nullptr;
    // In a scroll view the drawing view is its document view.
    if (auto* scroller = qobject_cast<LQtCustomScrollView*>(found)) {
        found = scroller->widget();
        scrollHosted = found != nullptr;
    }
    auto* host = qobject_cast<LQtPaintControlImpl*>(found);
    if (!host) {
        scrollHosted = false;
        return;
    }
    view = LQtHandle(host);
    host->setPaintControl(this);
    mouseHandler.AttachToView(window, view);
    UpdateSize();
}

double LPaintControl::ScaleFactor() const
{
    return ScaleOf(view ? LQtWidget(view) : nullptr);
}

void LPaintControl::UpdateSize()
{
    if (!owner)
        return;
    if (!view) {
        width = height = 0;
        return;
    }
    const QWidget* widget = LQtWidget(view);
    // A scroll-hosted control is as large as the part of it one sees.
    if (scrollHosted)
        if (auto* scroller = ScrollerOf(widget))
            widget = scroller->viewport();
    // Rounded: at a scale like 1.25 a truncated product can lose a pixel.
    const double s = ScaleFactor();
    width = static_cast<int>(widget->width() * s + 0.5);
    height = static_cast<int>(widget->height() * s + 0.5);
}

void LPaintControl::Invalidate()
{
    if (owner && view)
        LQtWidget(view)->update();
}

void LPaintControl::InvalidateRect(int x, int y, int w, int h)
{
    if (!owner || !view)
        return;
    const double s = ScaleFactor();
    const QRectF points(x / s, y / s, w / s, h / s);
    LQtWidget(view)->update(points.toAlignedRect());
}

void LPaintControl::RedrawNow()
{
    if (owner && view)
        LQtWidget(view)->repaint();
}

void LPaintControl::ScrollContent(int dx, int dy)
{
    if (!owner || !view)
        return;
    // The control repaints what moved; a pixel copy could split a device
    // pixel at fractional scales.
    (void)dx, (void)dy;
    LQtWidget(view)->update();
}

void LPaintControl::Enable()
{
    if (view) {
        LQtWidget(view)->setEnabled(true);
        LQtWidget(view)->update();
    }
}

void LPaintControl::Disable()
{
    if (view) {
        LQtWidget(view)->setEnabled(false);
        LQtWidget(view)->update();
    }
}

bool LPaintControl::IsEnabled() const
{
    return view && LQtWidget(view)->isEnabled();
}

void LPaintControl::SetOpaque(bool opaque)
{
    if (view)
        LQtWidget(view)->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void LPaintControl::SetCapture()
{
    if (view)
        LQtMouseCapture::shared().setCapture(&mouseHandler, view);
}

bool LPaintControl::HasCapture() const
{
    return view && LQtMouseCapture::shared().getCapture() == &mouseHandler;
}

void LPaintControl::SendCommand(int event, long a, long b)
{
    if (owner && view)
        LSendWindowMessage(owner->GetView(), static_cast<uint32_t>(event), a, b);
}

int LPaintControl::DialogUnitsYToPixels(float n) const
{
    const float unit = owner ? owner->CharHeightPx() : 17.0f;
    return static_cast<int>(n * unit + 0.5f);
}

void LPaintControl::Destroy()
{
    if (view == nullptr) {
        owner = nullptr;
        return;
    }
    if (LQtMouseCapture::shared().getCapture() == &mouseHandler)
        LQtMouseCapture::shared().releaseCapture();
    mouseHandler.Detach();
    if (auto* host = Host(view); host && host->paintControl() == this)
        host->setPaintControl(nullptr);
    view = nullptr;
    owner = nullptr;
}

void LReleaseMouseCapture()
{
    LQtMouseCapture::shared().releaseCapture();
}

void LSetArrowCursor()
{
    if (gCursorHidden) {
        QApplication::restoreOverrideCursor();
        gCursorHidden = false;
    }
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    QApplication::restoreOverrideCursor();
}

LViewHandle LAddPaintControl(LWindow* window, int id)
{
    if (!window || !window->GetView())
        return nullptr;
    auto* host = new LQtPaintControlImpl(LQtWidget(window->GetView()), window);
    LQtSetControlId(host, id);
    LQtSetControlWindow(host, window);
    host->setGeometry(0, 0, 0, 0);
    host->show();
    return LQtHandle(host);
}

LRGBColor LGetFocusColour()
{
    const QColor c = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    return LRGBColor::FromRGB8(c.red(), c.green(), c.blue());
}

void LGetViewSizePoints(LViewHandle view, double* w, double* h)
{
    const QWidget* widget = view ? LQtWidget(view) : nullptr;
    if (w)
        *w = widget ? widget->width() : 0;
    if (h)
        *h = widget ? widget->height() : 0;
}

void LGiveControlToView(LViewHandle view, LPaintControl* control)
{
    if (auto* host = Host(view))
        host->giveControl(control);
}

LViewHandle LAddDBEditControl(LWindow* window, int id)
{
    LViewHandle view = LAddPaintControl(window, id);
    if (view)
        LQtWidget(view)->resize(200, 25);
    return view;
}

LRGBColor LGetStatusBarColour(int which)
{
    const QPalette palette = QApplication::palette();
    QColor c = which == 0   ? palette.color(QPalette::Active, QPalette::Dark)
               : which == 1 ? QColor(Qt::lightGray)
                            : palette.color(QPalette::Active, QPalette::WindowText);
    return LRGBColor::FromRGB8(c.red(), c.green(), c.blue());
}

void LSetViewToolTip(LViewHandle view, const char* text)
{
    if (view)
        LQtWidget(view)->setToolTip(text ? QString::fromUtf8(text) : QString());
}
