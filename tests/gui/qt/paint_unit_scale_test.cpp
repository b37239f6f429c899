// Drawing in the caller's units on a paint control: what the unit scale and
// logical size calls do to real pixels, and what they report.
#include "gui/GuiTestSupport.h"

#include "gui/controls/LPaintControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace quorin::test;

namespace {

class SizedControl : public LPaintControl
{
public:
    SizedControl(int w, int h)
    {
        width = w;
        height = h;
    }
    void Paint(LPaintContext*) override {}
};

struct Canvas
{
    Canvas(int w, int h)
    {
        LBitmap descriptor;
        descriptor.format = LPixelFormatBGRA32;
        descriptor.width = w;
        descriptor.height = h;
        LBitmapInitLayout(descriptor);
        LBitmapAllocate(bitmap, descriptor);
        LBitmapPaintContext paint(&bitmap);
        paint->FillRect({0, 0, w, h}, LRGBColor::FromRGB8(0, 0, 0));
    }
    bool Lit(int x, int y) const { return bitmap.Row(y)[4 * x + 1] > 128; }
    LBitmap bitmap;
};

const LRGBColor kGreen = LRGBColor::FromRGB8(0, 255, 0);

// The lit pixels' bounding box as {left, top, right, bottom} (exclusive).
std::array<int, 4> LitBox(const Canvas& canvas, int w, int h)
{
    std::array<int, 4> box{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (canvas.Lit(x, y)) {
                box[0] = std::min(box[0], x);
                box[1] = std::min(box[1], y);
                box[2] = std::max(box[2], x + 1);
                box[3] = std::max(box[3], y + 1);
            }
    return box;
}

TEST(PaintUnits, LogicalSizeMapsUnitsOntoPixels)
{
    GuiApp();
    struct Case
    {
        const char* name;
        int logicalW, logicalH, mode;
        LPaintRect fill;
        std::array<int, 4> box;
    } cases[] = {
        // 200 x 100 pixels shown as 100 x 100 units: x doubles, y stays.
        {"each axis, y down", 100, 100, 1, {0, 0, 50, 50}, {0, 0, 100, 50}},
        // y up from the bottom edge: unit row 0 is the bottom pixel row.
        {"each axis, y up", 100, 100, 0, {0, 0, 50, 10}, {0, 90, 100, 100}},
        // Proportions kept: min(200, 100) / max(100, 50) = 1 pixel per unit.
        {"alike, y down", 100, 50, 3, {10, 10, 20, 20}, {10, 10, 30, 30}},
        {"alike, y up", 100, 50, 2, {0, 0, 20, 20}, {0, 80, 20, 100}},
    };
    for (const Case& c : cases) {
        Canvas canvas(200, 100);
        SizedControl control(200, 100);
        {
            LBitmapPaintContext paint(&canvas.bitmap);
            float x = -1, y = -1;
            control.SetLogicalSize(paint.Get(), c.logicalW, c.logicalH, &x, &y, c.mode);
            EXPECT_FLOAT_EQ(x, 1) << c.name;
            EXPECT_FLOAT_EQ(y, 1) << c.name;
            paint->FillRect(c.fill, kGreen);
        }
        EXPECT_EQ(LitBox(canvas, 200, 100), c.box) << c.name;
    }
}

TEST(PaintUnits, UnitScaleAndUnitsPerPixel)
{
    GuiApp();
    Canvas canvas(100, 100);
    SizedControl control(100, 100);
    LBitmapPaintContext paint(&canvas.bitmap);
    float x = 0, y = 0;
    control.GetUnitsPerPixel(paint.Get(), &x, &y);
    EXPECT_FLOAT_EQ(x, 1);
    EXPECT_FLOAT_EQ(y, 1);

    // Half a unit per pixel across, a quarter down.
    control.SetUnitScale(paint.Get(), 0.5f, 0.25f, nullptr, nullptr, 1);
    control.GetUnitsPerPixel(paint.Get(), &x, &y);
    EXPECT_FLOAT_EQ(x, 0.5f);
    EXPECT_FLOAT_EQ(y, 0.25f);
    paint->FillRect({0, 0, 10, 10}, kGreen);
    EXPECT_EQ(LitBox(canvas, 100, 100), (std::array<int, 4>{0, 0, 20, 40}));

    // Where (1, 1) lies is reported before the change.
    float outX = 0, outY = 0;
    control.SetUnitScale(paint.Get(), 2, 2, &outX, &outY, 1);
    EXPECT_FLOAT_EQ(outX, 2);
    EXPECT_FLOAT_EQ(outY, 4);

    // An upward y axis gives a negative step downwards.
    control.SetUnitScale(paint.Get(), 1, 1, nullptr, nullptr, 0);
    control.GetUnitsPerPixel(paint.Get(), &x, &y);
    EXPECT_FLOAT_EQ(x, 1);
    EXPECT_FLOAT_EQ(y, -1);
}

TEST(PaintUnits, ZeroUnitsChangeNothing)
{
    GuiApp();
    Canvas canvas(50, 50);
    SizedControl control(50, 50);
    LBitmapPaintContext paint(&canvas.bitmap);
    const LPaintTransform before = paint->GetTransform();
    float outX = 7, outY = 7;
    control.SetUnitScale(paint.Get(), 0, 2, &outX, &outY, 0);
    control.SetLogicalSize(paint.Get(), 10, 0, &outX, &outY, 0);
    EXPECT_EQ(paint->GetTransform(), before);
    EXPECT_FLOAT_EQ(outX, 7);

    // A degenerate map reports no units rather than infinity.
    paint->SetTransform({0, 0, 0, 0, 0, 0});
    float x = 5, y = 5;
    control.GetUnitsPerPixel(paint.Get(), &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

} // namespace
