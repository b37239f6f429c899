#pragma once
// Receives the mouse events of one view. Coordinates are device pixels
// relative to the view's top left.

#include "gui/framework/LView.h"

class LWindow;

class LMouseHandler
{
public:
    LMouseHandler() = default;
    LMouseHandler(const LMouseHandler&) = delete;
    LMouseHandler& operator=(const LMouseHandler&) = delete;
    // Detaches.
    virtual ~LMouseHandler();

    // Receives the mouse events of the window's view: through the view
    // itself when it is one of our views, else through a watch over the
    // window's events (its child controls included), positions in the
    // view's pixels. Attaching again moves the handler.
    void Attach(LWindow* target);
    // Receives the events of one of our views (a control's host) for window.
    void AttachToView(LWindow* target, LViewHandle ourView);
    // Stops the events and forgets window and view; harmless when detached.
    void Detach();
    virtual void OnMouseEnter() {}
    virtual void OnMouseLeave() {}
    virtual void OnLButtonDown(int, int) {}
    virtual void OnLButtonDblClk(int, int) {}
    virtual void OnLButtonUp(int, int) {}
    virtual void OnRButtonUp(int, int) {}
    virtual void OnRButtonDown(int, int) {}
    virtual void OnMouseMove(int, int) {}
    virtual void OnSpareHook(int, int) {}
    virtual void OnMouseWheel(int, int, int) {}
    virtual void OnMouseHWheel(int, int, int) {}

    LWindow* window = nullptr;
    LViewHandle view = nullptr;

private:
    void* monitor_ = nullptr; // the toolkit's watch, while attached that way
    bool onView_ = false;     // installed on one of our views
};

// Smooth wheels and touchpads report fractions of a line; the remainder is
// kept so that they add up to whole lines instead of being lost.
class LWheelAccumulator
{
public:
    // delta in 1/120 of a line (the toolkit's angle units); answers whole
    // lines x 120 now due, with the sign of the movement.
    int Add(int delta)
    {
        remainder_ += delta;
        const int lines = remainder_ / 120;
        remainder_ -= lines * 120;
        return lines * 120;
    }
    void Reset() { remainder_ = 0; }
    int Remainder() const { return remainder_; }

private:
    int remainder_ = 0;
};
