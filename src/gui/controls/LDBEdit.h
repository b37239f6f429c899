#pragma once
// A horizontal gain slider in whole decibels: green up to the value for cuts,
// green to 0 dB then red for boosts, a knob in the focus colour and the value
// as "%ddB". Dragging (or clicking on the track) sets the value and sends the
// command at once; the wheel steps without a command. The settings live on
// the host view so that window calls reach them with the control id alone,
// and the host owns the control: it lives exactly as long as the view.

#include "gui/controls/LPaintControl.h"

#include <cstdint>

class LDBEdit : public LPaintControl
{
public:
    LDBEdit(LWindow* window, int id);
    ~LDBEdit() override;

    // Refuses an empty or inverted range (min >= max): nothing changes.
    bool SetRange(const int8_t* min, const int8_t* max);
    void SetValue(const int8_t* dB);
    int GetValue() const;
    int GetMin() const;
    int GetMax() const;
    int GetCommand() const;
    void SetCommand(int command);
    int KnobX() const { return knobX_; }
    bool IsDragging() const { return dragging_; }

    void OnMouseMove(int x, int y) override;
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnMouseLeave() override;
    void OnMouseWheel(int x, int y, int delta) override;
    void OnMouseHWheel(int x, int y, int delta) override { OnMouseWheel(x, y, delta); }
    void Paint(LPaintContext* context) override;

    // The control on a host view, or null.
    static LDBEdit* FromView(LViewHandle view);

private:
    bool dragging_ = false;
    int knobX_ = 0;
    LGuiFont font_;
};

// The toolkit's keyboard-focus colour, opaque.
LRGBColor LGetFocusColour();
// The host's size in points.
void LGetViewSizePoints(LViewHandle view, double* w, double* h);
// Hands the control to its host view, which deletes it when it goes.
void LGiveControlToView(LViewHandle view, LPaintControl* control);

// Window calls by control id (the host is 25 points high).
LViewHandle LAddDBEditControl(LWindow* window, int id);
LDBEdit* LCreateDBEdit(LWindow* window, int id);
void LSetDBEditRange(LWindow* window, int id, int8_t min, int8_t max);
void LSetDBEditValue(LWindow* window, int id, int8_t dB);
// 0 for a control that is no dB control.
int LGetDBEditValue(const LWindow* window, int id);
void LSetDBEditCommand(LWindow* window, int id, int command);
