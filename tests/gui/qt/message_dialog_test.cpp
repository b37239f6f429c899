// The message dialog with its choice buttons and the text-entry dialog, run
// modally and answered by timers as a user would.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LMessageDialog.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCommandLinkButton>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

using namespace quorin::test;

namespace {

const LMessageButton kThree[] = {
    {5000, "Record a new side", "Starts the recording wizard"},
    {5001, "Open recordings", nullptr},
    {5002, "Burn a CD", "Writes the list to a disc"},
    {0, nullptr, nullptr},
};

// Runs action on the dialog's content view once the modal dialog shows.
void WhenShown(const std::function<void(QWidget* content)>& action)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QWidget* content = modal;
        for (QWidget* child : modal->findChildren<QWidget*>())
            if (LQtFindControl(child, 101)) {
                content = child;
                break;
            }
        action(content);
    });
    poll->start(10);
}

template <typename T> T* Control(QWidget* content, int id)
{
    return qobject_cast<T*>(LQtFindControl(content, id));
}

TEST(MessageDialog, DefaultChoiceIsControl201AndReturnGivesItsId)
{
    GuiApp();
    LMessageDialog dialog(nullptr, "Start", "What would you like to do?", "", kThree, 5001, false);
    bool checked = false;
    WhenShown([&](QWidget* content) {
        for (int id : {200, 201, 202})
            EXPECT_NE(Control<QCommandLinkButton>(content, id), nullptr) << id;
        EXPECT_EQ(Control<QCommandLinkButton>(content, 203), nullptr);
        auto* chosen = Control<QCommandLinkButton>(content, 201);
        ASSERT_NE(chosen, nullptr);
        EXPECT_TRUE(chosen->isDefault());
        EXPECT_EQ(Control<QLabel>(content, 102), nullptr) << "an empty detail makes no control";
        checked = true;
        QTest::keyClick(content->window(), Qt::Key_Return);
    });
    EXPECT_EQ(dialog.Run(), 5001);
    EXPECT_TRUE(checked);
}

TEST(MessageDialog, EscapeGivesMinusOneAndEachChoiceItsId)
{
    GuiApp();
    {
        LMessageDialog dialog(nullptr, "Start", "What next?", "Some detail", kThree, 5001, false);
        WhenShown([](QWidget* content) { QTest::keyClick(content->window(), Qt::Key_Escape); });
        EXPECT_EQ(dialog.Run(), -1);
    }
    for (int index : {0, 2}) {
        LMessageDialog dialog(nullptr, "Start", "What next?", "", kThree, 5001, false);
        WhenShown([index](QWidget* content) { Control<QAbstractButton>(content, 200 + index)->click(); });
        EXPECT_EQ(dialog.Run(), kThree[index].id);
    }
}

TEST(MessageDialog, UnknownDefaultIdMakesTheFirstChoiceTheDefault)
{
    GuiApp();
    LMessageDialog dialog(nullptr, "Start", "What next?", "", kThree, 42, false);
    EXPECT_EQ(dialog.DefaultButtonControl(), 200);
    WhenShown([](QWidget* content) {
        EXPECT_TRUE(Control<QCommandLinkButton>(content, 200)->isDefault());
        QTest::keyClick(content->window(), Qt::Key_Return);
    });
    EXPECT_EQ(dialog.Run(), 5000);
}

TEST(MessageDialog, WithoutCancelEscapeDoesNothingUntilAChoiceIsMade)
{
    GuiApp();
    LMessageDialog dialog(nullptr, "Start", "Choose one.", "", kThree, 5000, false);
    dialog.canCancel = false;
    WhenShown([](QWidget* content) {
        EXPECT_EQ(LQtFindControl(content, kCommandCancel), nullptr);
        QTest::keyClick(content->window(), Qt::Key_Escape);
        QTimer::singleShot(50, content, [content] {
            EXPECT_TRUE(content->isVisible()) << "Escape must not close it";
            Control<QAbstractButton>(content, 202)->click();
        });
    });
    EXPECT_EQ(dialog.Run(), 5002);
}

// A dialog without choices and without Cancel could never be left: it
// keeps its Cancel button.
TEST(MessageDialog, NoChoicesKeepsCancelEvenWhenCancelIsOff)
{
    GuiApp();
    const LMessageButton none[] = {{0, nullptr, nullptr}};
    LMessageDialog dialog(nullptr, "Notice", "Nothing to choose.", "", none, 0, true);
    dialog.canCancel = false;
    EXPECT_TRUE(dialog.ShowsCancel());
    WhenShown([](QWidget* content) {
        auto* close = Control<QAbstractButton>(content, kCommandCancel);
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(close->text(), QString("Close"));
        close->click();
    });
    EXPECT_EQ(dialog.Run(), -1);
}

TEST(MessageDialog, CheckBoxStateIsReadBackAndLongLabelsStayOnTheScreen)
{
    GuiApp();
    const std::string wide(3000, 'W');
    const LMessageButton buttons[] = {{7, wide.c_str(), "note"}, {0, nullptr, nullptr}};
    LMessageDialog dialog(nullptr, "Start", std::string(4000, 'm').c_str(), "", buttons, 7, false);
    dialog.showCheckBox = true;
    dialog.checkBoxState = true;
    int width = 0;
    WhenShown([&](QWidget* content) {
        width = content->window()->width();
        auto* box = Control<QAbstractButton>(content, 104);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->text(), QString("Show this dialog again"));
        box->setChecked(false);
        Control<QAbstractButton>(content, 200)->click();
    });
    EXPECT_EQ(dialog.Run(), 7);
    EXPECT_FALSE(dialog.checkBoxState);
    EXPECT_GT(width, 0);
    EXPECT_LE(width, QGuiApplication::primaryScreen()->availableGeometry().width());
}

TEST(TextEntryDialog, NullLabelShowsTheTitleWithAColonAndOkCopiesTheText)
{
    GuiApp();
    char text[260] = "Old artist";
    WhenShown([](QWidget* content) {
        auto* label = Control<QLabel>(content, 101);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString("Artist:"));
        auto* edit = Control<QLineEdit>(content, 102);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QString("Old artist"));
        ASSERT_TRUE(PumpUntil([edit] { return edit->selectedText() == "Old artist"; }, 2000));
        edit->setText("The Band");
        Control<QAbstractButton>(content, kCommandOK)->click();
    });
    EXPECT_EQ(LRunTextEntryDialog(text, "Artist", nullptr, nullptr, nullptr), 1);
    EXPECT_STREQ(text, "The Band");
}

TEST(TextEntryDialog, CancelKeepsTheBufferAndALabelIsShownAsGiven)
{
    GuiApp();
    char text[260] = "Keep me";
    WhenShown([](QWidget* content) {
        EXPECT_EQ(Control<QLabel>(content, 101)->text(), QString("Album title:"));
        Control<QLineEdit>(content, 102)->setText("changed");
        Control<QAbstractButton>(content, kCommandCancel)->click();
    });
    EXPECT_EQ(LRunTextEntryDialog(text, "Album", nullptr, "Album title:", nullptr), 0);
    EXPECT_STREQ(text, "Keep me");
}

} // namespace
