#include "foundation/files/LWorkingFolder.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderScan.h"
#include "foundation/files/LFolderTree.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kMarkerName = ".owner";

// "0" and six characters of mkdtemp's.
bool IsWorkingFolderName(const char* name)
{
    if (std::strlen(name) != 7 || name[0] != '0')
        return false;
    for (const char* c = name + 1; *c != '\0'; ++c) {
        const bool alphanumeric =
            (*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z');
        if (!alphanumeric)
            return false;
    }
    return true;
}

} // namespace

LWorkingFolder::LWorkingFolder()
{
    char caches[kLPathSize] = {};
    if (!LGetCachesFolder(caches))
        return;
    std::string pattern = std::string(caches) + "/0XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        return;
    // The marker is locked before it says whose it is: a marker with
    // contents and no lock can only be a dead process's.
    const std::string marker = pattern + "/" + kMarkerName;
    marker_ = open(marker.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    char pid[32];
    const int length = std::snprintf(pid, sizeof pid, "%ld\n", static_cast<long>(getpid()));
    if (marker_ < 0 || flock(marker_, LOCK_EX | LOCK_NB) != 0 ||
        write(marker_, pid, static_cast<size_t>(length)) != length) {
        if (marker_ >= 0)
            close(marker_);
        marker_ = -1;
        LDeleteFolderTree(pattern.c_str());
        return;
    }
    path_ = pattern;
}

LWorkingFolder::~LWorkingFolder()
{
    if (!path_.empty())
        LDeleteFolderTree(path_.c_str());
    // The lock goes last: until the folder is gone it is in use.
    if (marker_ >= 0)
        close(marker_);
}

int LRemoveDeadWorkingFolders()
{
    char caches[kLPathSize] = {};
    if (!LGetCachesFolder(caches))
        return 0;
    std::vector<std::string> dead;
    LFolderScan scan;
    for (bool more = scan.Start(caches); more; more = scan.Next()) {
        if (!IsWorkingFolderName(scan.Name()))
            continue;
        const std::string folder = std::string(caches) + "/" + scan.Name();
        struct stat info;
        if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
            continue;
        const std::string marker = folder + "/" + kMarkerName;
        const int fd = open(marker.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held;
        const bool unlocked = flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (unlocked && fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_size > 0)
            dead.push_back(folder);
        close(fd);
    }
    int removed = 0;
    for (const std::string& folder : dead) {
        if (LDeleteFolderTree(folder.c_str()))
            ++removed;
    }
    return removed;
}
