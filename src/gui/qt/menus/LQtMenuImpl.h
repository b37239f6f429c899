#pragma once
// Operations on Qt menus by command id. Items keep their command id in the
// "ltag" property (-1 for submenu holders and items without command); items
// with a command are found through submenus, depth first, in menu order.

#include "gui/framework/LKey.h"
#include "gui/framework/LPopupMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QString>

class LQtMenuImpl
{
public:
    static QMenu* FromNative(LNativeMenu* menu) { return reinterpret_cast<QMenu*>(menu); }
    static LNativeMenu* ToNative(QMenu* menu) { return reinterpret_cast<LNativeMenu*>(menu); }

    static QMenu* CreateMenu(const char* title, LWindow* owner);
    // An item as tables define it: the title without mnemonics and shortcut
    // text; tag = command, or -1 for a negative command or an empty title;
    // no click routing for negative commands.
    static QAction* CreateItem(QMenu* menu, int32_t command, const char* title);
    static int32_t Tag(const QAction* action);

    static QList<QAction*> FindItems(QMenu* menu, int32_t command);
    static QAction* FindFirstItem(QMenu* menu, int32_t command);
    static QAction* AddItem(QMenu* menu, int32_t command, const char* title);
    static QAction* AddItemWithShortcut(QMenu* menu, int32_t command, const char* title, LKey key);
    static QAction* InsertItem(QMenu* menu, int32_t command, int index, const char* title);
    // Before the first item with `before`, in that item's menu; null when not found.
    static QAction* InsertItemBefore(QMenu* menu, int32_t command, int32_t before, const char* title);
    // Every item with the command, from its own menu; true when any was found.
    static bool RemoveItem(QMenu* menu, int32_t command);
    static void AddSeparator(QMenu* menu);
    static void InsertSeparator(QMenu* menu, int index);
    static void InsertSeparatorBefore(QMenu* menu, int32_t before);
    static QAction* AddSubmenu(QMenu* menu, const char* title, QMenu* submenu);
    static bool RemoveSubmenu(QMenu* menu, const char* title);
    static QMenu* GetSubmenu(QMenu* menu, int index);
    static QMenu* GetSubmenu(QMenu* menu, const char* title);
    static void SetItemTitle(QMenu* menu, int32_t command, const char* title);
    // Into a 260-byte buffer, cut between characters; "" when missing.
    static void GetItemTitle(QMenu* menu, int32_t command, char* title);
    static void SetItemShortcut(QMenu* menu, int32_t command, LKey key);
    static void EnableItem(QMenu* menu, int32_t command, bool enable);
    static bool IsItemEnabled(QMenu* menu, int32_t command);
    // The menu's direct items only.
    static void EnableItems(QMenu* menu, bool enable);
    static void ShowItem(QMenu* menu, int32_t command, bool show);
    static void CheckItem(QMenu* menu, int32_t command, bool check);
    static void ClearMenu(QMenu* menu);

    // The shortcut Qt shows and matches for one of our keys; empty for keys
    // without one.
    static QKeySequence KeySequenceFor(LKey key);

    // Sends a chosen item's command to the menu's owner (or its handler).
    static void HandleItemClick(QAction* action);
    static LWindow* OwnerOf(QMenu* menu);
    // Whether the menu or a menu above it carries a handler object.
    static bool HasHandler(QMenu* menu);
};
