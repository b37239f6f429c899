// Qt keys to our key codes: the codes the shortcut tables use come out of
// real key events and key-sequence texts.

#include "gui/qt/LQtKeys.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(QtKeys, SequenceTexts)
{
    struct Case
    {
        const char* text;
        uint32_t code;
        const char* name;
    };
    const std::vector<Case> cases = {
        {"Ctrl+Shift+/", 0x3002F, "Ctrl+Shift+/"},
        {"Ctrl+Q", 0x10051, "Ctrl+Q"},
        {"Ctrl+,", 0x1002C, "Ctrl+,"},
        {"Ctrl+Alt+H", 0x90048, "Ctrl+Alt+H"},
        {"Meta+Ctrl+Alt+R", 0x190052, "Meta+Ctrl+Alt+R"},
        {"Backspace", 0x33000000, "Backspace"},
        {"Ctrl+Backspace", 0x33010000, "Ctrl+Backspace"},
        {"Esc", 0x35000000, "Esc"},
        {"Del", 0x75000000, "Del"},
        {"F1", 0x7A000000, "F1"},
        {"Shift+F12", 0x6F020000, "Shift+F12"},
        {"Ctrl+Space", 0x10020, "Ctrl+Space"},
        {"Up", 0x7E000000, "Up"},
        {"PgDown", 0x79000000, "PgDown"},
        {"Return", 0x24000000, "Return"},
    };
    for (const auto& c : cases) {
        LKey key;
        ASSERT_TRUE(LQtKeyFromSequenceText(c.text, &key)) << c.text;
        EXPECT_EQ(key.code, c.code) << c.text;
        EXPECT_EQ(LKeyName(key), c.name) << c.text;
        // Our names read back as the same key.
        LKey again;
        ASSERT_TRUE(LQtKeyFromSequenceText(QString::fromStdString(LKeyName(key)), &again)) << c.name;
        EXPECT_EQ(again.code, key.code) << c.name;
    }
}

TEST(QtKeys, KeysWithoutCode)
{
    LKey key;
    EXPECT_FALSE(LQtKeyFromSequenceText("Print", &key));
    EXPECT_FALSE(LQtKeyFromSequenceText("", &key));
    EXPECT_FALSE(LQtKeyFromSequenceText("Nonsense+Key+Text", &key));
}

TEST(QtKeys, EventsMapModifiersToOurBits)
{
    QKeyEvent lower(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::MetaModifier, "a");
    EXPECT_EQ(LQtKeyFromEvent(&lower).code, 0x110041u);
    // A modifier key alone carries only the modifiers. The event is built
    // with the state before the press, as the window system reports it; the
    // toolkit reports the state after it.
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(LQtKeyFromEvent(&shift).code, LKey::kShiftMask);
    QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(LQtKeyFromEvent(&backtab).code, 0x30020000u);
    // A key Qt knows only by its text.
    QKeyEvent other(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
    EXPECT_EQ(LQtKeyFromEvent(&other).code, 0xC9u);
}

TEST(QtKeys, EveryCodedVirtualKeyHasAQtKey)
{
    for (int vk = 0; vk < 128; ++vk) {
        if (!LIsVirtualKeyCoded(vk))
            continue;
        int qtKey = LQtKeyForVirtualKey(vk);
        ASSERT_NE(qtKey, 0) << vk;
        EXPECT_EQ(LQtVirtualKeyForQtKey(qtKey), vk);
        // Our name is the toolkit's own name for the key.
        EXPECT_EQ(LVirtualKeyName(vk), QKeySequence(qtKey).toString().toStdString()) << vk;
    }
}

} // namespace
