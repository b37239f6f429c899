// The toolbar on a real window: the Share drop-down menu, the small-button
// mode in which items are the window's own controls, and button texts and
// tooltips by control id.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LCommands.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LToolBar.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/menus/LQtMenuImpl.h"
#include "gui/qt/menus/LQtToolbarImpl.h"
#include "support/TempHome.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

using namespace quorin::test;

namespace {

const LToolBar::ToolBarItem kItems[] = {
    {0, 1001, 304, "Record", "Record", "Record"},
    {0, 1002, 305, "Play", "Play", "Play"},
};

class HostWindow : public LWindow
{
public:
    std::vector<int> commands;
    LToolBar toolbar;

    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

class ToolbarWindow : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        GuiApp();
        // 400 x 200 points at any scale, wide enough for every item.
        const double scale = QGuiApplication::primaryScreen()->devicePixelRatio();
        window.CreateCocoaWindow(static_cast<int>(400 * scale), static_cast<int>(200 * scale),
                                 kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    }
    void TearDown() override
    {
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
        TempHomeTest::TearDown();
    }

    HostWindow window;
};

TEST_F(ToolbarWindow, ShareDropDownMenuHoldsTheSharingCommands)
{
    LToolBar plain;
    plain.Create(&window, kItems, 2, nullptr, 0);
    EXPECT_EQ(plain.DropDownMenu(), nullptr);
    EXPECT_FALSE(plain.ShowDropDownMenu());

    window.toolbar.CreateWithShareMenu(&window, kItems, 2, nullptr, 0);
    ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
    PumpFor(20);
    LPopupMenu* menu = window.toolbar.DropDownMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(window.toolbar.DropDownMenu(), menu);
    QMenu* q = LQtMenuImpl::FromNative(menu->Native());
    std::vector<int> commands;
    std::vector<std::string> titles;
    for (QAction* action : q->actions()) {
        commands.push_back(action->property("ltag").toInt());
        titles.push_back(action->text().toStdString());
        EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();
    }
    EXPECT_EQ(commands, (std::vector<int>{9320, 9310, 9311, 9316}));
    EXPECT_EQ(titles.front(), "Like Oxbel Software on Facebook");

    // The menu opens under the Share item and its choice reaches the window.
    auto* peer = static_cast<LQtToolbarImpl*>(window.toolbar.GetPeer());
    QToolButton* share = peer->Button(LToolBar::kShareCommand);
    ASSERT_NE(share, nullptr);
    QRect opened;
    QTimer::singleShot(0, [&] {
        opened = q->geometry();
        q->actions().at(1)->trigger();
        q->close();
    });
    window.commands.clear();
    EXPECT_TRUE(window.toolbar.ShowDropDownMenu());
    // Under the item's bottom-left corner, kept 10 points inside the screen.
    const QPoint under = share->mapToGlobal(QPoint(0, share->height()));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const LPopupOrigin expected =
        LClampPopupOrigin(under.x(), under.y(), opened.width(), opened.height(), area.left(), area.top(),
                          area.right() + 1, area.bottom() + 1);
    EXPECT_EQ(opened.x(), static_cast<int>(expected.x));
    EXPECT_EQ(opened.y(), static_cast<int>(expected.y));
    EXPECT_EQ(window.commands, (std::vector<int>{9310}));
}

TEST_F(ToolbarWindow, SmallButtonModeActsOnTheWindowsControls)
{
    window.AddButtonNoRect(801, "");
    window.AddButtonNoRect(1001, "Record");
    window.AddButtonNoRect(1002, "Play");
    window.toolbar.SetSmallButtonMode(true);
    window.toolbar.SetStateKey("Small");
    window.toolbar.Create(&window, kItems, 2, nullptr, 0);
    EXPECT_EQ(window.toolbar.GetPeer(), nullptr);
    ASSERT_EQ(window.toolbar.Items().size(), 2u);

    window.toolbar.EnableItem(1002, false);
    EXPECT_FALSE(window.IsControlEnabled(1002));
    EXPECT_FALSE(window.toolbar.IsItemEnabled(1002));
    EXPECT_TRUE(window.toolbar.IsItemEnabled(1001));

    window.toolbar.Show(false);
    for (int id : {801, 1001, 1002})
        EXPECT_FALSE(window.IsControlVisible(id)) << id;
    EXPECT_FALSE(window.toolbar.IsVisible());
    EXPECT_FALSE(window.toolbar.StoredVisibility(true));
    window.toolbar.Show(true);
    EXPECT_TRUE(window.IsControlVisible(1001));
    EXPECT_TRUE(window.toolbar.IsVisible());
    EXPECT_TRUE(window.toolbar.StoredVisibility(false));

    window.toolbar.ShowItem(1001, false);
    EXPECT_FALSE(window.toolbar.IsItemVisible(1001));
    EXPECT_TRUE(window.toolbar.IsItemVisible(1002));
}

TEST_F(ToolbarWindow, ButtonTextAndTooltipByControlId)
{
    window.AddButtonNoRect(10, "Old");
    window.AddStaticText(11, "Label");
    LSetButtonText(&window, 10, "New");
    LSetButtonText(&window, 11, "Not a button");
    char text[260];
    EXPECT_STREQ(window.GetButtonText(10, text), "New");
    EXPECT_STREQ(window.GetStaticText(11, text), "Label");

    const LKeyToCommandMap keys[] = {
        {LKey::FromCharacter('R', LKey::kCommand), 10},
    };
    LSetToolTipWithShortcut(&window, 10, "Record", keys, 1);
    EXPECT_EQ(LQtWidget(window.GetControl(10))->toolTip(), "Record (Ctrl+R)");
    LSetToolTipWithShortcut(&window, 11, "Plain", keys, 1);
    EXPECT_EQ(LQtWidget(window.GetControl(11))->toolTip(), "Plain");
}

} // namespace
