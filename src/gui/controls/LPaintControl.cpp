#include "gui/controls/LPaintControl.h"

LPaintControl::LPaintControl() : mouseHandler(this) {}

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
