// The balloon tip on screen: above a control at the screen's bottom, hidden
// by a click elsewhere that still reaches its target, refused while its
// window is not active, and the window's bubble-tip calls.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtTrackBarImpl.h"
#include "gui/qt/windows/LQtTooltipImpl.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

TEST(Tooltip, AtTheScreensBottomTheTipGoesAboveAndAClickHidesItButArrives)
{
    GuiApp();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget top;
    top.setGeometry(area.x() + 100, area.bottom() - 60, 300, 50);
    auto* button = new QPushButton("Record", &top);
    button->setGeometry(100, 20, 100, 28);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    top.show();
    top.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&top));

    LQtTooltipImpl tip(QString(), true, &top);
    tip.SetParentWindow(&top);
    tip.SetText("Starts recording");
    tip.MoveToControl(button);
    tip.Show();
    ASSERT_TRUE(tip.IsShown());
    EXPECT_EQ(tip.Place(), 1);
    EXPECT_EQ(tip.ArrowSide(), 4);
    EXPECT_LE(tip.geometry().bottom(), button->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_TRUE(area.contains(tip.geometry()));

    QTest::mouseClick(button, Qt::LeftButton);
    PumpFor(20);
    EXPECT_FALSE(tip.IsShown());
    EXPECT_FALSE(tip.isVisible());
    EXPECT_EQ(clicks, 1) << "the click that hides the tip still reaches its target";
}

TEST(Tooltip, AnEmptyTipIgnoresMovesAndAnInactiveWindowShowsNone)
{
    GuiApp();
    QWidget top;
    top.setGeometry(100, 100, 200, 100);
    top.show();
    LQtTooltipImpl tip(QString(), false, &top);
    const QRect before = tip.geometry();
    tip.MoveToPoint(QPoint(50, 50));
    EXPECT_EQ(tip.geometry(), before);
    QWidget other;
    other.setGeometry(400, 100, 100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    tip.SetParentWindow(&top);
    tip.SetText("Hidden");
    tip.Show();
    EXPECT_FALSE(tip.IsShown());
}

TEST(Tooltip, WindowBubbleTipCalls)
{
    GuiApp();
    LWindow window;
    window.CreateCocoaWindow(400, 200, kWindowStyleTitled, false, nullptr);
    ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
    QWidget* top = LQtWidget(window.GetView())->window();
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    window.AddButtonNoRect(20, "Record");
    window.SetControlRect(20, 100, 50, 100, 28);
    window.ShowBubbleTip(20, "Not yet made"); // no tip object: nothing
    EXPECT_EQ(top->findChild<LQtTooltipImpl*>(), nullptr);
    window.CreateTooltip();
    auto* tip = top->findChild<LQtTooltipImpl*>();
    ASSERT_NE(tip, nullptr);
    window.ShowBubbleTip(20, "Starts recording");
    EXPECT_TRUE(tip->IsShown());
    EXPECT_EQ(tip->Text(), QString("Starts recording"));
    window.HideToolTip();
    EXPECT_FALSE(tip->IsShown());
    window.ShowBubbleTipAt(300, 300, "At a point");
    EXPECT_TRUE(tip->IsShown());
    window.EndDialog(kCommandCancel);
}

// While the knob is dragged a balloon above it shows the whole value; it
// goes with the release, and a track bar without the flag shows none.
TEST(Tooltip, TrackBarValueBalloonFollowsTheDrag)
{
    GuiApp();
    QWidget top;
    top.setGeometry(200, 200, 300, 80);
    auto* slider = new LQtTrackBarImpl(Qt::Horizontal, &top);
    slider->setGeometry(20, 30, 260, 30);
    slider->setRange(0, 100);
    auto* quiet = new LQtTrackBarImpl(Qt::Horizontal, &top);
    quiet->setGeometry(20, 0, 260, 30);
    top.show();
    top.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&top));
    slider->SetShowToolTip(true);
    slider->setValue(10); // not dragged: no tip
    EXPECT_EQ(slider->findChild<LQtTooltipImpl*>(), nullptr);
    slider->setSliderDown(true);
    slider->setValue(42);
    auto* tip = slider->findChild<LQtTooltipImpl*>();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->IsShown());
    EXPECT_EQ(tip->Text(), QString("42"));
    EXPECT_LE(tip->geometry().bottom(), slider->mapToGlobal(QPoint(0, 0)).y() + slider->height() / 2)
        << "above the knob";
    slider->setSliderDown(false);
    EXPECT_FALSE(tip->IsShown());

    quiet->setSliderDown(true);
    quiet->setValue(50);
    EXPECT_EQ(quiet->findChild<LQtTooltipImpl*>(), nullptr);
}

} // namespace
