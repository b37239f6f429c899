#include "online/LRelatedProgramInstall.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/threads/LProcessContext.h"
#include "online/LComponentsFolder.h"
#include "online/LHttpClient.h"
#include "online/LInstallLock.h"
#include "online/LOnlineSite.h"
#include "online/LRelatedPrograms.h"
#include "online/LSuiteProducts.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Makes the missing folders of the path; existing ones are left as they are.
bool MakeFolders(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    if (errno != ENOENT || path == "/" || !MakeFolders(ParentOf(path)))
        return false;
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

// The folder that programs are installed into, made when missing. What lands
// in it is started later, so one of the user's that others may write is
// closed to them first, and one of another user's is refused. Its parents
// are never changed (they may well be shared folders such as /tmp).
bool EnsurePrivateFolder(const std::string& path)
{
    struct stat info;
    if (!MakeFolders(path) || stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    if (info.st_uid != geteuid())
        return false;
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return true;
    return chmod(path.c_str(), info.st_mode & 07755 & ~(S_IWGRP | S_IWOTH)) == 0;
}

bool GetApplicationsFolder(const char* key, std::string* folder, std::string* programFolder)
{
    char path[kLPathSize];
    if (!LGetRelatedProgramFolder(path, key))
        return false;
    *programFolder = path;
    *folder = ParentOf(path);
    return EnsurePrivateFolder(*folder);
}

// Gives the unpacked program the user's modes: nothing writable by group or
// others, no set-id bits; the executable runs. False when the folder holds
// no executable named by the command, which makes it no program this
// program knows how to install.
bool PrepareProgramFolder(const char* item, const std::string& command)
{
    struct stat info;
    const std::string executable = std::string(item) + "/" + command;
    if (lstat(item, &info) != 0 || !S_ISDIR(info.st_mode) || lstat(executable.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode))
        return false;
    const mode_t mask = LCurrentUmask() | S_IWGRP | S_IWOTH;
    std::error_code error;
    chmod(item, 0755 & ~mask);
    for (std::filesystem::recursive_directory_iterator walk(item, error), end; !error && walk != end;
         walk.increment(error)) {
        const std::string path = walk->path().string();
        if (lstat(path.c_str(), &info) != 0)
            return false;
        if (S_ISDIR(info.st_mode))
            chmod(path.c_str(), 0755 & ~mask);
        else if (S_ISREG(info.st_mode))
            chmod(path.c_str(), (info.st_mode & 0755) & ~mask);
    }
    return !error && chmod(executable.c_str(), 0755 & ~mask) == 0;
}

} // namespace

std::string LRelatedProgramZipName(const char* key)
{
    return LRelatedProgramCommand(key) + "maci.zip";
}

std::string LRelatedProgramDownloadUrl(const char* key, int host, int form)
{
    std::string address = host == 0 ? kQuorinSite : kQuorinSecondSite;
    if (form == 0)
        address += "/components/";
    else
        address += "/" + LSuiteShortIdFromKey(key) + "/";
    address += LRelatedProgramZipName(key);
    return LApplySiteOverride(address.c_str());
}

int LInstallRelatedProgramZip(const char* key, const char* zip)
{
    std::string folder, target;
    const std::string command = LRelatedProgramCommand(key);
    if (!GetApplicationsFolder(key, &folder, &target))
        return 2;
    bool looked = false, isProgram = false;
    std::string why;
    const int result = LInstallZipItem(
        zip, folder.c_str(), command.c_str(), target.c_str(),
        [&](const char* item, std::string* reason) {
            looked = true;
            isProgram = PrepareProgramFolder(item, command);
            if (!isProgram)
                *reason = "it holds no folder " + command + " with the program " + command;
            return isProgram;
        },
        &why);
    if (result == 0)
        return 0;
    LLogWarningF("%s: the archive was refused: %s", key, why.c_str());
    // An archive that unpacked into something else than the program's folder
    // (an installer, a package) or that was refused outright: either way it
    // is nothing to start, and its web page tells how to get the program.
    if (!looked || !isProgram)
        return kRelatedInstallNotInstallable;
    return 2;
}

int LDownloadRelatedProgram(LProcessContext* context, int host, const char* key)
{
    std::string folder, target;
    if (!GetApplicationsFolder(key, &folder, &target))
        return 2;
    const std::string zip = folder + "/" + LRelatedProgramZipName(key);
    if (zip.size() > kLPathMaxLength)
        return 2;
    LRemoveStaleFilesBeside(zip.c_str());
    int fetched = 2;
    for (int form = 0; form < 2 && fetched == 2; ++form) {
        // Programs come over verified TLS only: an address that is not https
        // (a plain QUORIN_SITE, say) is refused by the client.
        const std::string url = LRelatedProgramDownloadUrl(key, host, form);
        fetched = LHttpsGetToFile(context, url.c_str(), zip.c_str(), false);
        if (fetched != 0) {
            LLogWarningF("%s: %s could not be fetched: %s", key, url.c_str(), LHttpLastError());
            unlink(zip.c_str());
            if (context->IsStopRequested())
                return 1;
        }
    }
    if (fetched != 0)
        return fetched;
    const int result = LInstallRelatedProgramZip(key, zip.c_str());
    unlink(zip.c_str());
    if (result != 0)
        LLogWarningF("%s: the archive holds no program that can be installed", key);
    return result;
}

int LDownloadAndInstallRelatedProgram(LProcessContext* context, const char* key)
{
    if (key == nullptr || LRelatedProgramCommand(key).empty())
        return 2;
    context->MessageLevel("Download install-on-demand", 0);
    context->MessageLevel(key, 1);
    if (LIsRelatedProgramInstalled(key))
        return 0;
    std::string folder, target;
    if (!GetApplicationsFolder(key, &folder, &target))
        return 2;
    LInstallLock lock;
    const int locked = lock.Take(context, folder.c_str());
    if (locked != 0)
        return locked;
    if (LIsRelatedProgramInstalled(key))
        return 0;
    LRemoveStaleComponentUnpacks(folder.c_str());

    int result = LDownloadRelatedProgram(context, 0, key);
    if (result == 2 && !context->IsStopRequested())
        result = LDownloadRelatedProgram(context, 1, key);
    if (result == 2)
        context->Message("Download failed, please check your internet connection and try again");
    if (result == 0 && !LIsRelatedProgramInstalled(key))
        result = kRelatedInstallNotInstallable;
    return result;
}
