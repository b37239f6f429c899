// Popup panels end with 'not!' when their owner goes away or they lose
// activation; click regions post the command of the newest region under
// the pointer and show the pointing hand over it.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LClickRegionMouseHandler.h"
#include "gui/framework/LPopupPanel.h"

#include <QCursor>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace quorin::test;

namespace {

class Panel : public LPopupPanel
{
public:
    void EndDialog(int code) override
    {
        codes.push_back(code);
        LPopupPanel::EndDialog(code);
    }
    std::vector<int> codes;
};

struct PanelFixture : ::testing::Test
{
    void SetUp() override
    {
        GuiApp();
        owner.CreateCocoaWindow(300, 200, kWindowStyleTitled | kWindowStyleResizable, false, nullptr);
        owner.ShowModeless(nullptr, LPlacementNone);
        panel.CreateCocoaWindow(120, 60, 0, true, owner.GetView());
        panel.SetAutoClose(true);
        ASSERT_TRUE(panel.DoModal(&owner, LPlacementNone));
        PumpFor(20);
        ASSERT_TRUE(panel.IsWindow());
    }
    void TearDown() override
    {
        if (panel.IsWindow())
            panel.EndDialog(kCommandOK);
        if (owner.IsWindow())
            owner.EndDialog(kCommandCancel);
        PumpFor(10);
    }
    PaintHostWindow owner;
    Panel panel;
};

TEST_F(PanelFixture, EndsWhenTheOwnerCloses)
{
    owner.EndDialog(kCommandCancel);
    PumpFor(20);
    EXPECT_EQ(panel.codes, std::vector<int>{kCommandCancel});
    EXPECT_FALSE(panel.IsWindow());
}

TEST_F(PanelFixture, EndsWhenTheOwnerIsMinimised)
{
    LQtWidget(owner.GetView())->window()->showMinimized();
    PumpFor(20);
    EXPECT_EQ(panel.codes, std::vector<int>{kCommandCancel});
}

TEST_F(PanelFixture, EndsWhenItLosesActivation)
{
    panel.OnDeactivate();
    EXPECT_EQ(panel.codes, std::vector<int>{kCommandCancel});
    EXPECT_FALSE(panel.IsWindow());
}

TEST_F(PanelFixture, StaysWithoutAutoClose)
{
    panel.SetAutoClose(false);
    panel.OnDeactivate();
    owner.ShowWindow(false);
    PumpFor(20);
    EXPECT_TRUE(panel.codes.empty());
    EXPECT_TRUE(panel.IsWindow());
    owner.ShowWindow(true);
}

TEST_F(PanelFixture, EndingItselfStopsTheWatch)
{
    panel.EndDialog(kCommandOK);
    EXPECT_FALSE(panel.GetAutoClose());
    owner.EndDialog(kCommandCancel);
    PumpFor(20);
    EXPECT_EQ(panel.codes, std::vector<int>{kCommandOK});
}

TEST(PopupPanel, DestroyingALivePanelEndsItWithOk)
{
    GuiApp();
    auto panel = std::make_unique<LPopupPanel>();
    panel->CreateCocoaWindow(100, 50, 0, true, nullptr);
    panel->showOnRun = false;
    EXPECT_TRUE(panel->DoModal(nullptr, LPlacementNone));
    EXPECT_FALSE(panel->IsVisible());
    panel.reset();
    PumpFor(10);
}

class LinkWindow : public PaintHostWindow
{
public:
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        PaintHostWindow::OnCommand(command, extra);
    }
    std::vector<int> commands;
};

struct RegionFixture : ::testing::Test
{
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(300, 200, kWindowStyleTitled, false, nullptr);
        window.AddStaticText(11, "First link");
        window.AddStaticText(12, "Second link");
        window.SetControlRect(11, 10, 10, 100, 20);
        window.SetControlRect(12, 60, 20, 100, 20); // over the right half of the first
        window.ShowModeless(nullptr, LPlacementNone);
        links.Attach(&window);
        links.AddControl(11, 1001, 2001);
        links.AddControl(12, 1002, 0);
        links.AddControl(99, 1099, 0); // no such control: no region
        PumpFor(20);
    }
    void TearDown() override
    {
        links.Detach();
        window.EndDialog(kCommandCancel);
    }
    std::vector<int> Commands()
    {
        PumpFor(30);
        std::vector<int> got;
        for (int c : window.commands)
            if (c >= 1000 && c < 3000)
                got.push_back(c);
        window.commands.clear();
        return got;
    }
    LinkWindow window;
    LClickRegionMouseHandler links;
};

TEST_F(RegionFixture, NewestRegionWins)
{
    struct Case
    {
        int x, y;
        std::vector<int> posted;
    } cases[] = {
        {15, 15, {1001}},  // first only
        {70, 25, {1002}},  // both: the second was added last
        {150, 35, {1002}}, // second only
        {5, 5, {}},        // neither
        {110, 15, {}},     // right edge of the first is outside it
    };
    for (const auto& c : cases) {
        links.OnLButtonDown(c.x, c.y);
        EXPECT_EQ(Commands(), c.posted) << c.x << "," << c.y;
    }
}

TEST_F(RegionFixture, RealClicksOnTheWindowReachTheHandler)
{
    QWidget* content = LQtWidget(window.GetView());
    QTest::mouseClick(content, Qt::LeftButton, Qt::NoModifier, QPoint(70, 25));
    QTest::mouseClick(content, Qt::LeftButton, Qt::NoModifier, QPoint(250, 150));
    EXPECT_EQ(Commands(), std::vector<int>{1002});
}

TEST_F(RegionFixture, HoverPostsOncePerControlAndSetsTheCursor)
{
    QWidget* content = LQtWidget(window.GetView());
    links.OnMouseMove(15, 15);
    links.OnMouseMove(16, 16);
    EXPECT_TRUE(links.OverRegion());
    EXPECT_EQ(links.HoveredControl(), 11);
    EXPECT_EQ(content->cursor().shape(), Qt::PointingHandCursor);
    links.OnMouseMove(150, 35); // the second control: no hover command
    EXPECT_EQ(links.HoveredControl(), 12);
    links.OnMouseMove(250, 150);
    EXPECT_FALSE(links.OverRegion());
    EXPECT_EQ(links.HoveredControl(), 0);
    EXPECT_EQ(content->cursor().shape(), Qt::ArrowCursor);
    links.OnMouseMove(15, 15);
    EXPECT_EQ(Commands(), (std::vector<int>{2001, 2001}));
}

} // namespace
