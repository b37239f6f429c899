#include "gui/qt/controls/LQtCustomScrollView.h"

#include "gui/controls/LScrollView.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtPaintControlImpl.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

LQtCustomScrollView::LQtCustomScrollView(QWidget* parent, int id) : QScrollArea(parent)
{
    LQtSetControlId(this, id);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { boundsDidChange(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { boundsDidChange(); });
}

void LQtCustomScrollView::setSubView(QWidget* view)
{
    setWidget(view);
    hasSubView_ = view != nullptr;
}

void LQtCustomScrollView::boundsDidChange()
{
    if (scrollView_ == nullptr || scrollView_->window == nullptr || scrollView_->documentView == nullptr)
        return;
    const bool vertical =
        verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff && verticalScrollBar()->isVisible();
    const bool horizontal =
        horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff && horizontalScrollBar()->isVisible();
    if (vertical || horizontal)
        scrollView_->OnScroll();
}

// ---- LScrollView ----

namespace {

LQtCustomScrollView* Scroller(LViewHandle view)
{
    return view ? qobject_cast<LQtCustomScrollView*>(LQtWidget(view)) : nullptr;
}

double ScaleOfWindow(const LWindow* window)
{
    return window ? std::max(1.0, window->GetScaleFactor()) : 1.0;
}

} // namespace

bool LScrollView::Create(LWindow* target, int id)
{
    if (window != nullptr || scrollView != nullptr || documentView != nullptr || target == nullptr ||
        target->GetView() == nullptr)
        return false;
    window = target;
    QWidget* content = LQtWidget(target->GetView());
    auto* existing = qobject_cast<LQtCustomScrollView*>(LQtFindControl(content, id));
    if (existing != nullptr && qobject_cast<LQtViewBase*>(existing->widget()) != nullptr) {
        existing->setZunkitScrollView(this);
        scrollView = LQtHandle(existing);
        documentView = LQtHandle(existing->widget());
        return true;
    }
    auto* scroller = new LQtCustomScrollView(content, id);
    scroller->setGeometry(content->rect());
    scroller->setZunkitScrollView(this);
    scroller->show();
    scrollView = LQtHandle(scroller);
    if (id < 1)
        SetDocumentView(0);
    return true;
}

void LScrollView::SetDocumentView(int id)
{
    LQtCustomScrollView* scroller = Scroller(scrollView);
    if (scroller == nullptr || window == nullptr || window->GetView() == nullptr)
        return;
    QWidget* view = nullptr;
    if (id < 1) {
        auto* paint = new LQtPaintControlImpl(nullptr, window);
        LQtSetControlId(paint, id);
        LQtSetControlWindow(paint, window);
        paint->resize(500, 30);
        view = paint;
    } else {
        view = qobject_cast<LQtViewBase*>(LQtFindControl(LQtWidget(window->GetView()), id));
        if (view == nullptr)
            return;
    }
    scroller->setSubView(view);
    view->show();
    documentView = LQtHandle(view);
}

void LScrollView::GetVisibleSize(int* w, int* h) const
{
    LQtCustomScrollView* scroller = Scroller(scrollView);
    const double s = ScaleOfWindow(window);
    if (w)
        *w = scroller ? static_cast<int>(scroller->viewport()->width() * s) : 0;
    if (h)
        *h = scroller ? static_cast<int>(scroller->viewport()->height() * s) : 0;
}

bool LScrollView::SetRect(int x, int y, int w, int h)
{
    LQtCustomScrollView* scroller = Scroller(scrollView);
    if (scroller == nullptr)
        return false;
    const double s = ScaleOfWindow(window);
    scroller->setGeometry(QRectF(x / s, y / s, w / s, h / s).toRect());
    if (QWidget* doc = scroller->widget())
        doc->resize(static_cast<int>(std::ceil(std::max(virtualWidth, w) / s)),
                    static_cast<int>(std::ceil(std::max(virtualHeight, h) / s)));
    scroller->update();
    return true;
}

void LScrollView::SetVirtualSize(int w, int h)
{
    virtualWidth = w;
    virtualHeight = h;
    LQtCustomScrollView* scroller = Scroller(scrollView);
    if (scroller == nullptr || scroller->widget() == nullptr)
        return;
    int vw = 0, vh = 0;
    GetVisibleSize(&vw, &vh);
    const double s = ScaleOfWindow(window);
    scroller->widget()->resize(static_cast<int>(std::ceil(std::max(w, vw) / s)),
                               static_cast<int>(std::ceil(std::max(h, vh) / s)));
    scroller->widget()->update();
    scroller->viewport()->update();
}

int LScrollView::GetVirtualWidth() const
{
    int vw = 0;
    GetVisibleSize(&vw, nullptr);
    return std::max(virtualWidth, vw);
}

int LScrollView::GetVirtualHeight() const
{
    int vh = 0;
    GetVisibleSize(nullptr, &vh);
    return std::max(virtualHeight, vh);
}

// ---- LScrollPaintControl ----

namespace {

// The scroll view around a control: its own, else the one its drawing view
// is the document of (document view -> viewport -> scroll view).
LQtCustomScrollView* ScrollerAround(LViewHandle scrollView, LViewHandle view)
{
    if (LQtCustomScrollView* own = Scroller(scrollView))
        return own;
    QWidget* viewport = view ? LQtWidget(view)->parentWidget() : nullptr;
    return viewport ? qobject_cast<LQtCustomScrollView*>(viewport->parentWidget()) : nullptr;
}

} // namespace

int LScrollPaintControl::GetScrollX()
{
    if (owner == nullptr || view == nullptr)
        return 0;
    LQtCustomScrollView* scroller = ScrollerAround(scrollView, view);
    if (scroller == nullptr)
        return 0;
    return static_cast<int>(scroller->horizontalScrollBar()->value() * ScaleFactor());
}

int LScrollPaintControl::GetScrollY()
{
    if (owner == nullptr || view == nullptr)
        return 0;
    LQtCustomScrollView* scroller = ScrollerAround(scrollView, view);
    if (scroller == nullptr)
        return 0;
    return static_cast<int>(scroller->verticalScrollBar()->value() * ScaleFactor());
}

LViewHandle LCreateScrollablePaintControl(LWindow* window, int id, int x, int y, int w, int h, bool hScroll,
                                          bool vScroll)
{
    if (window == nullptr || window->GetView() == nullptr)
        return nullptr;
    QWidget* content = LQtWidget(window->GetView());
    if (!hScroll && !vScroll) {
        auto* paint = new LQtPaintControlImpl(content, window);
        LQtSetControlId(paint, id);
        LQtSetControlWindow(paint, window);
        paint->setGeometry(x, y, w, h);
        paint->show();
        return LQtHandle(paint);
    }
    auto* scroller = new LQtCustomScrollView(content, id);
    scroller->setGeometry(x, y, w, h);
    scroller->setVerticalScrollBarPolicy(vScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    scroller->setHorizontalScrollBarPolicy(hScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    auto* paint = new LQtPaintControlImpl(nullptr, window);
    LQtSetControlId(paint, -1);
    LQtSetControlWindow(paint, window);
    paint->resize(scroller->viewport()->size());
    scroller->setSubView(paint);
    scroller->show();
    return LQtHandle(scroller);
}
