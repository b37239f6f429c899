#include "gui/qt/LQtKeys.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace {

struct QtKeyEntry
{
    int qtKey;
    int virtualKey;
};

// Keys without character, by the virtual key their position has on the
// keyboards our shortcut tables were written for.
constexpr QtKeyEntry kQtKeys[] = {
    {Qt::Key_Return, kVKReturn},
    {Qt::Key_Enter, kVKEnter},
    {Qt::Key_Tab, kVKTab},
    {Qt::Key_Backtab, kVKTab},
    {Qt::Key_Backspace, kVKDelete},
    {Qt::Key_Escape, kVKEscape},
    {Qt::Key_NumLock, kVKNumLock},
    {Qt::Key_Clear, kVKNumLock},
    {Qt::Key_VolumeUp, kVKVolumeUp},
    {Qt::Key_VolumeDown, kVKVolumeDown},
    {Qt::Key_VolumeMute, kVKMute},
    {Qt::Key_Menu, kVKMenu},
    {Qt::Key_Insert, kVKHelp},
    {Qt::Key_Help, kVKHelp},
    {Qt::Key_Home, kVKHome},
    {Qt::Key_PageUp, kVKPageUp},
    {Qt::Key_Delete, kVKForwardDelete},
    {Qt::Key_End, kVKEnd},
    {Qt::Key_PageDown, kVKPageDown},
    {Qt::Key_Left, kVKLeft},
    {Qt::Key_Right, kVKRight},
    {Qt::Key_Down, kVKDown},
    {Qt::Key_Up, kVKUp},
    {Qt::Key_F1, kVKF1},
    {Qt::Key_F2, kVKF2},
    {Qt::Key_F3, kVKF3},
    {Qt::Key_F4, kVKF4},
    {Qt::Key_F5, kVKF5},
    {Qt::Key_F6, kVKF6},
    {Qt::Key_F7, kVKF7},
    {Qt::Key_F8, kVKF8},
    {Qt::Key_F9, kVKF9},
    {Qt::Key_F10, kVKF10},
    {Qt::Key_F11, kVKF11},
    {Qt::Key_F12, kVKF12},
    {Qt::Key_F13, kVKF13},
    {Qt::Key_F14, kVKF14},
    {Qt::Key_F15, kVKF15},
    {Qt::Key_F16, kVKF16},
    {Qt::Key_F17, kVKF17},
    {Qt::Key_F18, kVKF18},
    {Qt::Key_F19, kVKF19},
    {Qt::Key_F20, kVKF20},
};

bool IsModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

} // namespace

int LQtVirtualKeyForQtKey(int qtKey)
{
    for (const auto& entry : kQtKeys)
        if (entry.qtKey == qtKey)
            return entry.virtualKey;
    return 0;
}

int LQtKeyForVirtualKey(int virtualKey)
{
    for (const auto& entry : kQtKeys)
        if (entry.virtualKey == virtualKey)
            return entry.qtKey;
    return 0;
}

uint32_t LQtModifierBits(Qt::KeyboardModifiers modifiers)
{
    uint32_t bits = 0;
    if (modifiers & Qt::ControlModifier)
        bits |= LKey::kCommand;
    if (modifiers & Qt::ShiftModifier)
        bits |= LKey::kShift;
    if (modifiers & Qt::AltModifier)
        bits |= LKey::kOption;
    if (modifiers & Qt::MetaModifier)
        bits |= LKey::kControl;
    return bits;
}

LKey LQtKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text)
{
    const uint32_t bits = LQtModifierBits(modifiers);
    if (IsModifierKey(qtKey))
        return LKey{bits << 16, false};
    if (int virtualKey = LQtVirtualKeyForQtKey(qtKey))
        return LKey::FromVirtualKey(virtualKey, bits);
    char16_t character = 0;
    if (qtKey > 0 && qtKey < 0x10000) {
        character = static_cast<char16_t>(QChar(static_cast<char16_t>(qtKey)).toUpper().unicode());
    } else if (!text.isEmpty() && text.at(0).unicode() >= 0x20) {
        character = static_cast<char16_t>(text.at(0).toUpper().unicode());
    }
    return LKey{(bits << 16) | character, false};
}

LKey LQtKeyFromEvent(const QKeyEvent* event)
{
    return LQtKeyFromQt(event->key(), event->modifiers(), event->text());
}

bool LQtKeyFromSequenceText(const QString& text, LKey* key)
{
    QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown)
        return false;
    LKey found = LQtKeyFromQt(sequence[0].key(), sequence[0].keyboardModifiers());
    if (found.Character() == 0 && found.VirtualKey() == 0)
        return false;
    *key = found;
    return true;
}
