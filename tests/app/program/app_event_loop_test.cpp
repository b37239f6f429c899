// The program's event loop: SIGTERM and SIGINT (the session's log-out, or an
// interrupt) close the open questions with their safe answer, let the main
// window's close step run and end the loop even when it refuses; a terminate
// asked before the loop starts ends it at once.

#include "foundation/process/LProcessStartup.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using quorin::test::GuiApp;

namespace {

struct QuitAnswers
{
    int asked = 0;
    bool refuse = true;
};

TEST(AppEventLoop, AQuitSignalClosesTheQuestionsAsksOnceAndEndsTheLoop)
{
    LProcessStaticInit(); // routes SIGINT and SIGTERM to the quit signal
    GuiApp();
    static int argc = 1;
    static char name[] = "quorin";
    static char* argv[] = {name, nullptr};
    LApplication application(argc, argv);
    QuitAnswers answers;
    application.SetQuitRequestHook(
        [](void* data) {
            auto* a = static_cast<QuitAnswers*>(data);
            ++a->asked;
            return !a->refuse;
        },
        &answers);
    int questionAnswer = 0, modalEnded = 0, laterAnswer = 0;
    bool questionShown = false;
    QTimer::singleShot(0, [&] {
        // A modal window with a question over it, both waiting for a user.
        LWindow window;
        window.CreateCocoaWindow(300, 120, kWindowStyleTitled, false, nullptr);
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(50, [&] {
                questionShown = QApplication::activeModalWidget() != nullptr;
                raise(SIGTERM);
            });
            LMessageBox question(nullptr, "Send a report?", "Question");
            question.SetButton(1, "Send");
            question.SetButton(2, "Don't Send");
            questionAnswer = question.Show();
            LMessageBox later(nullptr, "And now?", "Question");
            later.SetButton(1, "Yes");
            later.SetButton(2, "No");
            laterAnswer = later.Show(); // not shown: answered at once
        });
        modalEnded = window.DoModal(nullptr, LPlacementCenterOnScreen) ? 1 : 2;
    });
    // A bound, so that a loop that never ends fails instead of hanging.
    QTimer::singleShot(10000, [] { LTerminateApplication(); });
    application.Run();
    EXPECT_TRUE(questionShown);
    EXPECT_EQ(questionAnswer, 2) << "the question's safe answer";
    EXPECT_EQ(laterAnswer, 2);
    EXPECT_EQ(modalEnded, 2) << "the modal window ends cancelled";
    EXPECT_EQ(answers.asked, 1) << "the close step runs once";
    EXPECT_TRUE(LIsApplicationTerminating());
    EXPECT_TRUE(LIsSessionEnding());
}

// A window opened once the signal was heard (here by the close step, in the
// program by a start timer that fired in the same pass) is not waited on:
// nobody is left to close it, and the loop it would run holds the end.
TEST(AppEventLoop, AWindowOpenedAfterTheQuitSignalIsNotWaitedOn)
{
    LProcessStaticInit();
    GuiApp();
    static int argc = 1;
    static char name[] = "quorin";
    static char* argv[] = {name, nullptr};
    LApplication application(argc, argv);
    struct Late
    {
        int ended = 0;
        qint64 waitedMs = -1;
    } late;
    application.SetQuitRequestHook(
        [](void* data) {
            auto* l = static_cast<Late*>(data);
            QElapsedTimer clock;
            clock.start();
            LWindow window;
            window.CreateCocoaWindow(300, 120, kWindowStyleTitled, false, nullptr);
            l->ended = window.DoModal(nullptr, LPlacementCenterOnScreen) ? 1 : 2;
            l->waitedMs = clock.elapsed();
            return true;
        },
        &late);
    QTimer::singleShot(0, [] { raise(SIGTERM); });
    // Bounds, so that a window or loop that never ends fails instead of hanging.
    QTimer::singleShot(5000, [] { LCancelModalRuns(); });
    QTimer::singleShot(10000, [] { LTerminateApplication(); });
    application.Run();
    EXPECT_EQ(late.ended, 2) << "the window ends cancelled";
    EXPECT_GE(late.waitedMs, 0);
    EXPECT_LT(late.waitedMs, 2000) << "the window was waited on";
    EXPECT_TRUE(LIsSessionEnding());
}

TEST(AppEventLoop, TerminateBeforeTheLoopEndsItAtOnce)
{
    GuiApp();
    static int argc = 1;
    static char name[] = "quorin";
    static char* argv[] = {name, nullptr};
    LApplication application(argc, argv);
    LTerminateApplication();
    application.Run(); // returns at once
    EXPECT_TRUE(LIsApplicationTerminating());
}

} // namespace
