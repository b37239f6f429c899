// Window geometry live: a resizable window sized by hand lays itself out
// and sends its sizing-edge message, is kept on its screen, turns zooming
// and minimising into its commands, follows a move to a screen of another
// scale, and paints its own background when it has a painter. Two offscreen
// screens side by side: A at scale 1, B at scale 2.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LPaintContext.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LEmbeddedWindow.h"
#include "gui/framework/LResizable.h"
#include "gui/framework/LWindow.h"
#include "gui/framework/LWindowBackgroundPainter.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quorin::test;

namespace {

constexpr int kPane = 500;
constexpr int kSizingMessage = 9000;
constexpr int kZoom = 9101;
constexpr int kUnzoom = 9102;
constexpr int kMinimize = 9103;

// Two screens: A (0, 0, 800 x 600, scale 1) and B (800, 0, 800 x 600, scale 2).
void TwoScreenApp()
{
    static std::string config;
    if (config.empty()) {
        char path[] = "/tmp/quorin-screens-XXXXXX";
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        const std::string json = R"({"screens":[)"
                                 R"({"name":"A","x":0,"y":0,"width":800,"height":600,"dpr":1},)"
                                 R"({"name":"B","x":800,"y":0,"width":800,"height":600,"dpr":2}]})";
        ASSERT_EQ(write(fd, json.data(), json.size()), static_cast<ssize_t>(json.size()));
        close(fd);
        config = std::string("offscreen:configfile=") + path;
        setenv("QT_QPA_PLATFORM", config.c_str(), 1);
    }
    GuiApp();
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
}

class PaneWindow : public LWindow
{
public:
    std::vector<int> commands;
    void OnCreate() override { AddStaticText(kPane, "pane"); }
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
    int Count(int command) const
    {
        return static_cast<int>(std::count(commands.begin(), commands.end(), command));
    }
};

// Lays the pane over the whole client area.
class PaneLayout : public LResizable
{
public:
    explicit PaneLayout(PaneWindow* window) : LResizable(window), window_(window) {}
    void OnResize(int width, int height) override
    {
        ++layouts;
        lastWidth = width;
        lastHeight = height;
        readyDuringLayout = window_->GetReadyFlag();
        window_->SetControlRect(kPane, 0, 0, width, height);
    }
    int layouts = 0;
    int lastWidth = 0;
    int lastHeight = 0;
    bool readyDuringLayout = true;

private:
    PaneWindow* window_;
};

// Takes the sizing-edge message; keeps the window at most `maxWidth` wide.
class SizingReceiver : public LInterWinMessageHandler
{
public:
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override
    {
        if (eventId != kSizingMessage)
            return;
        auto* rect = reinterpret_cast<int*>(static_cast<intptr_t>(data2));
        edges.push_back(static_cast<int>(data1));
        rects.push_back({rect[0], rect[1], rect[2], rect[3]});
        if (maxWidth > 0 && rect[2] - rect[0] > maxWidth)
            rect[2] = rect[0] + maxWidth;
    }
    std::vector<int> edges;
    std::vector<std::vector<int>> rects;
    int maxWidth = 0;
};

class WindowResize : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TwoScreenApp();
        window.CreateCocoaWindow(400, 300, kWindowStyleTitled | kWindowStyleClosable | kWindowStyleResizable,
                                 false, nullptr);
        window.SetResizableHandler(&layout);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementNone));
        Top()->move(100, 100);
        PumpFor(30);
    }
    void TearDown() override
    {
        window.SetResizableHandler(nullptr);
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }
    QWidget* Top() const { return LQtWidget(window.GetView())->window(); }
    void ExpectPaneFillsTheWindow()
    {
        int w = 0, h = 0, x = 0, y = 0, pw = 0, ph = 0;
        window.GetWindowSize(&w, &h);
        ASSERT_TRUE(window.GetControlRect(kPane, &x, &y, &pw, &ph));
        EXPECT_EQ(pw, w);
        EXPECT_EQ(ph, h);
        EXPECT_EQ(layout.lastWidth, w);
        EXPECT_EQ(layout.lastHeight, h);
    }

    PaneWindow window;
    PaneLayout layout{&window};
};

TEST(SizingEdge, EachDraggedEdgeHasItsCode)
{
    const LResizeFrame before{100, 100, 400, 300};
    struct Case
    {
        const char* drag;
        LResizeFrame after;
        int edge;
    } const cases[] = {
        {"left", {80, 100, 420, 300}, 1},        {"right", {100, 100, 430, 300}, 2},
        {"top", {100, 90, 400, 310}, 3},         {"top-left", {90, 90, 410, 310}, 4},
        {"top-right", {100, 90, 420, 310}, 5},   {"bottom", {100, 100, 400, 340}, 6},
        {"bottom-left", {90, 100, 410, 320}, 7}, {"bottom-right", {100, 100, 410, 320}, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LResizable::SizingEdge(before, c.after), c.edge) << c.drag;
}

TEST_F(WindowResize, ALiveResizeLaysOutAndSendsTheSizingEdgeWithTheFrame)
{
    SizingReceiver receiver;
    ASSERT_TRUE(receiver.Register(&window, kSizingMessage));
    layout.messageId = kSizingMessage;
    receiver.maxWidth = 460;

    // The right edge out by 40: within the limit.
    const QRect start = Top()->frameGeometry();
    Top()->resize(Top()->width() + 40, Top()->height());
    PumpFor(30);
    ASSERT_EQ(receiver.edges.size(), 1u);
    EXPECT_EQ(receiver.edges[0], 2);
    const QRect frame = Top()->frameGeometry();
    EXPECT_EQ(receiver.rects[0], (std::vector<int>{frame.x(), frame.y(), frame.x() + frame.width(),
                                                   frame.y() + frame.height()}));
    EXPECT_EQ(frame.width(), start.width() + 40);
    ExpectPaneFillsTheWindow();

    // The left edge out by 60: the receiver cuts the width back to 460.
    const QRect before = Top()->geometry();
    Top()->setGeometry(before.x() - 60, before.y(), before.width() + 60, before.height());
    PumpFor(30);
    ASSERT_EQ(receiver.edges.size(), 2u);
    EXPECT_EQ(receiver.edges[1], 1);
    EXPECT_EQ(Top()->frameGeometry().width(), 460);
    ExpectPaneFillsTheWindow();
    EXPECT_FALSE(layout.readyDuringLayout) << "the ready flag is down while the layout runs";
    EXPECT_TRUE(window.GetReadyFlag());
    receiver.Unregister();
}

TEST_F(WindowResize, FittingKeepsTheWindowOnItsScreen)
{
    const QRect b = QGuiApplication::screens()[1]->availableGeometry();
    struct Case
    {
        const char* where;
        QRect geometry;
    } const cases[] = {
        {"past the right edge of B", QRect(b.right() - 100, 200, 300, 200)},
        {"above the top of B", QRect(b.x() + 50, -150, 300, 200)},
        {"larger than B", QRect(b.x() + 20, 20, 1000, 900)},
    };
    for (const Case& c : cases) {
        Top()->setGeometry(c.geometry);
        PumpFor(30);
        layout.FitWindowToScreen();
        PumpFor(30);
        const QRect frame = Top()->frameGeometry();
        EXPECT_TRUE(b.contains(frame)) << c.where << ": " << frame.x() << "," << frame.y() << " "
                                       << frame.width() << "x" << frame.height();
        ExpectPaneFillsTheWindow();
    }
}

TEST_F(WindowResize, ZoomUnzoomAndMinimiseBecomeTheWindowsCommands)
{
    // The desktop's zoom button: the state comes from the window system.
    QWindow* desktop = Top()->windowHandle();
    ASSERT_NE(desktop, nullptr);
    layout.zoomCommand = kZoom;
    desktop->setWindowState(Qt::WindowMaximized);
    PumpFor(50);
    EXPECT_EQ(window.Count(kZoom), 1);
    EXPECT_FALSE(Top()->isMaximized()) << "the command took the place of the zoom";

    // Without a zoom command the desktop zooms; unzooming sends its command.
    layout.zoomCommand = 0;
    layout.unzoomCommand = kUnzoom;
    desktop->setWindowState(Qt::WindowMaximized);
    PumpFor(50);
    EXPECT_TRUE(Top()->isMaximized());
    desktop->setWindowState(Qt::WindowNoState);
    PumpFor(50);
    EXPECT_EQ(window.Count(kUnzoom), 1);
    EXPECT_TRUE(Top()->isMaximized());
    // The program's own zooming and unzooming are no requests.
    layout.zoomCommand = kZoom;
    Top()->setWindowState(Qt::WindowNoState);
    PumpFor(30);
    EXPECT_FALSE(Top()->isMaximized());
    window.Maximize();
    PumpFor(30);
    EXPECT_TRUE(Top()->isMaximized());
    EXPECT_EQ(window.Count(kZoom), 1);
    EXPECT_EQ(window.Count(kUnzoom), 1);

    layout.minimizeCommand = kMinimize;
    Top()->setWindowState(Qt::WindowMinimized);
    PumpFor(30);
    EXPECT_EQ(window.Count(kMinimize), 1);
}

TEST_F(WindowResize, AMoveToAScreenOfAnotherScaleMeasuresAndLaysOutAgain)
{
    ASSERT_EQ(window.GetScaleFactor(), 1.0);
    const float cellWidth = window.CharWidthPx();
    const float cellHeight = window.CharHeightPx();
    const int layouts = layout.layouts;
    Top()->move(900, 100);
    PumpFor(50);
    ASSERT_EQ(window.GetScaleFactor(), 2.0);
    EXPECT_FLOAT_EQ(window.CharWidthPx(), 2 * cellWidth);
    EXPECT_FLOAT_EQ(window.CharHeightPx(), 2 * cellHeight);
    EXPECT_GT(layout.layouts, layouts);
    ExpectPaneFillsTheWindow();
    int w = 0, h = 0;
    window.GetWindowSize(&w, &h);
    EXPECT_EQ(w, 2 * LQtWidget(window.GetView())->width());

    // And back.
    Top()->move(100, 100);
    PumpFor(50);
    EXPECT_FLOAT_EQ(window.CharWidthPx(), cellWidth);
    ExpectPaneFillsTheWindow();
}

class Backdrop : public LWindowBackgroundPainter
{
public:
    void OnSize(int width, int height) override { sizes.push_back({width, height}); }
    void Paint(LPaintContext* context) override
    {
        ++paints;
        painted = {context->area.w, context->area.h};
        context->FillRect({0, 0, context->area.w, context->area.h}, LRGBColor::FromRGB8(0x20, 0x80, 0x40));
    }
    std::vector<std::vector<int>> sizes;
    std::vector<int> painted;
    int paints = 0;
};

class EmbeddedPane : public LEmbeddedWindow
{
public:
    void OnCreate() override {}
    bool Opaque() const { return opaque; }
};

TEST_F(WindowResize, ABackgroundPainterFollowsTheSizeAndPaintsTheWholeView)
{
    Backdrop backdrop;
    ASSERT_TRUE(backdrop.Attach(&window));
    EXPECT_EQ(LGetBackgroundPainter(window.GetView()), &backdrop);
    EXPECT_FALSE(LQtWidget(window.GetView())->autoFillBackground()) << "the view counts as transparent";
    int w = 0, h = 0;
    window.GetWindowSize(&w, &h);
    ASSERT_FALSE(backdrop.sizes.empty());
    EXPECT_EQ(backdrop.sizes.back(), (std::vector<int>{w, h}));

    // A window embedded in it is not opaque either.
    EmbeddedPane pane;
    ASSERT_TRUE(pane.Create(&window, 100, 50));
    EXPECT_FALSE(pane.Opaque());
    pane.Detach();

    const QImage shot = LQtWidget(window.GetView())->grab().toImage();
    EXPECT_GT(backdrop.paints, 0);
    EXPECT_EQ(backdrop.painted, (std::vector<int>{w, h}));
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 2, shot.height() - 2)), QColor(0x20, 0x80, 0x40));

    const size_t before = backdrop.sizes.size();
    Top()->resize(Top()->width() + 30, Top()->height() + 20);
    PumpFor(30);
    window.GetWindowSize(&w, &h);
    ASSERT_GT(backdrop.sizes.size(), before);
    EXPECT_EQ(backdrop.sizes.back(), (std::vector<int>{w, h}));
    // The same size again is no news.
    const size_t now = backdrop.sizes.size();
    backdrop.FrameChanged();
    LQtWidget(window.GetView())->grab();
    backdrop.FrameChanged();
    EXPECT_EQ(backdrop.sizes.size(), now);

    backdrop.Detach();
    EXPECT_EQ(LGetBackgroundPainter(window.GetView()), nullptr);
    EXPECT_TRUE(LQtWidget(window.GetView())->autoFillBackground());
}

} // namespace
