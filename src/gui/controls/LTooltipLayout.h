#pragma once
// Where a tooltip goes: its size with or without a balloon arrow and which of
// eight places around a point or a control keeps it on the screen's
// available area. Coordinates are points with y pointing down.

struct LTipRect
{
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;

    bool Contains(const LTipRect& other) const
    {
        return other.x >= x && other.y >= y && other.x + other.w <= x + w && other.y + other.h <= y + h;
    }
};

// Places: 0 below centred, 1 above centred, 2 right, 3 left, 4 below right,
// 5 below left, 6 above right, 7 above left. Arrow sides: 0 none, 1 top,
// 2 top-right, 3 top-left, 4 bottom, 5 bottom-right, 6 bottom-left, 7 left,
// 8 right.
class LTooltipLayout
{
public:
    explicit LTooltipLayout(bool balloon)
        : balloon(balloon), arrowSize(balloon ? 7 : 0), margin(balloon ? 5 : 2), cornerRadius(balloon ? 3 : 0)
    {
    }

    static int ArrowSideFor(int place);
    // The box around a text of that size (text plus margins), and the
    // whole tip with the arrow of that side.
    double BoxWidth(double textWidth) const { return textWidth + 2 * margin; }
    double BoxHeight(double textHeight) const { return textHeight + 2 * margin; }
    void SizeWithArrow(double textWidth, double textHeight, int side, double* w, double* h) const;
    // The tip's rectangle at that place of the point.
    static LTipRect Offset(double x, double y, double w, double h, int place);

    // The first place (the current one first) that fits the area; when none
    // does, the current place's rectangle moved into the area. The chosen
    // place goes to *place.
    LTipRect AtPoint(double x, double y, double textWidth, double textHeight, const LTipRect& area,
                     int* place) const;
    // Below, above, left, then right of the control; else at its centre.
    LTipRect AtControl(const LTipRect& control, double textWidth, double textHeight, const LTipRect& area,
                       int* place) const;

    bool balloon;
    double arrowSize;
    double margin;
    double cornerRadius;

private:
    bool Fits(double x, double y, double textWidth, double textHeight, int place, const LTipRect& area,
              LTipRect* rect) const;
};
