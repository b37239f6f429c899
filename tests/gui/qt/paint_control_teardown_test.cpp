// Tearing a paint control down: unbound controls touch nothing, a held
// capture is given back, the host view and its control may go in either
// order, and a new time display shows no total.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LImageControl.h"
#include "gui/qt/controls/LQtPaintControlImpl.h"
#include "gui/qt/windows/LQtMouseCapture.h"

#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

class Plain : public LPaintControl
{
public:
    ~Plain() override { Destroy(); }
    void Paint(LPaintContext* ctx) override
    {
        ctx->FillRect({0, 0, width, height}, LRGBColor::FromRGB8(9, 9, 9));
    }
    void OnLButtonDown(int, int) override { ++downs; }
    int downs = 0;
};

TEST(PaintControlTeardown, UnboundControlTouchesNothing)
{
    GuiApp();
    auto window = MakePaintHost(50, 50);
    Plain other;
    other.Attach(window.get(), 500);
    other.SetCapture();
    {
        Plain loose;
        loose.Destroy();
        loose.Destroy();
    }
    // Another control's capture and binding are untouched.
    EXPECT_TRUE(other.HasCapture());
    EXPECT_NE(other.GetView(), nullptr);
    LReleaseMouseCapture();
    other.Destroy();
    window->EndDialog(kCommandCancel);
}

TEST(PaintControlTeardown, DestroyGivesBackTheCapture)
{
    GuiApp();
    auto window = MakePaintHost(200, 100);
    LQtWidget(window->GetControl(500))->setGeometry(0, 0, 100, 100);
    LQtWidget(LAddPaintControl(window.get(), 501))->setGeometry(100, 0, 100, 100);
    Plain second;
    second.Attach(window.get(), 501);
    window->ShowModeless(nullptr, LPlacementNone);
    PumpFor(20);
    {
        Plain first;
        first.Attach(window.get(), 500);
        first.SetCapture();
        ASSERT_TRUE(first.HasCapture());
    }
    EXPECT_EQ(LQtMouseCapture::shared().getCapture(), nullptr);
    auto* host = qobject_cast<LQtPaintControlImpl*>(LQtWidget(window->GetControl(500)));
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->paintControl(), nullptr);
    EXPECT_EQ(host->mouseHandler(), nullptr);
    QTest::mouseClick(LQtWidget(window->GetControl(501)), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(second.downs, 1);
    second.Destroy();
    window->EndDialog(kCommandCancel);
}

TEST(PaintControlTeardown, ViewGoingFirstUnbindsTheControl)
{
    GuiApp();
    auto window = MakePaintHost(50, 50);
    Plain control;
    control.Attach(window.get(), 500);
    delete LQtWidget(window->GetControl(500));
    EXPECT_EQ(control.GetView(), nullptr);
    EXPECT_EQ(control.MouseHandler().view, nullptr);
    control.Invalidate();
    control.Destroy();
    window->EndDialog(kCommandCancel);
}

TEST(TimeDisplay, NewDisplayShowsZeroAndNoTotal)
{
    GuiApp();
    LTimeDisplay display;
    EXPECT_STREQ(display.text, "0:00:00.000");
    EXPECT_STREQ(display.second, "");
    EXPECT_EQ(display.top, LRGBColor::FromRGB8(255, 255, 255));
    EXPECT_EQ(display.bottom, LRGBColor::FromRGB8(210, 210, 210));
    EXPECT_EQ(display.frame, LRGBColor::FromRGB8(150, 150, 150));
}

} // namespace
