// Where a tip goes: sizes with each arrow, the eight places, the order in
// which places around a control are tried, and the clamp when none fits.

#include "gui/controls/LTooltipLayout.h"

#include <gtest/gtest.h>

namespace {

const LTipRect kScreen{0, 0, 800, 600};

TEST(TooltipLayout, SizesByArrowSideAndShape)
{
    const LTooltipLayout balloon(true);
    const LTooltipLayout plain(false);
    struct Case
    {
        int side;
        double w;
        double h;
    } cases[] = {{0, 110, 30}, {1, 110, 37}, {4, 110, 37}, {2, 117, 37},
                 {6, 117, 37}, {7, 117, 30}, {8, 117, 30}};
    for (const Case& c : cases) {
        double w = 0, h = 0;
        balloon.SizeWithArrow(100, 20, c.side, &w, &h);
        EXPECT_DOUBLE_EQ(w, c.w) << c.side;
        EXPECT_DOUBLE_EQ(h, c.h) << c.side;
        // A plain tip has no arrow: the same size for every side.
        plain.SizeWithArrow(100, 20, c.side, &w, &h);
        EXPECT_DOUBLE_EQ(w, 104);
        EXPECT_DOUBLE_EQ(h, 24);
    }
    EXPECT_EQ(plain.cornerRadius, 0);
    EXPECT_EQ(balloon.cornerRadius, 3);
}

TEST(TooltipLayout, PlacesAndTheirArrows)
{
    struct Case
    {
        int place;
        double x;
        double y;
        int side;
    } cases[] = {{0, -50, 0, 1}, {1, -50, -20, 4}, {2, 0, -10, 7}, {3, -100, -10, 8},
                 {4, 0, 0, 3},   {5, -100, 0, 2},  {6, 0, -20, 6}, {7, -100, -20, 5}};
    for (const Case& c : cases) {
        const LTipRect rect = LTooltipLayout::Offset(0, 0, 100, 20, c.place);
        EXPECT_DOUBLE_EQ(rect.x, c.x) << c.place;
        EXPECT_DOUBLE_EQ(rect.y, c.y) << c.place;
        EXPECT_EQ(LTooltipLayout::ArrowSideFor(c.place), c.side) << c.place;
    }
    EXPECT_EQ(LTooltipLayout::ArrowSideFor(8), 0);
}

TEST(TooltipLayout, AControlNearTheBottomGetsItsTipAbove)
{
    const LTooltipLayout balloon(true);
    int place = -1;
    const LTipRect middle = balloon.AtControl({300, 200, 80, 24}, 100, 20, kScreen, &place);
    EXPECT_EQ(place, 0) << "below first";
    EXPECT_DOUBLE_EQ(middle.y, 224);
    const LTipRect bottom = balloon.AtControl({300, 570, 80, 24}, 100, 20, kScreen, &place);
    EXPECT_EQ(place, 1);
    EXPECT_DOUBLE_EQ(bottom.y + bottom.h, 570);
    // Neither below nor above: to the left, then to the right.
    const LTipRect tall{300, 0, 80, 600};
    balloon.AtControl(tall, 100, 20, kScreen, &place);
    EXPECT_EQ(place, 3);
    balloon.AtControl({50, 0, 80, 600}, 100, 20, kScreen, &place);
    EXPECT_EQ(place, 2);
}

TEST(TooltipLayout, ATipThatFitsNowhereIsMovedOntoTheArea)
{
    const LTooltipLayout balloon(true);
    const LTipRect area{0, 30, 800, 540}; // the available area, without panels
    int place = 0;
    const LTipRect rect = balloon.AtPoint(790, 565, 900, 20, area, &place);
    EXPECT_GE(rect.x, area.x);
    EXPECT_GE(rect.y, area.y);
    EXPECT_LE(rect.y + rect.h, area.y + area.h);
    // A point in the panel strip at the top: the tip goes below it, on the area.
    const LTipRect top = balloon.AtPoint(400, 10, 100, 20, area, &place);
    EXPECT_GE(top.y, area.y);
    EXPECT_TRUE(area.Contains(top));
}

} // namespace
