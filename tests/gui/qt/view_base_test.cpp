// Our views' receivers: the first key handler stays, drags keep other views
// from seeing the pointer enter, wheels report whole lines, a disabled child
// stays disabled through its window's disabling, and scroll-hosted paint
// controls are found by the scroll view's id.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LScrollView.h"
#include "gui/framework/LKeyHandler.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/controls/LQtCustomScrollView.h"
#include "gui/qt/controls/LQtPaintControlImpl.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class Recorder : public LMouseHandler
{
public:
    explicit Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    void OnMouseEnter() override { log_.push_back(name_ + " enter"); }
    void OnMouseLeave() override { log_.push_back(name_ + " leave"); }
    void OnLButtonDown(int, int) override { log_.push_back(name_ + " down"); }
    void OnLButtonUp(int, int) override { log_.push_back(name_ + " up"); }
    void OnMouseMove(int, int) override { log_.push_back(name_ + " move"); }
    void OnMouseWheel(int, int, int d) override { log_.push_back(name_ + " wheel " + std::to_string(d)); }
    void OnMouseHWheel(int, int, int d) override { log_.push_back(name_ + " hwheel " + std::to_string(d)); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

class Keys : public LKeyHandler
{
public:
    explicit Keys(int& hits) : hits_(hits) {}
    bool OnKeyDown(LKey) override { return ++hits_, true; }

private:
    int& hits_;
};

struct ViewsFixture : ::testing::Test
{
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(300, 200, kWindowStyleTitled, false, nullptr);
        a = new LQtViewBase(LQtWidget(window.GetView()), &window);
        b = new LQtViewBase(LQtWidget(window.GetView()), &window);
        a->setGeometry(0, 0, 100, 100);
        b->setGeometry(150, 0, 100, 100);
        handlerA.AttachToView(&window, LQtHandle(a));
        handlerB.AttachToView(&window, LQtHandle(b));
        window.ShowModeless(nullptr, LPlacementNone);
        PumpFor(20);
        log.clear();
    }
    void TearDown() override { window.EndDialog(kCommandCancel); }
    void Wheel(QWidget* target, QPoint angle)
    {
        QWheelEvent event(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
    PaintHostWindow window;
    LQtViewBase* a = nullptr;
    LQtViewBase* b = nullptr;
    std::vector<std::string> log;
    Recorder handlerA{"a", log};
    Recorder handlerB{"b", log};
};

TEST_F(ViewsFixture, SecondKeyHandlerKeepsTheFirst)
{
    int first = 0, second = 0;
    Keys one(first), two(second);
    a->setKeyHandler(&one);
    a->setKeyHandler(&two);
    EXPECT_EQ(a->keyHandler(), &one);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(a, &press);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    a->setKeyHandler(nullptr);
    a->setKeyHandler(&two);
    EXPECT_EQ(a->keyHandler(), &two);
}

TEST_F(ViewsFixture, DragInOneViewHidesEnteringAnother)
{
    QTest::mousePress(a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QMouseEvent drag(QEvent::MouseMove, QPointF(20, 20), a->mapToGlobal(QPointF(20, 20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(a, &drag);
    EXPECT_EQ(LQtViewBase::draggedView(), a);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(b, &enter);
    QTest::mouseRelease(a, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(LQtViewBase::draggedView(), nullptr);
    QApplication::sendEvent(b, &enter);
    // Only the enter after the release reaches b.
    const auto up = std::find(log.begin(), log.end(), "a up");
    ASSERT_NE(up, log.end());
    EXPECT_EQ(std::count(log.begin(), log.end(), "b enter"), 1);
    EXPECT_NE(std::find(up, log.end(), "b enter"), log.end());
    EXPECT_LT(std::find(log.begin(), log.end(), "a down"), up);
}

TEST_F(ViewsFixture, WheelLinesAndDirections)
{
    struct Case
    {
        std::vector<QPoint> angles;
        std::vector<std::string> calls;
    } cases[] = {
        {{{0, 108}, {0, 24}}, {"a wheel 120"}}, // 0.9 + 0.2 lines
        {{{0, 360}}, {"a wheel 360"}},          // three lines
        {{{0, 300}}, {"a wheel 240"}},          // 2.5 lines: 2 now, 0.5 kept
        {{{240, 0}}, {"a hwheel 240"}},         // horizontal alone
        {{{240, 120}}, {"a wheel 120"}},        // vertical goes first, horizontal dropped
    };
    for (const auto& c : cases) {
        log.clear();
        a->verticalWheel().Reset();
        for (QPoint angle : c.angles)
            Wheel(a, angle);
        EXPECT_EQ(log, c.calls);
    }
}

TEST_F(ViewsFixture, ChildDisabledBeforeTheWindowStaysDisabled)
{
    auto* button = new QPushButton("Split", LQtWidget(window.GetView()));
    button->setEnabled(false);
    window.EnableWindow(false);
    EXPECT_FALSE(a->isEnabled());
    window.EnableWindow(true);
    EXPECT_TRUE(a->isEnabled());
    EXPECT_FALSE(button->isEnabled());
    // A disabled view passes no mouse event on.
    a->setEnabled(false);
    QTest::mouseClick(a, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(log.empty());
}

class Pane : public LScrollPaintControl
{
public:
    void PaintContent(LPaintContext* ctx, int* w, int* h, bool measure) override
    {
        if (!measure)
            ctx->FillRect({0, 0, *w, 2000}, LRGBColor::FromRGB8(0, 90, 0));
        *w = 10;
        *h = 2000;
    }
    void OnScroll() override { ++scrolls; }
    int scrolls = 0;
};

TEST(ScrollablePaintControl, IdBelongsToTheScrollView)
{
    GuiApp();
    PaintHostWindow window;
    window.CreateCocoaWindow(300, 200, kWindowStyleTitled, false, nullptr);
    QWidget* content = LQtWidget(window.GetView());
    LViewHandle plain = LCreateScrollablePaintControl(&window, 31, 0, 0, 100, 50, false, false);
    EXPECT_NE(qobject_cast<LQtPaintControlImpl*>(LQtWidget(plain)), nullptr);
    EXPECT_EQ(LQtFindControl(content, 31), LQtWidget(plain));
    LViewHandle scrolled = LCreateScrollablePaintControl(&window, 32, 120, 0, 150, 100, false, true);
    auto* scroller = qobject_cast<LQtCustomScrollView*>(LQtWidget(scrolled));
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(LQtFindControl(content, 32), scroller);
    ASSERT_NE(qobject_cast<LQtPaintControlImpl*>(scroller->widget()), nullptr);
    EXPECT_EQ(LQtControlId(scroller->widget()), -1);
    EXPECT_EQ(scroller->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(scroller->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);

    // A scrolling pane bound by that id draws in the document view and
    // hears the scrolls.
    Pane pane;
    pane.Attach(&window, 32);
    EXPECT_EQ(pane.GetView(), LQtHandle(scroller->widget()));
    EXPECT_TRUE(pane.scrollHosted);
    pane.scrollView = scrolled;
    pane.documentView = LQtHandle(scroller->widget());
    scroller->setZunkitScrollView(&pane);
    pane.LScrollView::window = &window;
    window.ShowModeless(nullptr, LPlacementNone);
    PumpFor(20);
    pane.SetRect(120, 0, 150, 100);
    EXPECT_EQ(pane.GetVirtualHeight(), 2000);
    PumpFor(20);
    scroller->verticalScrollBar()->setValue(300);
    EXPECT_EQ(pane.GetScrollY(), 300);
    EXPECT_EQ(pane.GetScrollX(), 0);
    EXPECT_GE(pane.scrolls, 1);
    pane.Destroy();
    window.EndDialog(kCommandCancel);
}

TEST(ScrollView, CreateWithoutIdMakesAPaintDocument)
{
    GuiApp();
    PaintHostWindow window;
    window.CreateCocoaWindow(300, 200, kWindowStyleTitled, false, nullptr);
    LScrollView scroll;
    ASSERT_TRUE(scroll.Create(&window, 0));
    EXPECT_FALSE(scroll.Create(&window, 0)); // once
    auto* scroller = qobject_cast<LQtCustomScrollView*>(LQtWidget(scroll.scrollView));
    ASSERT_NE(scroller, nullptr);
    auto* document = qobject_cast<LQtPaintControlImpl*>(scroller->widget());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->size(), QSize(500, 30));
    EXPECT_EQ(LQtHandle(document), scroll.documentView);
    window.EndDialog(kCommandCancel);
}

} // namespace
