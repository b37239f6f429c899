// The program's event loop: SIGTERM and SIGINT ask the main window to quit
// (the session's log-out), a refused quit keeps the program running, and a
// terminate asked before the loop starts ends it at once.

#include "foundation/process/LProcessStartup.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LApplication.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using quorin::test::GuiApp;

namespace {

struct QuitAnswers
{
    int asked = 0;
    int refuseFirst = 1;
};

TEST(AppEventLoop, QuitSignalsAskFirstAndARefusalKeepsTheLoop)
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
            return a->asked > a->refuseFirst;
        },
        &answers);
    bool stillRunning = false;
    QTimer::singleShot(0, [] { raise(SIGTERM); });
    QTimer::singleShot(300, [&] {
        stillRunning = !LIsApplicationTerminating();
        raise(SIGINT);
    });
    // A bound, so that a loop that never ends fails instead of hanging.
    QTimer::singleShot(10000, [] { LTerminateApplication(); });
    application.Run();
    EXPECT_TRUE(stillRunning) << "a refused quit ended the loop";
    EXPECT_EQ(answers.asked, 2);
    EXPECT_TRUE(LIsApplicationTerminating());
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
