// The window helpers between pixels and points at scale 1 and 2: view
// frames, rectangles converted from the screen's pixels, the top-level window
// of an embedded one, the status bar's place, the pointer's rectangle,
// visibility on screen and tooltips from a table with their shortcuts.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LStatusBar.h"
#include "gui/framework/LEmbeddedWindow.h"
#include "gui/framework/LScreens.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace quorin::test;

namespace {

class Plain : public LWindow
{
};

class Embedded : public LEmbeddedWindow
{
};

// Each scale runs in a process of its own (as CTest runs every test): the
// toolkit takes its scale once per process.
class WindowHelpers : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        GuiApp(GetParam());
        scale = QGuiApplication::primaryScreen()->devicePixelRatio();
        if (scale != std::atof(GetParam()))
            GTEST_SKIP() << "scale " << GetParam() << " needs a process of its own";
        ASSERT_TRUE(
            window.CreateCocoaWindow(int(400 * scale), int(300 * scale), kWindowStyleTitled, false, nullptr));
        window.ShowModeless(nullptr, LPlacementCenterOnScreen);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(LQtWidget(window.GetView())->window()));
    }
    void TearDown() override { window.EndDialog(kCommandCancel); }

    Plain window;
    double scale = 1;
};

TEST_P(WindowHelpers, ViewFramesAndRectanglesGoFromPixelsToPoints)
{
    window.AddStaticText(30, "Level");
    LViewHandle label = window.GetControl(30);
    ASSERT_NE(label, nullptr);
    LWindow::SetViewRect(label, int(20 * scale), int(40 * scale), int(100 * scale), int(24 * scale));
    EXPECT_EQ(LQtWidget(label)->geometry(), QRect(20, 40, 100, 24));
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_TRUE(window.GetControlRect(30, &x, &y, &w, &h));
    EXPECT_EQ(x, int(20 * scale));
    EXPECT_EQ(h, int(24 * scale)) << "the same pixels SetControlRect would take";

    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
    double rect[4] = {};
    window.ConvertRectFromPixels(int(10 * scale), int(50 * scale), int(200 * scale), int(30 * scale), true,
                                 rect);
    EXPECT_DOUBLE_EQ(rect[0], 10);
    EXPECT_DOUBLE_EQ(rect[1], 50);
    EXPECT_DOUBLE_EQ(rect[2], 200);
    EXPECT_DOUBLE_EQ(rect[3], 30);
    window.ConvertRectFromPixels(int(10 * scale), int(50 * scale), int(200 * scale), int(30 * scale), false,
                                 rect);
    EXPECT_DOUBLE_EQ(rect[1], screenHeight - 80) << "without flipY the pixel y counts up from the bottom";

    EXPECT_GE(LWindow::GetTitleBarHeight(window.GetView()), 0);
    EXPECT_EQ(LWindow::GetTitleBarHeight(nullptr), 0);
}

TEST_P(WindowHelpers, AnEmbeddedWindowsTopLevelIsItsHost)
{
    EXPECT_EQ(window.GetTopLevelWindow(), &window);
    Embedded pane;
    ASSERT_TRUE(pane.Create(&window, int(100 * scale), int(80 * scale)));
    EXPECT_EQ(pane.GetTopLevelWindow(), &window);
    Plain unmade;
    EXPECT_EQ(unmade.GetTopLevelWindow(), nullptr);
}

TEST_P(WindowHelpers, TheStatusBarSitsAlongTheBottomAndTakesItsHeightFromTheClient)
{
    LStatusBar bar;
    bar.Create(&window);
    int w = 0, h = 0;
    window.GetWindowSize(&w, &h);
    int client = h;
    LLayoutStatusBar(window.GetView(), &w, &client);
    const int barHeight = int(30 * scale);
    EXPECT_EQ(client, h - barHeight);
    int x = 0, y = 0, bw = 0, bh = 0;
    ASSERT_TRUE(window.GetControlRect(800, &x, &y, &bw, &bh));
    EXPECT_EQ(y, h - barHeight);
    EXPECT_EQ(bh, barHeight);
    EXPECT_EQ(bw, w);

    window.ShowControl(800, false);
    client = h;
    LLayoutStatusBar(window.GetView(), &w, &client);
    EXPECT_EQ(client, h) << "a hidden bar takes nothing";
}

TEST_P(WindowHelpers, ThePointersRectangleAndTheScreenFrame)
{
    QWidget* view = LQtWidget(window.GetView());
    QCursor::setPos(view->mapToGlobal(QPoint(30, 20)));
    if (QCursor::pos() != view->mapToGlobal(QPoint(30, 20)))
        GTEST_SKIP() << "this platform cannot move the pointer";
    int rect[4] = {};
    LGetCursorRect(rect, window.GetView());
    EXPECT_EQ(rect[0], int(30 * scale));
    EXPECT_EQ(rect[1], int(20 * scale));
    EXPECT_EQ(rect[2] - rect[0], 11);
    EXPECT_EQ(rect[3] - rect[1], 17);

    int frame[4] = {};
    LGetScreenFrame(window.GetView(), frame);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(frame[2] - frame[0], int(screen.width() * scale));
    EXPECT_EQ(frame[3] - frame[1], int(screen.height() * scale));
}

TEST_P(WindowHelpers, VisibleOnScreenOnlyWhileShownAndNotMinimised)
{
    EXPECT_TRUE(LIsWindowVisibleOnScreen(window.GetView()));
    QWidget* top = LQtWidget(window.GetView())->window();
    top->showMinimized();
    EXPECT_FALSE(LIsWindowVisibleOnScreen(window.GetView()));
    top->showNormal();
    top->move(-5000, -5000);
    EXPECT_FALSE(LIsWindowVisibleOnScreen(window.GetView())) << "off every screen";
    top->hide();
    EXPECT_FALSE(LIsWindowVisibleOnScreen(window.GetView()));
    EXPECT_FALSE(LIsWindowVisibleOnScreen(nullptr));
}

TEST_P(WindowHelpers, TooltipsFromATableCarryTheirShortcuts)
{
    window.AddButtonNoRect(2002, "Record");
    window.AddButtonNoRect(2008, "Play");
    const LWindow::ToolTipEntry tips[] = {{2002, "Start a recording session"},
                                          {2008, "Play the selected file"}};
    const LKeyToCommandMap keys[] = {{LKey::FromCharacter(u'r', LKey::kCommand), 2002}};
    window.SetToolTips(tips, 2, keys, 1);
    const QString record = LQtWidget(window.GetControl(2002))->toolTip();
    EXPECT_TRUE(record.startsWith("Start a recording session (")) << record.toStdString();
    EXPECT_TRUE(record.contains("Ctrl")) << record.toStdString();
    EXPECT_EQ(LQtWidget(window.GetControl(2008))->toolTip(), "Play the selected file");
}

INSTANTIATE_TEST_SUITE_P(Scales, WindowHelpers, ::testing::Values("1", "2"),
                         [](const auto& info) { return std::string("x") + info.param; });

} // namespace
