#include "app/program/startup/LShippedComponents.h"

#include "audio/formats/mp3/LMp3EncoderComponent.h"

#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderScan.h"
#include "foundation/files/LFolderTree.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LBundle.h"
#include "foundation/process/LChildProcess.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// A build of the component for another processor of old (a 32-bit
// big-endian Mach-O image) is not usable anywhere.
bool IsForeignBuild(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    unsigned char head[4] = {};
    const bool read = std::fread(head, 1, 4, file) == 4;
    std::fclose(file);
    return read && head[0] == 0xFE && head[1] == 0xED && head[2] == 0xFA && head[3] == 0xCE;
}

// Code is never left writable by others; what is code keeps (or gets) its
// execute bits, both within the user's umask.
void SecureComponentFile(const char* path, bool executable)
{
    struct stat info;
    if (lstat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return;
    mode_t mode = executable ? 0755 : (info.st_mode & 0777);
    mode &= ~(LCurrentUmask() | S_IWOTH);
    if ((info.st_mode & 07777) != mode)
        chmod(path, mode);
}

// Every member of the archive stays inside the folder it is unpacked into.
bool ZipMembersAreSafe(const char* zip)
{
    const char* argv[] = {"unzip", "-Z1", zip, nullptr};
    LChildProcess child;
    if (!child.Start(argv, LChildStream::Null, LChildStream::Pipe))
        return false;
    LStringLongTemplate<char> listing;
    const bool read = child.ReadOutputToEnd(&listing);
    if (child.WaitToEnd() != 0 || !read)
        return false;
    std::string names = listing.Text();
    size_t start = 0;
    while (start < names.size()) {
        size_t end = names.find('\n', start);
        if (end == std::string::npos)
            end = names.size();
        const std::string name = names.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        if (name[0] == '/' || name == ".." || name.rfind("../", 0) == 0 ||
            name.find("/../") != std::string::npos ||
            (name.size() >= 3 && name.compare(name.size() - 3, 3, "/..") == 0) ||
            name.find('\\') != std::string::npos)
            return false;
    }
    return true;
}

} // namespace

void LSecureComponentsTree(const char* path)
{
    struct stat info;
    if (path == nullptr || lstat(path, &info) != 0)
        return;
    if (S_ISREG(info.st_mode)) {
        SecureComponentFile(path, true);
        return;
    }
    if (!S_ISDIR(info.st_mode))
        return; // links are left as they are
    const mode_t mode = 0777 & ~(LCurrentUmask() | S_IWOTH);
    if ((info.st_mode & 07777) != mode)
        chmod(path, mode);
    LFolderScan scan;
    for (bool more = scan.Start(path); more; more = scan.Next()) {
        char child[kLPathSize];
        if (LPathCombine(child, path, scan.Name(), ""))
            LSecureComponentsTree(child);
    }
}

bool LGetShippedComponentsFolder(char* dest)
{
    char resources[kLPathSize];
    dest[0] = '\0';
    return LGetResourcesFolder(resources, sizeof resources) &&
           std::snprintf(dest, kLPathSize, "%s/resources/components", resources) <
               static_cast<int>(kLPathSize);
}

bool LGetComponentPath(const char* name, char* dest)
{
    dest[0] = '\0';
    if (name == nullptr || *name == '\0')
        return false;
    if (strncasecmp(name, "infozip", 7) == 0) {
        std::snprintf(dest, kLPathSize, "%s", "/usr/bin/unzip");
        return IsFile(dest);
    }
    char folder[kLPathSize];
    if (!LGetComponentsFolder(folder))
        return false;
    if (!LPathCombine(dest, folder, name, ""))
        return false;
    struct stat info;
    if (stat(dest, &info) != 0)
        return false;
    // This program's components are single files; a folder in a file
    // component's place is not one.
    if (!S_ISREG(info.st_mode))
        return false;
    if (IsForeignBuild(dest)) {
        unlink(dest);
        return false;
    }
    return true;
}

void LComponentNameFromEntry(const char* entry, char* dest)
{
    if (!LPathGetTitle(dest, entry))
        dest[0] = '\0';
    const size_t length = std::strlen(dest);
    if (length > 0 && dest[length - 1] == 'i')
        dest[length - 1] = '\0';
}

bool LIsFolderEmpty(const char* folder)
{
    LFolderScan scan;
    const bool any = scan.Start(folder);
    scan.Close();
    return !any;
}

int LCountNonExecutableFiles(const char* folder)
{
    int count = 0;
    LFolderScan scan;
    for (bool more = scan.Start(folder); more; more = scan.Next()) {
        char path[kLPathSize];
        if (!LPathCombine(path, folder, scan.Name(), ""))
            continue;
        struct stat info;
        if (lstat(path, &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            count += LCountNonExecutableFiles(path);
        else if (S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0111)
            ++count;
    }
    return count;
}

int LInstallShippedComponentFile(const char* name, const char* source)
{
    char folder[kLPathSize], target[kLPathSize];
    if (!LGetComponentsFolder(folder) || !LPathCombine(target, folder, name, ""))
        return 2;
    if (!LFileCopy(source, target) || !IsFile(target))
        return 2;
    SecureComponentFile(target, true);
    return 0;
}

int LInstallShippedComponentFolder(const char* name, const char* source)
{
    char folder[kLPathSize], target[kLPathSize];
    if (!LGetComponentsFolder(folder) || !LPathCombine(target, folder, name, ""))
        return 2;
    LCopyFolderTree(source, target);
    if (!IsFolder(target))
        return 2;
    LSecureComponentsTree(target);
    return 0;
}

int LInstallComponentZip(const char* name, const char* zip, bool deleteZip)
{
    char folder[kLPathSize], target[kLPathSize];
    if (!LGetComponentsFolder(folder) || !LPathCombine(target, folder, name, ""))
        return 2;
    if (!ZipMembersAreSafe(zip))
        return 2;
    const char* argv[] = {"unzip", "-o", "-qq", zip, "-d", folder, nullptr};
    LChildProcess child;
    if (!child.Start(argv, LChildStream::Null, LChildStream::Null) || child.WaitToEnd() != 0)
        return 2;
    if (deleteZip)
        unlink(zip);
    struct stat info;
    if (stat(target, &info) != 0 || (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)))
        return 2;
    LSecureComponentsTree(target);
    return 0;
}
