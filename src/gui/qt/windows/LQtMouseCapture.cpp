#include "gui/qt/windows/LQtMouseCapture.h"

#include "gui/qt/LQtView.h"

#include <QApplication>
#include <QMouseEvent>

LQtMouseCapture& LQtMouseCapture::shared()
{
    static LQtMouseCapture* instance = new LQtMouseCapture();
    return *instance;
}

void* LQtMouseCapture::setCapture(void* handler, LViewHandle view)
{
    void* previous = handler_;
    handler_ = handler;
    view_ = LQtWidget(view);
    if (!installed_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
        installed_ = true;
        leftDown_ = false;
    }
    return previous;
}

LViewHandle LQtMouseCapture::capturingView() const
{
    return handler_ != nullptr ? LQtHandle(view_.data()) : nullptr;
}

void LQtMouseCapture::releaseCapture()
{
    if (installed_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
    installed_ = false;
    handler_ = nullptr;
    view_ = nullptr;
    leftDown_ = false;
}

void LQtMouseCapture::releaseCaptureOf(LViewHandle view)
{
    if (view != nullptr && LQtHandle(view_.data()) == view)
        releaseCapture();
}

bool LQtMouseCapture::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* view = view_.data();
    if (view == nullptr)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        if (watched == view || !watched->isWidgetType())
            return false; // the view gets its own events the normal way
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
            leftDown_ = true;
        bool swallow = leftDown_;
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton)
            leftDown_ = false;
        QPointF local = view->mapFromGlobal(mouse->globalPosition());
        QMouseEvent copy(mouse->type(), local, mouse->globalPosition(), mouse->button(), mouse->buttons(),
                         mouse->modifiers());
        QCoreApplication::sendEvent(view, &copy);
        return swallow;
    }
    default:
        return false;
    }
}
