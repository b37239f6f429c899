#include "gui/controls/LCommandKeys.h"

// Property names on the toolkit view; one per event kind.
const LCommandKey LCommandKeyUp = "lcmd.up";
const LCommandKey LCommandKeyDown = "lcmd.down";
const LCommandKey LCommandKeyKillFocus = "lcmd.killfocus";
const LCommandKey LCommandKeyMenuOpen = "lcmd.menuopen";
const LCommandKey LCommandKeyMenuClose = "lcmd.menuclose";
const LCommandKey LCommandKeyTextChange = "lcmd.textchange";
const LCommandKey LCommandKeyTrackBar = "lcmd.trackbar";
const LCommandKey LCommandKeyTrackBarRelease = "lcmd.trackbarrelease";
const LCommandKey LCommandKeyScrollBar = "lcmd.scrollbar";
const LCommandKey LCommandKeyRightClick = "lcmd.rightclick";
const LCommandKey LCommandKeyPaste = "lcmd.paste";
const LCommandKey LCommandKeyEditClick = "lcmd.editclick";
const LCommandKey LCommandKeySetFocus = "lcmd.setfocus";
const LCommandKey LCommandKeySelectionChange = "lcmd.selectionchange";
const LCommandKey LCommandKeyDoubleClick = "lcmd.doubleclick";
const LCommandKey LCommandKeyLengthLimit = "lcmd.lengthlimit";
