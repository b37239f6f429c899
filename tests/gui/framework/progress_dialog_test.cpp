// The progress dialog as a process context: bar and status lines, Cancel,
// and the waits that keep events flowing.
#include "gui/GuiTestSupport.h"

#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LProgressRangeContext.h"
#include "foundation/threads/LSignalObject.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LProgressDialog.h"
#include "gui/qt/LQtView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace quorin::test;

namespace {

class Task : public LProgressDialog
{
public:
    explicit Task(std::function<int64_t(Task&)> body) : LProgressDialog("Task"), body_(std::move(body)) {}
    int64_t Process() override { return body_(*this); }

private:
    std::function<int64_t(Task&)> body_;
};

class ProgressDialog : public ::testing::Test
{
protected:
    void SetUp() override { GuiApp(); }
};

char gStatus[260];

const char* Status(LWindow& window, int id)
{
    return window.GetStaticText(id, gStatus);
}

} // namespace

TEST_F(ProgressDialog, BarStatusLinesAndNestedRanges)
{
    Task task([](Task& t) -> int64_t {
        EXPECT_EQ(LGetModalDepth(), 1);
        t.Progress(0.5);
        EXPECT_EQ(t.GetProgressBarValue(LProgressDialog::kProgressBar), 50);
        t.MessageLevel("first", 0);
        t.MessageLevel("second", 1);
        t.MessageLevel("third", 2); // no third line: ignored
        EXPECT_STREQ(Status(t, LProgressDialog::kStatusLine1), "first");
        EXPECT_STREQ(Status(t, LProgressDialog::kStatusLine2), "second");
        // A nested step reports one line lower and within its share of the bar.
        LProgressRangeContext step(&t, 0.5, 0.5);
        step.Progress(0.5);
        EXPECT_EQ(t.GetProgressBarValue(LProgressDialog::kProgressBar), 75);
        step.MessageLevel("step", 0);
        EXPECT_STREQ(Status(t, LProgressDialog::kStatusLine2), "step");
        step.BeginIndeterminateProgress();
        EXPECT_FALSE(t.IsProgressBarIndeterminate(LProgressDialog::kProgressBar));
        t.BeginIndeterminateProgress();
        EXPECT_TRUE(t.IsProgressBarIndeterminate(LProgressDialog::kProgressBar));
        t.EndIndeterminateProgress();
        EXPECT_FALSE(t.IsProgressBarIndeterminate(LProgressDialog::kProgressBar));
        return 0x1'0000'0007;
    });
    EXPECT_EQ(task.Run(nullptr), 7u); // cut to 32 bits
    EXPECT_FALSE(task.IsWindow());
    EXPECT_EQ(LGetModalDepth(), 0);
    EXPECT_TRUE(task.IsStopRequested()); // after the run every stop test stops
    EXPECT_TRUE(task.WaitForStop(1000));
}

TEST_F(ProgressDialog, CancelAndEscapeSetTheFlagOnceAndTheWindowStaysUntilProcessReturns)
{
    for (bool escape : {false, true}) {
        bool stillShownAfterCancel = false;
        bool secondPressTaken = true;
        Task task([&](Task& t) -> int64_t {
            QTimer::singleShot(20, [&] {
                if (escape)
                    QTest::keyClick(LQtWidget(t.GetView())->window(), Qt::Key_Escape);
                else
                    t.PressButton(kCommandCancel);
                secondPressTaken = t.PressButton(kCommandCancel);
            });
            while (!t.IsStopRequested())
                t.WaitForStop(10);
            stillShownAfterCancel = t.IsWindow() && t.IsVisible();
            EXPECT_FALSE(t.IsControlEnabled(kCommandCancel));
            return 1;
        });
        EXPECT_EQ(task.Run(nullptr), 1u);
        EXPECT_TRUE(stillShownAfterCancel);
        EXPECT_FALSE(secondPressTaken);
    }
}

TEST_F(ProgressDialog, WaitForStopTimesOutOrStopsAtOnce)
{
    Task task([](Task& t) -> int64_t {
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(t.WaitForStop(120));
        auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(115));
        EXPECT_LT(took, std::chrono::milliseconds(400));
        t.CancelProgress();
        start = std::chrono::steady_clock::now();
        EXPECT_TRUE(t.WaitForStop(5000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
        return 0;
    });
    task.Run(nullptr);
}

TEST_F(ProgressDialog, SignalWaitLooksAtTheSignalFirstPollSetWaitAtTheStopFirst)
{
    Task task([](Task& t) -> int64_t {
        LSignalObject signal;
        EXPECT_EQ(t.WaitForStopOrSignal(&signal, 30), LWaitTimedOut);
        std::thread worker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            signal.Signal();
        });
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(t.WaitForStopOrSignal(&signal, 5000), LWaitSignalled);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
        worker.join();
        LPollSet set;
        set.Add(signal);
        EXPECT_EQ(t.WaitForStopOrPollSet(&set, 1000), LWaitSignalled);
        EXPECT_TRUE(set.IsReady(0));
        // Cancelled with the signal still set: the signal wait answers 1 on
        // entry, and the poll-set wait tests the stop first as well.
        t.CancelProgress();
        EXPECT_EQ(t.WaitForStopOrSignal(&signal, 1000), LWaitStopRequested);
        EXPECT_EQ(t.WaitForStopOrPollSet(&set, 1000), LWaitStopRequested);
        EXPECT_EQ(t.WaitForStopOrPollSetNoLimit(&set), LWaitStopRequested);
        return 0;
    });
    task.Run(nullptr);
}

TEST_F(ProgressDialog, ShowAndHideWithoutATaskAndOverAModalWindow)
{
    LWindow owner;
    bool checked = false;
    owner.CreateCocoaWindow(400, 300, kWindowStyleTitled, false, nullptr);
    QTimer::singleShot(10, [&] {
        LProgressDialog dialog("Working");
        // No parent given: the modal window becomes the parent.
        EXPECT_EQ(dialog.Show(nullptr), 1);
        EXPECT_EQ(dialog.GetParentWindow(), &owner);
        EXPECT_FALSE(dialog.IsStopRequested());
        dialog.Hide();
        EXPECT_TRUE(dialog.IsStopRequested());
        checked = true;
        owner.EndDialog(kCommandOK);
    });
    owner.DoModal(nullptr, LPlacementCenterOnScreen);
    EXPECT_TRUE(checked);
}

TEST_F(ProgressDialog, MessageShowsAnAlertWithContinue)
{
    QString informative;
    Task task([&](Task& t) -> int64_t {
        QTimer::singleShot(20, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            informative = box->informativeText();
            ASSERT_EQ(box->buttons().size(), 1);
            EXPECT_EQ(box->buttons()[0]->text(), QStringLiteral("Continue"));
            box->buttons()[0]->click();
        });
        t.Message("The disc is full.");
        return 0;
    });
    task.Run(nullptr);
    EXPECT_EQ(informative, QStringLiteral("The disc is full."));
}

TEST(MessageBox, AnswersByButtonAndKeepsTheSuppressionState)
{
    GuiApp();
    struct Case
    {
        int click; // index of the button clicked, -1: closed without one
        int answer;
    };
    for (Case c : {Case{0, 1}, Case{1, 2}, Case{2, 3}, Case{-1, 2}}) {
        LMessageBox box(nullptr, "text", "title");
        box.SetButton(2, "No");
        box.SetButton(3, "Later");
        box.SetSuppression("Do not ask again", false);
        int depthInside = -1;
        QTimer::singleShot(10, [&] {
            auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(alert, nullptr);
            depthInside = LGetModalDepth();
            alert->checkBox()->setChecked(true);
            QList<QAbstractButton*> buttons = {alert->buttons()};
            if (c.click < 0)
                alert->reject();
            else {
                // Buttons in the order they were added.
                QStringList labels = {"OK", "No", "Later"};
                for (auto* button : buttons)
                    if (button->text() == labels[c.click])
                        button->click();
            }
        });
        SCOPED_TRACE(c.click);
        EXPECT_EQ(box.Show(), c.answer);
        EXPECT_EQ(depthInside, 1);
        EXPECT_TRUE(box.suppressionChecked);
    }
}

// A message shows its text as written: quotes, angle brackets and ampersands
// (in file names too) are neither read as markup nor shown as escapes.
TEST(MessageBox, TheTextIsShownAsWritten)
{
    GuiApp();
    for (const char* text : {"click \"Cancel\" and then \"Burn Audio\"", "Track <b>1</b> & 2.wav",
                             "a < b > c\r\n\r\nContinue?"}) {
        SCOPED_TRACE(text);
        LMessageBox box(nullptr, text, "Title");
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(10, [&] {
            auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(alert, nullptr);
            for (auto* label : alert->findChildren<QLabel*>()) {
                if (label->text().contains(QStringLiteral("Title")) || label->text().isEmpty())
                    continue;
                shown = label->text();
                format = label->textFormat();
            }
            alert->buttons()[0]->click();
        });
        box.Show();
        EXPECT_EQ(shown, QString::fromUtf8(text));
        EXPECT_EQ(format, Qt::PlainText);
    }
}

TEST(MessageBox, LabelsAreCutAtACharacterBoundary)
{
    std::string title(258, 'a');
    title += "\xC3\xA9"; // a two-byte character across byte 259
    LMessageBox box(nullptr, nullptr, title.c_str());
    EXPECT_EQ(std::string(box.title), std::string(258, 'a'));
    EXPECT_EQ(box.text, "");
}

// Input reaches the toolkit's windows as the window system sends it (not as
// events handed to a widget): a window shown before a progress window must
// answer the mouse and the keyboard once the progress window is gone.
TEST_F(ProgressDialog, WindowsShownBeforeTheTaskAnswerInputAfterIt)
{
    QWidget top;
    top.resize(300, 200);
    auto* button = new QPushButton("Press", &top);
    button->setGeometry(20, 20, 120, 30);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));

    Task task([](Task& t) -> int64_t {
        t.MessageLevel("working", 0);
        return 0;
    });
    task.Run(nullptr);
    ASSERT_EQ(QApplication::activeModalWidget(), nullptr);

    QWindow* window = top.windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, button->geometry().center());
    EXPECT_EQ(clicks, 1);
    top.activateWindow();
    button->setFocus();
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_EQ(clicks, 2);
}
