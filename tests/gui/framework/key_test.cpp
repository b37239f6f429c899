// Key codes, their shortcut names, the built-in shortcuts and table lookups,
// and the modifier-transition rule of modifier-only key events.

#include "gui/framework/LKey.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(Key, CodesKeepTheirValues)
{
    EXPECT_EQ(LKey::FromCharacter(',', LKey::kCommand).code, 0x1002Cu);
    EXPECT_EQ(LKey::FromCharacter('H', LKey::kCommand | LKey::kOption).code, 0x90048u);
    EXPECT_EQ(LKey::FromCharacter('/', LKey::kCommand | LKey::kShift).code, 0x3002Fu);
    EXPECT_EQ(LKey::FromVirtualKey(kVKDelete).code, 0x33000000u);
    EXPECT_EQ(LKey::FromVirtualKey(kVKDelete, LKey::kCommand).code, 0x33010000u);
    EXPECT_EQ(LFourCC("quit"), 0x71756974);
    EXPECT_EQ(LFourCC("not!"), 0x6E6F7421);
    EXPECT_EQ(LFourCC("ok  "), 0x6F6B2020);
}

TEST(Key, VirtualKeyCodedKeys)
{
    for (int vk :
         {36,  48,  51,  53,  64,  71,  72,  73,  74,  76,  79,  80,  90,  96,  97,  98,  99,  100, 101, 103,
          105, 106, 107, 109, 110, 111, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126})
        EXPECT_TRUE(LIsVirtualKeyCoded(vk)) << vk;
    for (int vk : {0, 49, 57, 55, 127})
        EXPECT_FALSE(LIsVirtualKeyCoded(vk)) << vk;
}

TEST(Key, Names)
{
    struct Case
    {
        LKey key;
        const char* name;
    };
    const std::vector<Case> cases = {
        {LKey::FromCharacter('Q', LKey::kCommand), "Ctrl+Q"},
        {LKey::FromCharacter('/', LKey::kCommand | LKey::kShift), "Ctrl+Shift+/"},
        {LKey::FromCharacter(' ', LKey::kControl | LKey::kOption | LKey::kCommand), "Meta+Ctrl+Alt+Space"},
        {LKey::FromCharacter(',', LKey::kCommand), "Ctrl+,"},
        {LKey::FromCharacter(u'\u00C9', LKey::kCommand), "Ctrl+\xC3\x89"},
        {LKey::FromVirtualKey(kVKDelete), "Backspace"},
        {LKey::FromVirtualKey(kVKDelete, LKey::kCommand), "Ctrl+Backspace"},
        {LKey::FromVirtualKey(kVKEscape), "Esc"},
        {LKey::FromVirtualKey(kVKF12, LKey::kShift), "Shift+F12"},
        {LKey::FromVirtualKey(kVKLeft), "Left"},
        {LKey::FromVirtualKey(200), "Unknown"},
        {LKey{LKey::kShiftMask | LKey::kCommandMask, false}, "Ctrl+Shift"},
        {LKey{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LKeyName(c.key), c.name) << std::hex << c.key.code;
}

TEST(Key, NameIntoBufferIsCutWhole)
{
    char buffer[260];
    std::memset(buffer, 'x', sizeof buffer);
    LKeyName(LKey::FromCharacter('A', LKey::kCommand), buffer);
    EXPECT_STREQ(buffer, "Ctrl+A");
}

TEST(Key, KeyEquivalentIsLowerCaseUnlessCapsLock)
{
    LKey key = LKey::FromCharacter('S', LKey::kCommand);
    EXPECT_EQ(LKey::GetKeyEquivalent(key), "s");
    key.capsLock = true;
    EXPECT_EQ(LKey::GetKeyEquivalent(key), "S");
    EXPECT_EQ(LKey::GetKeyEquivalent(LKey::FromVirtualKey(kVKLeft)), "");
}

TEST(Accelerator, BuiltInShortcuts)
{
    struct Case
    {
        uint32_t code;
        bool modalPanel;
        LAcceleratorAction::Kind kind;
        int32_t command;
    };
    const std::vector<Case> cases = {
        {0x1002C, false, LAcceleratorAction::kSendCommand, LFourCC("pref")},
        {0x10048, false, LAcceleratorAction::kSendCommand, LFourCC("hide")},
        {0x1004D, false, LAcceleratorAction::kSendCommand, LFourCC("mini")},
        {0x10051, false, LAcceleratorAction::kSendCommand, LFourCC("quit")},
        {0x10057, false, LAcceleratorAction::kSendCommand, LFourCC("not!")},
        {0x3002F, false, LAcceleratorAction::kShowHelp, 0},
        {0x90048, false, LAcceleratorAction::kSendCommand, LFourCC("hido")},
        {0x9004D, false, LAcceleratorAction::kSendCommand, LFourCC("mina")},
        {0x190052, false, LAcceleratorAction::kSendCommand, 9400},
        {0x35000000, true, LAcceleratorAction::kSendCommand, LFourCC("not!")},
        // Escape in a window that is not a modal panel is swallowed.
        {0x35000000, false, LAcceleratorAction::kSwallowed, 0},
        // Delete without a table entry for either form: handled, nothing sent.
        {0x33000000, false, LAcceleratorAction::kSwallowed, 0},
        {0x10041, false, LAcceleratorAction::kNotHandled, 0},
        {0x51, false, LAcceleratorAction::kNotHandled, 0},
    };
    for (const auto& c : cases) {
        LAcceleratorAction action = LFindAccelerator(LKey{c.code, false}, nullptr, 0, c.modalPanel);
        EXPECT_EQ(action.kind, c.kind) << std::hex << c.code;
        EXPECT_EQ(action.command, c.command) << std::hex << c.code;
    }
}

TEST(Accelerator, TableEntriesComeFirst)
{
    const LKeyToCommandMap table[] = {
        {LKey::FromCharacter('Q', LKey::kCommand), 7001},
        {LKey::FromCharacter('O', LKey::kCommand), 7002},
        {LKey::FromCharacter('O', LKey::kCommand), 7003},
    };
    EXPECT_EQ(LFindAccelerator(LKey{0x10051, false}, table, 3, false).command, 7001);
    EXPECT_EQ(LFindAccelerator(LKey{0x1004F, false}, table, 3, false).command, 7002);
    // Entries past the count are not seen.
    EXPECT_EQ(LFindAccelerator(LKey{0x10051, false}, table, 0, false).command, LFourCC("quit"));
}

TEST(Accelerator, DeleteAndCommandDeleteStandInForEachOther)
{
    const LKeyToCommandMap onlyCommandDelete[] = {{LKey::FromVirtualKey(kVKDelete, LKey::kCommand), 500}};
    LAcceleratorAction action =
        LFindAccelerator(LKey::FromVirtualKey(kVKDelete), onlyCommandDelete, 1, false);
    EXPECT_EQ(action.kind, LAcceleratorAction::kSendCommand);
    EXPECT_EQ(action.command, 500);

    const LKeyToCommandMap onlyDelete[] = {{LKey::FromVirtualKey(kVKDelete), 600}};
    action = LFindAccelerator(LKey::FromVirtualKey(kVKDelete, LKey::kCommand), onlyDelete, 1, false);
    EXPECT_EQ(action.kind, LAcceleratorAction::kSendCommand);
    EXPECT_EQ(action.command, 600);
}

TEST(ModifierTransition, OneModifierPerEvent)
{
    // Shift, then Command: two events, each reporting the one that changed.
    LModifierTransition first = LFindModifierTransition(0, LKey::kShift);
    EXPECT_TRUE(first.changed);
    EXPECT_TRUE(first.pressed);
    EXPECT_EQ(first.mask, LKey::kShiftMask);
    LModifierTransition second = LFindModifierTransition(LKey::kShift, LKey::kShift | LKey::kCommand);
    EXPECT_TRUE(second.pressed);
    EXPECT_EQ(second.mask, LKey::kCommandMask);
    LModifierTransition release = LFindModifierTransition(LKey::kShift | LKey::kCommand, LKey::kCommand);
    EXPECT_FALSE(release.pressed);
    EXPECT_EQ(release.mask, LKey::kShiftMask);
    // Two at once: Command comes first in the order.
    LModifierTransition both = LFindModifierTransition(0, LKey::kControl | LKey::kCommand);
    EXPECT_EQ(both.mask, LKey::kCommandMask);
    EXPECT_FALSE(LFindModifierTransition(LKey::kOption, LKey::kOption).changed);
}

} // namespace
