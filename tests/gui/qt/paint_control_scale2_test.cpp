// At scale 2 a paint control works in device pixels: sizes double and
// invalidated rectangles halve on their way to the toolkit.
#include "gui/qt/PaintControlTestSupport.h"

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

class Plain : public LPaintControl
{
public:
    ~Plain() override { Destroy(); }
    void Paint(LPaintContext* context) override
    {
        context->FillRect({0, 0, width, height}, LRGBColor::FromRGB8(0, 0, 255));
        context->FillRect({20, 0, 10, 100}, LRGBColor::FromRGB8(255, 0, 0));
    }
};

TEST(PaintControlScale2, SizesAndInvalidation)
{
    GuiApp("2");
    auto window = MakePaintHost(100, 50);
    Plain control;
    control.Attach(window.get(), 500);
    window->ShowModeless(nullptr, LPlacementNone);
    QWidget* host = LQtWidget(window->GetControl(500));
    PumpFor(30);
    EXPECT_EQ(control.ScaleFactor(), 2.0);
    EXPECT_EQ(control.GetWidth(), 200);
    EXPECT_EQ(control.GetHeight(), 100);
    PaintRecorder recorder(host);
    control.InvalidateRect(20, 0, 10, 100);
    PumpFor(30);
    EXPECT_EQ(recorder.region.boundingRect(), QRect(10, 0, 5, 50));
    const QImage image = host->grab().toImage();
    ASSERT_EQ(image.width(), 200);
    EXPECT_EQ(image.pixel(19, 10), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(20, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(29, 99), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 10), qRgb(0, 0, 255));
    control.Destroy();
    window->EndDialog(kCommandCancel);
}

} // namespace
