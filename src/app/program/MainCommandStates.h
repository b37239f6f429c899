#pragma once
// Which of the main window's commands can run, from the state of the list of
// recordings alone: how many rows it has, how many are selected and where the
// first selected one is. Menus, the context menu and the toolbar all ask here.

#include <cstdint>

struct MainListState
{
    int count = 0;    // rows in the list
    int selected = 0; // selected rows
    int first = -1;   // the first selected row, -1 when none
};

// Menu, context-menu and toolbar items alike. Commands the list does not
// govern are always enabled.
bool MainCommandEnabled(int32_t command, const MainListState& state);

// The commands whose state follows the list, in menu order; ended by 0.
extern const int32_t kMainListCommands[];
