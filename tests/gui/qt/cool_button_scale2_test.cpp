// At scale 2 a container paints its buttons in device pixels.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LCoolButtonContainer.h"
#include "gui/qt/LQtFindControl.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

class ButtonWindow : public PaintHostWindow, public LCoolButtonContainer
{
public:
    void DrawButton(LPaintContext* ctx, int) override
    {
        scale = ctx->Scale();
        area = ctx->area;
        // The left 10 device pixels, which are 5 points.
        ctx->FillRect({0, 0, 10, 1000}, LRGBColor::FromRGB8(200, 0, 0));
        ctx->FillRect({10, 0, 1000, 1000}, LRGBColor::FromRGB8(0, 0, 200));
    }
    double scale = 0;
    LPaintRect area;
};

TEST(CoolButtonScale2, PaintsInDevicePixels)
{
    GuiApp("2");
    ButtonWindow window;
    window.CreateCocoaWindow(400, 200, kWindowStyleTitled, false, nullptr);
    window.AddButtonOfKind(41, "Play", 3);
    window.SetControlRect(41, 20, 20, 120, 48); // pixels: 60 x 24 points
    window.Attach(&window);
    window.HandleCustomDraw(41);
    window.ShowModeless(nullptr, LPlacementNone);
    PumpFor(20);
    QWidget* button = LQtFindControl(LQtWidget(window.GetView()), 41);
    ASSERT_EQ(button->width(), 60);
    const QImage image = button->grab().toImage();
    EXPECT_EQ(window.scale, 2.0);
    EXPECT_EQ(window.area, (LPaintRect{0, 0, 120, 48}));
    ASSERT_EQ(image.width(), 120);
    EXPECT_EQ(image.pixel(9, 20), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(10, 20), qRgb(0, 0, 200));
    window.Detach();
    window.EndDialog(kCommandCancel);
}

} // namespace
