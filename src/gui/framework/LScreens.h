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
int LGetToolbarHeight(LViewHandle view);
// The frame of the view's screen (the main screen without a view) in pixels
// as {left, top, right, bottom}; zeros without any screen.
void LGetScreenFrame(LViewHandle view, int rect[4]);
// The pointer in the view's pixels (the screen's without a view) as the
// rectangle {x, y, x + 11, y + 17} an arrow cursor covers.
void LGetCursorRect(int rect[4], LViewHandle view);
// Where a drop-down menu of the view (a button, say) opens: the view's
// bottom-left corner on the screen, in the coordinates that
// LPopupMenu::TrackPopup takes. False for a view that is not shown.
bool LGetDropDownOrigin(LViewHandle view, double* x, double* y);
// Places the window's status bar (control 800) along its bottom, 30 points
// high while visible, and lowers *clientHeight by its height.
void LLayoutStatusBar(LViewHandle windowView, const int* width, int* clientHeight);
// False while the view's window is minimised or not shown; otherwise whether
// any of it is on a screen.
bool LIsWindowVisibleOnScreen(LViewHandle view);
void LEnableWindow(LViewHandle view, bool enable);
// IsVisible of the view's window object; false when none.
bool LIsWindowVisible(LViewHandle view);
void LBringWindowToFront(LViewHandle view);
