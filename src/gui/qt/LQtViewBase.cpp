#include "gui/qt/LQtViewBase.h"

#include "gui/framework/LKeyHandler.h"
#include "gui/qt/LQtKeys.h"
#include "gui/qt/LQtView.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

QPointer<LQtViewBase> gDraggedView;

} // namespace

LQtViewBase::LQtViewBase(QWidget* parent, LWindow* window) : QWidget(parent), window_(window)
{
    setMouseTracking(true);
}

LQtViewBase::~LQtViewBase()
{
    // A handler still attached forgets this view instead of reaching for it later.
    if (handler_ != nullptr && handler_->view == LQtHandle(this)) {
        handler_->view = nullptr;
        handler_->window = nullptr;
    }
    handler_ = nullptr;
    keyHandler_ = nullptr;
}

LQtViewBase* LQtViewBase::draggedView()
{
    return gDraggedView.data();
}

void LQtViewBase::setMouseHandler(LMouseHandler* handler)
{
    if (handler == handler_)
        return;
    handler_ = handler;
    if (handler_ != nullptr && isVisible() && rect().contains(mapFromGlobal(QCursor::pos()))) {
        mouseIn_ = true;
        handler_->OnMouseEnter();
    }
}

void LQtViewBase::setKeyHandler(LKeyHandler* handler)
{
    if (handler == nullptr || keyHandler_ == nullptr)
        keyHandler_ = handler;
}

QPoint LQtViewBase::Pixels(const QPointF& position) const
{
    const double s = std::max(1.0, devicePixelRatioF());
    return QPoint(static_cast<int>(std::floor(position.x() * s)), static_cast<int>(std::floor(position.y() * s)));
}

void LQtViewBase::mousePressEvent(QMouseEvent* event)
{
    if (!HandlerActive())
        return QWidget::mousePressEvent(event);
    gDraggedView = nullptr;
    mouseDown_ = true;
    const QPoint p = Pixels(event->position());
    // Meta is the platform's Control key: Control-click means a right click.
    const bool meta = event->modifiers().testFlag(Qt::MetaModifier);
    if (event->button() == Qt::RightButton || (event->button() == Qt::LeftButton && meta)) {
        rightFromMeta_ = event->button() == Qt::LeftButton;
        handler_->OnRButtonDown(p.x(), p.y());
    } else if (event->button() == Qt::LeftButton) {
        handler_->OnLButtonDown(p.x(), p.y());
    }
    event->accept();
}

void LQtViewBase::mouseReleaseEvent(QMouseEvent* event)
{
    if (!HandlerActive() || !mouseDown_)
        return QWidget::mouseReleaseEvent(event);
    mouseDown_ = false;
    const QPoint p = Pixels(event->position());
    if (event->button() == Qt::RightButton || (event->button() == Qt::LeftButton && rightFromMeta_)) {
        rightFromMeta_ = false;
        handler_->OnRButtonUp(p.x(), p.y());
    } else if (event->button() == Qt::LeftButton) {
        handler_->OnLButtonUp(p.x(), p.y());
    }
    if (mouseDragging_) {
        gDraggedView = nullptr;
        mouseDragging_ = false;
        mouseIn_ = rect().contains(event->position().toPoint());
        if (!mouseIn_ && handler_ != nullptr)
            handler_->OnMouseLeave();
    }
    event->accept();
}

void LQtViewBase::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!HandlerActive())
        return QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && !event->modifiers().testFlag(Qt::MetaModifier)) {
        gDraggedView = nullptr;
        mouseDown_ = true;
        const QPoint p = Pixels(event->position());
        handler_->OnLButtonDblClk(p.x(), p.y());
    } else {
        mousePressEvent(event);
    }
    event->accept();
}

void LQtViewBase::mouseMoveEvent(QMouseEvent* event)
{
    if (!HandlerActive())
        return QWidget::mouseMoveEvent(event);
    if (mouseDown_ && event->buttons() != Qt::NoButton) {
        mouseDragging_ = true;
        gDraggedView = this;
    }
    const QPoint p = Pixels(event->position());
    handler_->OnMouseMove(p.x(), p.y());
}

void LQtViewBase::wheelEvent(QWheelEvent* event)
{
    if (!HandlerActive())
        return QWidget::wheelEvent(event);
    const QPoint p = Pixels(event->position());
    const QPoint angle = event->angleDelta();
    // A vertical movement goes first; a horizontal one only without it.
    if (angle.y() != 0) {
        if (const int lines = wheelY_.Add(angle.y()); lines != 0)
            handler_->OnMouseWheel(p.x(), p.y(), lines);
    } else if (angle.x() != 0) {
        if (const int lines = wheelX_.Add(angle.x()); lines != 0)
            handler_->OnMouseHWheel(p.x(), p.y(), lines);
    }
    event->accept();
}

void LQtViewBase::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    mouseIn_ = true;
    if (gDraggedView != nullptr && gDraggedView != this)
        return;
    if (HandlerActive())
        handler_->OnMouseEnter();
}

void LQtViewBase::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    mouseIn_ = false;
    if (gDraggedView != nullptr && gDraggedView != this)
        return;
    if (HandlerActive() && !mouseDown_)
        handler_->OnMouseLeave();
}

void LQtViewBase::keyPressEvent(QKeyEvent* event)
{
    if (keyHandler_ != nullptr && keyHandler_->IsEnabled()) {
        const QString text = event->text();
        const char16_t typed = text.size() == 1 ? text.at(0).unicode() : 0;
        if (keyHandler_->DispatchKeyDown(LQtKeyFromEvent(event), event->isAutoRepeat(), typed))
            return event->accept();
    }
    QWidget::keyPressEvent(event);
}

void LQtViewBase::keyReleaseEvent(QKeyEvent* event)
{
    if (keyHandler_ != nullptr && keyHandler_->IsEnabled() &&
        keyHandler_->DispatchKeyUp(LQtKeyFromEvent(event), event->isAutoRepeat()))
        return event->accept();
    QWidget::keyReleaseEvent(event);
}
