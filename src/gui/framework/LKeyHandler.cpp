#include "gui/framework/LKeyHandler.h"

#include <cwctype>

bool LKeyHandler::DispatchKeyDown(LKey key, bool autoRepeat, char16_t typed)
{
    LLastKey() = key;
    bool handled = autoRepeat ? OnKeyRepeat(key) : OnKeyDown(key);
    if ((key.Modifiers() & LKey::kCommand) != 0)
        return handled;
    int ch = typed;
    if (ch == 0) {
        // No layout text (a key without character, or a synthetic event):
        // the code's own character, which is stored upper-cased.
        ch = key.Character();
        if (!key.capsLock)
            ch = static_cast<int>(std::towlower(static_cast<wint_t>(ch)));
    }
    bool typedHandled = OnChar(ch);
    return handled || typedHandled;
}

bool LKeyHandler::DispatchKeyUp(LKey key, bool autoRepeat)
{
    LKey& last = LLastKey();
    if ((key.code & ~LKey::kModifierMask) != 0)
        last.code &= LKey::kModifierMask;
    LKey bare{key.code & ~LKey::kModifierMask, key.capsLock};
    return autoRepeat ? OnKeyRepeat(bare) : OnKeyUp(bare);
}

bool LKeyHandler::DispatchModifiersChanged(uint32_t modifiers, bool capsLock)
{
    LKey& last = LLastKey();
    uint32_t previous = last.Modifiers();
    last.code = (modifiers & 0xFF) << 16;
    if (capsLock)
        last.capsLock = true;
    LModifierTransition transition = LFindModifierTransition(previous, modifiers & 0xFF);
    if (!transition.changed)
        return false;
    LKey key{transition.mask, capsLock};
    return transition.pressed ? OnKeyDown(key) : OnKeyUp(key);
}
