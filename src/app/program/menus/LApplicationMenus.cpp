#include "app/program/menus/LApplicationMenus.h"

#include "app/program/LProgramCommands.h"
#include "app/program/about/LAboutBox.h"
#include "app/program/menus/LApplicationCommandHost.h"
#include "app/program/online/UpdateCheckDialogs.h"
#include "app/program/startup/LSupportServices.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LMainMenu.h"
#include "gui/framework/LWindow.h"
#include "online/LOnlineSite.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr size_t kUrlCapacity = 2084;     // the page buffers hold 2085 bytes
constexpr size_t kShortUrlCapacity = 259; // ... and 260 for the short ones
constexpr const char* kFullProductName = "Quorin Dizer od OD Udivezeve";

std::string Cut(std::string text, size_t capacity)
{
    if (text.size() > capacity)
        text.resize(capacity);
    return text;
}

constexpr LKey Key(uint32_t code)
{
    return LKey{code, false};
}

// The application menu, with its own shortcuts.
const LMenuItemDef kApplicationMenu[] = {
    {-1, "Quorin", -1}, {kCmdAbout, "About Quorin", -1},
    {0, nullptr, -1},   {kCommandPreferences, "Preferences...", -1},
    {0, nullptr, -1},   {kCmdHide, "Hide Quorin", -1},
    {0, nullptr, -1},   {kCommandQuit, "Quit Quorin", -1},
    {-1, nullptr, -1},
};
const LKeyToCommandMap kApplicationKeys[] = {
    {Key(0x1002C), kCommandPreferences},
    {Key(0x10048), kCmdHide},
    {Key(0x10051), kCommandQuit},
};

const LKeyToCommandMap kWindowAndHelpKeys[] = {
    {Key(0x1004D), kCmdMinimize},
    {Key(0x9004D), kCmdMinimizeAll},
    {Key(0x3002F), kCmdShowHelp},
};

int Count(const auto& table)
{
    return static_cast<int>(std::size(table));
}

void OpenAboutBox(LApplicationCommandHost& host)
{
    LAboutBox* about = host.GetAboutBox();
    if (about == nullptr)
        return;
    if (!about->IsWindow() || about->IsClosing())
        about->Open(host.GetMainWindow());
    else
        about->ShowWindow(true);
}

void ToggleToolbar(LApplicationCommandHost& host)
{
    const bool wasVisible = host.IsToolbarVisible();
    host.ShowToolbar(!wasVisible);
    LMainMenuSetItemTitle(kCommandToggleToolbar, wasVisible ? "Show Toolbar" : "Hide Toolbar");
}

void Maximize(LWindow* window)
{
    // Brings a minimised or hidden window back; it does not zoom.
    if (window == nullptr)
        return;
    if (LIsWindowMiniaturized(window))
        LDeminiaturizeWindow(window);
    else if (!window->IsVisible())
        LOrderWindowFront(window);
}

} // namespace

namespace {

std::unique_ptr<LPopupMenu>& MainMenuObject()
{
    static std::unique_ptr<LPopupMenu> menu;
    return menu;
}

} // namespace

LPopupMenu& LGetMainMenuObject()
{
    std::unique_ptr<LPopupMenu>& menu = MainMenuObject();
    if (!menu)
        menu = std::make_unique<LPopupMenu>();
    return *menu;
}

void LReleaseMainMenu()
{
    std::unique_ptr<LPopupMenu>& menu = MainMenuObject();
    if (!menu)
        return;
    LSetMainMenu(nullptr);
    menu.reset();
}

void LBuildMainMenu(LApplicationCommandHost& host)
{
    LWindow* window = host.GetMainWindow();
    LPopupMenu& mainMenu = LGetMainMenuObject();
    LAttachMenuBar(window, nullptr);
    // Create starts a fresh menu, so building twice leaves one bar.
    mainMenu.Create(window, "MainMenu");
    LSetMainMenu(&mainMenu);
    mainMenu.AppendSubmenu(kApplicationMenu, 0, Count(kApplicationMenu), kApplicationKeys,
                           Count(kApplicationKeys));
    LAttachMenuBar(window, &mainMenu);
}

void LSetupMenus(LApplicationCommandHost& host, const LMenuItemDef* table, size_t count,
                 const LKeyToCommandMap* accelerators, size_t acceleratorCount)
{
    LPopupMenu& mainMenu = LGetMainMenuObject();
    if (mainMenu.Native() == nullptr)
        LBuildMainMenu(host);
    const int rows = static_cast<int>(count);
    for (int index = 0; table != nullptr && index < rows;)
        index = mainMenu.AppendSubmenu(table, index, rows, accelerators, static_cast<int>(acceleratorCount));
    LRemoveWindowAndHelpMenus();
    LAddWindowAndHelpMenus(host);
}

void LRemoveWindowAndHelpMenus()
{
    LPopupMenu& mainMenu = LGetMainMenuObject();
    while (mainMenu.RemoveSubmenu("Window")) {
    }
    while (mainMenu.RemoveSubmenu("Help")) {
    }
}

const char* LToolbarToggleTitle(bool toolbarVisible)
{
    return toolbarVisible ? "Hide Toolbar" : "Show Toolbar";
}

void LAddWindowAndHelpMenus(LApplicationCommandHost& host)
{
    LPopupMenu& mainMenu = LGetMainMenuObject();
    if (mainMenu.Native() == nullptr)
        return;
    const LMenuItemDef windowMenu[] = {
        {-1, "Window", -1},
        {0, nullptr, -1},
        {kCmdMaximize, "Maximize", -1},
        {kCmdMinimize, "Minimize", -1},
        {kCmdMinimizeAll, "Minimize All", -1},
        {0, nullptr, -1},
        {kCmdBringAllToFront, "Bring All to Front", -1},
        {kCmdArrangeInFront, "Arrange in Front", -1},
        {0, nullptr, -1},
        {kCommandToggleToolbar, LToolbarToggleTitle(host.IsToolbarVisible()), -1},
        {-1, nullptr, -1},
    };
    mainMenu.AppendSubmenu(windowMenu, 0, Count(windowMenu), kWindowAndHelpKeys, Count(kWindowAndHelpKeys));

    // The desktop puts no search field into a help menu: the menu starts
    // with the program's help.
    char helpTitle[260];
    std::snprintf(helpTitle, sizeof helpTitle, "%s Help", kFullProductName);
    const LMenuItemDef helpMenu[] = {
        {-1, "Help", -1},
        {kCmdShowHelp, helpTitle, -1},
        {0, nullptr, -1},
        {kCmdHomePage, "Quorin Home Page", -1},
        {kCmdSupportPage, "Technical Support Page", -1},
        {kCmdSendFeedback, "Send Improvement Suggestion or Feedback", -1},
        {kCmdBugReport, "Send Bug Report", -1},
        {kCmdNewsletter, "Sign up to Newsletter", -1},
        {0, nullptr, -1},
        {kCmdFacebookPage, "Like Oxbel Software on Facebook", 309},
        {kCmdTwitterPage, "Follow Oxbel Software on Twitter", 310},
        {0, nullptr, -1},
        {kCmdMakerHomePage, "Oxbel Software Home Page", -1},
        {0, nullptr, -1},
        {kCmdCheckForUpdates, "Check for New Version", -1},
        {-1, nullptr, -1},
    };
    mainMenu.AppendSubmenu(helpMenu, 0, Count(helpMenu), kWindowAndHelpKeys, Count(kWindowAndHelpKeys));

    LNativeMenu* file = mainMenu.FindSubmenu("File");
    if (file == nullptr)
        file = mainMenu.GetSubmenuAt(1);
    if (file != nullptr) {
        LPopupMenu::AppendSeparatorTo(file);
        LPopupMenu::AppendItemTo(file, kCmdCloseWindow, "Close Window", Key(0x10057));
    }
}

std::string LHomePageUrl()
{
    return LSiteUrl("/quorin/index.html");
}

std::string LSupportPageUrl()
{
    return LSiteUrl("/quorin/support.html");
}

std::string LBugReportUrl(const char* installationId, const char* crashQuery)
{
    // The crash query comes encoded already; without a recorded crash the
    // parameter is left out rather than sent empty.
    std::string url = LSiteUrl("/software/bug.html") +
                      "?software=Quorin&version=3.00MAC&iid=" + LPercentEncode(installationId, kUrlCapacity);
    if (crashQuery != nullptr && crashQuery[0] != '\0')
        url += std::string("&rdf=") + crashQuery;
    return Cut(url, kUrlCapacity);
}

std::string LNewsletterUrl(const char* email)
{
    const bool known = email != nullptr && *email != '\0';
    std::string url = LSiteUrl("/software/newsletter.html") + "?software=Quorin&appname=Quorin" +
                      "&version=3.00MAC" + (known ? "&email=" : "") +
                      (known ? LPercentEncode(email, 260) : "");
    return Cut(url, kShortUrlCapacity);
}

std::string LFeedbackPageUrl(const char* suggestion)
{
    const std::string encoded = LPercentEncode(suggestion, 260);
    std::string url = LSiteUrl("/suggestions/index.html") + "?software=Quorin&version=3.00MAC";
    if (!encoded.empty())
        url += "&suggestion=" + encoded;
    return Cut(url, kShortUrlCapacity);
}

void LOpenFeedbackPage(const char* suggestion)
{
    LOpenURL(LFeedbackPageUrl(suggestion).c_str());
}

bool LHandleApplicationCommand(LApplicationCommandHost& host, int command, int extra)
{
    (void)extra;
    LWindow* window = host.GetMainWindow();
    switch (command) {
    case kCmdAbout:
        OpenAboutBox(host);
        return true;
    case kCommandPreferences:
        host.OnPreferences();
        return true;
    case kCommandQuit:
        host.QueryQuit();
        return true;
    case kCmdCloseWindow:
    case kCommandCancel:
        // The program keeps running in the background; the reopen brings it back.
        if (window != nullptr)
            window->ShowWindow(false);
        return true;
    case kCmdHide:
        LHideApplication();
        return true;
    case kCmdHideOthers:
    case kCmdShowAll:
        // Other programs' windows are not ours to hide or show.
        return true;
    case kCmdMinimize:
        LMiniaturizeWindow(window);
        return true;
    case kCmdMinimizeAll:
        LMiniaturizeAllWindows();
        return true;
    case kCmdMaximize:
        Maximize(window);
        return true;
    case kCmdBringAllToFront:
    case kCmdArrangeInFront:
        LBringAppToFront();
        return true;
    case kCommandToggleToolbar:
        ToggleToolbar(host);
        return true;
    case kCmdQuitCancelled:
        host.OnQuitCancelled();
        return true;
    case kCommandHelp:
    case kCmdShowHelp:
        if (window != nullptr)
            window->OnHelp();
        return true;
    case kCmdHomePage:
        LOpenURL(LHomePageUrl().c_str());
        return true;
    case kCmdSupportPage:
        LOpenURL(LSupportPageUrl().c_str());
        return true;
    case kCmdSendFeedback:
        LOpenFeedbackPage("");
        return true;
    case kCmdBugReport: {
        char query[260];
        LBuildCrashReportQuery(query);
        char iid[260];
        LSettingsGetString("Software", "IID", "", iid);
        LOpenURL(LBugReportUrl(iid, query).c_str());
        return true;
    }
    case kCmdMakerHomePage:
        LOpenProductPage("index");
        return true;
    case kCmdNewsletter:
        // The desktop keeps no mail account for programs to read.
        LOpenURL(LNewsletterUrl("").c_str());
        return true;
    case kCmdFacebookPage:
        LOpenURL(kMakerFacebookPage);
        return true;
    case kCmdTwitterPage:
        LOpenURL(kMakerTwitterPage);
        return true;
    case kCmdCheckForUpdates:
        LCheckForUpdates(window);
        return true;
    case kCmdSuiteLauncher:
        LOpenSuiteLauncher(window != nullptr ? window->GetView() : nullptr, "Audio");
        return true;
    default:
        return LOnShareCommand(window, command);
    }
}
