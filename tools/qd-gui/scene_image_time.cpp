// The image control with a generated picture, and the time display with and
// without a total; each also disabled.
#include "QdGuiScene.h"

#include "gui/controls/LImageControl.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QWidget>

namespace {

class ImageWindow : public LWindow
{
public:
    LImageControl image;
    LGuiImage picture;
};

class TimeWindow : public LWindow
{
public:
    LTimeDisplay position;
    LTimeDisplay rounded;
};

template <typename W> void Finish(QdGuiSceneContext& context, W* window)
{
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
}

bool BuildImage(QdGuiSceneContext& context, bool enabled)
{
    auto* window = new ImageWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(220 * s), static_cast<int>(120 * s), kWindowStyleTitled, false,
                              nullptr);
    window->SetTitle("Set-up");
    LQtWidget(LAddPaintControl(window, 510))->setGeometry(10, 10, 200, 100);
    window->image.Attach(window, 510);
    // A turntable-like picture: a dark platter on a light plinth.
    LBitmap descriptor;
    descriptor.format = LPixelFormatBGRA32;
    descriptor.width = 100;
    descriptor.height = 50;
    LBitmapInitLayout(descriptor);
    LBitmap bitmap;
    LBitmapAllocate(bitmap, descriptor);
    {
        LBitmapPaintContext paint(&bitmap);
        paint->FillRect({0, 0, 100, 50}, LRGBColor::FromRGB8(200, 190, 170));
        paint->FillRoundedRect({10, 5, 40, 40}, 20, LRGBColor::FromRGB8(30, 30, 30));
        paint->FillRoundedRect({27, 22, 6, 6}, 3, LRGBColor::FromRGB8(200, 40, 40));
        LGuiPen arm;
        arm.colour = LRGBColor::FromRGB8(90, 90, 90);
        arm.width = 2;
        paint->DrawLine(arm, 80, 8, 55, 35);
    }
    window->picture.CreateFromBitmap(&bitmap, true);
    window->image.SetImage(&window->picture);
    if (!enabled)
        window->image.Disable();
    Finish(context, window);
    return window->IsWindow();
}

bool BuildTime(QdGuiSceneContext& context, bool enabled)
{
    auto* window = new TimeWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(300 * s), static_cast<int>(110 * s), kWindowStyleTitled, false,
                              nullptr);
    window->SetTitle("Position");
    LQtWidget(LAddPaintControl(window, 520))->setGeometry(10, 10, 280, 40);
    LQtWidget(LAddPaintControl(window, 521))->setGeometry(10, 60, 280, 40);
    window->position.Attach(window, 520);
    window->rounded.rounded = true;
    window->rounded.radius = static_cast<int>(6 * s);
    window->rounded.Attach(window, 521);
    window->rounded.SetText("0:12:41.250");
    window->rounded.SetSecond("0:45:10.000");
    if (!enabled) {
        window->position.Disable();
        window->rounded.Disable();
    }
    Finish(context, window);
    return window->IsWindow();
}

QD_GUI_SCENE("image-control", [](QdGuiSceneContext& c) { return BuildImage(c, true); });
QD_GUI_SCENE("image-control-disabled", [](QdGuiSceneContext& c) { return BuildImage(c, false); });
QD_GUI_SCENE("time-display", [](QdGuiSceneContext& c) { return BuildTime(c, true); });
QD_GUI_SCENE("time-display-disabled", [](QdGuiSceneContext& c) { return BuildTime(c, false); });

} // namespace
