#pragma once
// What an up-down number input tells the dialog that owns it. Both are
// called without arguments; the dialog reads the value back.

class LDecimalInputControlNotify
{
public:
    virtual ~LDecimalInputControlNotify() = default;
    // Return was pressed in the field.
    virtual void OnReturn() = 0;
    // The value was set (by the dialog, the arrows or the keys).
    virtual void OnValueChanged() = 0;
};
