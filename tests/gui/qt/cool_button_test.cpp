// Cool buttons painted by their container, the toggle rule of SetChecked,
// paint-context defaults and the two-colour gradient.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LCoolButtonContainer.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"
#include "gui/qt/controls/LQtPaintContext.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

using namespace quorin::test;

namespace {

class ButtonWindow : public PaintHostWindow, public LCoolButtonContainer
{
public:
    void DrawButton(LPaintContext* ctx, int id) override
    {
        calls.push_back(id);
        scale = ctx->Scale();
        area = ctx->area;
        ctx->FillRect({0, 0, 1000, 1000}, LRGBColor::FromRGB8(10, 200, 10));
    }
    std::vector<int> calls;
    double scale = 0;
    LPaintRect area;
};

struct CoolFixture : ::testing::Test
{
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
        window.AddButtonOfKind(41, "Play", 3);
        window.AddButtonOfKind(42, "Stop", 3);
        window.SetControlRect(41, 10, 10, 60, 24);
        window.SetControlRect(42, 80, 10, 60, 24);
        window.Attach(&window);
        window.ShowModeless(nullptr, LPlacementNone);
        PumpFor(20);
    }
    void TearDown() override
    {
        window.Detach();
        window.EndDialog(kCommandCancel);
    }
    LQtKindButtonImpl* Button(int id)
    {
        return qobject_cast<LQtKindButtonImpl*>(LQtFindControl(LQtWidget(window.GetView()), id));
    }
    ButtonWindow window;
};

TEST_F(CoolFixture, CustomDrawnButtonsPaintThroughTheContainer)
{
    window.HandleCustomDraw(41);
    const QImage drawn = Button(41)->grab().toImage();
    EXPECT_EQ(drawn.pixel(30, 12), qRgb(10, 200, 10));
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.back(), 41);
    EXPECT_EQ(window.scale, 1.0);
    EXPECT_EQ(window.area, (LPaintRect{0, 0, 60, 24}));
    // The other button still draws itself.
    window.calls.clear();
    const QImage plain = Button(42)->grab().toImage();
    EXPECT_TRUE(window.calls.empty());
    EXPECT_NE(plain.pixel(30, 12), qRgb(10, 200, 10));
    // Detached, the container paints nothing and says so.
    window.Detach();
    EXPECT_FALSE(window.PaintButton(41, {0, 0, 5, 5}));
    window.Attach(&window);
    EXPECT_FALSE(window.PaintButton(99, {0, 0, 5, 5}));
}

TEST_F(CoolFixture, SetCheckedMakesAToggleOnce)
{
    EXPECT_EQ(Button(41)->ButtonKind(), LQtKindButtonImpl::kCoolButton);
    window.SetChecked(41, true);
    EXPECT_EQ(Button(41)->ButtonKind(), LQtKindButtonImpl::kCheckButton);
    EXPECT_TRUE(Button(41)->isChecked());
    EXPECT_TRUE(Button(41)->IsDown());
    window.SetChecked(41, false);
    EXPECT_EQ(Button(41)->ButtonKind(), LQtKindButtonImpl::kCheckButton);
    EXPECT_FALSE(Button(41)->isChecked());
    EXPECT_FALSE(Button(41)->IsDown());
    // Unknown ids and a detached container change nothing.
    window.SetChecked(99, true);
    window.Detach();
    window.SetChecked(42, true);
    EXPECT_EQ(Button(42)->ButtonKind(), LQtKindButtonImpl::kCoolButton);
}

TEST(PaintContext, ConstructionDefaults)
{
    GuiApp();
    LQtPaintContext ctx(nullptr, 1.0);
    EXPECT_TRUE(ctx.GetFont().systemFace());
    EXPECT_EQ(ctx.GetFont().size, 13);
    EXPECT_TRUE(ctx.secondFont.systemFace());
    EXPECT_EQ(ctx.secondFont.size, 13);
    EXPECT_EQ(ctx.GetTextColour(), LRGBColor());
    EXPECT_EQ(ctx.outlineColour, (LGuiColorAlpha{LRGBColor(), 255}));
    EXPECT_EQ(ctx.outlineWidth, 1.5f);
    EXPECT_FALSE(ctx.outline);
}

TEST(PaintContext, GradientFromEdgeToEdge)
{
    GuiApp();
    LBitmap descriptor;
    descriptor.format = LPixelFormatBGRA32;
    descriptor.width = 12;
    descriptor.height = 40;
    LBitmapInitLayout(descriptor);
    LBitmap bitmap;
    LBitmapAllocate(bitmap, descriptor);
    const LGuiColorAlpha white{LRGBColor::FromRGB8(255, 255, 255), 255};
    const LGuiColorAlpha grey{LRGBColor::FromRGB8(210, 210, 210), 255};
    {
        LBitmapPaintContext paint(&bitmap);
        paint->FillRect({0, 0, 12, 40}, LRGBColor::FromRGB8(0, 0, 0));
        LPaintContext::GradientFillRect(paint.Get(), &white, &grey, true, 0, 0, 12, 40);
        // Nothing outside the rectangle, nothing for an empty one.
        LPaintContext::GradientFillRect(paint.Get(), &white, &grey, true, 0, 0, 0, 40);
    }
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(bitmap.Row(0)[4 * x + 1], 255) << x;
        EXPECT_NEAR(bitmap.Row(39)[4 * x + 1], 210, 2) << x;
    }
    for (int y = 1; y < 40; ++y)
        EXPECT_LE(bitmap.Row(y)[1], bitmap.Row(y - 1)[1]) << y;
    // Horizontal: left column white, right column grey, each row alike.
    {
        LBitmapPaintContext paint(&bitmap);
        LPaintContext::GradientFillRect(paint.Get(), &white, &grey, false, 0, 0, 12, 40);
    }
    EXPECT_EQ(bitmap.Row(20)[1], 255);
    EXPECT_NEAR(bitmap.Row(20)[4 * 11 + 1], 210, 5);
    EXPECT_EQ(bitmap.Row(0)[4 * 11 + 1], bitmap.Row(39)[4 * 11 + 1]);
}

} // namespace
