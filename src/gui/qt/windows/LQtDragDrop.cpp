// Drag and drop on Qt: a forwarder watching a view's drag events hands drags
// from other programs to the window's LDragDropHandler (they carry file URLs,
// and no source inside the program) and drags from inside to an LDropTarget.

#include "foundation/ini/LRegistries.h"
#include "gui/framework/LDragDrop.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <map>

namespace {

class LQtDropForwarder : public QObject
{
public:
    explicit LQtDropForwarder(QWidget* view) : QObject(view), view_(view)
    {
        setObjectName("LQtDropForwarder");
        view->setAcceptDrops(true);
        view->installEventFilter(this);
    }

    LDragDropHandler* handler = nullptr;
    LDropTarget* target = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != view_)
            return false;
        switch (event->type()) {
        case QEvent::DragEnter: {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            const LDragInfo info = Info(drag);
            bool accept = false;
            if (info.fromInside)
                accept = target && target->DragEnter(info);
            else
                accept = handler && drag->mimeData()->hasUrls();
            if (accept)
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            const LDragInfo info = Info(drag);
            if (info.fromInside && target && target->Flavor() != 0) {
                int x = 0, y = 0;
                target->GetDropPoint(info, &x, &y);
                target->DragOver(x, y);
            }
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::DragLeave:
            if (target) {
                target->DragLeave();
                target->Reset();
            }
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const LDragInfo info = Info(drop);
            if (info.fromInside) {
                if (target) {
                    target->PerformDrop(info);
                    target->Reset();
                }
            } else if (handler) {
                handler->OnDrop(info);
            }
            drop->acceptProposedAction();
            return true;
        }
        default:
            return false;
        }
    }

private:
    LDragInfo Info(QDropEvent* event) const
    {
        LDragInfo info;
        info.mimeData = event->mimeData();
        info.view = LQtHandle(view_);
        info.x = event->position().x();
        info.y = event->position().y();
        info.fromInside = event->source() != nullptr;
        return info;
    }

    QWidget* view_;
};

LQtDropForwarder* Forwarder(LViewHandle handle, bool create)
{
    QWidget* view = LQtWidget(handle);
    if (!view)
        return nullptr;
    for (QObject* child : view->children())
        if (child->objectName() == "LQtDropForwarder")
            return static_cast<LQtDropForwarder*>(child);
    return create ? new LQtDropForwarder(view) : nullptr;
}

// The views targets are installed on, watched so that a target outliving
// its view never reaches into it.
std::map<const LDropTarget*, QPointer<QWidget>>& TargetViews()
{
    static std::map<const LDropTarget*, QPointer<QWidget>> views;
    return views;
}

const QMimeData* Mime(const LDragInfo& info)
{
    return static_cast<const QMimeData*>(info.mimeData);
}

} // namespace

void LDragDropHandler::Register(LDragDropHandler* handler, LWindow* window)
{
    if (!window)
        return;
    if (LQtDropForwarder* forwarder = Forwarder(window->GetView(), handler != nullptr))
        forwarder->handler = handler;
}

void LDragDropHandler::Unregister(LDragDropHandler*, LWindow* window)
{
    Register(nullptr, window);
}

void LDropFileList::Start(const LDragInfo& info, int)
{
    current.clear();
    count = 0;
    index = 0;
    names.clear();
    if (const QMimeData* mime = Mime(info)) {
        for (const QUrl& url : mime->urls()) {
            if (!url.isLocalFile())
                continue;
            names.push_back(url.toLocalFile().toStdString());
            ++count;
        }
    }
    if (count > 0)
        Next();
}

void LDropFileList::Next()
{
    ++index;
    if (index <= count)
        current = names[index - 1];
}

LDropTarget::~LDropTarget()
{
    Unregister();
}

void LDropTarget::Register(LViewHandle view)
{
    Unregister();
    view_ = view ? view : (window ? window->GetView() : nullptr);
    if (LQtDropForwarder* forwarder = Forwarder(view_, true)) {
        forwarder->target = this;
        TargetViews()[this] = LQtWidget(view_);
    }
}

void LDropTarget::Unregister()
{
    auto it = TargetViews().find(this);
    if (it != TargetViews().end()) {
        if (it->second)
            if (LQtDropForwarder* forwarder = Forwarder(LQtHandle(it->second), false))
                if (forwarder->target == this)
                    forwarder->target = nullptr;
        TargetViews().erase(it);
    }
    view_ = nullptr;
}

bool LDropTarget::DragEnter(const LDragInfo& info)
{
    Reset();
    const QMimeData* mime = Mime(info);
    if (!window || !window->IsWindow() || !mime)
        return false;
    for (const QString& format : mime->formats()) {
        const uint32_t candidate = LNameToId(format.toUtf8().constData());
        if (Accept(candidate)) {
            flavor_ = candidate;
            break;
        }
    }
    // Promised files do not exist on this desktop: nothing else to offer.
    if (flavor_ == 0)
        return false;
    int x = 0, y = 0;
    GetDropPoint(info, &x, &y);
    DragOver(x, y);
    return true;
}

void LDropTarget::GetDropPoint(const LDragInfo& info, int* x, int* y) const
{
    *x = 0;
    *y = 0;
    QWidget* view = LQtWidget(info.view);
    QWidget* windowView = window ? LQtWidget(window->GetView()) : nullptr;
    if (!view || !windowView)
        return;
    const QPointF point = view->mapTo(windowView, QPointF(info.x, info.y));
    double scale = window->GetScaleFactor();
    double px = point.x();
    double py = point.y();
    if (scale > 1) {
        px *= scale;
        py *= scale;
    }
    if (window->IsTopLevel()) {
        for (QToolBar* bar : windowView->window()->findChildren<QToolBar*>())
            if (bar->isVisible()) {
                py += bar->height() * scale;
                break;
            }
    }
    *x = static_cast<int>(px);
    *y = static_cast<int>(py);
}

void LDropTarget::Reset()
{
    flavor_ = 0;
}

int LDropTarget::PerformDrop(const LDragInfo& info)
{
    const QMimeData* mime = Mime(info);
    if (!mime || flavor_ == 0)
        return 0;
    int x = 0, y = 0;
    GetDropPoint(info, &x, &y);
    if (flavor_ == kLDropFlavorFiles) {
        std::vector<std::string> paths;
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile())
                paths.push_back(url.toLocalFile().toStdString());
        return Drop(flavor_, x, y, &paths, paths.size());
    }
    const QByteArray bytes = mime->data(QString::fromUtf8(LIdToName(flavor_)));
    if (bytes.isNull())
        return 0;
    return Drop(flavor_, x, y, bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool LDragSource::StartDrag(LViewHandle view, uint32_t flavor, const void* data, size_t size)
{
    QWidget* widget = LQtWidget(view ? view : (window ? window->GetView() : nullptr));
    const char* type = LIdToName(flavor);
    if (!widget || !*type || dragging)
        return false;
    auto* mime = new QMimeData;
    mime->setData(QString::fromUtf8(type),
                  QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(data ? size : 0)));
    auto* drag = new QDrag(widget);
    drag->setMimeData(mime);
    dragging = true;
    const Qt::DropAction action = drag->exec(Qt::CopyAction);
    dragging = false;
    return action != Qt::IgnoreAction;
}
