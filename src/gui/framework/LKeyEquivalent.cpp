#include "gui/framework/LKeyEquivalent.h"

LKeyEquivalentAction LPerformKeyEquivalentCommon(LKey key, bool focused)
{
    if (!focused)
        return LKeyEquivalentAction::kNotHandled;
    const uint32_t modifiers = key.Modifiers();
    const char16_t ch = key.VirtualKey() == 0 ? key.Character() : 0;
    if (modifiers == LKey::kCommand) {
        switch (ch) {
        case u'X':
            return LKeyEquivalentAction::kCut;
        case u'C':
            return LKeyEquivalentAction::kCopy;
        case u'V':
            return LKeyEquivalentAction::kPaste;
        case u'A':
            return LKeyEquivalentAction::kSelectAll;
        case u'Z':
            return LKeyEquivalentAction::kUndo;
        default:
            break;
        }
    }
    if (modifiers == (LKey::kCommand | LKey::kShift) && ch == u'Z')
        return LKeyEquivalentAction::kRedo;
    if (key.VirtualKey() == kVKEscape)
        return LKeyEquivalentAction::kNotHandled;
    return LKeyEquivalentAction::kKeepForKeyDown;
}
