#pragma once
// Menus carry commands like controls do: an item's tag is its command id and
// a chosen item ends in the owning window's command handler (or in a handler
// object set on the menu). Menus are filled from tables of LMenuItemDef.

#include "gui/framework/LKey.h"

#include <cstdint>
#include <string>

class LWindow;
// The toolkit's menu; only the window layer looks inside.
struct LNativeMenu;

// One row of a menu table:
//   command > 0 with title   an item
//   command < -1 with title  item -command, without image
//   -1 with title            begins a submenu with that title
//   -1 without title         ends the current submenu
//   0 without title          a separator
struct LMenuItemDef
{
    int32_t command;
    const char* title;
    int32_t image;
};

// Receives the items of a menu instead of a window.
class LMenuHandler
{
public:
    virtual ~LMenuHandler() = default;
    virtual void OnMenuCommand(int32_t command, int32_t extra) = 0;
};

class LPopupMenu
{
public:
    LPopupMenu();
    ~LPopupMenu();
    LPopupMenu(const LPopupMenu&) = delete;
    LPopupMenu& operator=(const LPopupMenu&) = delete;

    void Create(LWindow* owner, const char* title);
    // With the shortcut of the first accelerator for the command, if any.
    void AddItem(int32_t command, const char* title);
    // A zero key falls back to AddItem.
    void AddItemWithShortcut(int32_t command, const char* title, LKey key);
    // An accelerator wins over the image; an image id below 1 adds a plain item.
    void AddItemWithImage(int32_t command, const char* title, const LKeyToCommandMap* accelerators,
                          int acceleratorCount, int32_t image);
    void AddSeparator();
    int GetItemCount() const;
    void EnableItem(int32_t command, bool enable);
    void CheckItem(int32_t command);
    void SetItemCheck(int32_t command, bool check);
    void SetHandler(LMenuHandler* handler);
    void SetAccelerators(const LKeyToCommandMap* accelerators, int count);

    // Fills the menu from table[index..count); returns the index after the
    // rows used (past a closing submenu row).
    int AppendItems(const LMenuItemDef* table, int index, int count, const LKeyToCommandMap* accelerators,
                    int acceleratorCount);
    // A submenu from the row at `index` (a submenu start); at the top level
    // an existing submenu with the same title is replaced. Returns the index
    // after the submenu.
    int AppendSubmenu(const LMenuItemDef* table, int index, int count, const LKeyToCommandMap* accelerators,
                      int acceleratorCount);
    // The menu itself for its own title, else the direct item's submenu with
    // that title; null when none.
    LNativeMenu* FindSubmenu(const char* title) const;
    // The direct item's submenu at index (items counted from 0), or null.
    LNativeMenu* GetSubmenuAt(int index) const;
    // Takes the direct submenu with that title (mnemonics ignored) out of the
    // menu and deletes it; false when there is none.
    bool RemoveSubmenu(const char* title);
    // The number of direct items of a native menu (separators count).
    static int GetItemCount(LNativeMenu* menu);
    // Appends to a menu found with FindSubmenu, which this object does not own.
    static void AppendItemTo(LNativeMenu* menu, int32_t command, const char* title, LKey key);
    static void AppendSeparatorTo(LNativeMenu* menu);

    // Opens the menu as a context menu at (x, y): screen coordinates when
    // `screenPoint`, else the coordinates of the window's content. It stays
    // 10 points inside the screen. Returns when the menu closes.
    void TrackPopup(LWindow* window, bool screenPoint, double x, double y);

    LNativeMenu* Native() const { return menu_; }
    LWindow* Owner() const { return owner_; }

private:
    LNativeMenu* menu_ = nullptr;
    LWindow* owner_ = nullptr;
    const LKeyToCommandMap* accelerators_ = nullptr;
    int acceleratorCount_ = 0;
    int nesting_ = 0;
};

// Whether the focused control is a text field or text view that can be edited.
bool LIsEditControlFocused();

// Where a popup of the given size opens when asked for at (x, y), with the
// screen's available rectangle (top-left origin): 10 points inside each edge.
struct LPopupOrigin
{
    double x;
    double y;
};
LPopupOrigin LClampPopupOrigin(double x, double y, double width, double height, double screenLeft,
                               double screenTop, double screenRight, double screenBottom);
