#pragma once
// Per-event command slots of a control. Besides its action (the control id),
// a control reports further events through commands stored on its view under
// these keys; a slot never set reads -1, which sends only UpdateControls and
// posts nothing.

#include "gui/framework/LView.h"

#include <cstdint>

using LCommandKey = const char*;

extern const LCommandKey LCommandKeyUp;
extern const LCommandKey LCommandKeyDown;
extern const LCommandKey LCommandKeyKillFocus;
extern const LCommandKey LCommandKeyMenuOpen;
extern const LCommandKey LCommandKeyMenuClose;
extern const LCommandKey LCommandKeyTextChange;
extern const LCommandKey LCommandKeyTrackBar;
extern const LCommandKey LCommandKeyTrackBarRelease;
extern const LCommandKey LCommandKeyScrollBar;
extern const LCommandKey LCommandKeyRightClick;
extern const LCommandKey LCommandKeyPaste;
extern const LCommandKey LCommandKeyEditClick;
extern const LCommandKey LCommandKeySetFocus;
extern const LCommandKey LCommandKeySelectionChange;
extern const LCommandKey LCommandKeyDoubleClick;
extern const LCommandKey LCommandKeyLengthLimit;

class LWindow;

void LSetCommandId(LViewHandle view, int command, LCommandKey key);
// -1 when nothing is stored.
int LGetCommandId(LViewHandle view, LCommandKey key);
// Send (now) or post (queued) the command stored under key to window. An
// unset slot sends -1: UpdateControls only.
bool LSendCommandWithKey(LViewHandle view, LCommandKey key, LWindow* window);
bool LPostCommandWithKey(LViewHandle view, LCommandKey key, LWindow* window);
