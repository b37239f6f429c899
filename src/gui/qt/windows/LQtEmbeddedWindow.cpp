#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LEmbeddedWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <cmath>

namespace {

// The scroll area shows and hides its scrollers on a later layout pass: the
// page is laid out again when its viewport changes size.
class ViewportWatcher : public QObject
{
public:
    ViewportWatcher(LEmbeddedWindow* window, QObject* parent) : QObject(parent), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && window_ != nullptr)
            window_->Relayout();
        return QObject::eventFilter(watched, event);
    }

private:
    LEmbeddedWindow* window_;
};

int Round(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

} // namespace

LEmbeddedWindow::~LEmbeddedWindow()
{
    if (view_ != nullptr)
        Detach();
}

bool LEmbeddedWindow::Attach(LWindow* host)
{
    if (host == nullptr || host->GetView() == nullptr)
        return false;
    if (view_ != nullptr)
        Detach();
    host_ = host;
    QWidget* hostView = LQtWidget(host->GetView());
    auto* content = new LQtWindowContentView(this, nullptr);
    content->setEmbeddedHost(true);
    if (hScroll || vScroll) {
        auto* area = new QScrollArea(hostView);
        area->setHorizontalScrollBarPolicy(hScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        area->setVerticalScrollBarPolicy(vScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        area->setWidgetResizable(false);
        // The placed rectangle is all client area: no frame around it.
        area->setFrameShape(QFrame::NoFrame);
        area->setWidget(content);
        area->viewport()->installEventFilter(new ViewportWatcher(this, area));
        content->show();
        area->show();
        scrollArea_ = LQtHandle(area);
    } else {
        content->setParent(hostView);
        content->show();
    }
    opaque = host->GetView() == nullptr ||
             LAssociatedData::GetData(host->GetView(), LAssociatedData::kPainterKey) == 0;
    content->setAutoFillBackground(opaque);
    view_ = LQtHandle(content);
    isTopLevel_ = false;
    closing_ = false;
    created_ = false;
    if (host->GetManager() != nullptr)
        host->GetManager()->addEmbeddedWindow(this);
    LAssociatedData::SetData(reinterpret_cast<uintptr_t>(static_cast<LWindow*>(this)), view_,
                             LAssociatedData::kWindowKey);
    SetParent(host);
    charWidthPx_ = host->charWidthPx_;
    charHeightPx_ = host->charHeightPx_;
    charWidthPt_ = host->charWidthPt_;
    charHeightPt_ = host->charHeightPt_;
    generation_.fetch_add(1, std::memory_order_acq_rel);
    PostCommand(kCommandReady);
    return true;
}

bool LEmbeddedWindow::Create(LWindow* host, int w, int h)
{
    if (!Attach(host))
        return false;
    Place(0, 0, w, h);
    OnCreate();
    if (!IsWindow())
        return false;
    created_ = true;
    Relayout();
    UpdateControls();
    return true;
}

bool LEmbeddedWindow::CreateFromTemplate(LWindow* host, const LDialogTemplate* dialogTemplate)
{
    if (!Attach(host))
        return false;
    if (dialogTemplate->builder != nullptr)
        dialogTemplate->builder(this, 0, 0, 1);
    double scale = GetScaleFactor();
    int w = static_cast<int>(dialogTemplate->width * scale);
    int h = static_cast<int>(dialogTemplate->height * scale);
    if (scrollArea_ != nullptr)
        SetVirtualSize(w, h);
    Place(0, 0, w, h);
    OnCreate();
    if (!IsWindow())
        return false;
    created_ = true;
    Relayout();
    UpdateControls();
    return true;
}

void LEmbeddedWindow::SetVirtualSize(int w, int h)
{
    virtualWidth_ = w;
    virtualHeight_ = h;
    if (scrollArea_ == nullptr || view_ == nullptr)
        return;
    auto* area = static_cast<QScrollArea*>(LQtWidget(scrollArea_));
    double scale = GetScaleFactor();
    QSize visible = area->maximumViewportSize();
    LQtWidget(view_)->resize(std::max(Round(w / scale), visible.width()),
                             std::max(Round(h / scale), visible.height()));
    // A scroller that came or went changes the client size.
    Relayout();
}

void LEmbeddedWindow::Place(int x, int y, int w, int h)
{
    if (view_ == nullptr)
        return;
    double scale = GetScaleFactor();
    QRect frame(Round(x / scale), Round(y / scale), Round(w / scale), Round(h / scale));
    if (scrollArea_ == nullptr) {
        LQtWidget(view_)->setGeometry(frame);
    } else {
        auto* area = static_cast<QScrollArea*>(LQtWidget(scrollArea_));
        area->setGeometry(frame);
        SetVirtualSize(virtualWidth_, virtualHeight_);
    }
    if (created_)
        Relayout();
}

void LEmbeddedWindow::Relayout()
{
    if (!created_ || view_ == nullptr)
        return;
    double scale = GetScaleFactor();
    int w = 0, h = 0;
    if (scrollArea_ == nullptr) {
        w = static_cast<int>(LQtWidget(view_)->width() * scale);
        h = static_cast<int>(LQtWidget(view_)->height() * scale);
    } else {
        auto* area = static_cast<QScrollArea*>(LQtWidget(scrollArea_));
        // The viewport is what is left beside visible scrollers; along a
        // scrolled axis the content is the document size.
        QSize viewport = area->viewport()->size();
        w = hScroll && virtualWidth_ > 0 ? std::max(virtualWidth_, static_cast<int>(viewport.width() * scale))
                                         : static_cast<int>(viewport.width() * scale);
        h = vScroll && virtualHeight_ > 0
                ? std::max(virtualHeight_, static_cast<int>(viewport.height() * scale))
                : static_cast<int>(viewport.height() * scale);
    }
    if (w == lastW_ && h == lastH_)
        return;
    lastW_ = w;
    lastH_ = h;
    OnSize(0, 0, w, h);
}

void LEmbeddedWindow::Detach()
{
    if (view_ == nullptr)
        return;
    closing_ = true;
    OnDestroy();
    LAbandonWindowMessagesTo(view_);
    QWidget* content = LQtWidget(view_);
    if (auto* view = qobject_cast<LQtWindowContentView*>(content))
        view->detach();
    QWidget* shown = scrollArea_ != nullptr ? LQtWidget(scrollArea_) : content;
    // The watcher has no meta-object of its own: found by its C++ type.
    for (QObject* child : shown->children())
        if (auto* watcher = dynamic_cast<ViewportWatcher*>(child)) {
            delete watcher;
            break;
        }
    shown->hide();
    shown->setParent(nullptr);
    shown->deleteLater();
    if (host_ != nullptr && host_->GetManager() != nullptr)
        host_->GetManager()->removeEmbeddedWindow(this);
    LAssociatedData::SetData(0, view_, LAssociatedData::kWindowKey);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    view_ = nullptr;
    scrollArea_ = nullptr;
    host_ = nullptr;
    closing_ = false;
    created_ = false;
    lastW_ = lastH_ = -1;
}

void LEmbeddedWindow::Enable(bool enable)
{
    QWidget* shown = scrollArea_ != nullptr ? LQtWidget(scrollArea_) : LQtWidget(view_);
    if (shown != nullptr)
        shown->setEnabled(enable);
}

void LEmbeddedWindow::OnHelp()
{
    PostCommandToHost(kCommandHelp);
}

void LEmbeddedWindow::PostCommandToHost(int command)
{
    if (host_ != nullptr)
        LPostCommandToWindow(command, host_);
}
