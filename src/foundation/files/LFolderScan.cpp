#include "foundation/files/LFolderScan.h"

#include "foundation/containers/LTokenize.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/text/LTextBuffer.h"

#include <cstring>
#include <sys/stat.h>

namespace {

bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

LFolderScan::~LFolderScan()
{
    Close();
}

void LFolderScan::Close()
{
    if (dir)
        closedir(dir);
    dir = nullptr;
    name[0] = '\0';
    type = DT_UNKNOWN;
}

bool LFolderScan::Start(const char* path)
{
    if (!path)
        return false;
    struct stat info;
    if (stat(path, &info) == 0 && S_ISREG(info.st_mode)) {
        char fileFolder[kLPathSize];
        char fileName[kLPathSize];
        if (LPathGetFolder(fileFolder, path) >= 0 && LPathGetFileName(fileName, path) && fileName[0]) {
            Close();
            if (LFolderExists(fileFolder) && IsFolder(fileFolder)) {
                dir = opendir(fileFolder);
                if (!dir)
                    return false;
                std::strcpy(folder, fileFolder);
                std::strcpy(pattern, fileName);
                return Next();
            }
        }
    }
    Close();
    // The folder is kept in a path buffer: one that does not fit is refused
    // rather than scanned under a name that is not its own.
    if (std::strlen(path) > kLPathMaxLength || !LFolderExists(path) || !IsFolder(path))
        return false;
    dir = opendir(path);
    if (!dir)
        return false;
    std::strcpy(folder, path);
    std::strcpy(pattern, "*");
    return Next();
}

bool LFolderScan::Next()
{
    if (!dir)
        return false;
    for (;;) {
        name[0] = '\0';
        type = DT_UNKNOWN;
        const dirent* entry = readdir(dir);
        if (!entry) {
            Close();
            return false;
        }
        std::strcpy(name, entry->d_name);
        type = entry->d_type;
        if (Accept(name))
            return true;
    }
}

bool LFolderScan::Accept(const char* entryName)
{
    if (entryName[0] == '.' || std::strncmp(entryName, "__MACOSX", 8) == 0)
        return false;
    char lowerPattern[kLPathSize];
    char lowerName[kLPathSize];
    LStrCopyText(lowerPattern, pattern, sizeof lowerPattern);
    LStrCopyText(lowerName, entryName, sizeof lowerName);
    LStrToLowerLocale(lowerPattern);
    LStrToLowerLocale(lowerName);
    return LWildcardMatch(lowerPattern, lowerName);
}

bool LFolderScanAll::Accept(const char*)
{
    return true;
}
