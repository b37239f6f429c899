#include "gui/controls/LClickRegionMouseHandler.h"

#include "gui/framework/LWindow.h"

LClickRegionMouseHandler::~LClickRegionMouseHandler()
{
    Detach();
}

void LClickRegionMouseHandler::AddControl(int controlId, int clickCommand, int hoverCommand)
{
    Region region;
    if (window == nullptr || !window->GetControlRect(controlId, &region.x, &region.y, &region.w, &region.h))
        return;
    region.controlId = controlId;
    region.clickCommand = clickCommand;
    region.hoverCommand = hoverCommand;
    AddRegion(region);
}

const LClickRegionMouseHandler::Region* LClickRegionMouseHandler::RegionAt(int x, int y) const
{
    for (const Region& r : regions_)
        if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h)
            return &r;
    return nullptr;
}

void LClickRegionMouseHandler::OnLButtonDown(int x, int y)
{
    if (const Region* r = RegionAt(x, y); r != nullptr && window != nullptr)
        window->PostCommand(r->clickCommand, 0);
}

void LClickRegionMouseHandler::OnMouseMove(int x, int y)
{
    const Region* r = RegionAt(x, y);
    if (r != nullptr) {
        LSetViewCursor(view, 1);
        if (r->controlId != hoveredControlId_) {
            if (hoveredControlId_ != 0 && window != nullptr)
                window->HideToolTip();
            if (r->hoverCommand != 0 && window != nullptr)
                window->PostCommand(r->hoverCommand, 0);
            hoveredControlId_ = r->controlId;
        }
        overRegion_ = true;
        return;
    }
    LeaveRegions();
}

void LClickRegionMouseHandler::OnMouseLeave()
{
    LeaveRegions();
}

void LClickRegionMouseHandler::LeaveRegions()
{
    if (!overRegion_)
        return;
    if (window != nullptr)
        window->HideToolTip();
    LSetViewCursor(view, 0);
    hoveredControlId_ = 0;
    overRegion_ = false;
}
