#pragma once
// Screens, work areas, the pointer and window-level helpers by view, all in
// device pixels with y measured down from the top.

#include "gui/framework/LView.h"

// Screen n (1-based) as {left, top, right, bottom}; 0: the whole desktop;
// out of range: zeros.
void LGetScreenRect(int screen, int rect[4]);
// The visible area of the view's screen as {left, top, right, bottom}.
void LGetWindowWorkArea(LViewHandle view, int rect[4]);
// The pointer on the screen.
void LGetCursorPos(int pt[2]);
// Pixels taken by a visible status bar (the view's control 800), else 0.
int LGetStatusBarHeight(LViewHandle view);
// Pixels taken by a visible toolbar along the view's top, else 0.
int LGetToolBarHeight(LViewHandle view);
void LEnableWindow(LViewHandle view, bool enable);
// IsVisible of the view's window object; false when none.
bool LIsWindowVisible(LViewHandle view);
void LBringWindowToFront(LViewHandle view);
