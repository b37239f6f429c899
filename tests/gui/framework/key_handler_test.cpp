// Key-down, key-up and modifier dispatch to a window's key handler, and the
// editing keys a focused field keeps from the menus.

#include "gui/framework/LKeyEquivalent.h"
#include "gui/framework/LKeyHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingHandler : public LKeyHandler
{
public:
    std::vector<std::string> calls;
    bool handleDown = false;
    bool handleChar = false;

    bool OnChar(int ch) override
    {
        calls.push_back("char " + std::to_string(ch));
        return handleChar;
    }
    bool OnKeyDown(LKey key) override
    {
        calls.push_back("down " + std::to_string(key.code));
        return handleDown;
    }
    bool OnKeyRepeat(LKey key) override
    {
        calls.push_back("repeat " + std::to_string(key.code));
        return false;
    }
    bool OnKeyUp(LKey key) override
    {
        calls.push_back("up " + std::to_string(key.code));
        return true;
    }
};

std::string S(const char* prefix, uint32_t value)
{
    return std::string(prefix) + " " + std::to_string(value);
}

TEST(KeyHandler, KeyDownDispatch)
{
    struct Case
    {
        const char* name;
        LKey key;
        bool repeat;
        char16_t typed;
        bool handleDown, handleChar;
        std::vector<std::string> calls;
        bool handled;
    };
    const LKey a = LKey::FromCharacter(u'A');
    const LKey cmdA = LKey::FromCharacter(u'A', LKey::kCommand);
    const LKey left = LKey::FromVirtualKey(kVKLeft);
    const Case cases[] = {
        {"typed text goes to OnChar", a, false, u'a', false, true, {S("down", a.code), S("char", 'a')}, true},
        {"no layout text: lower-cased own character",
         a,
         false,
         0,
         false,
         false,
         {S("down", a.code), S("char", 'a')},
         false},
        {"key down alone handles", a, false, u'a', true, false, {S("down", a.code), S("char", 'a')}, true},
        {"a Command combination never types", cmdA, false, u'a', false, true, {S("down", cmdA.code)}, false},
        {"auto-repeat arrives as repeat",
         a,
         true,
         u'a',
         true,
         false,
         {S("repeat", a.code), S("char", 'a')},
         false},
        {"a key without character types nothing printable",
         left,
         false,
         0,
         false,
         false,
         {S("down", left.code), S("char", 0)},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHandler handler;
        handler.handleDown = c.handleDown;
        handler.handleChar = c.handleChar;
        EXPECT_EQ(handler.DispatchKeyDown(c.key, c.repeat, c.typed), c.handled);
        EXPECT_EQ(handler.calls, c.calls);
        EXPECT_EQ(LLastKey().code, c.key.code);
    }
}

TEST(KeyHandler, CapsLockKeepsTheCharacterUpperCase)
{
    RecordingHandler handler;
    LKey key = LKey::FromCharacter(u'B');
    key.capsLock = true;
    handler.DispatchKeyDown(key, false, 0);
    EXPECT_EQ(handler.calls.back(), S("char", 'B'));
}

TEST(KeyHandler, KeyUpLeavesOnlyTheModifiersAsLastKey)
{
    RecordingHandler handler;
    LKey key = LKey::FromCharacter(u'S', LKey::kShift);
    handler.DispatchKeyDown(key, false, u'S');
    handler.calls.clear();
    EXPECT_TRUE(handler.DispatchKeyUp(key, false));
    EXPECT_EQ(handler.calls, (std::vector<std::string>{S("up", 'S')}));
    EXPECT_EQ(LLastKey().code, LKey::kShiftMask);
}

TEST(KeyHandler, ShiftThenCtrlReportsTwoTransitions)
{
    RecordingHandler handler;
    LLastKey() = LKey{};
    EXPECT_FALSE(handler.DispatchModifiersChanged(LKey::kShift, false));
    EXPECT_FALSE(handler.DispatchModifiersChanged(LKey::kShift | LKey::kCommand, false));
    // The same state again changes nothing and reports nothing.
    EXPECT_FALSE(handler.DispatchModifiersChanged(LKey::kShift | LKey::kCommand, false));
    EXPECT_TRUE(handler.DispatchModifiersChanged(LKey::kCommand, false));
    EXPECT_EQ(handler.calls,
              (std::vector<std::string>{S("down", LKey::kShiftMask), S("down", LKey::kCommandMask),
                                        S("up", LKey::kShiftMask)}));
    EXPECT_EQ(LLastKey().code, LKey::kCommandMask);
}

TEST(KeyHandler, CapsLockIsRecordedOnTheLastKey)
{
    RecordingHandler handler;
    LLastKey() = LKey{};
    handler.DispatchModifiersChanged(0, true);
    EXPECT_TRUE(LLastKey().capsLock);
    EXPECT_TRUE(handler.calls.empty());
}

TEST(KeyEquivalent, FocusedFieldKeepsItsKeys)
{
    using A = LKeyEquivalentAction;
    struct Case
    {
        LKey key;
        bool focused;
        A action;
    };
    const Case cases[] = {
        {LKey::FromCharacter(u'X', LKey::kCommand), true, A::kCut},
        {LKey::FromCharacter(u'C', LKey::kCommand), true, A::kCopy},
        {LKey::FromCharacter(u'V', LKey::kCommand), true, A::kPaste},
        {LKey::FromCharacter(u'A', LKey::kCommand), true, A::kSelectAll},
        {LKey::FromCharacter(u'Z', LKey::kCommand), true, A::kUndo},
        {LKey::FromCharacter(u'Z', LKey::kCommand | LKey::kShift), true, A::kRedo},
        // Not focused: the menus may have it.
        {LKey::FromCharacter(u'C', LKey::kCommand), false, A::kNotHandled},
        // Escape stays free for the dialog's cancel.
        {LKey::FromVirtualKey(kVKEscape), true, A::kNotHandled},
        // Other modifiers on the editing letters: kept as key downs.
        {LKey::FromCharacter(u'C', LKey::kCommand | LKey::kOption), true, A::kKeepForKeyDown},
        {LKey::FromCharacter(u'Q', LKey::kCommand), true, A::kKeepForKeyDown},
        {LKey::FromCharacter(u'A'), true, A::kKeepForKeyDown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.code);
        EXPECT_EQ(LPerformKeyEquivalentCommon(c.key, c.focused), c.action);
    }
}

} // namespace
