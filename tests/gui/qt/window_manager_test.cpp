// The window manager: the character cell measured from the system font,
// focus in and out of a window, and the application's activation commands.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LEmbeddedWindow.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace quorin::test;

namespace {

constexpr int kBecomeKey = 7101;
constexpr int kResignKey = 7102;
constexpr int kAppActive = 7103;
constexpr int kAppResign = 7104;

class CountingWindow : public LWindow
{
public:
    int updates = 0;
    int activations = 0;
    int deactivations = 0;
    std::vector<int> commands;
    void UpdateControls() override { ++updates; }
    void OnActivate() override { ++activations; }
    void OnDeactivate() override { ++deactivations; }
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

class Page : public LEmbeddedWindow
{
public:
    void OnCreate() override {}
};

// The cell the system font gives: its mean advance over letters and digits,
// its height, rounded.
void ExpectedCell(const QFont& font, float* w, float* h)
{
    const QFontMetricsF metrics(font);
    const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    *w = static_cast<float>(std::floor(metrics.horizontalAdvance(sample) / 62 + 0.5));
    *h = static_cast<float>(std::floor(metrics.height() + 0.5));
}

TEST(WindowManagerCell, MeasuredFromTheSystemFontAndSharedWithEmbeddedWindows)
{
    GuiApp();
    const QFont original = QApplication::font();
    struct Case
    {
        double pointSize;
    } const cases[] = {{original.pointSizeF() > 0 ? original.pointSizeF() : 9.0}, {20.0}};
    float lastHeight = 0;
    for (const Case& c : cases) {
        QFont font = original;
        font.setPointSizeF(c.pointSize);
        QApplication::setFont(font);
        float w = 0, h = 0;
        ExpectedCell(QApplication::font(), &w, &h);
        CountingWindow window;
        window.CreateCocoaWindow(300, 200, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        const double scale = window.GetScaleFactor();
        EXPECT_FLOAT_EQ(window.CharWidthPx(), static_cast<float>(w * scale)) << c.pointSize;
        EXPECT_FLOAT_EQ(window.CharHeightPx(), static_cast<float>(h * scale)) << c.pointSize;
        ASSERT_NE(window.GetManager(), nullptr);
        EXPECT_FLOAT_EQ(window.GetManager()->charWidthPoints(), w);
        EXPECT_FLOAT_EQ(window.GetManager()->charHeightPixels(), static_cast<float>(h * scale));
        EXPECT_GT(h, lastHeight) << "a larger system font gives a larger cell";
        lastHeight = h;
        // An embedded window lays out with its host's cell.
        Page page;
        ASSERT_TRUE(page.Create(&window, 100, 50));
        EXPECT_FLOAT_EQ(page.CharHeightPx(), window.CharHeightPx());
        page.Detach();
        window.DestroyWindow();
    }
    QApplication::setFont(original);
}

class WindowManagerFocus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        for (CountingWindow* window : {&first, &second})
            window->CreateCocoaWindow(300, 200, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        // Only the second sends commands on focus changes: what the first
        // does on them comes from the focus change alone (a command would
        // update its controls too).
        second.GetManager()->setBecomeKeyCommand(kBecomeKey);
        second.GetManager()->setResignKeyCommand(kResignKey);
    }
    void TearDown() override
    {
        for (CountingWindow* window : {&first, &second})
            if (window->IsWindow())
                window->EndDialog(kCommandCancel);
    }
    static void Activate(CountingWindow& window)
    {
        QWidget* top = LQtWidget(window.GetView())->window();
        top->activateWindow();
        PumpUntil([top] { return top->isActiveWindow(); }, 2000);
    }
    CountingWindow first;
    CountingWindow second;
};

TEST_F(WindowManagerFocus, FocusInAndOutBringTheControlsUpToDateAndSendTheKeyCommands)
{
    ASSERT_TRUE(first.ShowModeless(nullptr, LPlacementNone));
    Activate(first);
    PumpFor(20);
    ASSERT_TRUE(LQtWidget(first.GetView())->window()->isActiveWindow());
    first.updates = first.activations = first.deactivations = 0;
    first.commands.clear();

    ASSERT_TRUE(second.ShowModeless(nullptr, LPlacementNone));
    Activate(second);
    PumpFor(20);
    // Leaving the focus: controls updated, the hook; the other window's
    // become-key command.
    EXPECT_EQ(first.deactivations, 1);
    EXPECT_GE(first.updates, 1);
    EXPECT_EQ(second.Count(kBecomeKey), 1);
    EXPECT_EQ(second.Count(kResignKey), 0);

    // Back: the same on the way in, and the resign-key command.
    first.updates = 0;
    Activate(first);
    PumpFor(20);
    EXPECT_EQ(first.activations, 1);
    EXPECT_GE(first.updates, 1);
    EXPECT_EQ(second.Count(kResignKey), 1);
    EXPECT_EQ(second.Count(kBecomeKey), 1);
    EXPECT_TRUE(first.commands.empty()) << "the first window names no command";
}

TEST_F(WindowManagerFocus, AWindowThatEndsItselfOnFocusInStopsThere)
{
    struct Ending : CountingWindow
    {
        void UpdateControls() override
        {
            ++updates;
            if (endOnUpdate)
                EndDialog(kCommandCancel);
        }
        bool endOnUpdate = false;
    } ending;
    ending.CreateCocoaWindow(300, 200, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    ending.GetManager()->setBecomeKeyCommand(kBecomeKey);
    ASSERT_TRUE(ending.ShowModeless(nullptr, LPlacementNone));
    ASSERT_TRUE(second.ShowModeless(nullptr, LPlacementNone));
    Activate(second);
    ending.endOnUpdate = true;
    ending.activations = 0;
    ending.commands.clear();
    QWidget* top = LQtWidget(ending.GetView())->window();
    top->activateWindow();
    PumpFor(100);
    EXPECT_FALSE(ending.IsWindow());
    EXPECT_EQ(ending.activations, 0);
    EXPECT_EQ(ending.Count(kBecomeKey), 0);
}

TEST_F(WindowManagerFocus, ApplicationActivationCommandsReachTheWindow)
{
    ASSERT_TRUE(first.ShowModeless(nullptr, LPlacementNone));
    first.GetManager()->handleAppActivation(kAppActive);
    first.GetManager()->handleAppDeactivation(kAppResign);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    first.commands.clear();
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    std::vector<int> seen;
    for (int command : first.commands)
        if (command == kAppActive || command == kAppResign)
            seen.push_back(command);
    EXPECT_EQ(seen, (std::vector<int>{kAppResign, kAppActive})) << "one command per change of state";
    // A window that went sends nothing.
    first.EndDialog(kCommandCancel);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
}

} // namespace
