// Window geometry in device pixels at scale 1 and 2, the standard button
// row, and placement saved to and restored from the settings (the offscreen
// screen of Qt 6.4 is 800 x 800 points, all of it visible).
#include "gui/GuiTestSupport.h"

#include "foundation/settings/LSettings.h"
#include "gui/framework/LScreens.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "support/TempHome.h"

#include <QScreen>

#include <gtest/gtest.h>

#include <string>

using namespace quorin::test;

namespace {

void CheckGeometryAtScale(double scale)
{
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), scale);
    LWindow window;
    EXPECT_FLOAT_EQ(window.CharWidthPx(), static_cast<float>(8 * scale));
    EXPECT_FLOAT_EQ(window.CharHeightPx(), static_cast<float>(17 * scale));
    window.CreateCocoaWindow(400, 200, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    EXPECT_DOUBLE_EQ(window.GetScaleFactor(), scale);
    int w = 0, h = 0;
    window.GetWindowSize(&w, &h);
    EXPECT_EQ(w, 400);
    EXPECT_EQ(h, 200);
    window.ResizeWindow(500, 240);
    window.GetWindowSize(&w, &h);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 240);

    // Controls are placed in pixels and read back the same.
    window.AddStaticText(101, "text");
    ASSERT_TRUE(window.SetControlRect(101, 20, 40, 200, 22));
    int x = 0, y = 0;
    window.GetControlRect(101, &x, &y, &w, &h);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 40);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 22);

    // The button row inside a rectangle that does not start at 0: OK ends
    // 2 cells before the rectangle's right edge, Cancel sits 1.25 cells left
    // of it, both at least 96 points wide, Help square at the left.
    window.AddHelpButton();
    window.AddOKCancelButtonsNoRect();
    const int rx = 60, ry = 10, rw = 400, rh = 200;
    window.LayoutDialogButtons(0, rx, ry, rw, rh);
    double cw = window.CharWidthPx(), ch = window.CharHeightPx();
    auto round = [](double v) { return static_cast<int>(v + 0.5); };
    int okX, okY, okW, okH;
    ASSERT_TRUE(window.GetControlRect(kCommandOK, &okX, &okY, &okW, &okH));
    EXPECT_EQ(okX + okW, rx + rw - round(2 * cw));
    EXPECT_EQ(okY, ry + rh - round(1.23 * ch) - round(0.94 * ch));
    EXPECT_EQ(okH, round(1.23 * ch));
    EXPECT_GE(okW, round(96 * scale));
    int cx, cy, cW, cH;
    window.GetControlRect(kCommandCancel, &cx, &cy, &cW, &cH);
    EXPECT_EQ(cx + cW, okX - round(1.25 * cw));
    EXPECT_EQ(cy, okY);
    int hx, hy, hw, hh;
    window.GetControlRect(kCommandHelp, &hx, &hy, &hw, &hh);
    EXPECT_EQ(hx, rx + round(2 * cw));
    EXPECT_EQ(hw, hh);
    window.DestroyWindow();
}

} // namespace

TEST(WindowGeometry, PixelsAtScale1)
{
    GuiApp("1");
    CheckGeometryAtScale(1.0);
}

TEST(WindowGeometry, PixelsAtScale2)
{
    GuiApp("2");
    CheckGeometryAtScale(2.0);
}

TEST(WindowGeometry, CentredOnScreenAndOnAnOwnerKeptInsideTheScreen)
{
    GuiApp("1");
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
    LWindow window;
    window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    window.CenterOnScreen();
    EXPECT_EQ(window.GetPlacement(), 2);
    int x = 0, y = 0;
    window.GetWindowPos(&x, &y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 350);

    LWindow owner;
    owner.CreateCocoaWindow(100, 100, kWindowStyleTitled, false, nullptr);
    owner.MoveWindow(650, 450);
    window.SetParent(&owner);
    window.CenterOnParent();
    EXPECT_EQ(window.GetPlacement(), 1);
    window.GetWindowPos(&x, &y);
    EXPECT_EQ(x, 600); // limited so the window ends at the screen's edge
    EXPECT_EQ(y, 450);
    LWindow huge;
    huge.CreateCocoaWindow(1200, 900, kWindowStyleTitled, false, nullptr);
    huge.SetParent(&owner);
    huge.CenterOnParent();
    huge.GetWindowPos(&x, &y);
    EXPECT_EQ(x, 0); // larger than the screen: at the visible origin
    EXPECT_EQ(y, 0);
    huge.DestroyWindow();
    window.DestroyWindow();
    owner.DestroyWindow();
}

namespace {

class WindowPlacement : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp("1");
        window_.CreateCocoaWindow(300, 200, kWindowStyleTitled | kWindowStyleClosable | kWindowStyleResizable,
                                  false, nullptr);
        window_.ShowModeless(nullptr, LPlacementNone);
    }
    void TearDown() override { window_.DestroyWindow(); }

    void Store(const char* name, const char* value) { LSettingsSetString("Placed", name, value); }
    void Restore(bool defMaximized = false)
    {
        window_.RestoreWindowPlacement("Placed", 400, 300, 200, 150, defMaximized);
    }
    void Geometry(int* x, int* y, int* w, int* h)
    {
        window_.GetWindowPos(x, y);
        window_.GetWindowSize(w, h);
    }

    LWindow window_;
};

} // namespace

TEST_F(WindowPlacement, SizesAreKeptBetweenTheMinimumAndTheVisibleArea)
{
    struct Case
    {
        const char* width;
        const char* height;
        int w;
        int h;
    };
    for (Case c : {Case{nullptr, nullptr, 400, 300}, Case{"100", "50", 200, 150},
                   Case{"5000", "4000", 800, 800}, Case{"640", "480", 640, 480}}) {
        if (c.width != nullptr) {
            Store("Width", c.width);
            Store("Height", c.height);
        }
        Restore();
        int x, y, w, h;
        Geometry(&x, &y, &w, &h);
        SCOPED_TRACE(c.w);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
    }
}

TEST_F(WindowPlacement, PositionsAreKeptInsideTheVisibleArea)
{
    Store("Width", "400");
    Store("Height", "300");
    struct Case
    {
        const char* x;
        const char* y;
        int ex;
        int ey;
    };
    for (Case c : {Case{nullptr, nullptr, 200, 200}, Case{"-50", "0", 0, 0}, Case{"700", "900", 400, 500},
                   Case{"120", "80", 120, 80}}) {
        if (c.x != nullptr) {
            Store("X", c.x);
            Store("Y", c.y);
        }
        Restore();
        int x, y, w, h;
        Geometry(&x, &y, &w, &h);
        SCOPED_TRACE(c.ex);
        EXPECT_EQ(x, c.ex);
        EXPECT_EQ(y, c.ey);
    }
}

TEST_F(WindowPlacement, MaximizedFlagAndItsDefault)
{
    Restore(true); // absent: the default maximises
    EXPECT_TRUE(window_.IsMaximized());
    window_.DestroyWindow();
    SetUp();
    Store("Maximized", "0");
    Store("X", "100");
    Store("Y", "120");
    Restore(true);
    EXPECT_FALSE(window_.IsMaximized());
    int x, y, w, h;
    Geometry(&x, &y, &w, &h);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 120);
}

TEST_F(WindowPlacement, SavedPlacementRestoresTheSameWindowAndAMaximisedOneItsNormalSize)
{
    window_.ResizeWindow(420, 260);
    window_.MoveWindow(90, 70);
    PumpFor(10);
    window_.SaveWindowPlacement("Placed");
    char text[260];
    LSettingsGetString("Placed", "Maximized", "", text);
    EXPECT_STREQ(text, "0");
    EXPECT_EQ(LSettingsGetInt("Placed", "X", -1), 90);
    EXPECT_EQ(LSettingsGetInt("Placed", "Y", -1), 70);
    EXPECT_EQ(LSettingsGetInt("Placed", "Width", -1), 420);
    EXPECT_EQ(LSettingsGetInt("Placed", "Height", -1), 260);

    window_.Maximize();
    PumpUntil([&] { return window_.IsMaximized(); }, 1000);
    window_.SaveWindowPlacement("Placed");
    LSettingsGetString("Placed", "Maximized", "", text);
    EXPECT_STREQ(text, "1");
    // Not the screen's size: leaving the maximised state after a restart
    // must give a real window.
    EXPECT_EQ(LSettingsGetInt("Placed", "Width", -1), 420);
    EXPECT_EQ(LSettingsGetInt("Placed", "Height", -1), 260);
}

TEST(Screens, RectanglesInPixelsAndWindowHelpersByView)
{
    GuiApp("2");
    int rect[4];
    LGetScreenRect(1, rect);
    EXPECT_EQ(rect[2] - rect[0], 800); // 400 points at scale 2
    LGetScreenRect(0, rect);
    EXPECT_EQ(rect[2] - rect[0], 800);
    LGetScreenRect(2, rect);
    EXPECT_EQ(rect[2], 0); // no such screen
    LWindow window;
    window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    LGetWindowWorkArea(window.GetView(), rect);
    EXPECT_EQ(rect[3] - rect[1], 800);
    EXPECT_FALSE(LIsWindowVisible(window.GetView()));
    LBringWindowToFront(window.GetView());
    EXPECT_TRUE(LIsWindowVisible(window.GetView()));
    EXPECT_EQ(LGetStatusBarHeight(window.GetView()), 0);
    window.AddStaticText(800, "status");
    EXPECT_EQ(LGetStatusBarHeight(window.GetView()), 60);
    LEnableWindow(window.GetView(), false);
    EXPECT_FALSE(LQtWidget(window.GetView())->window()->isEnabled());
    EXPECT_FALSE(LIsWindowVisible(nullptr));
    window.DestroyWindow();
}
