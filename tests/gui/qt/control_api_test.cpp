// The creators, style records, fonts and measures of the control API on
// real windows: each call finds its control by id and leaves controls of
// another kind alone.

#include "gui/GuiTestSupport.h"

#include "audio/devices/DeviceTestSupport.h"
#include "audio/devices/LSoundOutputDevices.h"
#include "gui/controls/LCommandKeys.h"
#include "gui/controls/LControlStyles.h"
#include "gui/controls/LPaintContext.h"
#include "gui/controls/LVolumeSlider.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtComboBoxImpl.h"
#include "gui/qt/controls/LQtControls.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"
#include "gui/qt/controls/LQtLineEdit.h"
#include "gui/qt/controls/LQtPullDownListImpl.h"
#include "gui/qt/controls/LQtSmallControls.h"
#include "gui/qt/controls/LQtTabViewImpl.h"
#include "gui/qt/controls/LQtTrackBarImpl.h"
#include "gui/qt/menus/LQtMenuImpl.h"
#include "gui/qt/text/LQtEditViewImpl.h"
#include "gui/qt/text/LQtFonts.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class ApiWindow : public LWindow
{
public:
    std::vector<int> commands;

    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

class ControlApi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(500, 400, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(10);
        window.commands.clear();
    }
    void TearDown() override
    {
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }

    template <typename T> T* Get(int id) { return qobject_cast<T*>(LQtWidget(window.GetControl(id))); }

    ApiWindow window;
};

TEST_F(ControlApi, ButtonStylesChooseTheKind)
{
    struct Case
    {
        int id;
        LButtonStyle style;
        LQtKindButtonImpl::Kind kind;
        bool checkable;
    };
    LButtonStyle check;
    check.flags[2] = 1;
    LButtonStyle cool;
    cool.kind = 2;
    LButtonStyle coolCheck = cool;
    coolCheck.flags[2] = 1;
    const std::vector<Case> cases = {
        {10, LButtonStyle::Standard(), LQtKindButtonImpl::kPushButton, false},
        {11, check, LQtKindButtonImpl::kCheckButton, true},
        {12, cool, LQtKindButtonImpl::kCoolButton, false},
        {13, coolCheck, LQtKindButtonImpl::kCheckButton, true},
        // The help command makes a help button whatever the style says.
        {kCommandHelp, check, LQtKindButtonImpl::kHelpButton, false},
    };
    for (const Case& c : cases) {
        window.AddButtonNoRect(c.id, "Title", c.style);
        auto* button = Get<LQtKindButtonImpl>(c.id);
        ASSERT_NE(button, nullptr) << c.id;
        EXPECT_EQ(button->ButtonKind(), c.kind) << c.id;
        EXPECT_EQ(button->isCheckable(), c.checkable) << c.id;
        EXPECT_EQ(button->geometry(), QRect(0, -300, 500, 30)) << c.id;
    }
    // A cool button without a title shows its picture alone.
    window.AddButtonNoRect(14, "", cool);
    EXPECT_EQ(Get<QWidget>(14)->property("limageposition").toInt(), 1);
    window.AddButtonNoRect(15, "Text", cool);
    EXPECT_EQ(Get<QWidget>(15)->property("limageposition").toInt(), 3);

    // Placed buttons grow by the bezel: 12 for push buttons, 4 for cool ones.
    window.AddButton(20, "Push", LButtonStyle::Standard(), 10, 10, 80, 20);
    EXPECT_EQ(Get<QWidget>(20)->geometry(), QRect(4, 10, 92, 23));
    window.AddButton(21, "Cool", cool, 10, 10, 80, 20);
    EXPECT_EQ(Get<QWidget>(21)->geometry(), QRect(8, 10, 84, 23));

    window.AddPushButtonNoRect(22, "Go");
    window.commands.clear();
    EXPECT_TRUE(window.PressButton(22));
    EXPECT_EQ(window.commands, (std::vector<int>{22}));
}

TEST_F(ControlApi, StandardButtonsAtRectangles)
{
    window.AddOKButton(300, 350, 90);
    window.AddCancelButton(200, 350, 90);
    window.AddHelpButton(10, 350);
    EXPECT_EQ(Get<QWidget>(kCommandOK)->geometry(), QRect(300, 350, 90, 21));
    EXPECT_TRUE(Get<QPushButton>(kCommandOK)->isDefault());
    EXPECT_EQ(Get<QWidget>(kCommandCancel)->geometry(), QRect(200, 350, 90, 21));
    EXPECT_EQ(LQtFindCancelButton(LQtWidget(window.GetView())), Get<QAbstractButton>(kCommandCancel));
    EXPECT_EQ(Get<QWidget>(kCommandHelp)->geometry(), QRect(10, 350, 21, 21));
    EXPECT_TRUE(Get<LQtKindButtonImpl>(kCommandHelp)->IsHelpButton());

    window.AddCoolButton(30, "A");
    window.AddCoolImageButton(31);
    window.AddCoolButtonTextLeft(32, "C");
    for (int id : {30, 31, 32}) {
        EXPECT_EQ(Get<LQtKindButtonImpl>(id)->ButtonKind(), LQtKindButtonImpl::kCoolButton);
        EXPECT_EQ(Get<QWidget>(id)->property("limageposition").toInt(), id - 30);
    }
    window.AddCheckBox(33, "Box", 20, 30, 100, 21);
    EXPECT_EQ(Get<LQtKindButtonImpl>(33)->ButtonKind(), LQtKindButtonImpl::kCheckBox);
    EXPECT_EQ(Get<QWidget>(33)->geometry(), QRect(20, 30, 100, 21));
    window.AddCheckBoxNoRect(34, "Parked");
    EXPECT_EQ(Get<QWidget>(34)->geometry(), QRect(0, -300, 500, 30));
}

TEST_F(ControlApi, RadioButtonsJoinTheLastGroup)
{
    window.AddRadioGroupNoRect(100, "First");
    window.AddRadioButton(101, "a", 0, 0, 50, 20);
    window.AddRadioButton(102, "b", 0, 20, 50, 20);
    window.AddRadioGroup(200, "Second", 0, 0, 100, 200, 80);
    window.AddRadioButton(201, "c", 0, 0, 50, 20);
    window.AddRadioButton(202, "d", 0, 20, 50, 20);
    EXPECT_EQ(Get<QWidget>(200)->geometry(), QRect(0, 100, 200, 80));

    window.SelectRadioButton(101, true);
    window.SelectRadioButton(201, true);
    window.SetCheck(102, true);
    EXPECT_EQ(window.GetRadioCheck(101), 0);
    EXPECT_EQ(window.GetRadioCheck(102), 1);
    // The other group keeps its choice.
    EXPECT_EQ(window.GetRadioCheck(201), 1);
    window.SelectRadioButton(201, false);
    EXPECT_EQ(window.GetRadioCheck(201), 0);
    EXPECT_EQ(window.GetRadioCheck(202), 0);

    window.SetGroupTitle(100, "");
    EXPECT_FALSE(Get<LQtGroupImpl>(100)->TitleShown());
}

TEST_F(ControlApi, StaticTextsTheirStylesAndColours)
{
    LStaticTextFormat format;
    format.truncation = 2;
    format.alignment = 2;
    window.CreateStaticTextEx(40, "Right and cut", &format);
    window.CreateEmptyStaticTextEx(41, nullptr);
    window.CreateStaticText(42, "Plain");
    auto* right = Get<LQtTextStaticImpl>(40);
    ASSERT_NE(right, nullptr);
    EXPECT_TRUE(right->alignment() & Qt::AlignRight);
    // Parked at the height of one line: round(cell height x 1.23).
    EXPECT_EQ(right->geometry(),
              QRect(0, -300, 8, static_cast<int>(std::lround(window.CharHeightPx() * 1.23))));
    char text[260];
    EXPECT_STREQ(window.GetStaticText(41, text), "");
    window.SetStaticText(41, "Now set");
    EXPECT_STREQ(window.GetStaticText(41, text), "Now set");

    LRGBColor orange{0xFF00, 0x8000, 0x0000};
    window.SetStaticTextColor(42, &orange);
    EXPECT_EQ(Get<QWidget>(42)->palette().color(QPalette::WindowText), QColor(255, 128, 0));
    window.SetStaticColors(42, LRGBColor{0, 0, 0xC800}, LRGBColor{0xFFFF, 0xFFFF, 0});
    EXPECT_EQ(Get<QWidget>(42)->palette().color(QPalette::WindowText), QColor(0, 0, 200));
    EXPECT_EQ(Get<QWidget>(42)->palette().color(QPalette::Window), QColor(255, 255, 0));
    EXPECT_TRUE(Get<QWidget>(42)->autoFillBackground());

    // Another kind of control is left alone.
    window.AddCheckBoxNoRect(43, "Box");
    const QColor before = Get<QWidget>(43)->palette().color(QPalette::WindowText);
    window.SetStaticTextColor(43, &orange);
    window.SetStaticText(43, "Changed");
    EXPECT_EQ(Get<QWidget>(43)->palette().color(QPalette::WindowText), before);
    EXPECT_STREQ(window.GetButtonText(43, text), "Box");

    LStaticTextStyle style;
    style.alignment = 1;
    window.AddStaticText(44, "Centred", style, 5, 6, 70, 20);
    EXPECT_EQ(Get<QWidget>(44)->geometry(), QRect(5, 6, 70, 20));
    EXPECT_TRUE(Get<QLabel>(44)->alignment() & Qt::AlignHCenter);

    window.CreateHyperLink(45, "Link");
    EXPECT_NE(Get<LQtHyperLinkImpl>(45), nullptr);
    EXPECT_STREQ(window.GetStaticText(45, text), "Link");
    window.AddSeparator(46, 0, 50, 300);
    EXPECT_EQ(Get<QWidget>(46)->geometry(), QRect(0, 50, 300, 1));
}

TEST_F(ControlApi, ImageControls)
{
    window.AddImageControl(50, 304, 10, 10, 64, 64);
    auto* image = Get<LQtImageControlImpl>(50);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->resource(), 304);
    window.AddImageControl(51, 0, 0, 0, 32, 32);
    EXPECT_EQ(Get<LQtImageControlImpl>(51)->resource(), 0);
    window.AddEmptyImageControlNoRect(52);
    EXPECT_EQ(Get<QWidget>(52)->geometry(), QRect(0, -300, 500, 30));

    LBitmap descriptor;
    descriptor.format = LPixelFormatBGRA32;
    descriptor.width = 4;
    descriptor.height = 4;
    LBitmapInitLayout(descriptor);
    LBitmap bitmap;
    LBitmapAllocate(bitmap, descriptor);
    LGuiImage picture;
    ASSERT_TRUE(picture.CreateFromBitmap(&bitmap, true));
    window.SetImageControlImage(52, &picture);
    EXPECT_TRUE(Get<LQtImageControlImpl>(52)->hasImage());
    window.SetImageControlImage(52, nullptr);
    EXPECT_FALSE(Get<LQtImageControlImpl>(52)->hasImage());
}

TEST_F(ControlApi, TextInputStyles)
{
    LTextInputStyle password;
    password.flags[1] = 1;
    LTextInputStyle numbers;
    numbers.flags[4] = 1;
    numbers.alignment = 2;
    LTextInputStyle readOnly;
    readOnly.flags[5] = 1;
    window.AddTextInputNoRect(60, password);
    window.AddTextInputNoRect(61, numbers);
    window.AddTextInput(62, readOnly, 10, 20, 120);
    EXPECT_EQ(Get<QLineEdit>(60)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Get<QWidget>(60)->geometry(), QRect(0, -300, 500, 21));
    EXPECT_TRUE(Get<LQtLineEdit>(61)->DigitsOnly());
    EXPECT_TRUE(Get<QLineEdit>(61)->alignment() & Qt::AlignRight);
    EXPECT_TRUE(Get<QLineEdit>(62)->isReadOnly());
    EXPECT_EQ(Get<QWidget>(62)->geometry(), QRect(10, 20, 120, 21));

    EXPECT_TRUE(window.IsTextInputControl(60));
    window.SetControlText(60, "sésame");
    EXPECT_EQ(window.GetControlTextLength(60), std::strlen("sésame"));
    window.SetControlText(61, "  42  ");
    char text[260];
    window.GetControlTextTrimmed(61, text);
    EXPECT_STREQ(text, "42");

    window.SetTextLimit(61, 3);
    EXPECT_EQ(Get<QLineEdit>(61)->maxLength(), 3);
    window.SetPromptText(60, "Password");
    EXPECT_EQ(Get<QLineEdit>(60)->placeholderText(), "Password");

    // A check box has no text input, and its check is read from buttons only.
    window.AddCheckBoxNoRect(63, "Box");
    EXPECT_FALSE(window.IsTextInputControl(63));
    EXPECT_EQ(window.GetCheck(60), false);
    EXPECT_EQ(window.GetControlTextLength(63), 3u);
}

bool g_filterCalls = false;
LWindow* g_filterWindow = nullptr;

bool NoDigitsFilter(LWindow* window, const char* text)
{
    g_filterCalls = true;
    g_filterWindow = window;
    for (const char* c = text; *c; ++c)
        if (*c >= '0' && *c <= '9')
            return false;
    return true;
}

TEST_F(ControlApi, FilteredInputAcceptsOnlyWhatTheFilterAllows)
{
    window.AddTextInput(70, false);
    window.SetTextInputFilter(70, &NoDigitsFilter);
    auto* field = Get<QLineEdit>(70);
    field->setFocus();
    QTest::keyClicks(field, "ab1c2");
    EXPECT_EQ(field->text(), "abc");
    EXPECT_TRUE(g_filterCalls);
    EXPECT_EQ(g_filterWindow, &window);

    // Pasting with pasting turned off sends the paste command and keeps the text.
    window.SetPasteCommand(70, 77);
    Get<LQtLineEdit>(70)->SetPasteDisabled(true);
    QApplication::clipboard()->setText("zz");
    window.commands.clear();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window.commands, (std::vector<int>{77}));
    EXPECT_EQ(field->text(), "abc");

    window.SelectAllText(70);
    EXPECT_EQ(field->selectedText(), "abc");
}

TEST_F(ControlApi, EditViewFlags)
{
    struct Case
    {
        const char* name;
        LEditFlags flags;
        const char* typed;
        const char* shown;
    };
    LEditFlags digits;
    digits.digitsOnly = true;
    LEditFlags upper;
    upper.upperCase = true;
    LEditFlags lower;
    lower.lowerCase = true;
    LEditFlags single;
    single.singleLine = true;
    const std::vector<Case> cases = {
        {"plain", LEditFlags{}, "Ab 1\nx", "Ab 1\nx"},
        {"digits", digits, "a1b2", "12"},
        {"upper", upper, "abC", "ABC"},
        {"lower", lower, "AbC", "abc"},
        {"single line", single, "ab\ncd", "abcd"},
    };
    int id = 80;
    for (const Case& c : cases) {
        window.AddEditViewNoRect(id, &c.flags);
        auto* view = Get<LQtEditViewImpl>(id);
        ASSERT_NE(view, nullptr) << c.name;
        EXPECT_EQ(window.GetEditView(id), LQtHandle(view));
        view->setFocus();
        for (const char* t = c.typed; *t; ++t) {
            if (*t == '\n')
                QTest::keyClick(view, Qt::Key_Return);
            else
                QTest::keyClick(view, *t);
        }
        EXPECT_EQ(view->toPlainText().toStdString(), c.shown) << c.name;
        // Edit views count as text inputs but report no text length.
        EXPECT_TRUE(window.IsTextInputControl(id));
        EXPECT_EQ(window.GetControlTextLength(id), 0u);
        ++id;
    }

    LEditFlags bordered;
    bordered.border = true;
    bordered.verticalScroller = true;
    bordered.readOnly = true;
    window.AddEditView(90, bordered, 10, 10, 200, 100);
    auto* view = Get<LQtEditViewImpl>(90);
    EXPECT_EQ(view->geometry(), QRect(10, 10, 200, 100));
    EXPECT_NE(view->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(view->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(view->isReadOnly());

    window.SetControlText(80, "0123456789");
    window.SetTextLimit(80, 4);
    char text[260];
    EXPECT_STREQ(window.GetControlText(80, text), "0123");
    // The user's edits send the text-changed command; the program's own do not.
    window.SetTextChangeCommand(80, 88);
    window.commands.clear();
    window.SetControlText(80, "12");
    EXPECT_STREQ(window.GetControlText(80, text), "12");
    EXPECT_TRUE(window.commands.empty());
    Get<QWidget>(80)->setFocus();
    QTest::keyClick(Get<QWidget>(80), Qt::Key_5);
    EXPECT_EQ(window.commands, (std::vector<int>{88}));
    EXPECT_EQ(window.GetEditView(60), nullptr);
}

TEST_F(ControlApi, VerticalTrackBarCountsFromTheTop)
{
    LTrackBarStyle tip;
    tip.flags[0] = 1;
    window.AddTrackBar(110, tip);
    window.AddTrackBar(111, LTrackBarStyle{});
    auto* standing = Get<LQtTrackBarImpl>(110);
    ASSERT_NE(standing, nullptr);
    EXPECT_TRUE(standing->ShowToolTip());
    EXPECT_FALSE(Get<LQtTrackBarImpl>(111)->ShowToolTip());
    EXPECT_EQ(standing->geometry(), QRect(0, -300, 500, 20));
    EXPECT_FALSE(standing->IsVertical());

    window.SetControlRect(110, 10, 10, 20, 200);
    ASSERT_TRUE(standing->IsVertical());
    window.SetTrackBarRange(110, 0, 100);
    standing->setValue(30);
    EXPECT_EQ(window.GetTrackBarPos(110), 70);
    window.commands.clear();
    window.SetTrackBarPos(110, 70);
    EXPECT_EQ(standing->value(), 30);
    // Setting is the program's own doing: no command.
    EXPECT_TRUE(window.commands.empty());

    window.SetTrackBarRange(111, 0, 10);
    window.SetTrackBarPos(111, 4);
    EXPECT_EQ(window.GetTrackBarPos(111), 4);
    window.SetTrackBarCommand(111, 120);
    Get<LQtTrackBarImpl>(111)->setValue(6);
    EXPECT_EQ(window.commands, (std::vector<int>{120}));
    // Not a track bar: nothing set, 0 read.
    window.AddCheckBoxNoRect(112, "Box");
    window.SetTrackBarPos(112, 3);
    EXPECT_EQ(window.GetTrackBarPos(112), 0);
}

TEST_F(ControlApi, CreatorsAtRectangles)
{
    EXPECT_NE(window.AddPullDown(130, 10, 10, 100, 21), nullptr);
    EXPECT_EQ(Get<QWidget>(130)->geometry(), QRect(10, 10, 100, 24));
    EXPECT_EQ(window.GetPullDownItemCount(130), 0);
    window.AddComboBox(131, 10, 40, 100);
    EXPECT_EQ(Get<QWidget>(131)->geometry(), QRect(10, 40, 100, 24));
    EXPECT_NE(Get<LQtComboBoxImpl>(131), nullptr);

    LTextInputStyle readOnly;
    readOnly.flags[5] = 1;
    window.AddUpDown(132, readOnly, 10, 70, 80);
    QWidget* upDown = Get<QWidget>(132);
    ASSERT_NE(upDown, nullptr);
    EXPECT_EQ(upDown->geometry(),
              QRect(10, 70, 80, static_cast<int>(std::lround(window.CharHeightPx() * 1.29))));
    // The field (id + 1) reports its changes as the up-down's id.
    window.SetUpDownRange(132, 0, 10, 1);
    auto* field = Get<QLineEdit>(133);
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isReadOnly());

    EXPECT_NE(window.AddTabView(134, 10, 100, 300, 150), nullptr);
    EXPECT_EQ(Get<QWidget>(134)->geometry(), QRect(10, 100, 300, 150));
    window.AddTabViewNoRect(135);
    EXPECT_EQ(Get<QWidget>(135)->geometry(), QRect(0, -300, 500, 30));
}

TEST_F(ControlApi, TabsByTableAndCommand)
{
    window.AddTabViewNoRect(140);
    const char* none[] = {nullptr};
    window.InsertTabs(140, none);
    EXPECT_EQ(window.GetTabCount(140), 0);
    const char* titles[] = {"General", "Audio", "Files", nullptr};
    window.InsertTabs(140, titles);
    ASSERT_EQ(window.GetTabCount(140), 3);
    char label[260];
    for (int i = 0; i < 3; ++i)
        EXPECT_STREQ(window.GetTabLabel(140, i, label), titles[i]);
    window.InsertTab(140, "First", 0);
    EXPECT_STREQ(window.GetTabLabel(140, 0, label), "First");
    window.RemoveTab(140, 0);
    EXPECT_EQ(window.GetTabCount(140), 3);

    // SelectTab sets the command sent once a tab is selected.
    window.SelectTab(140, 502);
    window.commands.clear();
    window.SelectTabByIndex(140, 2);
    EXPECT_EQ(window.commands, (std::vector<int>{502}));
    EXPECT_EQ(window.GetCurrentTab(140), 2);
}

TEST_F(ControlApi, PlaybackDeviceList)
{
    FakeDevices fake;
    window.AddPullDownNoRect(150);
    window.FillPlaybackDeviceList(150);
    ASSERT_EQ(window.GetPullDownItemCount(150), 1);
    char text[260];
    EXPECT_STREQ(window.GetPullDownItemText(150, 0, text), "Default Playback Device");

    fake.backend.AddOutput(MakeDevice("speakers", "Speakers", 2, "pci"));
    fake.backend.AddOutput(MakeDevice("dac", "USB DAC", 2, "usb"));
    window.FillPlaybackDeviceList(150);
    std::vector<LSoundOutDeviceEntry> devices;
    ASSERT_TRUE(LSoundOutDeviceList::Build(devices));
    ASSERT_EQ(devices.size(), 2u);
    ASSERT_EQ(window.GetPullDownItemCount(150), 3);
    EXPECT_STREQ(window.GetPullDownItemText(150, 0, text), "Default Playback Device");
    EXPECT_EQ(window.GetPullDownItemText(150, 1, text), devices[0].name);
    EXPECT_EQ(window.GetPullDownItemText(150, 2, text), devices[1].name);

    LPlaybackDeviceSel chosen;
    chosen.device = 2;
    window.SetPlaybackDeviceSelection(150, chosen);
    const LPlaybackDeviceSel read = window.GetPlaybackDeviceSelection(150);
    EXPECT_EQ(read.device, 2);
    EXPECT_EQ(read.firstChannel, 0);
    EXPECT_EQ(read.secondChannel, 0);
    // Not a pull-down: nothing is filled and nothing is selected.
    window.AddCheckBoxNoRect(151, "Box");
    window.FillPlaybackDeviceList(151);
    EXPECT_EQ(window.GetPlaybackDeviceSelection(151).device, -1);
}

TEST_F(ControlApi, FocusMovesAndIsReported)
{
    window.AddTextInput(160, false);
    window.AddComboBox(161, 0, 0, 100);
    window.AddCheckBoxNoRect(162, "Box");
    QApplication::setActiveWindow(LQtWidget(window.GetView())->window());
    ASSERT_TRUE(window.SetFocus(160));
    PumpFor(10);
    EXPECT_TRUE(window.HasFocus(160));
    EXPECT_FALSE(window.HasFocus(161));
    EXPECT_EQ(window.GetFieldEditor(160), window.GetControl(160));
    EXPECT_EQ(LGetFocusView(), window.GetControl(160));
    ASSERT_TRUE(window.SetFocus(161));
    PumpFor(10);
    // A combo box has the focus while its field has it.
    EXPECT_TRUE(window.HasFocus(161));
    EXPECT_NE(window.GetFieldEditor(161), nullptr);
    EXPECT_EQ(window.GetFieldEditor(160), nullptr);
    EXPECT_FALSE(window.SetFocus(999));
}

TEST_F(ControlApi, MoveAndResizeInPixels)
{
    window.AddCheckBoxNoRect(170, "Box");
    const double scale = window.GetScaleFactor();
    window.MoveControl(170, static_cast<int>(20 * scale), static_cast<int>(30 * scale));
    EXPECT_EQ(Get<QWidget>(170)->pos(), QPoint(20, 30));
    window.SetControlHeight(170, static_cast<int>(40 * scale));
    EXPECT_EQ(Get<QWidget>(170)->size(), QSize(500, 40));
    window.SetRightClickCommand(170, 171);
    EXPECT_EQ(LGetCommandId(window.GetControl(170), LCommandKeyRightClick), 171);
    LEnableControl(window.GetControl(170), false);
    EXPECT_FALSE(window.IsControlEnabled(170));
}

TEST_F(ControlApi, DerivedFonts)
{
    const float system = LGuiFont::SystemFontSize();
    ASSERT_GT(system, 0);
    LGuiFont derived;
    LGuiFont::CreateDerived(&derived, nullptr, nullptr, 0, 0, 0, 0, 1.25f);
    EXPECT_TRUE(derived.systemFace());
    EXPECT_FLOAT_EQ(derived.size, system * 1.25f);
    EXPECT_FALSE(derived.bold || derived.italic || derived.underline || derived.strikeout);

    // From a bold, underlined control: 0 keeps, 1 turns off, 2 turns on.
    window.CreateStaticText(180, "Styled");
    QWidget* label = Get<QWidget>(180);
    QFont styled = label->font();
    styled.setPixelSize(20);
    styled.setBold(true);
    styled.setUnderline(true);
    label->setFont(styled);
    struct Case
    {
        int bold, italic, underline, strikeout;
        bool isBold, isItalic, isUnderline, isStrikeout;
    };
    const std::vector<Case> cases = {
        {0, 0, 0, 0, true, false, true, false},
        {1, 2, 1, 2, false, true, false, true},
        {2, 1, 2, 1, true, false, true, false},
    };
    for (const Case& c : cases) {
        LGuiFont font;
        LGuiFont::CreateDerived(&font, window.GetControl(180), "", c.bold, c.italic, c.underline, c.strikeout,
                                0.5f);
        EXPECT_EQ(font.bold, c.isBold);
        EXPECT_EQ(font.italic, c.isItalic);
        EXPECT_EQ(font.underline, c.isUnderline);
        EXPECT_EQ(font.strikeout, c.isStrikeout);
        EXPECT_FLOAT_EQ(font.size, 10.0f);
    }

    LGuiFont made;
    window.CreateFont(&made, "DejaVu Sans", 2, 0, 2, 0, 18);
    EXPECT_EQ(made.family, "DejaVu Sans");
    EXPECT_TRUE(made.bold);
    EXPECT_TRUE(made.underline);
    EXPECT_NEAR(made.size, 18.0f, 0.01);
    window.AddCheckBoxNoRect(181, "Box");
    window.SetControlFont(window.GetControl(181), &made);
    const QFont shown = Get<QWidget>(181)->font();
    EXPECT_TRUE(shown.bold());
    EXPECT_TRUE(shown.underline());
    EXPECT_EQ(shown.pixelSize(), 18);

    LGuiFont system2;
    LGuiFont::CreateSystem(&system2, window.GetView(), 2, true, false);
    EXPECT_NEAR(system2.size, system + 2 / window.GetScaleFactor(), 0.01);
    EXPECT_TRUE(system2.bold);
}

TEST_F(ControlApi, TextMeasures)
{
    const double scale = window.GetScaleFactor();
    EXPECT_EQ(window.GetLabelTextHeight("", 100), 0);
    const float size = LQtFontSize(QApplication::font());
    const int oneLine = static_cast<int>(std::ceil(scale * (size + 2 * std::floor(size / 3))));
    EXPECT_EQ(window.GetLabelTextHeight("Short", 1000), oneLine);
    EXPECT_EQ(LGetLabelTextHeight(&window, "Short", 1000), oneLine);
    // Two lines: one more line and one more gap.
    const int twoLines = static_cast<int>(std::ceil(scale * (2 * size + 3 * std::floor(size / 3))));
    EXPECT_EQ(window.GetLabelTextHeight("First\nSecond", 1000), twoLines);
    const char* wordy = "a text of many words that cannot stand on one narrow line";
    EXPECT_GT(window.GetLabelTextHeight(wordy, static_cast<int>(60 * scale)), twoLines);

    window.CreateStaticText(190, "Measure me");
    const int width = window.GetStaticTextWidth(190);
    EXPECT_GT(width, 0);
    EXPECT_EQ(window.GetControlTextWidth(190), width);
    EXPECT_EQ(window.MeasureControlText(190, "Measure me"), width);
    EXPECT_EQ(window.MeasureControlText(999, "x"), 0);
    EXPECT_EQ(window.GetControlContentHeight(190, 1000),
              window.GetControlTextHeight(190, "Measure me", 1000));

    window.AddCheckBoxNoRect(191, "Check me");
    EXPECT_EQ(window.GetCheckBoxWidth(191),
              window.GetTextWidth("Check me") + static_cast<int>(std::floor(3 * window.CharWidthPx() + 0.5)));
    EXPECT_GT(window.GetPushButtonWidth("A much longer title"), window.GetPushButtonWidth("OK"));
}

TEST_F(ControlApi, VolumeSliderHandleKeepsLevelsInRange)
{
    window.AddVolumeSlider(200);
    window.AddCheckBoxNoRect(201, "Box");
    LVolumeSlider other(-60, 0);
    other.Attach(&window, 201);
    EXPECT_FALSE(other.IsAttached());

    LVolumeSlider volume(-60, 0);
    volume.Attach(&window, 200);
    ASSERT_TRUE(volume.IsAttached());
    auto* slider = Get<LQtVolumeSliderImpl>(200);
    EXPECT_EQ(slider->MinLevel(), -60);
    EXPECT_EQ(slider->MaxLevel(), 0);
    window.commands.clear();
    struct Case
    {
        int set;
        int read;
    };
    // A stored "VolumeDB" of 100 cannot push the slider past its top.
    for (const Case& c : std::vector<Case>{{-6, -6}, {100, 0}, {-200, -60}, {-60, -60}}) {
        volume.SetLevel(c.set);
        EXPECT_EQ(volume.GetLevel(), c.read) << c.set;
    }
    EXPECT_TRUE(window.commands.empty());
}

} // namespace

namespace {

TEST_F(ControlApi, TextByPointerAndToolTipsAppliedAgain)
{
    window.AddTextInput(220, false);
    LSetControlText(&window, 220, "By pointer");
    LSetControlText(nullptr, 220, "Nothing");
    char text[260];
    EXPECT_STREQ(window.GetControlText(220, text), "By pointer");

    window.AddUpDown(221, false);
    QWidget* field = LQtWidget(window.GetControl(222));
    ASSERT_NE(field, nullptr);
    field->setToolTip("Inner");
    LQtWidget(window.GetControl(220))->setToolTip("Outer");
    LRefreshToolTips(window.GetView());
    EXPECT_EQ(field->toolTip(), "Inner");
    EXPECT_EQ(LQtWidget(window.GetControl(220))->toolTip(), "Outer");
}

TEST_F(ControlApi, StyledPushButtonTakesReturnAsDefault)
{
    window.AddPushButtonNoRect(210, "Go");
    window.AddPushButtonNoRect(211, "Other");
    window.SetDefaultButton(211);
    window.SetDefaultButton(210);
    window.commands.clear();
    QTest::keyClick(LQtWidget(window.GetView())->window(), Qt::Key_Return);
    EXPECT_EQ(window.commands, (std::vector<int>{210}));
    // A disabled default button sends nothing.
    window.EnableControl(210, false);
    window.commands.clear();
    QTest::keyClick(LQtWidget(window.GetView())->window(), Qt::Key_Return);
    EXPECT_TRUE(window.commands.empty());
}

} // namespace

namespace {

TEST_F(ControlApi, PopupMenuAtTheMouse)
{
    LPopupMenu menu;
    menu.Create(&window, "Context");
    menu.AddItem(1, "An item of some width");
    QMenu* q = LQtMenuImpl::FromNative(menu.Native());
    // The middle of the screen, well inside its edges.
    const QPoint at = QGuiApplication::primaryScreen()->availableGeometry().center();
    QCursor::setPos(at);
    if (QCursor::pos() != at)
        GTEST_SKIP() << "the platform does not move the mouse pointer";
    for (bool alignRight : {false, true}) {
        QRect shown;
        QTimer::singleShot(0, [&] {
            shown = q->geometry();
            q->close();
        });
        window.TrackPopupMenu(&menu, alignRight);
        ASSERT_TRUE(shown.isValid());
        EXPECT_EQ(shown.top(), at.y());
        if (alignRight)
            EXPECT_EQ(shown.left(), at.x() - q->sizeHint().width());
        else
            EXPECT_EQ(shown.left(), at.x());
    }
}

} // namespace
