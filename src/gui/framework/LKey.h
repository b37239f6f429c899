#pragma once
// One 32-bit code for every key press: the key's character (upper-cased) in
// the low 16 bits, the modifiers in bits 16-23 and, for keys without a
// character, a virtual key code in bits 24-31. Shortcut tables compare whole
// codes, so the codes keep their historic values (Delete is 0x33000000)
// whatever toolkit delivers the key.
//
// On this platform Ctrl is the Command modifier, Alt the Option modifier and
// Meta the Control modifier.

#include <cstdint>
#include <string>

class LWindow;

struct LKey
{
    // Modifier bits within bits 16-23 of the code.
    static constexpr uint32_t kCommand = 0x01;
    static constexpr uint32_t kShift = 0x02;
    static constexpr uint32_t kOption = 0x08;
    static constexpr uint32_t kControl = 0x10;
    // The same bits on whole codes.
    static constexpr uint32_t kCommandMask = 0x10000;
    static constexpr uint32_t kShiftMask = 0x20000;
    static constexpr uint32_t kOptionMask = 0x80000;
    static constexpr uint32_t kControlMask = 0x100000;
    static constexpr uint32_t kModifierMask = 0xFF0000;

    uint32_t code = 0;
    bool capsLock = false;

    static constexpr LKey FromCharacter(char16_t character, uint32_t modifiers = 0)
    {
        return LKey{(modifiers << 16) | character, false};
    }
    static constexpr LKey FromVirtualKey(int virtualKey, uint32_t modifiers = 0)
    {
        return LKey{(modifiers << 16) | (static_cast<uint32_t>(virtualKey) << 24), false};
    }

    char16_t Character() const { return static_cast<char16_t>(code & 0xFFFF); }
    uint32_t Modifiers() const { return (code >> 16) & 0xFF; }
    int VirtualKey() const { return static_cast<int>(code >> 24); }

    // The character a menu item shows and matches for the key, as UTF-8:
    // lower-cased unless Caps Lock was on; "" for keys without character.
    static std::string GetKeyEquivalent(LKey key);
};

// Virtual keys of the keys without character (the codes shortcut tables use).
enum LVirtualKey : int {
    kVKReturn = 36,
    kVKTab = 48,
    kVKSpace = 49,
    kVKDelete = 51,
    kVKEscape = 53,
    kVKCapsLock = 57,
    kVKF17 = 64,
    kVKNumLock = 71,
    kVKVolumeUp = 72,
    kVKVolumeDown = 73,
    kVKMute = 74,
    kVKEnter = 76,
    kVKF18 = 79,
    kVKF19 = 80,
    kVKF20 = 90,
    kVKF5 = 96,
    kVKF6 = 97,
    kVKF7 = 98,
    kVKF3 = 99,
    kVKF8 = 100,
    kVKF9 = 101,
    kVKF11 = 103,
    kVKF13 = 105,
    kVKF16 = 106,
    kVKF14 = 107,
    kVKF10 = 109,
    kVKMenu = 110,
    kVKF12 = 111,
    kVKF15 = 113,
    kVKHelp = 114,
    kVKHome = 115,
    kVKPageUp = 116,
    kVKForwardDelete = 117,
    kVKF4 = 118,
    kVKEnd = 119,
    kVKF2 = 120,
    kVKPageDown = 121,
    kVKF1 = 122,
    kVKLeft = 123,
    kVKRight = 124,
    kVKDown = 125,
    kVKUp = 126,
};

// True for the virtual keys that are coded by virtual key (bits 24-31).
bool LIsVirtualKeyCoded(int virtualKey);
// The name this platform shows for a key without character ("Unknown" for
// others).
const char* LVirtualKeyName(int virtualKey);

// The shortcut as menus and tooltips show it here ("Ctrl+Shift+/",
// "Meta+Ctrl+Alt+Space", "Backspace"); "" for a zero code.
std::string LKeyName(LKey key);
// The same into a 260-byte buffer, cut between characters.
void LKeyName(LKey key, char* dest);

// One entry of an accelerator table.
struct LKeyToCommandMap
{
    LKey key;
    int32_t command;
};

// Four-character commands, first character in the high byte.
constexpr int32_t LFourCC(const char (&text)[5])
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(text[3])));
}

// What a key means to a window: a command from its table or a built-in
// shortcut, the help operation, or nothing.
struct LAcceleratorAction
{
    enum Kind { kNotHandled, kSwallowed, kSendCommand, kShowHelp };
    Kind kind = kNotHandled;
    int32_t command = 0;

    bool Handled() const { return kind != kNotHandled; }
};

// Table entries first (the first one with the key's code wins), then the
// built-in shortcuts. Escape sends 'not!' only in a modal panel and is
// swallowed elsewhere; Delete and Command-Delete stand in for each other
// when the table has only one of them.
LAcceleratorAction LFindAccelerator(LKey key, const LKeyToCommandMap* table, int count, bool modalPanel);

// A modifier-only event: which modifier changed first, in the order
// Command, Shift, Option, Control. `mask` is the modifier's whole-code mask;
// `changed` is false when none changed.
struct LModifierTransition
{
    bool changed = false;
    bool pressed = false;
    uint32_t mask = 0;
};
LModifierTransition LFindModifierTransition(uint32_t previousModifiers, uint32_t currentModifiers);

// The last key seen by any window (key downs, key ups with a key, modifier
// changes). Main thread only.
LKey& LLastKey();
