// The application delegate's steps and events, the start-up checks and the
// command line, with a stand-in main window.

#include "AppTestSupport.h"

#include "app/program/startup/LAppDelegate.h"
#include "app/program/startup/LAppStartup.h"
#include "app/program/startup/LApplicationMain.h"
#include "app/program/startup/LFirstRun.h"
#include "foundation/process/LCommandLine.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LMainMenu.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using quorin::test::FakeMainWindow;
using quorin::test::GuiApp;

namespace {

std::string Setting(const char* section, const char* name)
{
    char value[260];
    LSettingsGetString(section, name, "(none)", value);
    return value;
}

// Keeps argument strings alive for LSetCommandLine.
class CommandLine
{
public:
    explicit CommandLine(std::vector<std::string> arguments) : arguments_(std::move(arguments))
    {
        for (std::string& argument : arguments_)
            pointers_.push_back(argument.data());
        pointers_.push_back(nullptr);
        LSetCommandLine(static_cast<int>(arguments_.size()), pointers_.data());
    }
    ~CommandLine()
    {
        static char name[] = "quorin";
        static char* plain[] = {name, nullptr};
        LSetCommandLine(1, plain);
    }

private:
    std::vector<std::string> arguments_;
    std::vector<char*> pointers_;
};

class AppDelegate : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        destroyed_ = 0;
    }
    void TearDown() override { LSetMainMenu(nullptr); }

    LMainDialogFactory Factory(FakeMainWindow** made)
    {
        return [this, made]() -> std::unique_ptr<LApplicationCommandHost> {
            auto window = std::make_unique<FakeMainWindow>();
            window->destroyed = &destroyed_;
            *made = window.get();
            return window;
        };
    }

    int destroyed_ = 0;
};

TEST_F(AppDelegate, StartsShowsAndEndsTheMainWindow)
{
    CommandLine line({"quorin"});
    FakeMainWindow* made = nullptr;
    LAppDelegate delegate(Factory(&made));
    ASSERT_TRUE(delegate.WillFinishLaunching());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->createCalls, 0); // made, not yet created
    LSetAppRunPhase(kRunPhaseGlobalInit);
    ASSERT_TRUE(delegate.DidFinishLaunching());
    EXPECT_EQ(made->createCalls, 1);
    EXPECT_TRUE(made->IsVisible());
    EXPECT_EQ(LGetAppRunPhase(), kRunPhaseRunning);
    EXPECT_TRUE(delegate.IsRunInit() && delegate.IsMainWindowInit());
    // Shown or hidden, a living main window keeps the program running.
    EXPECT_FALSE(delegate.ShouldTerminateAfterLastWindowClosed());
    made->ShowWindow(false);
    EXPECT_FALSE(delegate.ShouldTerminateAfterLastWindowClosed());
    made->closingFlag = true;
    EXPECT_TRUE(delegate.ShouldTerminateAfterLastWindowClosed());

    delegate.WillTerminate();
    EXPECT_EQ(destroyed_, 1);
    EXPECT_EQ(delegate.GetMainDialog(), nullptr);
    EXPECT_EQ(LGetAppRunPhase(), kRunPhaseTerminating);
    // The first start wrote its records on the way.
    EXPECT_EQ(Setting("Settings", "CurrentVersion"), "3.00");
    // and the start-up checks consumed the first start's check flag.
    EXPECT_EQ(Setting("Settings", "OSCheckRequired"), "(none)");
}

TEST_F(AppDelegate, AMainWindowThatFailsEndsTheStartUpWithoutShowing)
{
    CommandLine line({"quorin"});
    FakeMainWindow* made = nullptr;
    LAppDelegate delegate(Factory(&made));
    ASSERT_TRUE(delegate.WillFinishLaunching());
    made->failCreate = true;
    LSetAppRunPhase(kRunPhaseGlobalInit);
    EXPECT_FALSE(delegate.DidFinishLaunching());
    EXPECT_FALSE(delegate.IsMainWindowInit());
    delegate.WillTerminate();
    // Initialisation never completed: the phase is not the terminating one.
    EXPECT_EQ(LGetAppRunPhase(), kRunPhaseGlobalInit);
    EXPECT_EQ(destroyed_, 1);
}

TEST_F(AppDelegate, SurveyLaunchRecordsTheSurveyStateAndEnds)
{
    struct Case
    {
        const char* showNow; // nullptr: not stored
        const char* expected;
    } const cases[] = {{"1", "1"}, {"yes", "1"}, {"0", "0"}, {"", "0"}, {nullptr, "0"}};
    for (const Case& c : cases) {
        if (c.showNow != nullptr)
            LSettingsSetString("Software", "ShowSurveyNow", c.showNow);
        else
            LSettingsDelete("Software", "ShowSurveyNow");
        CommandLine line({"quorin", "-scheduled_launch", "-surveysched"});
        FakeMainWindow* made = nullptr;
        LAppDelegate delegate(Factory(&made));
        ASSERT_TRUE(delegate.WillFinishLaunching());
        EXPECT_FALSE(delegate.DidFinishLaunching()) << "no window for a survey launch";
        EXPECT_EQ(made->createCalls, 0);
        EXPECT_TRUE(LIsSurveyScheduledLaunch());
        EXPECT_EQ(Setting("Software", "ShowSurvey"), c.expected) << (c.showNow ? c.showNow : "(unset)");
    }
}

TEST_F(AppDelegate, ReopenOpenDocumentsAndQuitReachTheMainWindow)
{
    CommandLine line({"quorin"});
    FakeMainWindow* made = nullptr;
    LAppDelegate delegate(Factory(&made));
    ASSERT_TRUE(delegate.WillFinishLaunching() && delegate.DidFinishLaunching());

    made->ShowWindow(false);
    delegate.OnReopen();
    EXPECT_EQ(made->fronts, 1);
    EXPECT_TRUE(made->IsVisible());
    // A user who keeps the window from showing at start-up keeps it from the reopen too.
    LSettingsSetString("Settings", "MainWindowShownAtStartup", "0");
    delegate.OnReopen();
    EXPECT_EQ(made->fronts, 1);

    delegate.OnOpenDocuments({"/music/a.wav", "/music/it's $HOME \"x\".wav"});
    const std::vector<std::string> expected = {"/music/a.wav", "/music/it's $HOME \"x\".wav"};
    EXPECT_EQ(made->opened, expected);

    made->allowQuit = false;
    EXPECT_FALSE(delegate.OnQuitEvent(false));
    EXPECT_FALSE(made->systemQuit);
    made->allowQuit = true;
    EXPECT_TRUE(delegate.OnQuitEvent(true));
    EXPECT_TRUE(made->systemQuit);
    EXPECT_EQ(made->quitQueries, 2);
}

TEST(AppCommandLine, DocumentsAreTheArgumentsThatAreNotOptions)
{
    struct Case
    {
        std::vector<std::string> arguments;
        std::vector<std::string> documents;
    } const cases[] = {
        {{"quorin"}, {}},
        {{"quorin", "-psn_0_12345"}, {}},
        {{"quorin", "-psn_0_12345", "a.wav"}, {"a.wav"}},
        {{"quorin", "-installer", "a.wav", "b c.mp3"}, {"a.wav", "b c.mp3"}},
        {{"quorin", "-scheduled_launch"}, {}},
        {{"quorin", "--", "-odd.wav", "x.wav"}, {"-odd.wav", "x.wav"}},
    };
    for (const Case& c : cases) {
        CommandLine line(c.arguments);
        EXPECT_EQ(LCommandLineDocuments(), c.documents) << c.arguments.size();
    }
}

TEST(AppRunPhase, TextsAsTheCrashReportQuotesThem)
{
    struct Case
    {
        int phase;
        const char* text;
    } const cases[] = {{1, "GloIni1"}, {2, "GuiIni2"}, {0, "Ukn0(LstCmd0)"},
                       {3, "GuiDes3"}, {4, "GloDes4"}, {7, "(Cmd7)"}};
    const int saved = LGetAppRunPhase();
    for (const Case& c : cases) {
        LSetAppRunPhase(c.phase);
        char text[260];
        LGetAppRunPhaseText(text);
        EXPECT_STREQ(text, c.text);
    }
    LSetAppRunPhase(saved);
}

} // namespace
