#pragma once
// A window's keyboard receiver. The window hands it every key down, key up
// and modifier change before the toolkit's own handling; a handled key ends
// there. Each operation answers whether it handled the key.

#include "gui/framework/LKey.h"

class LKeyHandler
{
public:
    virtual ~LKeyHandler() = default;

    virtual bool OnChar(int ch) { return (void)ch, false; }
    virtual bool OnKeyDown(LKey key) { return (void)key, false; }
    virtual bool OnKeyRepeat(LKey key) { return (void)key, false; }
    virtual bool OnKeyUp(LKey key) { return (void)key, false; }

    // A disabled handler sees no key at all.
    bool IsEnabled() const { return enabled_; }
    void Enable(bool enable) { enabled_ = enable; }

    // A key down: kept as the last key, offered to OnKeyRepeat or OnKeyDown,
    // then, unless the Command modifier is held (shortcuts never type), the
    // typed character to OnChar. `typed` is the character the keyboard layout
    // produced, 0 when it produced none; the key's own character stands in.
    bool DispatchKeyDown(LKey key, bool autoRepeat, char16_t typed);
    // A key up: the last key keeps only its modifiers; the key without its
    // modifiers goes to OnKeyRepeat for a repeat, else to OnKeyUp.
    bool DispatchKeyUp(LKey key, bool autoRepeat);
    // A modifier change: the current modifier bits (LKey::kCommand ...)
    // replace the last key; the first modifier that changed, in the order
    // Command, Shift, Option, Control, goes to OnKeyDown when pressed or
    // OnKeyUp when released, as its whole-code mask. No change: not handled.
    bool DispatchModifiersChanged(uint32_t modifiers, bool capsLock);

private:
    bool enabled_ = true;
};
