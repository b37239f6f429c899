#pragma once
// The toolkit's containers of dialog pages (gui/qt/windows/LQtPropertySheet.cpp): a
// row of tabs for a property sheet, and for a wizard a stack that shows one
// page at a time under its title and subtitle. The sheet and the wizard
// decide what is shown; these only show it. Containers are opaque handles
// owned by the window's view. Rectangles are in points.

#include "gui/framework/LView.h"

#include <functional>

class LWindow;

using LPageContainer = void*;

// Tabs in the window's content; onChange(to) runs when another tab becomes
// current, after the tabs have been added.
LPageContainer LPageTabsCreate(LWindow& sheet);
void LPageTabsOnChange(LPageContainer tabs, std::function<void(int)> onChange);
// A tab titled `title` holding the page's view at its top left.
void LPageTabsAdd(LPageContainer tabs, const char* title, LWindow& page);
int LPageTabsCurrent(LPageContainer tabs);
void LPageTabsSelect(LPageContainer tabs, int index);
void LPageTabsPlace(LPageContainer tabs, int x, int y, int w, int h);

// The wizard's stack of pages at x, y, w, h.
LPageContainer LPageStackCreate(LWindow& wizard, int x, int y, int w, int h);
// A place for one page under a bold title and a smaller subtitle, laid out
// from the character cell (pixels) and scale; pageWidth in pixels. A
// subtitle wider than the page takes two lines. Returns the place.
LPageContainer LPageStackAdd(LPageContainer stack, const char* title, const char* subtitle, double charWidth,
                             double charHeight, double scale, int pageWidth);
void LPageStackShow(LPageContainer stack, LPageContainer place);

// Moves the page's view into its place (tab or stack page) at x, y.
void LPageAdopt(LWindow& page, LPageContainer place, int x, int y);
// Return presses button `id` and no longer `other`.
void LPageSetReturnButton(LWindow& window, int id, int other);
// The width button `id` asks for, in pixels; 0 without such a button.
int LPageButtonWidth(const LWindow& window, int id);
// Keyboard focus into the view.
void LPageFocusView(LViewHandle view);
