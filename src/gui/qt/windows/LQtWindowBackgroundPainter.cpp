#include "gui/framework/LWindowBackgroundPainter.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QWidget>

LWindowBackgroundPainter::~LWindowBackgroundPainter()
{
    Detach();
}

bool LWindowBackgroundPainter::Attach(LWindow* window)
{
    Detach();
    if (window == nullptr || window->GetView() == nullptr)
        return false;
    window_ = window;
    sizePending_ = true;
    LAssociatedData::SetData(reinterpret_cast<uintptr_t>(this), window->GetView(),
                             LAssociatedData::kPainterKey);
    // The painter draws the whole background: the view fills nothing first.
    QWidget* view = LQtWidget(window->GetView());
    view->setAutoFillBackground(false);
    FrameChanged();
    view->update();
    return true;
}

void LWindowBackgroundPainter::Detach()
{
    if (window_ == nullptr)
        return;
    LViewHandle view = window_->GetView();
    if (view != nullptr && LGetBackgroundPainter(view) == this) {
        LAssociatedData::SetData(0, view, LAssociatedData::kPainterKey);
        LQtWidget(view)->setAutoFillBackground(true);
        LQtWidget(view)->update();
    }
    window_ = nullptr;
}

void LWindowBackgroundPainter::FrameChanged()
{
    if (window_ == nullptr)
        return;
    int w = 0, h = 0;
    window_->GetWindowSize(&w, &h);
    if (w == width_ && h == height_ && !sizePending_)
        return;
    width_ = w;
    height_ = h;
    OnSize(w, h);
}

void LWindowBackgroundPainter::PaintView(LPaintContext* context)
{
    if (window_ == nullptr || !window_->IsWindow())
        return;
    Paint(context);
    sizePending_ = false;
}

LWindowBackgroundPainter* LGetBackgroundPainter(LViewHandle view)
{
    return reinterpret_cast<LWindowBackgroundPainter*>(
        LAssociatedData::GetData(view, LAssociatedData::kPainterKey));
}
