// Text in paint controls: the three alignments, middle and tail truncation
// and wrapping; and a control clipped to rounded corners. Each also disabled.
#include "QdGuiScene.h"

#include "gui/controls/LPaintControl.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QWidget>

namespace {

class TextSample : public LPaintControl
{
public:
    ~TextSample() override { Destroy(); }
    void Paint(LPaintContext* context) override
    {
        context->FillRect({0, 0, width, height}, LRGBColor::FromRGB8(255, 255, 255));
        const int row = height / 6;
        const char* title = "Side A - 01 The first track of the record.wav";
        context->SetTextColour(LRGBColor::FromRGB8(20, 20, 20));
        for (int i = 0; i < 3; ++i) {
            LTextFormat format;
            format.hAlign = i;
            context->DrawText("Split at the silences", {4, row * i, width - 8, row}, format);
        }
        LTextFormat middle;
        middle.truncation = 1;
        context->DrawText(title, {4, row * 3, width / 2, row}, middle);
        LTextFormat tail;
        tail.truncation = 2;
        context->DrawText(title, {4, row * 4, width / 2, row}, tail);
        LTextFormat wrap;
        wrap.wrap = true;
        context->DrawText("Recording, splitting and restoring in one window.",
                          {width / 2 + 8, row * 3, width / 2 - 12, row * 2}, wrap);
        // The shared engine: tail cut with "...", centred in a framed box,
        // and a word-wrapped line on the right.
        LGuiPen frame;
        frame.colour = LRGBColor::FromRGB8(180, 180, 180);
        context->FrameRect({4, row * 5, width / 2, row}, frame);
        LPaintContext::DrawText(context, title, 4, row * 5, width / 2, row, 1, 1, 0, 3);
        LPaintContext::DrawText(context, "Levels, gain and the time at a glance.", width / 2 + 8, row * 5,
                                width / 2 - 12, row, 2, 1, 1, 0);
    }
};

class RoundedSample : public LPaintControl
{
public:
    ~RoundedSample() override { Destroy(); }
    void Paint(LPaintContext* context) override
    {
        context->GradientFillRect({0, 0, width, height}, LRGBColor::FromRGB8(90, 140, 200),
                                  LRGBColor::FromRGB8(20, 50, 110), 0, 0, 0, height);
    }
};

template <typename C> class SampleWindow : public LWindow
{
public:
    C control;
};

template <typename C> bool Build(QdGuiSceneContext& context, bool enabled, int w, int h, int radius)
{
    auto* window = new SampleWindow<C>();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>((w + 20) * s), static_cast<int>((h + 20) * s),
                              kWindowStyleTitled, false, nullptr);
    window->SetTitle("Sample");
    LQtWidget(LAddPaintControl(window, 530))->setGeometry(10, 10, w, h);
    window->control.cornerRadius = static_cast<int>(radius * s);
    window->control.Attach(window, 530);
    if (!enabled)
        window->control.Disable();
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

QD_GUI_SCENE("text-layout", [](QdGuiSceneContext& c) { return Build<TextSample>(c, true, 360, 150, 0); });
QD_GUI_SCENE("text-layout-disabled",
             [](QdGuiSceneContext& c) { return Build<TextSample>(c, false, 360, 150, 0); });
QD_GUI_SCENE("rounded-clip", [](QdGuiSceneContext& c) { return Build<RoundedSample>(c, true, 160, 60, 10); });
QD_GUI_SCENE("rounded-clip-disabled",
             [](QdGuiSceneContext& c) { return Build<RoundedSample>(c, false, 160, 60, 10); });

} // namespace
