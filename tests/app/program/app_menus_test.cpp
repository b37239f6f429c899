// The application's menu bar, its key tables and the application commands,
// on a stand-in main window shown offscreen.

#include "AppTestSupport.h"

#include "app/program/LProgramCommands.h"
#include "app/program/menus/LHelpLinks.h"
#include "app/program/startup/LSupportServices.h"
#include "foundation/process/ProcessTestSupport.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LMainMenu.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/menus/LQtMenuImpl.h"
#include "support/TempHome.h"

#include <QMenuBar>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using quorin::test::FakeMainWindow;
using quorin::test::GuiApp;
using quorin::test::PumpUntil;

namespace {

QMenuBar* BarOf(LWindow* window)
{
    QWidget* top = LQtWidget(window->GetView())->window();
    for (QMenuBar* bar : top->findChildren<QMenuBar*>(Qt::FindDirectChildrenOnly))
        return bar;
    return nullptr;
}

QStringList BarTitles(LWindow* window)
{
    QStringList titles;
    if (QMenuBar* bar = BarOf(window))
        for (QAction* action : bar->actions())
            titles << action->text();
    return titles;
}

QMenu* MainMenu()
{
    return LQtMenuImpl::FromNative(LGetMainMenu());
}

class AppMenus : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        ASSERT_TRUE(window_.CreateAndInitMainWindow());
        window_.ShowWindow(true);
        ASSERT_TRUE(PumpUntil([&] { return window_.IsVisible(); }));
    }
    void TearDown() override
    {
        if (window_.about.IsWindow())
            window_.about.EndDialog(kCommandOK);
        LSetMainMenu(nullptr);
    }

    FakeMainWindow window_;
};

TEST(AppKeyTables, KeysGiveTheProgramsCommandsBeforeTheBuiltInOnes)
{
    struct Case
    {
        uint32_t code;
        int32_t command;
    } const cases[] = {
        {0x1002C, kCmdPreferences},    // Ctrl+, is the program's, not 'pref'
        {0x10057, kCmdCloseWindow},    // Ctrl+W closes to the background, not 'not!'
        {0x33000000, kCmdRemoveFiles}, // plain Delete stands in for Ctrl+Delete
        {0x33010000, kCmdRemoveFiles},
        {0x75000000, kCmdRemoveFiles},      // the Delete key
        {0x10051, kCommandQuit},            // Ctrl+Q: built in
        {0x10048, kCmdHide},                // Ctrl+H: built in
        {0x80057, kCmdOpenRecordingWizard}, // Alt+W
        {0x78000000, kCmdRenameFile},       // F2
        {0x7E010000, kCmdMoveFileUp},
        {0x7D010000, kCmdMoveFileDown},
    };
    for (const Case& c : cases) {
        const LAcceleratorAction action =
            LFindAccelerator(LKey{c.code, false}, LMainAcceleratorTable, kMainAcceleratorCount, false);
        EXPECT_EQ(action.kind, LAcceleratorAction::kSendCommand) << std::hex << c.code;
        EXPECT_EQ(action.command, c.command) << std::hex << c.code;
    }
    // The recording session's keys: Escape and Ctrl+W both end it.
    for (uint32_t code : {0x35000000u, 0x10057u})
        EXPECT_EQ(
            LFindAccelerator(LKey{code, false}, LRecordingAcceleratorTable, kRecordingAcceleratorCount, true)
                .command,
            1001);
}

TEST_F(AppMenus, BuildingTheMenusTwiceLeavesOneOfEachMenu)
{
    LBuildMainMenu(window_);
    LSetupMenus(window_, LMainMenuTable, kMainMenuTableCount, LMainAcceleratorTable, kMainAcceleratorCount);
    LSetupMenus(window_, LMainMenuTable, kMainMenuTableCount, LMainAcceleratorTable, kMainAcceleratorCount);
    const QStringList expected = {"Quorin", "File", "Edit", "View", "Window", "Help"};
    EXPECT_EQ(BarTitles(&window_), expected);
    QMenu* main = MainMenu();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(LQtMenuImpl::FindItems(main, kCmdCloseWindow).size(), 1);
    EXPECT_EQ(LQtMenuImpl::FindItems(main, kCmdAddFiles).size(), 1);
    EXPECT_EQ(LQtMenuImpl::FindItems(main, kCmdShowHelp).size(), 1);
    // Close Window ends the File menu, after a separator.
    QMenu* file = LQtMenuImpl::GetSubmenu(main, "File");
    ASSERT_NE(file, nullptr);
    const QList<QAction*> items = file->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(LQtMenuImpl::Tag(items.last()), kCmdCloseWindow);
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
}

TEST_F(AppMenus, ItemsShowTheirTitlesWithoutMnemonicsAndTheirKeys)
{
    QMenu* main = MainMenu();
    ASSERT_NE(main, nullptr);
    struct Case
    {
        int32_t command;
        const char* title;
        const char* shortcut;
    } const cases[] = {
        {kCmdOpenRecordingWizard, "Open Recording Wizard", "Alt+W"},
        {kCmdStartRecordingSession, "Start Recording Session", "Ctrl+R"},
        {kCmdAddFiles, "Add File(s)...", "Alt+A"},
        {kCmdEditSelectedTags, "Edit Selected Tags...", "Ctrl+G"},
        {kCmdViewLogs, "View Logs...", ""},
        {kCmdCloseWindow, "Close Window", "Ctrl+W"},
        {kCommandQuit, "Quit Quorin", "Ctrl+Q"},
        {kCommandPreferences, "Preferences...", "Ctrl+,"},
        {kCmdMinimize, "Minimize", "Ctrl+M"},
        {kCmdShowHelp, "Quorin Dizer od OD Udivezeve Help", nullptr},
        {kCmdCheckForUpdates, "Check for New Version", ""},
    };
    for (const Case& c : cases) {
        QAction* action = LQtMenuImpl::FindFirstItem(main, c.command);
        ASSERT_NE(action, nullptr) << c.title;
        EXPECT_EQ(action->text().toStdString(), c.title);
        if (c.shortcut != nullptr) {
            EXPECT_EQ(action->shortcut().toString().toStdString(), c.shortcut) << c.title;
        }
    }
    // The application menu offers no hiding of other programs and no services.
    EXPECT_EQ(LQtMenuImpl::FindFirstItem(main, kCmdHideOthers), nullptr);
    EXPECT_EQ(LQtMenuImpl::FindFirstItem(main, kCmdShowAll), nullptr);
}

TEST_F(AppMenus, TheMenuBarSitsAboveTheWindowsContent)
{
    QMenuBar* bar = BarOf(&window_);
    ASSERT_NE(bar, nullptr);
    EXPECT_GT(bar->height(), 0);
    QWidget* content = LQtWidget(window_.GetView());
    EXPECT_EQ(content->geometry().top(), bar->height());
    EXPECT_EQ(content->geometry().bottom() + 1, content->window()->height());
    EXPECT_EQ(LGetMenuBarHeight(&window_), static_cast<int>(bar->height() * window_.GetScaleFactor() + 0.5));
}

TEST_F(AppMenus, ToolbarItemAlwaysNamesWhatItDoesNext)
{
    QMenu* main = MainMenu();
    auto title = [&] {
        return LQtMenuImpl::FindFirstItem(main, kCommandToggleToolbar)->text().toStdString();
    };
    EXPECT_EQ(title(), "Hide Toolbar");
    window_.SendCommand(kCommandToggleToolbar);
    EXPECT_FALSE(window_.toolbarVisible);
    EXPECT_EQ(title(), "Show Toolbar");
    window_.SendCommand(kCommandToggleToolbar);
    EXPECT_TRUE(window_.toolbarVisible);
    EXPECT_EQ(title(), "Hide Toolbar");
    // Rebuilt menus start from the toolbar's state.
    window_.toolbarVisible = false;
    LSetupMenus(window_, LMainMenuTable, kMainMenuTableCount, LMainAcceleratorTable, kMainAcceleratorCount);
    EXPECT_EQ(title(), "Show Toolbar");
}

TEST_F(AppMenus, CloseWindowHidesAndTheProgramKeepsRunning)
{
    for (int32_t command : {kCmdCloseWindow, kCommandCancel}) {
        window_.SendCommand(command);
        EXPECT_FALSE(window_.IsVisible());
        EXPECT_TRUE(window_.IsWindow());
        EXPECT_FALSE(LIsApplicationTerminating());
        window_.BringToFront();
        EXPECT_TRUE(window_.IsVisible());
    }
}

TEST_F(AppMenus, MinimizeAndMaximizeBringTheWindowBackWithoutZooming)
{
    int w = 0, h = 0;
    window_.GetWindowSize(&w, &h);
    window_.SendCommand(kCmdMaximize); // visible and not minimised: nothing happens
    EXPECT_FALSE(LIsWindowMiniaturized(&window_));
    EXPECT_FALSE(window_.IsMaximized());
    int w2 = 0, h2 = 0;
    window_.GetWindowSize(&w2, &h2);
    EXPECT_EQ(w2, w);
    EXPECT_EQ(h2, h);

    window_.SendCommand(kCmdMinimize);
    EXPECT_TRUE(PumpUntil([&] { return LIsWindowMiniaturized(&window_); }));
    window_.SendCommand(kCmdMaximize);
    EXPECT_TRUE(PumpUntil([&] { return !LIsWindowMiniaturized(&window_); }));

    window_.SendCommand(kCmdHide); // "Hide" takes the program's windows away
    EXPECT_FALSE(window_.IsVisible());
    EXPECT_TRUE(window_.IsWindow());
    window_.BringToFront(); // as reopening the program does
    EXPECT_TRUE(window_.IsVisible());
    EXPECT_FALSE(LIsWindowMiniaturized(&window_));

    window_.ShowWindow(false);
    window_.SendCommand(kCmdMaximize); // a hidden window comes back
    EXPECT_TRUE(window_.IsVisible());
}

TEST_F(AppMenus, ApplicationCommandsReachTheMainWindow)
{
    window_.SendCommand(kCommandPreferences);
    EXPECT_EQ(window_.preferences, 1);
    window_.SendCommand(kCommandQuit);
    EXPECT_EQ(window_.quitQueries, 1);
    window_.SendCommand(kCmdQuitCancelled);
    EXPECT_EQ(window_.quitCancelled, 1);
    // Not an application command: left to the framework, which ignores it.
    EXPECT_FALSE(LHandleApplicationCommand(window_, 123456, 0));
}

TEST_F(AppMenus, AboutOpensOneBoxAndShowsItAgain)
{
    window_.SendCommand(kCmdAbout);
    ASSERT_TRUE(PumpUntil([&] { return window_.about.IsVisible(); }));
    LViewHandle first = window_.about.GetView();
    window_.about.ShowWindow(false);
    window_.SendCommand(kCmdAbout);
    EXPECT_TRUE(window_.about.IsVisible());
    EXPECT_EQ(window_.about.GetView(), first);
    // Closed, it opens afresh.
    window_.about.EndDialog(kCommandOK);
    EXPECT_FALSE(window_.about.IsWindow());
    window_.SendCommand(kCmdAbout);
    EXPECT_TRUE(PumpUntil([&] { return window_.about.IsVisible(); }));
}

class AppWebLinks : public AppMenus
{
protected:
    void SetUp() override
    {
        AppMenus::SetUp();
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        const std::string bin = home_.Path("bin");
        std::filesystem::create_directories(bin);
        setenv("PATH", (bin + ":" + savedPath_).c_str(), 1);
        record_ = home_.Path("opened");
        quorin::test::WriteScript(bin + "/xdg-open", "printf '%s\\n' \"$#\" \"$@\" > \"" + record_ +
                                                         ".part\"\nmv \"" + record_ + ".part\" \"" + record_ +
                                                         "\"\n");
    }
    void TearDown() override
    {
        setenv("PATH", savedPath_.c_str(), 1);
        unsetenv("QUORIN_SITE");
        AppMenus::TearDown();
    }
    // The one argument xdg-open was given ("(not run)" when it was not).
    std::string Opened()
    {
        if (!quorin::test::WaitUntil([&] { return std::filesystem::exists(record_); }))
            return "(not run)";
        std::ifstream in(record_);
        std::string count, url;
        std::getline(in, count);
        std::getline(in, url);
        std::filesystem::remove(record_);
        return count == "1" ? url : "(" + count + " arguments)";
    }

    std::string savedPath_, record_;
};

TEST_F(AppWebLinks, HelpMenuPagesOpenAsOneArgument)
{
    window_.SendCommand(kCmdHomePage);
    EXPECT_EQ(Opened(), LHomePageUrl());
    window_.SendCommand(kCmdSupportPage);
    EXPECT_EQ(Opened(), LSupportPageUrl());
    window_.SendCommand(kCmdSendFeedback);
    EXPECT_EQ(Opened(), LFeedbackPageUrl(""));
    window_.SendCommand(kCmdNewsletter);
    EXPECT_EQ(Opened(), LNewsletterUrl(""));
    window_.SendCommand(kCmdMakerHomePage);
    EXPECT_EQ(Opened(), std::string(kMakerSite) + "/index.html");
    window_.SendCommand(kCmdTwitterPage);
    EXPECT_EQ(Opened(), kMakerTwitterPage);
}

TEST_F(AppWebLinks, BugReportCarriesTheInstallationAndTheCrashRecord)
{
    LSettingsSetString("Software", "IID", "A1B2");
    LSettingsSetString("RDF", "Time", "1700000000");
    LSettingsSetString("RDF", "ID", "a b");
    window_.SendCommand(kCmdBugReport);
    EXPECT_EQ(Opened(), std::string(kMakerSite) +
                            "/software/bug.html?software=Quorin&version=3.00MAC&iid=A1B2&rdf="
                            "id%3Da%2520b%26th%3D%26cs%3D");
}

TEST_F(AppWebLinks, HelpMenuPagesFollowQuorinSite)
{
    setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
    window_.SendCommand(kCmdHomePage);
    EXPECT_EQ(Opened(), "https://127.0.0.1:8443/quorin/index.html");
    window_.SendCommand(kCmdMakerHomePage);
    EXPECT_EQ(Opened(), "https://127.0.0.1:8443/index.html");
    LSettingsSetString("Software", "IID", "a&b");
    window_.SendCommand(kCmdBugReport);
    EXPECT_EQ(Opened(), "https://127.0.0.1:8443/software/bug.html?software=Quorin&version=3.00MAC&iid=a%26b")
        << "no crash recorded: no rdf parameter";
}

TEST_F(AppWebLinks, HelpLinksOpenTheirPagesAndOtherCommandsGoOn)
{
    static const LHelpLinkEntry links[] = {{"Video Tutorials", "quorin/tutorial"},
                                           {"", "kept-index"},
                                           {"Second Site", "+abc"},
                                           {nullptr, nullptr}};
    LHelpLinks help;
    help.Create(links, kCmdShowHelp);
    EXPECT_EQ(help.Count(), 3);
    EXPECT_TRUE(help.OnCommand(9021));
    EXPECT_EQ(Opened(), std::string(kMakerSite) + "/quorin/tutorial.html");
    EXPECT_TRUE(help.OnCommand(9023));
    EXPECT_EQ(Opened(), std::string(kMakerSecondSite) + "/abc.html");
    EXPECT_FALSE(help.OnCommand(9024));
    EXPECT_FALSE(help.OnCommand(9020));
    LHelpLinks none;
    EXPECT_FALSE(none.OnCommand(9021)) << "no table, nothing handled";
}

TEST(AppPageAddresses, TextsAreEncodedAndCutNeverMidEscape)
{
    EXPECT_EQ(LPercentEncode("it's $HOME \"x\".wav", 260), "it%27s%20%24HOME%20%22x%22.wav");
    EXPECT_EQ(LPercentEncode("a-b_c.d~e!", 260), "a-b_c.d~e!");
    // "ab" then an escape that would not fit whole: cut before it.
    EXPECT_EQ(LPercentEncode("ab cd", 5), "ab");
    EXPECT_EQ(LPercentEncode("ab cd", 6), "ab%20");
    EXPECT_EQ(LFeedbackPageUrl("more bass"),
              std::string(kMakerSite) +
                  "/suggestions/index.html?software=Quorin&version=3.00MAC&suggestion=more%20bass");
    EXPECT_EQ(LNewsletterUrl("me@example.org"),
              std::string(kMakerSite) +
                  "/software/"
                  "newsletter.html?software=Quorin&appname=Quorin&version=3.00MAC&email=me%40example.org");
    // A crash query longer than the page buffer is cut, not overrun.
    const std::string longQuery(5000, 'q');
    const std::string url = LBugReportUrl("id", longQuery.c_str());
    EXPECT_EQ(url.size(), 2084u);
    EXPECT_EQ(url.compare(0, std::strlen(kMakerSite), kMakerSite), 0);
}

} // namespace
