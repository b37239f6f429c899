// The main menu's operations by command through its submenus, and the
// modal runs that disable it.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LMainMenu.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/menus/LQtMenuImpl.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <vector>

using namespace quorin::test;

namespace {

const LMenuItemDef kTable[] = {
    {-1, "File", 0}, {101, "Open", 0},  {0, nullptr, 0},    {102, "Save", 0},  {-1, nullptr, 0},
    {-1, "View", 0}, {201, "Small", 0}, {202, "Medium", 0}, {203, "Large", 0}, {-1, nullptr, 0},
};
constexpr int kRows = sizeof(kTable) / sizeof(kTable[0]);

class MainMenu : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        menu.Create(nullptr, "Main");
        menu.AppendItems(kTable, 0, kRows, nullptr, 0);
        LSetMainMenu(&menu);
    }
    void TearDown() override { LSetMainMenu(nullptr); }

    QString Title(int32_t command)
    {
        QAction* action = LQtMenuImpl::FindFirstItem(LQtMenuImpl::FromNative(menu.Native()), command);
        return action != nullptr ? action->text() : QString();
    }
    QStringList FileTitles()
    {
        QStringList titles;
        QMenu* file = LQtMenuImpl::GetSubmenu(LQtMenuImpl::FromNative(menu.Native()), "File");
        for (QAction* action : file->actions())
            titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return titles;
    }

    LPopupMenu menu;
};

TEST_F(MainMenu, EnablingByCommandListAndRange)
{
    LMainMenuEnableItem(102, false);
    EXPECT_FALSE(LMainMenuIsItemEnabled(102));
    const int list[] = {101, 201, 0, 202};
    LMainMenuEnableItems(list, false);
    EXPECT_FALSE(LMainMenuIsItemEnabled(101));
    EXPECT_FALSE(LMainMenuIsItemEnabled(201));
    EXPECT_TRUE(LMainMenuIsItemEnabled(202)); // behind the terminating 0
    LMainMenuEnableItemRange(201, 203, false);
    EXPECT_FALSE(LMainMenuIsItemEnabled(203));
    LMainMenuEnableItemRange(101, 203, true);
    for (int command : {101, 102, 201, 202, 203})
        EXPECT_TRUE(LMainMenuIsItemEnabled(command)) << command;
    // -1 finds nothing.
    EXPECT_FALSE(LMainMenuIsItemEnabled(-1));
}

TEST_F(MainMenu, RadioCheckMovesTheMark)
{
    LMainMenuCheckItem(201, true);
    LMainMenuCheckItem(203, true);
    LMainMenuCheckRadioItem(201, 203, 202);
    EXPECT_FALSE(LMainMenuIsItemChecked(201));
    EXPECT_TRUE(LMainMenuIsItemChecked(202));
    EXPECT_FALSE(LMainMenuIsItemChecked(203));
}

TEST_F(MainMenu, InsertRemoveAndRetitle)
{
    LMainMenuInsertItem(102, 103, "Save As");
    LMainMenuInsertSeparator(103);
    LMainMenuInsertItem(999, 104, "Lost"); // no such anchor: nothing
    EXPECT_EQ(FileTitles(), (QStringList{"Open", "-", "-", "Save As", "Save"}));
    LMainMenuRemoveItem(103);
    EXPECT_EQ(FileTitles(), (QStringList{"Open", "-", "-", "Save"}));
    LMainMenuSetItemTitle(101, "Open File");
    EXPECT_EQ(Title(101), "Open File");
    const LKeyToCommandMap accelerators[] = {{LKey::FromCharacter(u'S', LKey::kCommand), 102}};
    LMainMenuSetItemText(102, "Save Now", accelerators, 1);
    QAction* save = LQtMenuImpl::FindFirstItem(LQtMenuImpl::FromNative(menu.Native()), 102);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "Save Now");
    EXPECT_EQ(save->shortcut(), QKeySequence("Ctrl+S"));
}

TEST_F(MainMenu, ModalRunsDisableTheMenuOnceAndEnableItAtTheEnd)
{
    QMenu* root = LQtMenuImpl::FromNative(menu.Native());
    auto allEnabled = [&](bool enabled) {
        for (QAction* action : root->actions())
            if (action->isEnabled() != enabled)
                return false;
        return true;
    };
    ASSERT_EQ(LGetModalDepth(), 0);
    LIncrementModalDepth();
    EXPECT_TRUE(allEnabled(false));
    LIncrementModalDepth();
    LDecrementModalDepth();
    EXPECT_TRUE(allEnabled(false)); // the outer run still holds it
    LDecrementModalDepth();
    EXPECT_TRUE(allEnabled(true));
}

TEST_F(MainMenu, WithoutAMainMenuTheOperationsDoNothing)
{
    LSetMainMenu(nullptr);
    EXPECT_EQ(LGetMainMenu(), nullptr);
    LMainMenuEnableItem(101, false);
    LMainMenuRemoveItem(101);
    EXPECT_FALSE(LMainMenuIsItemEnabled(101));
    EXPECT_EQ(Title(101), "Open");
}

class OpeningWindow : public LWindow
{
public:
    std::vector<int> commands;
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

TEST_F(MainMenu, OpeningAMenuSendsTheDelegatesCommand)
{
    OpeningWindow window;
    window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
    QMenu* file = LQtMenuImpl::GetSubmenu(LQtMenuImpl::FromNative(menu.Native()), "File");
    {
        LMainMenuDelegate delegate;
        delegate.Attach(LQtMenuImpl::ToNative(file));
        delegate.SetWindow(&window);
        delegate.SetMenuOpeningCommand(0); // below 1: nothing
        emit file->aboutToShow();
        EXPECT_TRUE(window.commands.empty());
        delegate.SetMenuOpeningCommand(7000);
        emit file->aboutToShow();
        EXPECT_EQ(window.commands, std::vector<int>{7000});
    }
    // A delegate that is gone hears nothing.
    emit file->aboutToShow();
    EXPECT_EQ(window.commands.size(), 1u);
    window.EndDialog(kCommandCancel);
}

} // namespace
