#include "gui/qt/lists/LQtListControlClickHandler.h"

#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QMetaObject>
#include <QMouseEvent>

LQtListControlClickHandler::LQtListControlClickHandler(LQtOutlineViewImpl* view) : QObject(view), view_(view)
{
    view->viewport()->installEventFilter(this);
}

LQtListControlClickHandler::~LQtListControlClickHandler()
{
    Invalidate();
}

void LQtListControlClickHandler::Invalidate()
{
    if (view_)
        view_->viewport()->removeEventFilter(this);
    view_ = nullptr;
}

void LQtListControlClickHandler::Post(int command)
{
    if (command < 0 || !view_)
        return;
    // Queued, so the owner sees the click after the selection it made.
    QPointer<LQtOutlineViewImpl> view(view_);
    QMetaObject::invokeMethod(
        view_,
        [view, command] {
            if (view)
                LQtSendCommand(LQtControlWindow(view), command);
        },
        Qt::QueuedConnection);
}

bool LQtListControlClickHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (!view_ || watched != view_->viewport() || !view_->Manager())
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return false;
    if (!view_->isEnabled() || !view_->isVisible())
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (!view_->viewport()->rect().contains(mouse->position().toPoint()))
        return false;
    const LOutlineViewManager* tree = view_->Manager()->Tree();
    if (mouse->button() == Qt::RightButton && type == QEvent::MouseButtonPress)
        Post(tree->rightClickCommand);
    else if (mouse->button() == Qt::LeftButton)
        Post(type == QEvent::MouseButtonPress ? tree->clickCommand : tree->doubleClickCommand);
    return false;
}
