#include "gui/controls/LPaintControl.h"

#include <algorithm>

LPaintControl::LPaintControl() : mouseHandler(this) {}

namespace {

// Reports where user point (1, 1) lies now and, for the modes with an
// upward y axis, restarts the map at the control's bottom-left corner
// (keeping only where the control sits on the surface).
void BeginUnitChange(LPaintContext* context, int height, float* outX, float* outY, int mode)
{
    const LPaintTransform m = context->GetTransform();
    if (outX)
        *outX = static_cast<float>(m.a + m.c + m.tx);
    if (outY)
        *outY = static_cast<float>(m.b + m.d + m.ty);
    if (mode == 0 || mode == 2) {
        LPaintTransform flipped;
        flipped.tx = m.tx;
        flipped.ty = m.ty + height;
        flipped.d = -1;
        context->SetTransform(flipped);
    }
}

} // namespace

void LPaintControl::SetUnitScale(LPaintContext* context, float unitsX, float unitsY, float* outX, float* outY,
                                 int mode)
{
    if (!context || unitsX == 0 || unitsY == 0)
        return;
    BeginUnitChange(context, height, outX, outY, mode);
    if (mode == 2 || mode == 3) {
        const double both = 1.0 / std::min(unitsX, unitsY);
        context->ScaleBy(both, both);
    } else {
        context->ScaleBy(1.0 / unitsX, 1.0 / unitsY);
    }
}

void LPaintControl::SetLogicalSize(LPaintContext* context, int logicalW, int logicalH, float* outX, float* outY,
                                   int mode)
{
    if (!context || logicalW == 0 || logicalH == 0)
        return;
    BeginUnitChange(context, height, outX, outY, mode);
    if (mode == 2 || mode == 3) {
        const double both = static_cast<double>(std::min(width, height)) / std::max(logicalW, logicalH);
        context->ScaleBy(both, both);
    } else {
        context->ScaleBy(static_cast<double>(width) / logicalW, static_cast<double>(height) / logicalH);
    }
}

void LPaintControl::GetUnitsPerPixel(LPaintContext* context, float* x, float* y)
{
    if (!context)
        return;
    const LPaintTransform m = context->GetTransform();
    if (x)
        *x = m.a + m.c != 0 ? static_cast<float>(1.0 / (m.a + m.c)) : 0.0f;
    if (y)
        *y = m.b + m.d != 0 ? static_cast<float>(1.0 / (m.b + m.d)) : 0.0f;
}

LPaintControl::~LPaintControl()
{
    Destroy();
}

void LPaintControlMouseHandler::OnMouseEnter()
{
    owner_->OnMouseEnter();
}
void LPaintControlMouseHandler::OnMouseLeave()
{
    owner_->OnMouseLeave();
}
void LPaintControlMouseHandler::OnLButtonDown(int x, int y)
{
    owner_->OnLButtonDown(x, y);
}
void LPaintControlMouseHandler::OnLButtonDblClk(int x, int y)
{
    owner_->OnLButtonDblClk(x, y);
}
void LPaintControlMouseHandler::OnLButtonUp(int x, int y)
{
    owner_->OnLButtonUp(x, y);
}
void LPaintControlMouseHandler::OnRButtonUp(int x, int y)
{
    owner_->OnRButtonUp(x, y);
}
void LPaintControlMouseHandler::OnRButtonDown(int x, int y)
{
    owner_->OnRButtonDown(x, y);
}
void LPaintControlMouseHandler::OnMouseMove(int x, int y)
{
    if (!owner_->HasCapture() && !(x >= 0 && y >= 0 && x < owner_->GetWidth() && y < owner_->GetHeight()))
        return;
    owner_->OnMouseMove(x, y);
}
void LPaintControlMouseHandler::OnSpareHook(int x, int y)
{
    owner_->OnSpareHook(x, y);
}
void LPaintControlMouseHandler::OnMouseWheel(int x, int y, int delta)
{
    owner_->OnMouseWheel(x, y, delta);
}
void LPaintControlMouseHandler::OnMouseHWheel(int x, int y, int delta)
{
    owner_->OnMouseHWheel(x, y, delta);
}
