#pragma once
// The application's main menu and the operations the main window runs on it.
// Items are found by command anywhere in the menu's submenus; command -1
// finds nothing. While a modal run is in progress (the modal depth is above
// 0) the main menu's entries are disabled, and enabled again when the last
// modal run ends.

#include "gui/framework/LKey.h"

#include <cstdint>

class LPopupMenu;
class LWindow;
struct LNativeMenu;

// Keeps the menu (not owned: it must outlive its use as main menu; null
// forgets it), associates its owner as the main window and takes over the
// modal-depth enabling.
void LSetMainMenu(LPopupMenu* menu);
LNativeMenu* LGetMainMenu();
// The application's help menu (null: none); FindSubmenu("Help") on the main
// menu answers it. It is forgotten when the menu goes.
void LSetHelpMenu(LNativeMenu* menu);
LNativeMenu* LGetHelpMenu();
LWindow* LGetMainMenuWindow();

void LMainMenuEnableItem(int32_t command, bool enable);
// A list ended by 0.
void LMainMenuEnableItems(const int* commands, bool enable);
void LMainMenuEnableItemRange(int32_t first, int32_t last, bool enable);
bool LMainMenuIsItemEnabled(int32_t command);
void LMainMenuCheckItem(int32_t command, bool checked);
// Every command of first..last loses its check mark, then `checked` gets it.
void LMainMenuCheckRadioItem(int32_t first, int32_t last, int32_t checked);
bool LMainMenuIsItemChecked(int32_t command);
// Removes every item with the command.
void LMainMenuRemoveItem(int32_t command);
// Before the first item with `before`, in that item's menu; nothing when
// there is none.
void LMainMenuInsertItem(int32_t before, int32_t command, const char* title);
void LMainMenuInsertSeparator(int32_t before);
void LMainMenuSetItemTitle(int32_t command, const char* title);
// The title, then the shortcut of the first accelerator entry for the command.
void LMainMenuSetItemText(int32_t command, const char* title, const LKeyToCommandMap* accelerators,
                          int count);

// Sends a command to a window whenever a menu is about to open, so the
// window can bring its items up to date first. Commands below 1 send nothing.
class LMainMenuDelegate
{
public:
    LMainMenuDelegate() = default;
    ~LMainMenuDelegate();
    LMainMenuDelegate(const LMainMenuDelegate&) = delete;
    LMainMenuDelegate& operator=(const LMainMenuDelegate&) = delete;

    // Watches `menu` (null stops watching).
    void Attach(LNativeMenu* menu);
    void SetWindow(LWindow* window) { window_ = window; }
    LWindow* GetWindow() const { return window_; }
    void SetMenuOpeningCommand(int32_t command) { command_ = command; }
    int32_t GetMenuOpeningCommand() const { return command_; }
    // What the toolkit calls when the menu opens.
    void MenuWillOpen();

private:
    LWindow* window_ = nullptr;
    int32_t command_ = 0;
    void* connection_ = nullptr; // the toolkit's connection, while attached
};
