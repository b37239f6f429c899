#include "gui/framework/LMainMenu.h"

#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/menus/LQtMenuImpl.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace {

QPointer<QMenu> g_mainMenu;
QPointer<QMenu> g_helpMenu;
LWindow* g_mainWindow = nullptr;

QMenu* Main()
{
    return g_mainMenu.data();
}

void EnableMainMenu(bool enable)
{
    if (QMenu* menu = Main())
        LQtMenuImpl::EnableItems(menu, enable);
}

} // namespace

void LSetMainMenu(LPopupMenu* menu)
{
    g_mainMenu = menu != nullptr ? LQtMenuImpl::FromNative(menu->Native()) : nullptr;
    g_mainWindow = menu != nullptr ? menu->Owner() : nullptr;
    LSetMainMenuEnableHook(&EnableMainMenu);
    // A menu set during a modal run starts disabled like the one it replaces.
    if (LGetModalDepth() > 0)
        EnableMainMenu(false);
}

LNativeMenu* LGetMainMenu()
{
    return Main() != nullptr ? LQtMenuImpl::ToNative(Main()) : nullptr;
}

void LSetHelpMenu(LNativeMenu* menu)
{
    g_helpMenu = LQtMenuImpl::FromNative(menu);
}

LNativeMenu* LGetHelpMenu()
{
    return g_helpMenu ? LQtMenuImpl::ToNative(g_helpMenu.data()) : nullptr;
}

LWindow* LGetMainMenuWindow()
{
    return Main() != nullptr ? g_mainWindow : nullptr;
}

void LMainMenuEnableItem(int32_t command, bool enable)
{
    if (QMenu* menu = Main())
        LQtMenuImpl::EnableItem(menu, command, enable);
}

void LMainMenuEnableItems(const int* commands, bool enable)
{
    for (; commands != nullptr && *commands != 0; ++commands)
        LMainMenuEnableItem(*commands, enable);
}

void LMainMenuEnableItemRange(int32_t first, int32_t last, bool enable)
{
    for (int64_t command = first; command <= last; ++command)
        LMainMenuEnableItem(static_cast<int32_t>(command), enable);
}

bool LMainMenuIsItemEnabled(int32_t command)
{
    QMenu* menu = Main();
    return menu != nullptr && LQtMenuImpl::IsItemEnabled(menu, command);
}

void LMainMenuCheckItem(int32_t command, bool checked)
{
    if (QMenu* menu = Main())
        LQtMenuImpl::CheckItem(menu, command, checked);
}

void LMainMenuCheckRadioItem(int32_t first, int32_t last, int32_t checked)
{
    QMenu* menu = Main();
    if (menu == nullptr)
        return;
    for (int64_t command = first; command <= last; ++command)
        for (QAction* action : LQtMenuImpl::FindItems(menu, static_cast<int32_t>(command)))
            action->setChecked(false);
    LQtMenuImpl::CheckItem(menu, checked, true);
}

bool LMainMenuIsItemChecked(int32_t command)
{
    QMenu* menu = Main();
    QAction* action = menu != nullptr ? LQtMenuImpl::FindFirstItem(menu, command) : nullptr;
    return action != nullptr && action->isChecked();
}

void LMainMenuRemoveItem(int32_t command)
{
    if (QMenu* menu = Main())
        LQtMenuImpl::RemoveItem(menu, command);
}

void LMainMenuInsertItem(int32_t before, int32_t command, const char* title)
{
    if (QMenu* menu = Main())
        LQtMenuImpl::InsertItemBefore(menu, command, before, title);
}

void LMainMenuInsertSeparator(int32_t before)
{
    if (QMenu* menu = Main())
        LQtMenuImpl::InsertSeparatorBefore(menu, before);
}

void LMainMenuSetItemTitle(int32_t command, const char* title)
{
    if (QMenu* menu = Main())
        LQtMenuImpl::SetItemTitle(menu, command, title);
}

void LMainMenuSetItemText(int32_t command, const char* title, const LKeyToCommandMap* accelerators, int count)
{
    QMenu* menu = Main();
    if (menu == nullptr)
        return;
    LQtMenuImpl::SetItemTitle(menu, command, title);
    for (int i = 0; accelerators != nullptr && i < count; ++i) {
        if (accelerators[i].command == command) {
            LQtMenuImpl::SetItemShortcut(menu, command, accelerators[i].key);
            return;
        }
    }
}

LMainMenuDelegate::~LMainMenuDelegate()
{
    Attach(nullptr);
}

void LMainMenuDelegate::Attach(LNativeMenu* menu)
{
    if (connection_ != nullptr) {
        auto* connection = static_cast<QMetaObject::Connection*>(connection_);
        QObject::disconnect(*connection);
        delete connection;
        connection_ = nullptr;
    }
    if (QMenu* qmenu = menu != nullptr ? LQtMenuImpl::FromNative(menu) : nullptr)
        connection_ = new QMetaObject::Connection(
            QObject::connect(qmenu, &QMenu::aboutToShow, [this] { MenuWillOpen(); }));
}

void LMainMenuDelegate::MenuWillOpen()
{
    if (window_ != nullptr && command_ >= 1)
        window_->SendCommand(command_);
}
