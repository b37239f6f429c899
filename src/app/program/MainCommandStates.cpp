#include "app/program/MainCommandStates.h"

const int32_t kMainListCommands[] = {2004, 2005, 2006, 2007, 2008, 2009, 2010,
                                     2011, 2019, 2020, 2021, 2022, 0};

bool MainCommandEnabled(int32_t command, const MainListState& s)
{
    switch (command) {
    case 2004: // Remove File(s)
    case 2005: // Copy To...
    case 2020: // Edit Selected Tags...
        return s.selected >= 1;
    case 2006: // Edit file with Tessary
    case 2007: // Rename File
    case 2008: // Play File
    case 2019: // Edit Tag...
        return s.selected == 1;
    case 2009: // Join Files
        return s.selected >= 2;
    case 2010: // Select All: while some row is left to select
        return s.count < 1 || s.selected != s.count;
    case 2011: // Burn an Audio CD...
        return s.count >= 1;
    case 2021: // Move Selected File Up
        return s.selected == 1 && s.count > 1 && s.first != 0;
    case 2022: // Move Selected File Down
        return s.selected == 1 && s.count > 1 && s.first != s.count - 1;
    default:
        return true;
    }
}
