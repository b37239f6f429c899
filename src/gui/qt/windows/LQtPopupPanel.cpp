// The popup panel's watch over its owner's window.
#include "gui/framework/LPopupPanel.h"

#include "gui/qt/LQtView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace {

class OwnerWatch : public QObject
{
public:
    OwnerWatch(LPopupPanel* panel, QWidget* ownerWindow) : panel_(panel), owner_(ownerWindow)
    {
        owner_->installEventFilter(this);
    }
    ~OwnerWatch() override
    {
        if (owner_ != nullptr)
            owner_->removeEventFilter(this);
    }

    // Stops reporting at once; the object itself goes later.
    void Disarm()
    {
        panel_ = nullptr;
        if (owner_ != nullptr)
            owner_->removeEventFilter(this);
        deleteLater();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != owner_ || panel_ == nullptr)
            return false;
        bool end = false;
        switch (event->type()) {
        case QEvent::Close:
        case QEvent::Hide:
            end = true;
            break;
        case QEvent::WindowStateChange:
            end = owner_->windowState().testFlag(Qt::WindowMinimized);
            break;
        case QEvent::Resize:
            // A resize while a button is held is the user dragging an edge.
            end = owner_->isVisible() && QGuiApplication::mouseButtons() != Qt::NoButton;
            break;
        default:
            break;
        }
        if (end && panel_->GetAutoClose() && panel_->IsWindow())
            panel_->EndDialog(kCommandCancel); // deletes this watch
        return false;
    }

private:
    LPopupPanel* panel_;
    QPointer<QWidget> owner_;
};

QWidget* TopLevelOf(LWindow* window)
{
    return window && window->GetView() ? LQtWidget(window->GetView())->window() : nullptr;
}

} // namespace

LPopupPanel::~LPopupPanel()
{
    if (IsWindow())
        EndDialog(kCommandOK);
    StopWatching();
}

void LPopupPanel::EndDialog(int code)
{
    autoClose_ = false;
    StopWatching();
    LWindow::EndDialog(code);
}

void LPopupPanel::OnDeactivate()
{
    if (autoClose_ && IsWindow()) {
        // Hiding deactivates once more: that one finds autoClose off.
        autoClose_ = false;
        ShowWindow(false);
        Cancel();
    }
}

bool LPopupPanel::DoModal(LWindow* parent, int placement)
{
    const bool live = ShowModeless(parent, placement, showOnRun);
    if (live && autoClose_)
        WatchOwner();
    return live;
}

void LPopupPanel::SetAutoClose(bool on)
{
    autoClose_ = on;
    if (on)
        WatchOwner();
    else
        StopWatching();
    if (IsWindow() && IsVisible())
        ShowWindow(true);
}

void LPopupPanel::WatchOwner()
{
    StopWatching();
    QWidget* owner = TopLevelOf(GetParentWindow());
    if (owner == nullptr || owner == TopLevelOf(this))
        return;
    watch_ = new OwnerWatch(this, owner);
}

void LPopupPanel::StopWatching()
{
    // Deleted later: the watch may be the one reporting right now.
    if (watch_ != nullptr)
        static_cast<OwnerWatch*>(watch_)->Disarm();
    watch_ = nullptr;
}
