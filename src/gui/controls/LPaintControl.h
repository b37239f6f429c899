#pragma once
// The base of every custom-drawn control. A control is a plain object owned
// by its window and bound to a host view (LQtPaintControlImpl) that forwards
// painting, size, visibility, keys and, through the embedded mouse handler,
// the mouse. Everything the control sees is in device pixels, origin top left.

#include "gui/controls/LMouseHandler.h"
#include "gui/controls/LPaintContext.h"
#include "gui/framework/LKey.h"

#include <cstdint>

class LPaintControl;
class LWindow;

class LPaintControlMouseHandler : public LMouseHandler
{
public:
    explicit LPaintControlMouseHandler(LPaintControl* owner) : owner_(owner) {}
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnLButtonDown(int x, int y) override;
    void OnLButtonDblClk(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnRButtonUp(int x, int y) override;
    void OnRButtonDown(int x, int y) override;
    // Outside the stored size moves only pass while the control holds the capture.
    void OnMouseMove(int x, int y) override;
    void OnSpareHook(int x, int y) override;
    void OnMouseWheel(int x, int y, int delta) override;
    void OnMouseHWheel(int x, int y, int delta) override;
    LPaintControl* Owner() const { return owner_; }

private:
    LPaintControl* owner_;
};

class LPaintControl
{
public:
    LPaintControl();
    virtual ~LPaintControl() = 0;
    LPaintControl(const LPaintControl&) = delete;
    LPaintControl& operator=(const LPaintControl&) = delete;

    virtual int GetScrollX() { return scrollX; }
    virtual int GetScrollY() { return scrollY; }
    // Drawing in units of the caller's choosing. out receives where user
    // point (1, 1) lay in device pixels before the change. Modes 0 and 2
    // turn the y axis upwards from the control's bottom edge; modes 0 and 1
    // scale each axis on its own, 2 and 3 both alike (keeping proportions).
    // Nothing happens for a zero unit or size.
    virtual void SetUnitScale(LPaintContext* context, float unitsX, float unitsY, float* outX, float* outY,
                              int mode);
    // The control's pixel size becomes logicalW x logicalH units.
    virtual void SetLogicalSize(LPaintContext* context, int logicalW, int logicalH, float* outX, float* outY,
                                int mode);
    // Units per device pixel along each axis (0 where the map is degenerate).
    virtual void GetUnitsPerPixel(LPaintContext* context, float* x, float* y);
    virtual void OnMouseEnter() {}
    virtual void OnMouseLeave() {}
    virtual void OnMouseMove(int, int) {}
    virtual void OnSpareHook(int, int) {}
    virtual void OnLButtonDown(int, int) {}
    virtual void OnLButtonUp(int, int) {}
    virtual void OnRButtonUp(int, int) {}
    virtual void OnRButtonDown(int, int) {}
    virtual void OnMouseWheel(int, int, int) {}
    virtual void OnMouseHWheel(int, int, int) {}
    virtual void OnLButtonDblClk(int, int) {}
    virtual bool OnKeyDown(LKey) { return false; }
    virtual bool OnKeyRepeat(LKey) { return false; }
    virtual bool OnKeyUp(LKey) { return false; }
    // After the host stored a new width or height.
    virtual void OnSize() {}
    // The host was hidden (false) or shown again (true).
    virtual void OnShow(bool) {}
    virtual void Paint(LPaintContext* context) = 0;

    // Binding: the window's control id must be a paint-control host;
    // otherwise the control stays unbound and every view call does nothing.
    void Attach(LWindow* window, int id);
    void UpdateSize();
    void Invalidate();
    void InvalidateRect(int x, int y, int w, int h);
    void RedrawNow();
    void ScrollContent(int dx, int dy);
    void Enable();
    void Disable();
    bool IsEnabled() const;
    void SetOpaque(bool opaque);
    void SetCapture();
    bool HasCapture() const;
    void SendCommand(int event, long a, long b);
    int DialogUnitsYToPixels(float n) const;
    // Unhooks from the view and gives back a capture it holds; the
    // destructor runs it, calling it earlier is harmless.
    void Destroy();
    double ScaleFactor() const;

    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    LViewHandle GetView() const { return view; }
    LWindow* GetOwner() const { return owner; }
    LPaintControlMouseHandler& MouseHandler() { return mouseHandler; }

    bool dimWhenDisabled = true;
    int cornerRadius = 0;
    bool scrollHosted = false;

protected:
    int width = 0;
    int height = 0;
    int scrollX = 0;
    int scrollY = 0;
    LViewHandle view = nullptr;
    LWindow* owner = nullptr;
    LPaintControlMouseHandler mouseHandler;

    friend class LQtPaintControlImpl;
};

void LReleaseMouseCapture();
void LSetArrowCursor();
// A paint context for measuring at the view's scale, with no drawing
// target; the caller deletes it.
LPaintContext* LNewMeasureContext(LViewHandle view);
// Creates a paint-control host view with the control id on the window's view.
LViewHandle LAddPaintControl(LWindow* window, int id);
