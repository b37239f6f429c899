// Controls driven the way a user drives them, each row a case of the rules
// the dialogs rely on: which commands arrive, in which order, and what the
// control holds afterwards.

#include "gui/qt/LQtFindControl.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtComboBoxImpl.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtFormatterValidator.h"
#include "gui/qt/controls/LQtInputUpDownImpl.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"
#include "gui/qt/controls/LQtLineEdit.h"
#include "gui/qt/controls/LQtPullDownListImpl.h"
#include "gui/qt/controls/LQtTabViewImpl.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "controls_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

LWindow* const kWindow = reinterpret_cast<LWindow*>(0x4242);
std::vector<int32_t> g_commands;
std::function<void(int32_t)> g_onCommand;

class Controls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App();
        g_commands.clear();
        g_onCommand = nullptr;
        LQtSetCommandSender([](LWindow* window, int32_t command) {
            if (window != kWindow)
                return;
            g_commands.push_back(command);
            if (g_onCommand)
                g_onCommand(command);
        });
        view = std::make_unique<QWidget>();
        LQtSetControlWindow(view.get(), kWindow);
        layout = new QVBoxLayout(view.get());
        view->resize(400, 400);
    }
    void TearDown() override
    {
        view.reset();
        LQtSetCommandSender(nullptr);
    }
    void Show()
    {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    template <typename T> T* Add(T* control)
    {
        layout->addWidget(control);
        return control;
    }

    std::unique_ptr<QWidget> view;
    QVBoxLayout* layout = nullptr;
};

using Commands = std::vector<int32_t>;

// --- buttons ---------------------------------------------------------------

TEST_F(Controls, ButtonSendsDownBeforeUp)
{
    auto* button = Add(new LQtKindButtonImpl);
    button->setText("Press");
    button->SetId(100);
    button->SetCommandDown(101);
    Show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(g_commands, (Commands{101, 100}));
    // Released outside: only the down command.
    g_commands.clear();
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(g_commands, (Commands{101}));
}

TEST_F(Controls, DisabledButtonSendsNothing)
{
    auto* button = Add(new LQtKindButtonImpl);
    button->SetId(100);
    button->SetCommandDown(101);
    button->setEnabled(false);
    Show();
    QTest::mouseClick(button, Qt::LeftButton);
    button->click();
    button->SendCommandUp();
    button->SendCommandDown();
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(Controls, SetIdOfMinusOneLeavesTheUpCommandUnset)
{
    auto* button = Add(new LQtKindButtonImpl);
    button->SetId(-1);
    Show();
    button->click();
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(LQtControlId(button), -1);
}

TEST_F(Controls, ButtonKinds)
{
    auto* help = Add(new LQtKindButtonImpl);
    help->SetKind(LQtKindButtonImpl::kHelpButton);
    help->SetId(7);
    EXPECT_FALSE(help->IsHelpButton());
    help->SetId(LFourCC("ahlp"));
    EXPECT_TRUE(help->IsHelpButton());
    auto* toggle = Add(new LQtKindButtonImpl);
    toggle->SetDown(true);
    EXPECT_FALSE(toggle->IsDown());
    toggle->SetKind(LQtKindButtonImpl::kCheckButton);
    EXPECT_TRUE(toggle->IsDown());
    auto* box = Add(new LQtKindButtonImpl);
    box->SetKind(LQtKindButtonImpl::kCheckBox);
    box->SetId(9);
    Show();
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(g_commands, (Commands{9}));
    char text[260];
    box->setText(QString(300, QChar(0x00E9)));
    box->GetText(text);
    EXPECT_EQ(std::string(text).size(), 258u);
}

TEST_F(Controls, RadioGroup)
{
    LQtRadioButtonGroupImpl group;
    LQtKindButtonImpl* radios[3];
    for (int i = 0; i < 3; ++i) {
        radios[i] = Add(new LQtKindButtonImpl);
        radios[i]->SetKind(LQtKindButtonImpl::kRadioButton);
        radios[i]->setText(QString("Choice %1").arg(i));
        radios[i]->SetId(200 + i);
        group.AddRadioButton(radios[i]);
    }
    Show();
    EXPECT_EQ(group.SelectedButton(), nullptr);
    QTest::mouseClick(radios[1], Qt::LeftButton);
    EXPECT_EQ(group.SelectedButton(), radios[1]);
    // The selected one again: its command is sent again, nothing changes.
    QTest::mouseClick(radios[1], Qt::LeftButton);
    EXPECT_EQ(group.SelectedButton(), radios[1]);
    EXPECT_TRUE(radios[1]->isChecked());
    QTest::mouseClick(radios[2], Qt::LeftButton);
    EXPECT_EQ(g_commands, (Commands{201, 201, 202}));
    EXPECT_FALSE(radios[1]->isChecked());
    EXPECT_TRUE(radios[2]->isChecked());
    // Turning off a button that is not the selection keeps the selection.
    group.Select(false, radios[0]);
    EXPECT_EQ(group.SelectedButton(), radios[2]);
    group.Select(false, radios[2]);
    EXPECT_EQ(group.SelectedButton(), nullptr);
}

TEST_F(Controls, GroupBoxTitle)
{
    auto* box = Add(new LQtGroupImpl("Options"));
    EXPECT_TRUE(box->TitleShown());
    box->SetTitleText("");
    EXPECT_FALSE(box->TitleShown());
    box->SetTitleText("Again");
    EXPECT_TRUE(box->TitleShown());
    box->setEnabled(false);
    EXPECT_NE(box->graphicsEffect(), nullptr);
    box->setEnabled(true);
    EXPECT_EQ(box->graphicsEffect(), nullptr);
}

// --- pull-down lists -------------------------------------------------------

TEST_F(Controls, PullDownShowsTheModelAndSendsItsCommands)
{
    auto* list = Add(new LQtPullDownListImpl);
    LQtSetControlCommand(list, LCommandKeyMenuOpen, 301);
    LQtSetControlCommand(list, LCommandKeyMenuClose, 302);
    list->SetSelectionChangeCommand(300);
    EXPECT_EQ(list->AddItem("A"), 0);
    EXPECT_EQ(list->AddItem("B"), 1);
    EXPECT_EQ(list->AddItem("C"), 2);
    list->InsertItemSeparator(0);
    EXPECT_EQ(list->currentText(), "A");
    EXPECT_EQ(list->Items().GetItemCount(), 3);
    Show();

    list->showPopup();
    EXPECT_TRUE(list->IsMenuOpen());
    list->hidePopup();
    EXPECT_EQ(g_commands, (Commands{301, 302}));
    g_commands.clear();
    // The user picks C (combo row 3: A, separator, B, C).
    emit list->activated(3);
    EXPECT_EQ(g_commands, (Commands{300}));
    EXPECT_EQ(list->Items().GetSelectedItem(), 2);
    EXPECT_EQ(list->currentText(), "C");

    list->DeleteItem(1);
    EXPECT_EQ(list->Items().GetSelectedItem(), 1);
    EXPECT_EQ(list->currentText(), "C");
    list->DeleteItem(5);
    EXPECT_EQ(list->Items().GetItemCount(), 2);
    list->SelectAt(-1);
    EXPECT_EQ(list->Items().GetSelectedItem(), -1);
    EXPECT_EQ(list->currentIndex(), -1);
}

// --- combo boxes -----------------------------------------------------------

TEST_F(Controls, ComboBoxKeepsTextsUniqueAndAddsConfirmedTyping)
{
    auto* combo = Add(new LQtComboBoxImpl);
    EXPECT_EQ(combo->AddItem("a"), 0);
    EXPECT_EQ(combo->AddItem("b"), 1);
    EXPECT_EQ(combo->AddItem("a"), 0);
    EXPECT_EQ(combo->count(), 2);
    auto* other = Add(new LQtLineEdit);
    Show();
    combo->Field()->setFocus();
    QTest::keyClicks(combo->Field(), "typed");
    QTest::keyClick(combo->Field(), Qt::Key_Return);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(2), "typed");
    combo->Field()->clear();
    combo->Field()->setFocus();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(combo->count(), 3);
    char text[260];
    combo->GetItemText(2, true, text);
    EXPECT_STREQ(text, "typed");
    combo->GetItemText(9, true, text);
    EXPECT_STREQ(text, "");
}

TEST_F(Controls, ComboBoxSelectionAndDropDownCommands)
{
    auto* combo = Add(new LQtComboBoxImpl);
    combo->SetDropdownCommand(401);
    combo->SetSelectionChangeCommand(402);
    combo->AddItem("x");
    combo->AddSeparator();
    combo->AddItem("y");
    Show();
    combo->showPopup();
    combo->hidePopup();
    emit combo->activated(2);
    EXPECT_EQ(g_commands, (Commands{401, 402}));
    EXPECT_EQ(combo->GetSelectedItem(), 1);
    char text[260];
    combo->GetCurrentText(text);
    EXPECT_STREQ(text, "y");
    combo->Field()->setText("hello world");
    combo->Field()->setSelection(6, 5);
    combo->PasteTextOverSelection("there");
    EXPECT_EQ(combo->Field()->text(), "hello there");
    EXPECT_EQ(combo->Field()->selectedText(), "there");
}

TEST_F(Controls, NumericComboAdmitsDigitsOnly)
{
    auto* combo = Add(new LQtComboBoxImpl);
    combo->SetNumeric(true);
    Show();
    combo->Field()->setFocus();
    QTest::keyClicks(combo->Field(), "1-2.3 4");
    EXPECT_EQ(combo->Field()->text(), "1234");
    QTest::keyClick(combo->Field(), Qt::Key_Backspace);
    EXPECT_EQ(combo->Field()->text(), "123");
    QApplication::clipboard()->setText("12a");
    QTest::keyClick(combo->Field(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(combo->Field()->text(), "123");
}

// --- up-down ---------------------------------------------------------------

TEST_F(Controls, UpDownClampsTypedValuesWhenEditingEnds)
{
    auto* upDown = Add(new LQtInputUpDownImpl);
    upDown->SetId(300);
    upDown->SetMin(1);
    upDown->SetMax(10);
    upDown->SetStep(1);
    auto* other = Add(new LQtLineEdit);
    Show();
    EXPECT_EQ(LQtControlId(upDown->TextField()), 301);
    upDown->TextField()->setFocus();
    upDown->TextField()->selectAll();
    QTest::keyClicks(upDown->TextField(), "0");
    g_commands.clear();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(upDown->TextField()->text(), "1");
    EXPECT_EQ(g_commands, (Commands{300}));
    // A value inside the range sends nothing at the end.
    upDown->TextField()->setFocus();
    upDown->TextField()->selectAll();
    QTest::keyClicks(upDown->TextField(), "7");
    g_commands.clear();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(Controls, UpDownArrowsStopAtTheEnds)
{
    auto* upDown = Add(new LQtInputUpDownImpl);
    upDown->SetId(300);
    upDown->SetMin(1);
    upDown->SetMax(10);
    Show();
    upDown->SetValue(9);
    g_commands.clear();
    QTest::mouseClick(upDown->UpArrow(), Qt::LeftButton);
    EXPECT_EQ(upDown->Value(), 10);
    // The field's own id, then the text-changed command.
    EXPECT_EQ(g_commands, (Commands{301, 300}));
    QTest::mouseClick(upDown->UpArrow(), Qt::LeftButton);
    EXPECT_EQ(upDown->Value(), 10);
    QTest::keyClick(upDown->TextField(), Qt::Key_Up);
    EXPECT_EQ(upDown->TextField()->text(), "10");
    QTest::keyClick(upDown->TextField(), Qt::Key_Down);
    EXPECT_EQ(upDown->Value(), 9);
}

TEST_F(Controls, UpDownDecimals)
{
    auto* upDown = Add(new LQtInputUpDownImpl);
    upDown->SetFormatDouble(2);
    upDown->SetMin(0);
    upDown->SetMax(1);
    upDown->SetStep(0.25);
    Show();
    upDown->SetValue(0.5);
    EXPECT_EQ(upDown->TextField()->text().toStdString(),
              "0" + LQtFormatterValidator::DecimalSeparator() + "50");
    upDown->Step(true);
    upDown->Step(true);
    upDown->Step(true);
    EXPECT_DOUBLE_EQ(upDown->Value(), 1.0);
}

// --- tabs ------------------------------------------------------------------

TEST_F(Controls, TabViewSendsSelectingThenSelected)
{
    auto* tabs = Add(new LQtTabViewImpl);
    tabs->AddTab("One");
    tabs->AddTab("Two");
    tabs->AddTab(nullptr);
    char label[260];
    tabs->GetTabLabel(2, label);
    EXPECT_STREQ(label, "");
    Show();
    // Without commands, nothing is sent.
    tabs->SelectTab(1);
    EXPECT_TRUE(g_commands.empty());
    tabs->SetSelectingCommand(501);
    tabs->SetSelectedCommand(502);
    std::vector<std::pair<int32_t, int>> seen;
    g_onCommand = [&](int32_t command) { seen.push_back({command, tabs->GetCurrentTab()}); };
    tabs->SelectTab(2);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int>>{{501, 1}, {502, 2}}));
    seen.clear();
    tabs->SelectTab(-1);
    tabs->SelectTab(7);
    tabs->SelectTab(2);
    EXPECT_TRUE(seen.empty());
    // A click on a tab goes the same way.
    QRect first = tabs->tabBar()->tabRect(0);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int>>{{501, 2}, {502, 0}}));
}

// --- field editor ----------------------------------------------------------

TEST_F(Controls, TabMovesTheFocusWithoutTyping)
{
    auto* first = Add(new LQtLineEdit);
    auto* second = Add(new LQtLineEdit);
    Show();
    view->activateWindow();
    first->setFocus();
    QTest::keyClicks(first, "ab");
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(first->text(), "ab");
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(first->hasFocus());
}

TEST_F(Controls, DisabledPasteSendsTheCommandOnly)
{
    auto* field = Add(new LQtLineEdit);
    LQtSetControlCommand(field, LCommandKeyPaste, 600);
    field->SetPasteDisabled(true);
    Show();
    field->setFocus();
    field->setText("keep");
    QApplication::clipboard()->setText("pasted");
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "keep");
    EXPECT_EQ(g_commands, (Commands{600}));
    field->SetPasteDisabled(false);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "keeppasted");
}

TEST_F(Controls, UndoStaysWithItsField)
{
    auto* first = Add(new LQtLineEdit);
    auto* second = Add(new LQtLineEdit);
    Show();
    first->setFocus();
    QTest::keyClicks(first, "one");
    second->setFocus();
    QTest::keyClicks(second, "two");
    QTest::keyClick(second, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(second->text(), "");
    EXPECT_EQ(first->text(), "one");
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(first->text(), "");
}

TEST_F(Controls, FocusCommands)
{
    auto* first = Add(new LQtLineEdit);
    auto* second = Add(new LQtLineEdit);
    LQtSetControlCommand(first, LCommandKeySetFocus, 700);
    LQtSetControlCommand(first, LCommandKeyKillFocus, 701);
    Show();
    view->activateWindow();
    first->setFocus();
    QApplication::processEvents();
    second->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(g_commands, (Commands{700, 701}));
}

} // namespace
