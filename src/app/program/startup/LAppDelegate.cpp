#include "app/program/startup/LAppDelegate.h"

#include "app/program/menus/LApplicationCommandHost.h"
#include "app/program/menus/LApplicationMenus.h"
#include "app/program/startup/LAppStartup.h"
#include "app/program/startup/LFirstRun.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LWindow.h"

LAppDelegate::LAppDelegate(LMainDialogFactory factory) : factory_(std::move(factory)) {}

LAppDelegate::~LAppDelegate()
{
    WillTerminate();
}

bool LAppDelegate::WillFinishLaunching()
{
    if (!LFirstRunStep())
        return false;
    if (factory_)
        mainDialog_ = factory_();
    return mainDialog_ != nullptr;
}

bool LAppDelegate::InitMainDialog()
{
    runInit_ = true;
    if (mainDialog_ == nullptr)
        return false;
    if (!LAppStartupChecks(mainDialog_->GetMainWindow()))
        return false;
    if (!mainDialog_->CreateAndInitMainWindow())
        return false;
    LSetAppRunPhase(kRunPhaseRunning);
    mainWindowInit_ = true;
    return true;
}

bool LAppDelegate::DidFinishLaunching()
{
    if (!InitMainDialog())
        return false;
    if (LWindow* window = mainDialog_->GetMainWindow())
        window->ShowWindow(true);
    return true;
}

bool LAppDelegate::ShouldTerminateAfterLastWindowClosed() const
{
    if (mainDialog_ == nullptr)
        return true;
    LWindow* window = mainDialog_->GetMainWindow();
    if (window == nullptr || !window->IsWindow())
        return true;
    return mainDialog_->IsClosing();
}

void LAppDelegate::WillTerminate()
{
    // A log-out while the start still asked something (a file named on the
    // command line that cannot be opened) ends the start before the run
    // loop, where the quit does not run: the main window still closes as at
    // any quit, so that what it keeps is saved and the next start sees a
    // normal end rather than a crash.
    if (mainDialog_ != nullptr && mainWindowInit_ && LIsSessionEnding() && !mainDialog_->IsClosing())
        OnQuitEvent(true);
    if (runInit_ && mainWindowInit_)
        LSetAppRunPhase(kRunPhaseTerminating);
    mainDialog_.reset();
    LReleaseMainMenu();
}

void LAppDelegate::OnReopen()
{
    if (mainDialog_ == nullptr)
        return;
    char shown[260];
    LSettingsGetString("Settings", "MainWindowShownAtStartup", "", shown);
    if (shown[0] != '0')
        mainDialog_->BringToFront();
}

void LAppDelegate::OnOpenDocuments(const std::vector<std::string>& paths)
{
    if (mainDialog_ != nullptr && !paths.empty())
        mainDialog_->OpenDocuments(paths);
}

bool LAppDelegate::OnQuitEvent(bool systemQuit)
{
    if (mainDialog_ == nullptr)
        return true;
    if (systemQuit)
        mainDialog_->SetSystemQuit(true);
    mainDialog_->BringToFront();
    return mainDialog_->QueryQuit();
}
