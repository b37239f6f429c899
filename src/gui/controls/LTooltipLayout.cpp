#include "gui/controls/LTooltipLayout.h"

#include <algorithm>

int LTooltipLayout::ArrowSideFor(int place)
{
    static const int sides[] = {1, 4, 7, 8, 3, 2, 6, 5};
    return place >= 0 && place < 8 ? sides[place] : 0;
}

void LTooltipLayout::SizeWithArrow(double textWidth, double textHeight, int side, double* w, double* h) const
{
    double width = BoxWidth(textWidth);
    double height = BoxHeight(textHeight);
    if (side == 1 || side == 4)
        height += arrowSize;
    else if (side == 2 || side == 3 || side == 5 || side == 6) {
        width += arrowSize;
        height += arrowSize;
    } else if (side == 7 || side == 8)
        width += arrowSize;
    *w = width;
    *h = height;
}

LTipRect LTooltipLayout::Offset(double x, double y, double w, double h, int place)
{
    static const double dx[] = {-0.5, -0.5, 0, -1, 0, -1, 0, -1};
    static const double dy[] = {0, -1, -0.5, -0.5, 0, 0, -1, -1};
    if (place < 0 || place > 7)
        return {x, y, w, h};
    return {x + dx[place] * w, y + dy[place] * h, w, h};
}

bool LTooltipLayout::Fits(double x, double y, double textWidth, double textHeight, int place,
                          const LTipRect& area, LTipRect* rect) const
{
    double w = 0;
    double h = 0;
    SizeWithArrow(textWidth, textHeight, ArrowSideFor(place), &w, &h);
    *rect = Offset(x, y, w, h, place);
    return area.Contains(*rect);
}

LTipRect LTooltipLayout::AtPoint(double x, double y, double textWidth, double textHeight,
                                 const LTipRect& area, int* place) const
{
    const int current = place && *place >= 0 && *place < 8 ? *place : 0;
    LTipRect rect;
    if (Fits(x, y, textWidth, textHeight, current, area, &rect)) {
        if (place)
            *place = current;
        return rect;
    }
    for (int candidate = 0; candidate < 8; ++candidate) {
        if (candidate != current && Fits(x, y, textWidth, textHeight, candidate, area, &rect)) {
            if (place)
                *place = candidate;
            return rect;
        }
    }
    // Nothing fits (a tip larger than the area, or a point off it): keep the
    // current place and push the tip onto the area, its top-left winning.
    Fits(x, y, textWidth, textHeight, current, area, &rect);
    rect.x = std::max(area.x, std::min(rect.x, area.x + area.w - rect.w));
    rect.y = std::max(area.y, std::min(rect.y, area.y + area.h - rect.h));
    if (place)
        *place = current;
    return rect;
}

LTipRect LTooltipLayout::AtControl(const LTipRect& control, double textWidth, double textHeight,
                                   const LTipRect& area, int* place) const
{
    const struct
    {
        int place;
        double x;
        double y;
    } tries[] = {
        {0, control.x + control.w / 2, control.y + control.h},
        {1, control.x + control.w / 2, control.y},
        {3, control.x, control.y + control.h / 2},
        {2, control.x + control.w, control.y + control.h / 2},
    };
    LTipRect rect;
    for (const auto& t : tries) {
        if (Fits(t.x, t.y, textWidth, textHeight, t.place, area, &rect)) {
            if (place)
                *place = t.place;
            return rect;
        }
    }
    return AtPoint(control.x + control.w / 2, control.y + control.h / 2, textWidth, textHeight, area, place);
}
