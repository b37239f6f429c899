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
