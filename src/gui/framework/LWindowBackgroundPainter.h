#pragma once
// A window that paints its own background: the painter is registered on the
// window's content view, which then counts as transparent (and so does
// every window embedded in it). The view tells it when its frame changed
// and has it paint over the whole view, in pixels.

#include "gui/framework/LView.h"

class LPaintContext;
class LWindow;

class LWindowBackgroundPainter
{
public:
    LWindowBackgroundPainter() = default;
    virtual ~LWindowBackgroundPainter();
    LWindowBackgroundPainter(const LWindowBackgroundPainter&) = delete;
    LWindowBackgroundPainter& operator=(const LWindowBackgroundPainter&) = delete;

    // Registers on the window's content view (replacing any other painter);
    // false when the window has no view.
    bool Attach(LWindow* window);
    // Leaves the view (it paints as before again).
    void Detach();
    LWindow* Window() const { return window_; }

    // The new client size in pixels; called when it differs from the last
    // one, or once after attaching.
    virtual void OnSize(int width, int height)
    {
        (void)width;
        (void)height;
    }
    // Paints the background over the whole view, in pixels from the top-left.
    virtual void Paint(LPaintContext* context) = 0;

    // From the content view: its frame changed; it draws now.
    void FrameChanged();
    void PaintView(LPaintContext* context);

    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    LWindow* window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool sizePending_ = true;
};

// The painter registered on a view, or null.
LWindowBackgroundPainter* LGetBackgroundPainter(LViewHandle view);
