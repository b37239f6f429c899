// Mouse handlers on a window: on one of our views they are the view's
// receiver; on any other view a watch over the application's mouse events
// picks those of the handler's window, its child controls included, and
// passes them on after the handler has seen them.
#include "gui/controls/LClickRegionMouseHandler.h"
#include "gui/controls/LMouseHandler.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/LQtViewBase.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

#include <cmath>

namespace {

class MouseMonitor : public QObject
{
public:
    MouseMonitor(LMouseHandler* handler, QWidget* view) : handler_(handler), view_(view)
    {
        qApp->installEventFilter(this);
        if (view_ != nullptr)
            view_->setMouseTracking(true);
    }
    ~MouseMonitor() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::Enter:
        case QEvent::Leave:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        // Only events of widgets (not of the toolkit's windows) in the
        // handler's window, enabled and alive.
        if (widget == nullptr || view_ == nullptr || handler_->window == nullptr ||
            !handler_->window->IsWindow() || (widget != view_ && !view_->isAncestorOf(widget)) ||
            !view_->isEnabled())
            return false;
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
            if (widget == view_)
                event->type() == QEvent::Enter ? handler_->OnMouseEnter() : handler_->OnMouseLeave();
            return false;
        }
        const auto* pointer = static_cast<QSinglePointEvent*>(event);
        // An event a child ignores goes on to its parents as a copy: the
        // handler sees it once.
        const Seen now{event->type(), pointer->timestamp(), pointer->globalPosition(),
                       event->type() == QEvent::Wheel ? Qt::NoButton
                                                      : static_cast<const QMouseEvent*>(event)->button()};
        if (now == seen_)
            return false;
        seen_ = now;
        const QPointF local = view_->mapFromGlobal(pointer->globalPosition());
        const double s = std::max(1.0, view_->devicePixelRatioF());
        const int x = static_cast<int>(std::floor(local.x() * s)),
                  y = static_cast<int>(std::floor(local.y() * s));
        const bool meta = pointer->modifiers().testFlag(Qt::MetaModifier);
        const auto* mouse = event->type() == QEvent::Wheel ? nullptr : static_cast<const QMouseEvent*>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (mouse->button() == Qt::RightButton || (mouse->button() == Qt::LeftButton && meta))
                handler_->OnRButtonDown(x, y);
            else if (mouse->button() == Qt::LeftButton)
                event->type() == QEvent::MouseButtonDblClick ? handler_->OnLButtonDblClk(x, y)
                                                             : handler_->OnLButtonDown(x, y);
            break;
        case QEvent::MouseButtonRelease:
            if (mouse->button() == Qt::RightButton)
                handler_->OnRButtonUp(x, y);
            else if (mouse->button() == Qt::LeftButton)
                handler_->OnLButtonUp(x, y);
            break;
        case QEvent::MouseMove:
            handler_->OnMouseMove(x, y);
            break;
        case QEvent::Wheel: {
            const QPoint angle = static_cast<const QWheelEvent*>(event)->angleDelta();
            if (angle.y() != 0) {
                if (const int lines = wheelY_.Add(angle.y()); lines != 0)
                    handler_->OnMouseWheel(x, y, lines);
            } else if (angle.x() != 0) {
                if (const int lines = wheelX_.Add(angle.x()); lines != 0)
                    handler_->OnMouseHWheel(x, y, lines);
            }
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    LMouseHandler* handler_;
    QPointer<QWidget> view_;
    struct Seen
    {
        QEvent::Type type = QEvent::None;
        quint64 timestamp = 0;
        QPointF global;
        Qt::MouseButton button = Qt::NoButton;
        bool operator==(const Seen&) const = default;
    } seen_;
    LWheelAccumulator wheelX_;
    LWheelAccumulator wheelY_;
};

} // namespace

LMouseHandler::~LMouseHandler()
{
    Detach();
}

void LMouseHandler::Attach(LWindow* target)
{
    Detach();
    if (target == nullptr || target->GetView() == nullptr)
        return;
    window = target;
    view = target->GetView();
    QWidget* widget = LQtWidget(view);
    if (auto* base = qobject_cast<LQtViewBase*>(widget)) {
        base->setMouseHandler(this);
        onView_ = true;
    } else
        monitor_ = new MouseMonitor(this, widget);
}

void LMouseHandler::AttachToView(LWindow* target, LViewHandle ourView)
{
    Detach();
    auto* base = ourView ? qobject_cast<LQtViewBase*>(LQtWidget(ourView)) : nullptr;
    if (base == nullptr)
        return;
    window = target;
    view = ourView;
    base->setMouseHandler(this);
    onView_ = true;
}

void LMouseHandler::Detach()
{
    if (monitor_ != nullptr) {
        delete static_cast<MouseMonitor*>(monitor_);
        monitor_ = nullptr;
    }
    // A view of ours clears view here when it goes first.
    if (onView_ && view != nullptr) {
        if (auto* base = qobject_cast<LQtViewBase*>(LQtWidget(view)); base && base->mouseHandler() == this)
            base->setMouseHandler(nullptr);
    }
    onView_ = false;
    window = nullptr;
    view = nullptr;
}

void LSetViewCursor(LViewHandle view, int shape)
{
    if (view == nullptr)
        return;
    QWidget* widget = LQtWidget(view);
    if (shape == 1)
        widget->setCursor(Qt::PointingHandCursor);
    else
        widget->unsetCursor();
}
