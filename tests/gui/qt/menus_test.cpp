// Menus filled from tables: tags, submenus, shortcuts, routing of chosen
// items, and where a context menu opens near the screen's edges.

#include "gui/framework/LKeyHandler.h"
#include "gui/framework/LMainMenu.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/menus/LQtMenuImpl.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcutEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "menus_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

class Menus : public ::testing::Test
{
protected:
    void SetUp() override { App(); }
};

QMenu* Q(const LPopupMenu& menu)
{
    return LQtMenuImpl::FromNative(menu.Native());
}

std::vector<std::pair<LWindow*, int32_t>> g_sent;

TEST_F(Menus, TagRules)
{
    LQtSetCommandSender([](LWindow* window, int32_t command) { g_sent.push_back({window, command}); });
    g_sent.clear();
    LPopupMenu menu;
    menu.Create(reinterpret_cast<LWindow*>(0x2000), "Test");
    QMenu* q = Q(menu);
    struct Case
    {
        int32_t command;
        const char* title;
        int32_t tag;
        bool routed;
    };
    const std::vector<Case> cases = {
        {0, "Zero", 0, true},
        {0, "", -1, true},
        {42, "&Open\tCtrl+O", 42, true},
        {-5, "Negative", -1, false},
    };
    for (const auto& c : cases) {
        QAction* action = LQtMenuImpl::AddItem(q, c.command, c.title);
        EXPECT_EQ(LQtMenuImpl::Tag(action), c.tag) << c.title;
        g_sent.clear();
        action->trigger();
        EXPECT_EQ(g_sent.size(), c.routed ? 1u : 0u) << c.title;
    }
    // Mnemonic marks and the shortcut text are not part of the title.
    EXPECT_EQ(q->actions()[2]->text(), "Open");
    // -1 finds nothing, even though items carry it.
    EXPECT_TRUE(LQtMenuImpl::FindItems(q, -1).isEmpty());
    EXPECT_EQ(LQtMenuImpl::FindFirstItem(q, 42), q->actions()[2]);
    LQtSetCommandSender(nullptr);
}

const LMenuItemDef kFileTable[] = {
    {-1, "&File", 0}, {100, "&New", 0}, {101, "&Open...", 0}, {0, nullptr, 0},  {-1, "Recent", 0},
    {110, "One", 0},  {-1, nullptr, 0}, {-102, "Quit", 0},    {-1, nullptr, 0}, {200, "After", 0},
};

TEST_F(Menus, TableBuildsSubmenusAndAppendingTwiceReplacesThem)
{
    const LKeyToCommandMap accelerators[] = {{LKey::FromCharacter('N', LKey::kCommand), 100}};
    LPopupMenu menu;
    menu.Create(nullptr, "Main");
    int next = menu.AppendItems(kFileTable, 0, 10, accelerators, 1);
    EXPECT_EQ(next, 10);
    QMenu* q = Q(menu);
    ASSERT_EQ(q->actions().size(), 2);
    QMenu* file = LQtMenuImpl::FromNative(menu.FindSubmenu("File"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), "File");
    // New, Open, separator, Recent, Quit.
    ASSERT_EQ(file->actions().size(), 5);
    EXPECT_TRUE(file->actions()[2]->isSeparator());
    EXPECT_NE(LQtMenuImpl::GetSubmenu(file, "Recent"), nullptr);
    EXPECT_EQ(LQtMenuImpl::Tag(file->actions()[4]), 102); // a negative row is item -command
    EXPECT_EQ(file->actions()[0]->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(LQtMenuImpl::Tag(q->actions()[1]), 200);

    menu.AppendItems(kFileTable, 0, 9, nullptr, 0);
    // Still one File submenu; the replacement is last.
    int files = 0;
    for (QAction* action : q->actions())
        files += action->menu() && action->text() == "File";
    EXPECT_EQ(files, 1);
    EXPECT_EQ(q->actions().size(), 2);
    EXPECT_EQ(q->actions().last()->text(), "File");
    EXPECT_EQ(menu.FindSubmenu("Main"), menu.Native());
    EXPECT_EQ(menu.FindSubmenu("Nothing"), nullptr);
}

TEST_F(Menus, OperationsByCommandReachIntoSubmenus)
{
    LPopupMenu menu;
    menu.Create(nullptr, "Main");
    menu.AppendItems(kFileTable, 0, 10, nullptr, 0);
    QMenu* q = Q(menu);
    LQtMenuImpl::EnableItem(q, 110, false);
    EXPECT_FALSE(LQtMenuImpl::IsItemEnabled(q, 110));
    LQtMenuImpl::SetItemTitle(q, 101, "Open &File");
    char title[260];
    LQtMenuImpl::GetItemTitle(q, 101, title);
    EXPECT_STREQ(title, "Open File");
    LQtMenuImpl::GetItemTitle(q, 999, title);
    EXPECT_STREQ(title, "");
    ASSERT_NE(LQtMenuImpl::InsertItemBefore(q, 105, 110, "Zero"), nullptr);
    QMenu* recent = LQtMenuImpl::GetSubmenu(LQtMenuImpl::GetSubmenu(q, "File"), "Recent");
    EXPECT_EQ(LQtMenuImpl::Tag(recent->actions()[0]), 105);
    EXPECT_EQ(LQtMenuImpl::InsertItemBefore(q, 106, 999, "Nowhere"), nullptr);
    EXPECT_TRUE(LQtMenuImpl::RemoveItem(q, 110));
    EXPECT_EQ(LQtMenuImpl::FindFirstItem(q, 110), nullptr);
    EXPECT_FALSE(LQtMenuImpl::RemoveItem(q, 110));
    LQtMenuImpl::CheckItem(q, 100, true);
    EXPECT_TRUE(LQtMenuImpl::FindFirstItem(q, 100)->isChecked());
}

TEST_F(Menus, KeySequencesOfOurKeys)
{
    struct Case
    {
        LKey key;
        const char* sequence;
    };
    const std::vector<Case> cases = {
        {LKey::FromCharacter('Q', LKey::kCommand), "Ctrl+Q"},
        {LKey::FromCharacter('/', LKey::kCommand | LKey::kShift), "Ctrl+Shift+/"},
        {LKey::FromVirtualKey(kVKDelete, LKey::kCommand), "Ctrl+Backspace"},
        {LKey::FromVirtualKey(kVKF5), "F5"},
        {LKey::FromCharacter(' ', LKey::kControl), "Meta+Space"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LQtMenuImpl::KeySequenceFor(c.key).toString().toStdString(), c.sequence);
    EXPECT_TRUE(LQtMenuImpl::KeySequenceFor(LKey{}).isEmpty());
}

struct RecordingHandler : LMenuHandler
{
    void OnMenuCommand(int32_t command, int32_t) override { commands.push_back(command); }
    std::vector<int32_t> commands;
};

TEST_F(Menus, ChosenItemsReachTheHandlerOrTheOwner)
{
    auto* owner = reinterpret_cast<LWindow*>(0x1000);
    g_sent.clear();
    LQtSetCommandSender([](LWindow* window, int32_t command) { g_sent.push_back({window, command}); });
    LPopupMenu menu;
    menu.Create(owner, "Main");
    menu.AppendItems(kFileTable, 0, 10, nullptr, 0);
    LQtMenuImpl::FindFirstItem(Q(menu), 110)->trigger();
    ASSERT_EQ(g_sent.size(), 1u);
    EXPECT_EQ(g_sent[0].first, owner);
    EXPECT_EQ(g_sent[0].second, 110);

    RecordingHandler handler;
    menu.SetHandler(&handler);
    LQtMenuImpl::FindFirstItem(Q(menu), 200)->trigger();
    EXPECT_EQ(handler.commands, std::vector<int32_t>{200});
    EXPECT_EQ(g_sent.size(), 1u);
    LQtSetCommandSender(nullptr);
}

TEST(PopupPlacement, TenPointsInsideTheScreen)
{
    struct Case
    {
        double x, y;
        double expectX, expectY;
    };
    // Screen 0..1000 x 0..800, menu 200 x 300.
    const std::vector<Case> cases = {
        {500, 300, 500, 300}, {1000, 300, 790, 300}, {995, 790, 790, 490},
        {0, 0, 10, 10},       {-50, 400, 10, 400},
    };
    for (const auto& c : cases) {
        LPopupOrigin at = LClampPopupOrigin(c.x, c.y, 200, 300, 0, 0, 1000, 800);
        EXPECT_EQ(at.x, c.expectX) << c.x << "," << c.y;
        EXPECT_EQ(at.y, c.expectY) << c.x << "," << c.y;
    }
}

TEST_F(Menus, PopupAtTheRightEdgeOpensInside)
{
    LPopupMenu menu;
    menu.Create(nullptr, "Context");
    menu.AddItem(1, "A rather long item title");
    menu.AddItem(2, "Second");
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->availableGeometry();
    QRect shown;
    QTimer::singleShot(0, [&] {
        QMenu* q = Q(menu);
        shown = q->geometry();
        q->close();
    });
    menu.TrackPopup(nullptr, true, area.right(), area.top() + 50);
    ASSERT_TRUE(shown.isValid());
    EXPECT_EQ(shown.right() + 1, area.right() + 1 - 10);
    EXPECT_EQ(shown.top(), area.top() + 50);
}

} // namespace

namespace {

TEST_F(Menus, HelpOnTheMainMenuAnswersTheApplicationsHelpMenu)
{
    const LMenuItemDef table[] = {
        {-1, "File", 0}, {1, "Open", 0},   {-1, nullptr, 0},
        {-1, "Help", 0}, {2, "Manual", 0}, {-1, nullptr, 0},
    };
    LPopupMenu bar;
    bar.Create(nullptr, "");
    bar.AppendItems(table, 0, 6, nullptr, 0);
    LPopupMenu other;
    other.Create(nullptr, "Application Help");
    // Without an application help menu the direct submenu answers.
    LSetMainMenu(&bar);
    LSetHelpMenu(nullptr);
    ASSERT_NE(bar.FindSubmenu("Help"), nullptr);
    EXPECT_EQ(Q(bar)->title(), "");
    EXPECT_EQ(LQtMenuImpl::FromNative(bar.FindSubmenu("Help"))->title(), "Help");
    LSetHelpMenu(other.Native());
    EXPECT_EQ(bar.FindSubmenu("Help"), other.Native());
    EXPECT_NE(bar.FindSubmenu("File"), nullptr);
    // Only the main menu answers with the application's help menu.
    LPopupMenu notMain;
    notMain.Create(nullptr, "");
    notMain.AppendItems(table, 0, 6, nullptr, 0);
    EXPECT_NE(notMain.FindSubmenu("Help"), other.Native());
    LSetHelpMenu(nullptr);
    LSetMainMenu(nullptr);
}

} // namespace

namespace {

struct KeyRecorder : LKeyHandler
{
    bool OnKeyDown(LKey key) override
    {
        keys.push_back(key);
        return true;
    }
    std::vector<LKey> keys;
};

class MenuOwner : public LWindow
{
public:
    std::vector<int> commands;
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

TEST_F(Menus, ShortcutOfAnItemGoesToTheKeyHandlerWhenTheWindowHasOne)
{
    LQtSetCommandSender(nullptr);
    MenuOwner window;
    window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    const LKeyToCommandMap keys[] = {{LKey::FromCharacter('N', LKey::kCommand), 100}};
    LPopupMenu menu;
    menu.Create(&window, "File");
    menu.AddItem(100, "New");
    menu.SetAccelerators(keys, 1);
    QAction* item = LQtMenuImpl::FindFirstItem(Q(menu), 100);
    ASSERT_NE(item, nullptr);

    // Without a key handler the shortcut chooses the item.
    QShortcutEvent shortcut(QKeySequence(QStringLiteral("Ctrl+N")), 0);
    QCoreApplication::sendEvent(item, &shortcut);
    EXPECT_EQ(window.commands, (std::vector<int>{100}));

    KeyRecorder handler;
    window.SetKeyHandler(&handler);
    window.commands.clear();
    QShortcutEvent again(QKeySequence(QStringLiteral("Ctrl+N")), 0);
    QCoreApplication::sendEvent(item, &again);
    EXPECT_TRUE(window.commands.empty());
    ASSERT_EQ(handler.keys.size(), 1u);
    EXPECT_EQ(handler.keys[0].code, LKey::FromCharacter('N', LKey::kCommand).code);
    // A click is still the item's.
    item->trigger();
    EXPECT_EQ(window.commands, (std::vector<int>{100}));
    window.SetKeyHandler(nullptr);
    window.DestroyWindow();
}

TEST_F(Menus, EditControlFocus)
{
    QWidget top;
    auto* field = new QLineEdit(&top);
    auto* button = new QPushButton(&top);
    top.show();
    QApplication::setActiveWindow(&top);
    field->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(LIsEditControlFocused());
    field->setReadOnly(true);
    EXPECT_FALSE(LIsEditControlFocused());
    button->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(LIsEditControlFocused());
}

} // namespace
