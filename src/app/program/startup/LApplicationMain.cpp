#include "app/program/startup/LApplicationMain.h"

#include "app/program/online/HelpTopicOpener.h"
#include "app/program/startup/LAppStartup.h"
#include "burn/LProgramDrives.h"
#include "foundation/files/LWorkingFolder.h"
#include "foundation/process/LCommandLine.h"
#include "foundation/process/LProcessStartup.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LSingleInstance.h"

#include <cstring>

std::vector<std::string> LCommandLineDocuments()
{
    std::vector<std::string> files;
    char** arguments = LGetCommandLine();
    const int count = LGetCommandLineCount();
    bool options = true;
    for (int i = 1; i < count; ++i) {
        const char* argument = arguments[i];
        if (argument == nullptr || argument[0] == '\0')
            continue;
        if (options && std::strcmp(argument, "--") == 0) {
            options = false;
            continue;
        }
        if (options && argument[0] == '-')
            continue;
        files.emplace_back(argument);
    }
    return files;
}

int LApplicationMain(int argc, char** argv, LMainDialogFactory factory)
{
    int exitCode = 0;
    if (!LProcessStartup(argc, argv, &exitCode))
        return exitCode;

    LApplication application(argc, argv);
    // Help buttons and the Help menu open their topics in the browser.
    LInstallHelpTopicOpener();
    LAppDelegate delegate(std::move(factory));

    // One copy per session: a later start hands its files to the first and
    // brings it forward. A survey launch only records the survey state.
    const std::vector<std::string> documents = LCommandLineDocuments();
    bool surveyLaunch = false;
    for (int i = 1; i < LGetCommandLineCount(); ++i)
        surveyLaunch = surveyLaunch || std::strcmp(LGetCommandLine()[i], "-surveysched") == 0;
    LSingleInstance instance("quorin");
    if (!surveyLaunch && instance.Claim(documents, &delegate) == LSingleInstance::kHandedOver)
        return 0;

    LInstallShippedComponents();
    LPrepareComponentsFolder();
    // A burn killed part way left its working folder of copies behind.
    LRemoveDeadWorkingFolders();
    // The default burner is the first that writes CDs when none is stored.
    LInstallProgramDriveScan();

    // A session that ends sends SIGTERM: the quit of a log-out.
    application.SetQuitRequestHook(
        [](void* data) { return static_cast<LAppDelegate*>(data)->OnQuitEvent(true); }, &delegate);
    application.SetLastWindowClosedHook(
        [](void* data) { return static_cast<LAppDelegate*>(data)->ShouldTerminateAfterLastWindowClosed(); },
        &delegate);
    if (delegate.WillFinishLaunching() && delegate.DidFinishLaunching()) {
        if (!documents.empty())
            delegate.OnOpenDocuments(documents);
        application.Run();
    }
    delegate.WillTerminate();
    return 0;
}
