#include "app/program/startup/LAppStartup.h"

#include "app/program/online/UpdateCheckDialogs.h"
#include "app/program/startup/LSupportServices.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "foundation/files/LFolderScan.h"
#include "foundation/files/LFolderTree.h"
#include "foundation/files/LPath.h"
#include "foundation/process/LCommandLine.h"
#include "foundation/process/LProcessStartup.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LEventPump.h"
#include "online/LComponentsFolder.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

namespace {

std::atomic<bool> gSurveyScheduledLaunch{false};

bool IsSet(const char* value)
{
    return value[0] != '\0' && value[0] != '0';
}

bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool HasArgument(const char* option)
{
    char** arguments = LGetCommandLine();
    for (int i = 1; i < LGetCommandLineCount(); ++i)
        if (arguments[i] != nullptr && std::strcmp(arguments[i], option) == 0)
            return true;
    return false;
}

} // namespace

void LSetAppRunPhase(int phase)
{
    LGetCrashState().startupPhase = phase;
}

int LGetAppRunPhase()
{
    return LGetCrashState().startupPhase;
}

void LGetAppRunPhaseText(char* dest)
{
    LFormatRunPhaseText(LGetAppRunPhase(), LGetCrashState().lastCommand.load(), dest);
}

void LFormatRunPhaseText(int phase, int lastCommand, char* dest)
{
    switch (phase) {
    case kRunPhaseGlobalInit:
        std::snprintf(dest, 260, "GloIni1");
        break;
    case kRunPhaseWindowInit:
        std::snprintf(dest, 260, "GuiIni2");
        break;
    case kRunPhaseRunning:
        std::snprintf(dest, 260, "Ukn0(LstCmd%d)", lastCommand);
        break;
    case kRunPhaseWindowClosed:
        std::snprintf(dest, 260, "GuiDes3");
        break;
    case kRunPhaseTerminating:
        std::snprintf(dest, 260, "GloDes4");
        break;
    default:
        std::snprintf(dest, 260, "(Cmd%d)", phase);
        break;
    }
}

bool LIsInstallerLaunch()
{
    return LIsInstallerStart();
}

bool LIsSurveyScheduledLaunch()
{
    return gSurveyScheduledLaunch.load();
}

void LInstallShippedComponents()
{
    char folder[kLPathSize];
    if (!LGetShippedComponentsFolder(folder) || !IsFolder(folder))
        return;
    LFolderScan scan;
    for (bool more = scan.Start(folder); more; more = scan.Next()) {
        char path[kLPathSize], name[kLPathSize], installed[kLPathSize];
        if (!LPathCombine(path, folder, scan.Name(), ""))
            continue;
        LComponentNameFromEntry(scan.Name(), name);
        if (name[0] == '\0' || LGetComponentPath(name, installed))
            continue;
        char extension[kLPathSize];
        if (IsFolder(path)) {
            if (!LIsFolderEmpty(path))
                LInstallShippedComponentFolder(name, path);
        } else if (LPathGetExtension(extension, path) && strcasecmp(extension, ".zip") == 0) {
            LInstallComponentZip(name, path, false);
        } else {
            LInstallShippedComponentFile(name, path);
        }
    }
}

void LPrepareComponentsFolder()
{
    // Made with the user's umask when missing.
    char folder[kLPathSize];
    if (!LGetComponentsFolder(folder) || !IsFolder(folder))
        return;
    // The program runs what is in it: code files are executable, and nothing
    // in it may be changed by other users.
    LSecureComponentsTree(folder);
}

bool LHandleSurveyScheduleArgument()
{
    if (!HasArgument("-surveysched"))
        return true;
    gSurveyScheduledLaunch = true;
    char now[260];
    LSettingsGetString("Software", "ShowSurveyNow", "", now);
    LSettingsSetString("Software", "ShowSurvey", IsSet(now) ? "1" : "0");
    return false;
}

bool LAppStartupChecks(LWindow* mainWindow)
{
    (void)mainWindow; // messages of the checks have no parent window
    char required[260];
    LSettingsGetString("Settings", "OSCheckRequired", "", required);
    if (!LStartupUpdateCheck(IsSet(required)))
        return false;
    LSettingsDelete("Settings", "OSCheckRequired");
    LBringAppToFront();
    return LHandleSurveyScheduleArgument();
}
