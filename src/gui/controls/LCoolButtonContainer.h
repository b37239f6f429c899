#pragma once
// A window class that draws its own cool buttons derives from this: the
// buttons it hands over call back with their id whenever they paint, and
// DrawButton paints them on a prepared context in device pixels.

#include "gui/controls/LPaintContext.h"

class LWindow;

class LCoolButtonContainer
{
public:
    LCoolButtonContainer() = default;
    virtual ~LCoolButtonContainer();
    LCoolButtonContainer(const LCoolButtonContainer&) = delete;
    LCoolButtonContainer& operator=(const LCoolButtonContainer&) = delete;

    // Paints one button; the context's area is the part being painted.
    virtual void DrawButton(LPaintContext* ctx, int id) { (void)ctx, (void)id; }

    void Attach(LWindow* window) { window_ = window; }
    // Buttons handed over draw nothing while the container is detached.
    void Detach() { window_ = nullptr; }
    LWindow* GetWindow() const { return window_; }

    // Each id-based call does nothing without a window or when the id names
    // no button of the window.
    // The button paints through this container from now on.
    void HandleCustomDraw(int id);
    // A cool button becomes a toggle button once; the flag is its state.
    void SetChecked(int id, bool checked);
    void SetBorderOnHover(int id, bool onHover);
    void SetCommands(int id, int commandUp, int commandDown, bool borderOnHover);
    // Called by a custom-drawn button while it paints: dirty in points.
    // False when detached or when the window has no control with the id.
    bool PaintButton(int id, const LPaintRect& dirty);

private:
    LWindow* window_ = nullptr;
};
