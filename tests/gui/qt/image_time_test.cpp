// The image control's stretching and the time display's layout.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LImageControl.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

void MakePicture(LGuiImage& image, int w, int h)
{
    LBitmap descriptor;
    descriptor.format = LPixelFormatBGRA32;
    descriptor.width = w;
    descriptor.height = h;
    LBitmapInitLayout(descriptor);
    LBitmap bitmap;
    LBitmapAllocate(bitmap, descriptor);
    {
        LBitmapPaintContext paint(&bitmap);
        paint->FillRect({0, 0, w, h}, LRGBColor::FromRGB8(0, 0, 255));
        paint->FillRect({0, 0, w / 2, h}, LRGBColor::FromRGB8(255, 0, 0));
    }
    image.CreateFromBitmap(&bitmap, true);
}

TEST(ImageControl, DrawsUnscaledThenStretches)
{
    auto window = MakePaintHost(40, 20);
    LImageControl control;
    control.Attach(window.get(), 500);
    window->ShowModeless(nullptr, LPlacementNone);
    LGuiImage picture;
    MakePicture(picture, 40, 20);
    control.SetImage(&picture);
    control.RedrawNow();
    EXPECT_EQ(control.CopiesMade(), 0);
    QWidget* host = LQtWidget(window->GetControl(500));
    QImage image = host->grab().toImage();
    EXPECT_EQ(image.pixel(19, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(20, 10), qRgb(0, 0, 255));
    host->resize(80, 20);
    PumpFor(20);
    control.RedrawNow();
    control.RedrawNow();
    EXPECT_EQ(control.CopiesMade(), 1);
    image = host->grab().toImage();
    EXPECT_EQ(image.pixel(38, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(42, 10), qRgb(0, 0, 255));
    control.Destroy();
    window->EndDialog(kCommandCancel);
}

TEST(TimeDisplay, CentresTheTimeAndAppendsTheTotal)
{
    auto window = MakePaintHost(240, 40);
    LTimeDisplay display;
    display.Attach(window.get(), 500);
    window->ShowModeless(nullptr, LPlacementNone);
    LQtWidget(window->GetControl(500))->grab(); // paints now
    const int x = display.textX, tw = display.textWidth;
    EXPECT_NEAR(x + tw / 2, 120, 1);
    EXPECT_STREQ(display.text, "0:00:00.000");
    display.SetSecond("0:45:10.000");
    LQtWidget(window->GetControl(500))->grab(); // paints now
    EXPECT_EQ(display.textX, x);
    const QImage image = LQtWidget(window->GetControl(500))->grab().toImage();
    // Dark text pixels right of the first text: the total was drawn there.
    int dark = 0;
    for (int px = x + tw; px < image.width(); ++px)
        for (int py = 0; py < image.height(); ++py)
            dark += qGray(image.pixel(px, py)) < 100;
    EXPECT_GT(dark, 10);
    display.Destroy();
    window->EndDialog(kCommandCancel);
}

TEST(TimeDisplay, RoundedClipsFromTheSecondPaint)
{
    auto window = MakePaintHost(100, 40);
    LTimeDisplay display;
    display.rounded = true;
    display.radius = 6;
    display.Attach(window.get(), 500);
    window->ShowModeless(nullptr, LPlacementNone);
    LQtWidget(window->GetControl(500))->grab(); // paints now
    EXPECT_EQ(display.cornerRadius, 6);
    LQtWidget(window->GetControl(500))->grab(); // paints now
    const QImage image = LQtWidget(window->GetControl(500))->grab().toImage();
    EXPECT_NE(image.pixel(1, 1), image.pixel(50, 2));
    display.Destroy();
    window->EndDialog(kCommandCancel);
}

} // namespace
