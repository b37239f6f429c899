#pragma once
// Turns rectangles of a window (usually over static texts) into links: a
// click posts the region's command, hovering shows the pointing hand and
// may post a hover command.

#include "gui/controls/LMouseHandler.h"

#include <memory>
#include <vector>

class LClickRegionMouseHandler : public LMouseHandler
{
public:
    struct Region
    {
        int controlId = 0;
        int x = 0, y = 0, w = 0, h = 0; // window pixels
        int clickCommand = 0;
        int hoverCommand = 0;
    };

    ~LClickRegionMouseHandler() override;
    // The control's rectangle (as it is now) becomes a region; a control
    // the window does not have adds nothing. Newer regions lie on top.
    void AddControl(int controlId, int clickCommand, int hoverCommand);
    void AddRegion(const Region& region) { regions_.insert(regions_.begin(), region); }
    // The topmost region containing the point, or null.
    const Region* RegionAt(int x, int y) const;

    void OnLButtonDown(int x, int y) override;
    void OnMouseMove(int x, int y) override;
    void OnMouseLeave() override;

    bool OverRegion() const { return overRegion_; }
    int HoveredControl() const { return hoveredControlId_; }

private:
    void LeaveRegions();
    std::vector<Region> regions_; // newest first
    bool overRegion_ = false;
    int hoveredControlId_ = 0;
};

// Cursor over a view: 0 arrow, 1 pointing hand (toolkit side).
void LSetViewCursor(LViewHandle view, int shape);
