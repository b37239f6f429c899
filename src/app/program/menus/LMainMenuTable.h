#pragma once
// The main window's menus (File, Edit, View) as a menu table. The shortcuts
// of its items come from the main window's key table.

#include "gui/framework/LPopupMenu.h"

inline constexpr int kMainMenuTableCount = 29;
extern const LMenuItemDef LMainMenuTable[kMainMenuTableCount];
