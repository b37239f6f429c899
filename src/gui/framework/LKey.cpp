#include "gui/framework/LKey.h"

#include "foundation/text/LUtf8.h"

#include <cstring>
#include <cwctype>

namespace {

struct VirtualKeyName
{
    int virtualKey;
    const char* name;
    bool coded; // coded by virtual key in bits 24-31
};

// Names as this platform's shortcut texts write them.
constexpr VirtualKeyName kVirtualKeyNames[] = {
    {kVKReturn, "Return", true},
    {kVKTab, "Tab", true},
    {kVKSpace, "Space", false},
    {kVKDelete, "Backspace", true},
    {kVKEscape, "Esc", true},
    {kVKCapsLock, "CapsLock", false},
    {kVKF17, "F17", true},
    {kVKNumLock, "NumLock", true},
    {kVKVolumeUp, "Volume Up", true},
    {kVKVolumeDown, "Volume Down", true},
    {kVKMute, "Volume Mute", true},
    {kVKEnter, "Enter", true},
    {kVKF18, "F18", true},
    {kVKF19, "F19", true},
    {kVKF20, "F20", true},
    {kVKF5, "F5", true},
    {kVKF6, "F6", true},
    {kVKF7, "F7", true},
    {kVKF3, "F3", true},
    {kVKF8, "F8", true},
    {kVKF9, "F9", true},
    {kVKF11, "F11", true},
    {kVKF13, "F13", true},
    {kVKF16, "F16", true},
    {kVKF14, "F14", true},
    {kVKF10, "F10", true},
    {kVKMenu, "Menu", true},
    {kVKF12, "F12", true},
    {kVKF15, "F15", true},
    {kVKHelp, "Ins", true},
    {kVKHome, "Home", true},
    {kVKPageUp, "PgUp", true},
    {kVKForwardDelete, "Del", true},
    {kVKF4, "F4", true},
    {kVKEnd, "End", true},
    {kVKF2, "F2", true},
    {kVKPageDown, "PgDown", true},
    {kVKF1, "F1", true},
    {kVKLeft, "Left", true},
    {kVKRight, "Right", true},
    {kVKDown, "Down", true},
    {kVKUp, "Up", true},
};

const VirtualKeyName* FindVirtualKey(int virtualKey)
{
    for (const auto& entry : kVirtualKeyNames)
        if (entry.virtualKey == virtualKey)
            return &entry;
    return nullptr;
}

bool IsPrintable(char16_t c)
{
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && !(c >= 0xD800 && c < 0xE000);
}

std::string Utf8Of(char32_t c)
{
    char bytes[4];
    int n = LUtf8EncodeOne(c, bytes);
    return std::string(bytes, static_cast<std::size_t>(n));
}

} // namespace

bool LIsVirtualKeyCoded(int virtualKey)
{
    const VirtualKeyName* entry = FindVirtualKey(virtualKey);
    return entry && entry->coded;
}

const char* LVirtualKeyName(int virtualKey)
{
    const VirtualKeyName* entry = FindVirtualKey(virtualKey);
    return entry ? entry->name : "Unknown";
}

std::string LKey::GetKeyEquivalent(LKey key)
{
    char16_t c = key.Character();
    if (c == 0 || !IsPrintable(c))
        return {};
    char32_t shown = key.capsLock ? c : static_cast<char32_t>(std::towlower(static_cast<wint_t>(c)));
    return Utf8Of(shown);
}

std::string LKeyName(LKey key)
{
    if (key.code == 0)
        return {};
    std::string name;
    auto add = [&name](const char* part) {
        if (!name.empty())
            name += '+';
        name += part;
    };
    const uint32_t modifiers = key.Modifiers();
    // The toolkit's own order, so our names read like every other shortcut.
    if (modifiers & LKey::kControl)
        add("Meta");
    if (modifiers & LKey::kCommand)
        add("Ctrl");
    if (modifiers & LKey::kOption)
        add("Alt");
    if (modifiers & LKey::kShift)
        add("Shift");

    const char16_t c = key.Character();
    const int virtualKey = key.VirtualKey();
    if (c == 0 && virtualKey == 0)
        return name; // modifiers only
    if (c == u' ') {
        add("Space");
    } else if (c != 0 && IsPrintable(c)) {
        // Codes hold the character upper-cased already.
        add(Utf8Of(c).c_str());
    } else {
        add(LVirtualKeyName(virtualKey));
    }
    return name;
}

void LKeyName(LKey key, char* dest)
{
    LUtf8CopyWhole(dest, LKeyName(key).c_str(), 260);
}

LAcceleratorAction LFindAccelerator(LKey key, const LKeyToCommandMap* table, int count, bool modalPanel)
{
    if (!table)
        count = 0;
    for (int i = 0; i < count; ++i)
        if (table[i].key.code == key.code)
            return {LAcceleratorAction::kSendCommand, table[i].command};

    auto tableCommand = [&](uint32_t code, uint32_t before) -> LAcceleratorAction {
        // The first entry for `code`, unless an entry for `before` comes first.
        for (int i = 0; i < count; ++i) {
            if (before != 0 && table[i].key.code == before)
                break;
            if (table[i].key.code == code)
                return {LAcceleratorAction::kSendCommand, table[i].command};
        }
        return {LAcceleratorAction::kSwallowed, 0};
    };

    constexpr uint32_t kDelete = static_cast<uint32_t>(kVKDelete) << 24;
    constexpr uint32_t kCommandDelete = kDelete | LKey::kCommandMask;
    constexpr uint32_t kEscape = static_cast<uint32_t>(kVKEscape) << 24;
    switch (key.code) {
    case 0x1002C:
        return {LAcceleratorAction::kSendCommand, LFourCC("pref")};
    case 0x10048:
        return {LAcceleratorAction::kSendCommand, LFourCC("hide")};
    case 0x1004D:
        return {LAcceleratorAction::kSendCommand, LFourCC("mini")};
    case 0x10051:
        return {LAcceleratorAction::kSendCommand, LFourCC("quit")};
    case 0x10057:
        return {LAcceleratorAction::kSendCommand, LFourCC("not!")};
    case 0x3002F:
        return {LAcceleratorAction::kShowHelp, 0};
    case 0x90048:
        return {LAcceleratorAction::kSendCommand, LFourCC("hido")};
    case 0x9004D:
        return {LAcceleratorAction::kSendCommand, LFourCC("mina")};
    case 0x190052:
        return {LAcceleratorAction::kSendCommand, 9400};
    case kDelete:
        return tableCommand(kCommandDelete, 0);
    case kCommandDelete:
        return tableCommand(kDelete, kCommandDelete);
    case kEscape:
        if (modalPanel)
            return {LAcceleratorAction::kSendCommand, LFourCC("not!")};
        return {LAcceleratorAction::kSwallowed, 0};
    default:
        return {};
    }
}

LModifierTransition LFindModifierTransition(uint32_t previousModifiers, uint32_t currentModifiers)
{
    struct Bit
    {
        uint32_t bit;
        uint32_t mask;
    };
    static constexpr Bit kOrder[] = {
        {LKey::kCommand, LKey::kCommandMask},
        {LKey::kShift, LKey::kShiftMask},
        {LKey::kOption, LKey::kOptionMask},
        {LKey::kControl, LKey::kControlMask},
    };
    for (const Bit& b : kOrder) {
        bool was = (previousModifiers & b.bit) != 0;
        bool is = (currentModifiers & b.bit) != 0;
        if (was != is)
            return {true, is, b.mask};
    }
    return {};
}

LKey& LLastKey()
{
    static LKey last;
    return last;
}
