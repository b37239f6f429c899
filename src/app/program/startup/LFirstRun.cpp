#include "app/program/startup/LFirstRun.h"

#include "app/program/startup/LAppStartup.h"
#include "app/program/startup/LApplicationsFolder.h"
#include "app/program/startup/LLanguageOfferPage.h"
#include "app/program/startup/LSupportServices.h"
#include "foundation/files/LAppDataSubfolder.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderTree.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LBundle.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"
#include "foundation/settings/LSharedSettings.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// When the program file came to be: the later of its birth and its last
// change, so a rebuilt or replaced program counts as new. 0 when unknown.
int64_t ProgramFileTime()
{
    char executable[kLPathSize];
    if (!LGetExecutablePath(executable, sizeof executable))
        return 0;
    struct statx info;
    if (statx(AT_FDCWD, executable, 0, STATX_BTIME | STATX_MTIME, &info) != 0)
        return 0;
    int64_t time = (info.stx_mask & STATX_MTIME) ? info.stx_mtime.tv_sec : 0;
    if ((info.stx_mask & STATX_BTIME) && info.stx_btime.tv_sec > time)
        time = info.stx_btime.tv_sec;
    return time;
}

// Quoting of a desktop entry's Exec value: an argument with reserved
// characters goes in double quotes, with '"', '`', '$' and '\\' escaped; the
// string escape of the value then doubles every backslash.
std::string QuoteExecArgument(const std::string& argument)
{
    bool plain = !argument.empty();
    for (char c : argument)
        if (std::strchr(" \t\n\"'\\><~|&;$*?#()`%=", c) != nullptr)
            plain = false;
    std::string quoted;
    if (plain) {
        quoted = argument;
    } else {
        quoted = "\"";
        for (char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    }
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

// Replaces the file whole: written beside it and renamed over it.
bool WriteWhole(const std::string& path, const std::string& text)
{
    char temp[kLPathSize];
    const int fd = LCreateFileBeside(path.c_str(), temp, sizeof temp, 0644);
    if (fd < 0)
        return false;
    const bool written =
        write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
    close(fd);
    if (!written || rename(temp, path.c_str()) != 0) {
        unlink(temp);
        return false;
    }
    return true;
}

} // namespace

bool LIsNewInstallation()
{
    const int64_t installDate = LSettingsGetInt64("Settings", "InstallDate", -1);
    if (installDate == -1)
        return true;
    char version[260];
    LSettingsGetString("Settings", "CurrentVersion", "", version);
    if (std::strcmp(version, kProgramVersionText) != 0)
        return true;
    return ProgramFileTime() > installDate;
}

bool LWriteNewVersionRecord()
{
    char shared[kLPathSize];
    LCreateAppDataSubfolder("Shared", shared);

    char ref[260];
    LReadResourceRefFile(ref);
    LSettingsSetString("Software", "Ref", ref);
    LSharedSettingsSetString("Software", "Ref", ref);

    // Files every user of the program starts with; the user's own stay. They
    // keep the user's umask: nothing here is opened up to other users.
    char resources[kLPathSize], install[kLPathSize];
    if (shared[0] != '\0' && LGetResourcesFolder(resources, sizeof resources) &&
        LPathCombine(install, resources, "install", "") && IsFolder(install))
        LCopyFolderTreeKeepExisting(nullptr, install, shared);

    LDeleteUsageCounters();
    char former[260];
    LSettingsGetString("Settings", "CurrentVersion", "", former);
    const bool first = former[0] == '\0';
    for (const char* name : {"VersionCheckAfterCrash", "OSCheck", "NewerVersion", "Thanks"})
        LSettingsDelete("Settings", name);
    if (first)
        LSettingsSetString("Settings", "OSCheckRequired", "1");
    const int64_t now = static_cast<int64_t>(time(nullptr));
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(now));
    LSettingsSetString("Settings", "InstallDate", text);
    if (LSettingsGetInt64("Settings", "InstallDateFirst", 0) == 0)
        LSettingsSetString("Settings", "InstallDateFirst", text);
    LSettingsSetString("Settings", "RunsSinceLastInstall", "0");
    if (!first && std::strcmp(former, kProgramVersionText) != 0)
        LSettingsSetString("Settings", "PreviousVersion", former);
    LSettingsSetString("Settings", "CurrentVersion", kProgramVersionText);
    return true;
}

std::string LDesktopEntryPath()
{
    char data[kLPathSize];
    if (!LGetAppSupportFolder(data))
        return {};
    return std::string(data) + "/applications/" + kDesktopEntryId + ".desktop";
}

std::string LDesktopIconPath()
{
    char data[kLPathSize];
    if (!LGetAppSupportFolder(data))
        return {};
    return std::string(data) + "/icons/hicolor/scalable/apps/" + kDesktopEntryId + ".svg";
}

std::string LDesktopEntryText(const char* executable)
{
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.4\n"
                       "Name=Quorin\n"
                       "GenericName=Vinyl and Tape Recorder\n"
                       "Comment=Record vinyl records and tapes and turn them into audio files and CDs\n";
    text += "TryExec=" + QuoteExecArgument(executable) + "\n";
    text += "Exec=" + QuoteExecArgument(executable) + " %F\n";
    text += std::string("Icon=") + kDesktopEntryId + "\n";
    text += "Terminal=false\n"
            "Categories=AudioVideo;Audio;Recorder;\n"
            "MimeType=audio/x-wav;audio/wav;audio/mpeg;\n"
            "StartupNotify=true\n";
    return text;
}

bool LInstallDesktopEntry()
{
    // The entry starts the program in use: the installed copy once the
    // installer launch has made one.
    char executable[kLPathSize];
    const std::string entry = LDesktopEntryPath();
    const std::string icon = LDesktopIconPath();
    if (entry.empty() || icon.empty() ||
        (!LGetBundleExecutable(LAppBundlePath, executable) &&
         !LGetExecutablePath(executable, sizeof executable)))
        return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(entry).parent_path(), error);
    std::filesystem::create_directories(std::filesystem::path(icon).parent_path(), error);
    bool done = WriteWhole(entry, LDesktopEntryText(executable));
    char resources[kLPathSize], picture[kLPathSize];
    if (LGetResourcesFolder(resources, sizeof resources) &&
        std::snprintf(picture, sizeof picture, "%s/resources/svg/304.svg", resources) <
            static_cast<int>(kLPathSize) &&
        access(picture, R_OK) == 0)
        done = LFileCopy(picture, icon.c_str()) && done;
    else
        done = false;
    return done;
}

bool LFirstRunStep()
{
    LSetAppBundlePathToRunningProgram();
    // Started as the installer from outside an installation: the program
    // installs itself for the user and this start goes on in the copy.
    bool moved = false;
    if (LIsInstallerLaunch() && !LIsRunningFromApplicationsFolder()) {
        moved = true;
        if (!LInstallIntoApplications())
            return false;
    }
    if (!LIsNewInstallation() && !LIsInstallerLaunch())
        return true;
    LStartupInstallThread install;
    if (install.Start(4))
        install.WaitUntilFinished(LNoTimeLimit);
    else {
        // No thread to be had: the same work here.
        LWriteNewVersionRecord();
        LInstallDesktopEntry();
    }
    // The edition in the user's language is offered as a web page to open,
    // so this start goes on whatever the user chose.
    LRunLanguageOfferWizard();
    if (moved) {
        char shared[kLPathSize];
        LCreateAppDataSubfolder("Shared", shared);
        LRelaunchFromAppPath();
        return false;
    }
    return true;
}

LStartupInstallThread::~LStartupInstallThread()
{
    StopAndWait();
}

void LStartupInstallThread::Run()
{
    recordWritten = LWriteNewVersionRecord();
    entryInstalled = LInstallDesktopEntry();
}
