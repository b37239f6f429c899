// The control API by window and control id over real windows: each call
// finds its control by id and does nothing (or answers its default) for a
// control of another kind.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtKeys.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtFormatterValidator.h"
#include "gui/qt/controls/LQtInputUpDownImpl.h"
#include "gui/qt/controls/LQtPullDownListImpl.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace quorin::test;

namespace {

class ControlWindow : public LWindow
{
public:
    std::vector<int> commands;
    std::function<void(int)> onCommand;
    int updates = 0;

    void UpdateControls() override { ++updates; }

    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        if (onCommand)
            onCommand(command);
        LWindow::OnCommand(command, extra);
    }
};

class WindowControls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(400, 300, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(10);
        window.commands.clear();
    }
    void TearDown() override
    {
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }

    ControlWindow window;
};

TEST_F(WindowControls, PullDownCallsByIdAndKind)
{
    window.AddPullDownList(10, 11);
    window.AddButtonNoRect(20, "Button");
    EXPECT_EQ(window.AddPullDownItem(10, "A"), 0);
    EXPECT_EQ(window.AddPullDownItem(10, "B"), 1);
    EXPECT_EQ(window.GetPullDownSelection(10), 0);
    window.SelectPullDownItem(10, 1);
    EXPECT_EQ(window.GetPullDownSelection(10), 1);
    // An id that belongs to a button: -1, and nothing happens.
    EXPECT_EQ(window.GetPullDownSelection(20), -1);
    EXPECT_EQ(window.AddPullDownItem(20, "X"), -1);
    EXPECT_EQ(window.GetPullDownSelection(99), -1);
    char text[260];
    EXPECT_STREQ(window.GetPullDownItemText(10, 1, text), "B");
    EXPECT_STREQ(window.GetPullDownItemText(10, 7, text), "");
    window.DeleteAllPullDownItems(10);
    EXPECT_EQ(window.GetPullDownSelection(10), -1);
}

TEST_F(WindowControls, LongTextsAreCutBetweenCharactersUnlessAskedInFull)
{
    window.AddPullDownList(10, -1);
    std::string longTitle;
    for (int i = 0; i < 200; ++i)
        longTitle += "\xC3\xA9"; // 400 bytes
    window.AddPullDownItem(10, longTitle.c_str());
    char text[260];
    window.GetPullDownItemText(10, 0, text);
    EXPECT_EQ(std::string(text).size(), 258u);
    std::string whole;
    window.GetPullDownItemTextLong(10, 0, whole);
    EXPECT_EQ(whole, longTitle);
    window.AddTabView(30, -1, -1);
    window.InsertTab(30, 0, longTitle.c_str());
    window.GetTabLabel(30, 0, text);
    EXPECT_EQ(std::string(text).size(), 258u);
}

TEST_F(WindowControls, DisabledButtonSendsNothingThroughPressButton)
{
    window.AddCheckBox(40, "Check");
    window.AddButtonOfKind(41, "Cool", 3);
    EXPECT_TRUE(window.PressButton(40));
    EXPECT_TRUE(window.GetCheck(40));
    window.EnableControl(41, false);
    EXPECT_FALSE(window.PressButton(41));
    std::vector<int> expected{40};
    EXPECT_EQ(std::vector<int>(window.commands.begin(), window.commands.end()), expected);
}

TEST_F(WindowControls, RadioGroupsByNumber)
{
    window.AddRadioButton(50, "One", 1);
    window.AddRadioButton(51, "Two", 1);
    window.AddRadioButton(52, "Other group", 2);
    window.SetCheck(50, true);
    window.SetCheck(52, true);
    window.PressButton(51);
    EXPECT_FALSE(window.GetCheck(50));
    EXPECT_TRUE(window.GetCheck(51));
    EXPECT_TRUE(window.GetCheck(52));
    window.PressButton(51);
    EXPECT_EQ(window.commands, (std::vector<int>{51, 51}));
}

TEST_F(WindowControls, UpDownValueIsClampedAndTruncated)
{
    window.AddUpDown(300, false);
    window.SetUpDownRange(300, 0, 10, 1);
    auto* upDown = qobject_cast<LQtInputUpDownImpl*>(LQtFindControl(LQtWidget(window.GetView()), 300));
    ASSERT_NE(upDown, nullptr);
    // The number field is found under its own id too.
    EXPECT_EQ(LQtFindControl(LQtWidget(window.GetView()), 301), upDown->TextField());
    upDown->SetFormatDouble(1);
    struct Case
    {
        const char* typed;
        int read;
    };
    for (const auto& c : {Case{"-3", 0}, Case{"12", 10}, Case{"7.9", 7}}) {
        std::string text = c.typed;
        for (char& ch : text)
            if (ch == '.')
                ch = LQtFormatterValidator::DecimalSeparator()[0];
        upDown->TextField()->setText(QString::fromStdString(text));
        EXPECT_EQ(window.GetUpDownValue(300), c.read) << c.typed;
    }
    window.SetUpDownValue(300, 4);
    EXPECT_EQ(window.GetUpDownValue(300), 4);
    EXPECT_EQ(window.GetUpDownValue(999), 0);
}

TEST_F(WindowControls, TabCommandsSeeTheOldTabThenTheNew)
{
    window.AddTabView(60, 501, 502);
    window.InsertTab(60, 0, "One");
    window.InsertTab(60, 1, "Two");
    window.InsertTab(60, 2, "Three");
    std::vector<std::pair<int, int>> seen;
    window.onCommand = [&](int command) { seen.push_back({command, window.GetCurrentTab(60)}); };
    window.SelectTabByIndex(60, 2);
    window.SelectTabByIndex(60, -1);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{501, 0}, {502, 2}}));
    EXPECT_EQ(window.GetTabCount(60), 3);
    window.DeleteAllTabs(60);
    EXPECT_EQ(window.GetTabCount(60), 0);
}

TEST_F(WindowControls, TextInputSendsItsTextChangeCommand)
{
    window.AddTextInput(70, false);
    window.SetTextChangeCommand(70, 71);
    QWidget* field = LQtFindControl(LQtWidget(window.GetView()), 70);
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QTest::keyClicks(field, "ab");
    EXPECT_EQ(window.commands, (std::vector<int>{71, 71}));
}

TEST_F(WindowControls, KeysBecomeCommands)
{
    auto key = [](int qtKey, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, qtKey, modifiers);
        return LQtKeyFromEvent(&event);
    };
    EXPECT_TRUE(window.TranslateAccelerator(key(Qt::Key_Q, Qt::ControlModifier), nullptr, 0));
    EXPECT_EQ(window.commands, (std::vector<int>{LFourCC("quit")}));
    window.commands.clear();
    const LKeyToCommandMap table[] = {{LKey::FromCharacter('Q', LKey::kCommand), 900}};
    EXPECT_TRUE(window.TranslateAccelerator(key(Qt::Key_Q, Qt::ControlModifier), table, 1));
    EXPECT_EQ(window.commands, (std::vector<int>{900}));
    window.commands.clear();
    // Escape in a window that is not running modally: handled, nothing sent.
    EXPECT_TRUE(window.TranslateAccelerator(key(Qt::Key_Escape, Qt::NoModifier), nullptr, 0));
    EXPECT_TRUE(window.commands.empty());
    EXPECT_FALSE(window.TranslateAccelerator(key(Qt::Key_A, Qt::ControlModifier), nullptr, 0));
    // Ctrl+Shift+/ opens the help.
    EXPECT_TRUE(
        window.TranslateAccelerator(key(Qt::Key_Slash, Qt::ControlModifier | Qt::ShiftModifier), nullptr, 0));
    EXPECT_STREQ(LLastHelpTopic(), "index");
}

} // namespace

#include "gui/controls/LCommandKeys.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtTrackBarImpl.h"

namespace {

TEST_F(WindowControls, TrackBarReportsChangesAndTheRelease)
{
    QWidget* view = LQtWidget(window.GetView());
    auto* bar = new LQtTrackBarImpl(Qt::Horizontal, view);
    bar->setGeometry(10, 10, 200, 30);
    bar->setRange(0, 100);
    bar->show();
    LQtSetControlCommand(bar, LCommandKeyTrackBar, 81);
    LQtSetControlCommand(bar, LCommandKeyTrackBarRelease, 82);
    PumpFor(10);
    window.commands.clear();
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(window.commands, (std::vector<int>{81}));
    window.commands.clear();
    QTest::mousePress(bar, Qt::LeftButton, {}, bar->rect().center());
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->rect().center());
    ASSERT_FALSE(window.commands.empty());
    EXPECT_EQ(window.commands.back(), 82);
    // Disabled: a click sends nothing at all.
    bar->setEnabled(false);
    window.commands.clear();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(20, 15));
    EXPECT_TRUE(window.commands.empty());
}

TEST_F(WindowControls, UnsetTrackBarCommandStillRefreshesTheWindow)
{
    auto* bar = new LQtTrackBarImpl(Qt::Horizontal, LQtWidget(window.GetView()));
    bar->setRange(0, 10);
    window.commands.clear();
    const int before = window.updates;
    bar->setValue(5);
    // The unset slot sends no command; the window still refreshes its controls.
    EXPECT_TRUE(window.commands.empty());
    EXPECT_GT(window.updates, before);
    auto* scroll = new LQtScrollBarImpl(Qt::Vertical, LQtWidget(window.GetView()));
    LQtSetControlCommand(scroll, LCommandKeyScrollBar, 83);
    scroll->setRange(0, 50);
    window.commands.clear();
    scroll->setValue(20);
    EXPECT_EQ(window.commands, (std::vector<int>{83}));
}

} // namespace

#include "gui/framework/LKeyHandler.h"

namespace {

class WindowKeyHandler : public LKeyHandler
{
public:
    std::vector<uint32_t> downs, ups;
    std::vector<int> chars;
    bool OnKeyDown(LKey key) override
    {
        downs.push_back(key.code);
        return false;
    }
    bool OnKeyUp(LKey key) override
    {
        ups.push_back(key.code);
        return false;
    }
    bool OnChar(int ch) override
    {
        chars.push_back(ch);
        return ch == 'x';
    }
};

TEST_F(WindowControls, KeyHandlerSeesKeysAndModifierTransitions)
{
    WindowKeyHandler handler;
    window.SetKeyHandler(&handler);
    QWidget* top = LQtWidget(window.GetView())->window();
    LLastKey() = LKey{};
    QTest::keyPress(top, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyPress(top, Qt::Key_Control, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(handler.downs, (std::vector<uint32_t>{LKey::kShiftMask, LKey::kCommandMask}));
    QTest::keyRelease(top, Qt::Key_Control, Qt::ShiftModifier);
    QTest::keyRelease(top, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(handler.ups, (std::vector<uint32_t>{LKey::kCommandMask, LKey::kShiftMask}));
    handler.downs.clear();
    QTest::keyClick(top, Qt::Key_X);
    EXPECT_EQ(handler.downs, (std::vector<uint32_t>{static_cast<uint32_t>('X')}));
    EXPECT_EQ(handler.chars, (std::vector<int>{'x'}));
    // A disabled handler sees nothing.
    handler.Enable(false);
    QTest::keyClick(top, Qt::Key_Y);
    EXPECT_EQ(handler.chars.size(), 1u);
    window.SetKeyHandler(nullptr);
}

TEST_F(WindowControls, FocusedFieldKeepsShortcutsFromTheWindow)
{
    window.AddTextInput(80, false);
    QWidget* field = LQtFindControl(LQtWidget(window.GetView()), 80);
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QKeyEvent copy(QEvent::ShortcutOverride, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(field, &copy);
    EXPECT_TRUE(copy.isAccepted());
    QKeyEvent escape(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
    escape.ignore();
    QApplication::sendEvent(field, &escape);
    EXPECT_FALSE(escape.isAccepted());
}

} // namespace

namespace {

TEST_F(WindowControls, MorePullDownCalls)
{
    window.AddPullDownNoRect(10);
    window.AddButtonNoRect(20, "Button");
    const char* const texts[] = {"A", "B", "C", nullptr};
    window.AddPullDownItems(10, texts);
    EXPECT_EQ(window.GetPullDownItemCount(10), 3);
    EXPECT_EQ(window.GetPullDownItemCount(20), -1);
    window.SetPullDownItemData(10, 2, 0x1234567890LL);
    EXPECT_EQ(window.GetPullDownItemData(10, 2), 0x1234567890LL);
    EXPECT_EQ(window.GetPullDownItemData(10, 7), 0);
    EXPECT_EQ(window.GetPullDownItemData(20, 0), 0);
    window.SelectPullDownText(10, "C");
    char text[260];
    EXPECT_STREQ(window.GetPullDownSelectedText(10, text), "C");
    window.DeletePullDownItem(10, 0);
    EXPECT_EQ(window.GetPullDownItemCount(10), 2);
    EXPECT_STREQ(window.GetPullDownItemText(10, 0, text), "B");
    EXPECT_STREQ(window.GetPullDownSelectedText(20, text), "");
    // The program's own selection sends no command; the user's picks send the set one.
    window.SetPullDownCommand(10, 15);
    window.commands.clear();
    auto* list = qobject_cast<LQtPullDownListImpl*>(LQtFindControl(LQtWidget(window.GetView()), 10));
    ASSERT_NE(list, nullptr);
    emit list->activated(0);
    EXPECT_EQ(window.commands, std::vector<int>{15});
}

TEST_F(WindowControls, MoreComboBoxCalls)
{
    window.AddComboBox(30, false);
    window.AddComboBoxItem(30, "one");
    window.AddComboBoxItem(30, "two");
    EXPECT_EQ(window.FindComboBoxItem(30, "two"), 1);
    EXPECT_EQ(window.FindComboBoxItem(30, "TWO"), -1);
    EXPECT_EQ(window.FindComboBoxItem(31, "two"), -1);
    window.SelectComboBoxItem(30, 1);
    EXPECT_EQ(window.GetComboBoxSelection(30), 1);
    window.SelectComboBoxText(30, "one");
    EXPECT_EQ(window.GetComboBoxSelection(30), 0);
    char text[260];
    window.SetComboBoxText(30, "two");
    EXPECT_STREQ(window.GetComboBoxText(30, text), "two");
    EXPECT_EQ(window.GetComboBoxSelection(30), 1);
    // A text that no item has is shown as typed.
    window.SetComboBoxText(30, "three");
    EXPECT_STREQ(window.GetComboBoxText(30, text), "three");
}

} // namespace
