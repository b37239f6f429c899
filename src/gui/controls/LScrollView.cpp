#include "gui/controls/LScrollView.h"

#include <algorithm>
#include <memory>

bool LScrollPaintControl::SetRect(int x, int y, int w, int h)
{
    const bool placed = LScrollView::SetRect(x, y, w, h);
    if (!placed)
        return false;
    std::unique_ptr<LPaintContext> ctx(LNewMeasureContext(documentView));
    int cw = w, ch = h;
    PaintContent(ctx.get(), &cw, &ch, true);
    if (cw >= 1 && ch >= 1)
        SetVirtualSize(std::max(cw, w), std::max(ch, h));
    return true;
}

void LScrollPaintControl::Paint(LPaintContext* context)
{
    // The drawing view is the document: its pixels are content pixels.
    context->area.x += GetScrollX();
    context->area.y += GetScrollY();
    int w = width, h = height;
    PaintContent(context, &w, &h, false);
}
