#pragma once
// Scrolling for windows and custom-drawn panes: a scroll view with a
// document view that may be larger than what shows. Sizes are pixels.

#include "gui/controls/LPaintControl.h"

class LWindow;

class LScrollView
{
public:
    LScrollView() = default;
    virtual ~LScrollView() = default;
    LScrollView(const LScrollView&) = delete;
    LScrollView& operator=(const LScrollView&) = delete;

    // Places the scroll view; the document view becomes at least (w, h).
    virtual bool SetRect(int x, int y, int w, int h);
    // The user scrolled (the view shows a scroller).
    virtual void OnScroll() {}

    // Attaches to the window once: adopts the window's scroll view with the
    // id when it has one holding one of our views, else makes one over the
    // whole window view; an id below 1 gets a new 500 x 30 point paint view
    // as its document. False when already attached or without a window view.
    bool Create(LWindow* target, int id);
    // id < 1: a new paint view; else the window's control id when it is one
    // of our views.
    void SetDocumentView(int id);
    // Document size, never below the visible size; redraws.
    void SetVirtualSize(int w, int h);
    int GetVirtualWidth() const;
    int GetVirtualHeight() const;
    // The visible part (viewport) in pixels.
    void GetVisibleSize(int* w, int* h) const;

    LWindow* window = nullptr;
    int virtualWidth = 0;
    int virtualHeight = 0;
    bool flags[3] = {true, true, true};
    LViewHandle scrollView = nullptr;
    LViewHandle documentView = nullptr;
};

// A custom-drawn pane that scrolls: it paints its whole content in document
// pixels and measures it with measure set (then drawing nothing).
class LScrollPaintControl : public LScrollView, public LPaintControl
{
public:
    ~LScrollPaintControl() override { Destroy(); }
    // The scroll position in pixels; 0 while unbound.
    int GetScrollX() override;
    int GetScrollY() override;
    bool SetRect(int x, int y, int w, int h) override;
    void Paint(LPaintContext* context) override;
    // Draws (or, with measure, only measures) the content; width and height
    // come in as the visible size and go out as the content size.
    virtual void PaintContent(LPaintContext* context, int* width, int* height, bool measure) = 0;

    int spare = -1;
};

// Places a custom-drawn control's view at (x, y, w, h) points, or a scroll
// view there whose document view is the control's: the id then names the
// scroll view and the drawing view carries -1.
LViewHandle LCreateScrollablePaintControl(LWindow* window, int id, int x, int y, int w, int h, bool hScroll,
                                          bool vScroll);
