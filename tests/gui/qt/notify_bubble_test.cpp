// Notices of finished work: the desktop's notification service when it takes
// them, the program's own bubble otherwise. The bubble sits at the top right,
// never takes the keyboard, and goes on a click anywhere or after its time.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LDesktopNotifier.h"
#include "gui/framework/LGrowlProxy.h"
#include "gui/framework/LNotifyBubble.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/app/LNotifyBubbleImpl.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

using namespace quorin::test;

namespace {

class RecordingNotifier : public LDesktopNotifier
{
public:
    bool IsAvailable() override { return available; }
    std::vector<std::string> Capabilities() override { return caps; }
    bool Notify(const LDesktopNotice& notice) override
    {
        notices.push_back(notice);
        return accepts;
    }

    bool available = true;
    bool accepts = true;
    std::vector<std::string> caps{"body"};
    std::vector<LDesktopNotice> notices;
};

class ScopedNotifier
{
public:
    explicit ScopedNotifier(LDesktopNotifier* notifier) { LSetDesktopNotifier(notifier); }
    ~ScopedNotifier() { LSetDesktopNotifier(nullptr); }
};

LNotifyBubbleImpl* ImplOf(LNotifyBubble& bubble)
{
    return static_cast<LNotifyBubbleImpl*>(bubble.NativeWindow());
}

TEST(NotifyBubble, ShowsAtTheTopRightWithoutTakingTheKeyboard)
{
    GuiApp();
    QLineEdit field;
    field.setGeometry(100, 100, 200, 30);
    field.show();
    field.activateWindow();
    field.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));

    LNotifyBubble bubble;
    EXPECT_EQ(LNotifyBubble::Current(), &bubble);
    bubble.Show("Your recordings have finished processing", "Quorin", 304);
    PumpFor(20);
    ASSERT_TRUE(bubble.IsShown());
    LNotifyBubbleImpl* impl = ImplOf(bubble);
    EXPECT_TRUE(impl->isVisible());
    EXPECT_EQ(impl->size(), QSize(LNotifyBubble::kWidth, LNotifyBubble::kHeight));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(impl->geometry().right(), area.right() - 20);
    EXPECT_EQ(impl->geometry().top(), area.top());
    EXPECT_EQ(bubble.Text(), "Your recordings have finished processing");
    EXPECT_EQ(bubble.Caption(), "Quorin");
    EXPECT_EQ(bubble.IconId(), 304);

    EXPECT_EQ(QGuiApplication::focusObject(), &field) << "typing goes on where it was";
    EXPECT_TRUE(field.isActiveWindow());
    QTest::keyClicks(&field, "abc");
    EXPECT_EQ(field.text(), "abc");
    EXPECT_TRUE(bubble.IsShown()) << "typing does not close the bubble";
}

TEST(NotifyBubble, AClickAnywhereOrOnTheBubbleClosesIt)
{
    GuiApp();
    QWidget other;
    other.setGeometry(50, 50, 200, 100);
    auto* child = new QLineEdit(&other);
    child->setGeometry(10, 10, 100, 30);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

    LNotifyBubble bubble;
    bubble.Show("File splitting is finished", "Quorin", 0);
    ASSERT_TRUE(bubble.IsShown());
    QTest::mouseClick(child, Qt::LeftButton);
    EXPECT_FALSE(bubble.IsShown());
    EXPECT_FALSE(ImplOf(bubble)->isVisible());
    EXPECT_TRUE(child->hasFocus() || child->isVisible()) << "the click still reaches its target";

    bubble.Show("Your recording has been discarded", "Quorin", 0);
    ASSERT_TRUE(bubble.IsShown());
    QTest::mouseClick(ImplOf(bubble), Qt::LeftButton, {}, QPoint(100, 60));
    EXPECT_FALSE(bubble.IsShown());
}

TEST(NotifyBubble, GoesAfterItsTimeAndAShowReplacesTheTextsInPlace)
{
    GuiApp();
    LNotifyBubble bubble;
    bubble.Show("first", "Quorin", 304);
    QTimer& timer = ImplOf(bubble)->HideTimer();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 15000);
    bubble.Show("second", "Quorin", 0);
    EXPECT_EQ(bubble.Text(), "second");
    EXPECT_EQ(bubble.IconId(), 304) << "icon 0 keeps the picture shown before";
    EXPECT_TRUE(bubble.IsShown());
    EXPECT_EQ(timer.interval(), 15000) << "each show starts the full time again";

    timer.start(1); // the same path as the 15 s running out
    EXPECT_TRUE(PumpUntil([&] { return !bubble.IsShown(); }));
    EXPECT_FALSE(ImplOf(bubble)->isVisible());
}

TEST(GrowlProxy, TheDesktopServiceTakesTheNoticeAndTheBubbleStaysDown)
{
    GuiApp();
    RecordingNotifier notifier;
    notifier.caps = {"body", "body-markup"};
    ScopedNotifier scope(&notifier);
    LNotifyBubble bubble;
    LGrowlProxy proxy;
    proxy.SetApplication("Quorin", "com.oxbelsoftware.quorin");
    proxy.SetBubble(&bubble);
    proxy.Register();
    ASSERT_TRUE(proxy.IsRegistered());

    proxy.Notify("Quorin", "Song <1> & \"2\" is finished", 0, 15);
    ASSERT_EQ(notifier.notices.size(), 1u);
    const LDesktopNotice& notice = notifier.notices[0];
    EXPECT_EQ(notice.appName, "Quorin");
    EXPECT_EQ(notice.title, "Quorin");
    EXPECT_EQ(notice.body, "Song &lt;1&gt; &amp; \"2\" is finished");
    EXPECT_EQ(notice.desktopEntry, "com.oxbelsoftware.quorin");
    EXPECT_EQ(notice.timeoutMs, 15000);
    EXPECT_FALSE(bubble.IsShown());

    proxy.Notify("Quorin", "sticky", 0, 0);
    ASSERT_EQ(notifier.notices.size(), 2u);
    EXPECT_EQ(notifier.notices[1].timeoutMs, 0) << "display time 0 keeps the notice until dismissed";
}

TEST(GrowlProxy, WithoutTheServiceOrWhenItRefusesTheBubbleShows)
{
    GuiApp();
    const struct
    {
        bool available;
        bool accepts;
        bool goneAfterRegister;
        const char* why;
    } cases[] = {
        {false, true, false, "no service at start"},
        {true, false, false, "the service refuses the notice"},
        {true, true, true, "the service went away after registering"},
    };
    for (const auto& c : cases) {
        RecordingNotifier notifier;
        notifier.available = c.available;
        notifier.accepts = c.accepts;
        ScopedNotifier scope(&notifier);
        LNotifyBubble bubble;
        LGrowlProxy proxy;
        proxy.SetBubble(&bubble);
        proxy.Register();
        if (c.goneAfterRegister)
            notifier.available = false;
        proxy.Notify("Quorin", "Song <1> & more", 0, 15);
        EXPECT_TRUE(bubble.IsShown()) << c.why;
        EXPECT_EQ(bubble.Text(), "Song <1> & more") << c.why << ": the bubble shows the text as it is";
        EXPECT_EQ(bubble.Caption(), "Quorin") << c.why;
        EXPECT_EQ(bubble.IconId(), 304) << c.why << ": icon 0 is the program picture";
    }
}

class HookWindow : public LWindow, public LNotifyBubbleHost
{
public:
    void OnNotifyBubbleHook1() override { ++hook1; }
    void OnNotifyBubbleHook2() override { ++hook2; }
    int hook1 = 0;
    int hook2 = 0;
};

TEST(NotifyBubble, PostsFromAWorkerReachTheWindowsHooksUnlessItIsGone)
{
    GuiApp();
    auto window = std::make_unique<HookWindow>();
    ASSERT_TRUE(window->CreateCocoaWindow(200, 100, 0, false, nullptr));
    std::thread worker([&] {
        LNotifyBubble::PostToWindow(1, window.get());
        LNotifyBubble::PostToWindow(2, window.get());
        LNotifyBubble::PostToWindow(7, window.get());
    });
    worker.join();
    EXPECT_TRUE(PumpUntil([&] { return window->hook1 == 1 && window->hook2 == 1; }));

    LNotifyBubble::PostToWindow(1, window.get());
    window.reset();
    PumpFor(30); // the post finds the window gone and does nothing
}

} // namespace
