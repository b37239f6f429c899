// Windows embedded in another window's view: owner lookup, sizes, scrolling
// and detaching.
#include "gui/GuiTestSupport.h"

#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LEmbeddedWindow.h"
#include "gui/qt/LQtView.h"

#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <vector>

using namespace quorin::test;

namespace {

class Page : public LEmbeddedWindow
{
public:
    std::vector<std::pair<int, int>> sizes;
    int readies = 0;
    int destroys = 0;
    void OnCreate() override { AddStaticText(5, "page"); }
    void OnReady() override { ++readies; }
    void OnDestroy() override { ++destroys; }
    void OnSize(int, int, int w, int h) override { sizes.emplace_back(w, h); }
};

class Host : public LWindow
{
public:
    std::vector<int> commands;
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

class EmbeddedWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        host_.CreateCocoaWindow(400, 300, kWindowStyleTitled, false, nullptr);
        host_.ShowModeless(nullptr, LPlacementCenterOnScreen);
    }
    void TearDown() override { host_.DestroyWindow(); }
    Host host_;
};

} // namespace

TEST_F(EmbeddedWindow, LivesInTheHostViewAndFindsItsOwners)
{
    Page page;
    ASSERT_TRUE(page.Create(&host_, 200, 100));
    EXPECT_TRUE(page.IsWindow());
    EXPECT_FALSE(page.IsTopLevel());
    EXPECT_EQ(LGetWindowFromView(page.GetView()), &page);
    EXPECT_EQ(page.GetParentWindow(), &host_);
    EXPECT_EQ(LGetSuperview(page.GetView()), host_.GetView());
    EXPECT_TRUE(page.IsVisible());
    ASSERT_FALSE(page.sizes.empty());
    EXPECT_EQ(page.sizes.back(), std::make_pair(200, 100));
    EXPECT_TRUE(PumpUntil([&] { return page.readies == 1; }));
    page.Place(10, 10, 300, 120);
    EXPECT_EQ(page.sizes.back(), std::make_pair(300, 120));
    page.ShowWindow(false);
    EXPECT_FALSE(page.IsVisible());
    // Help goes to the host.
    page.OnCommand(kCommandHelp, 0);
    EXPECT_TRUE(PumpUntil([&] { return !host_.commands.empty() && host_.commands.back() == kCommandHelp; }));
}

TEST_F(EmbeddedWindow, AScrollerThatAppearsGivesASecondNarrowerSize)
{
    Page page;
    page.vScroll = true;
    ASSERT_TRUE(page.Create(&host_, 200, 100));
    page.Place(0, 0, 200, 100);
    ASSERT_EQ(page.sizes.back().first, 200);
    page.SetVirtualSize(200, 1000);
    PumpFor(20); // the scroll area lays its scrollers out on a later pass
    auto* area = qobject_cast<QScrollArea*>(LQtWidget(page.GetView())->parentWidget()->parentWidget());
    ASSERT_NE(area, nullptr);
    int scroller = area->verticalScrollBar()->isVisible() ? area->verticalScrollBar()->width() : 0;
    EXPECT_GT(scroller, 0);
    EXPECT_EQ(page.sizes.back(), std::make_pair(200 - scroller, 1000));
}

TEST_F(EmbeddedWindow, TheHostsTeardownDetachesItsPages)
{
    Page page;
    ASSERT_TRUE(page.Create(&host_, 200, 100));
    page.PostCommand(1234); // dropped: the page is gone before delivery
    host_.DestroyWindow();
    EXPECT_EQ(page.destroys, 1);
    EXPECT_FALSE(page.IsWindow());
    EXPECT_EQ(page.GetView(), nullptr);
    PumpFor(20);
}

TEST(AssociatedData, NullObjectsMissingKeysAndZero)
{
    GuiApp();
    EXPECT_EQ(LAssociatedData::GetData(nullptr, "k"), 0u);
    LAssociatedData::SetData(5, nullptr, "k"); // nothing happens
    QWidget widget;
    LViewHandle view = LQtHandle(&widget);
    EXPECT_EQ(LAssociatedData::GetData(view, "k"), 0u);
    LAssociatedData::SetData(42, view, "k");
    LAssociatedData::SetData(7, view);
    EXPECT_EQ(LAssociatedData::GetData(view, "k"), 42u);
    EXPECT_EQ(LAssociatedData::GetData(view), 7u);
    LAssociatedData::SetData(0, view, "k");
    EXPECT_EQ(LAssociatedData::GetData(view, "k"), 0u);
    EXPECT_EQ(LGetWindowFromView(view), nullptr);
}
