#include "online/LDownloadTarget.h"

#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kLockPrefix[] = ".quorin-download-";
constexpr char kLockSuffix[] = ".lock";
constexpr int kLockAttempts = 20;

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Lock files that no download holds any more (one was killed before it
// could remove its own): taken, then removed while held, so that a download
// that opened one of them meanwhile sees it gone and makes another.
void RemoveUnheldLockFiles(const std::string& folder, const std::string& own)
{
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return;
    const size_t prefix = sizeof kLockPrefix - 1, suffix = sizeof kLockSuffix - 1;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix + suffix || name.compare(0, prefix, kLockPrefix) != 0 ||
            name.compare(name.size() - suffix, suffix, kLockSuffix) != 0)
            continue;
        const std::string path = folder + name;
        if (path == own)
            continue;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held, named;
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == getuid() &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &named) == 0 && SameFile(held, named))
            unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

} // namespace

LDownloadTarget::LDownloadTarget(const char* destination)
    : destination_(destination != nullptr ? destination : "")
{
}

LDownloadTarget::~LDownloadTarget()
{
    Abandon();
}

std::string LDownloadTarget::LockPathFor(const std::string& target)
{
    // A short name of its own, whatever the length of the target's: FNV-1a
    // of the name. Two names with one hash only wait for each other.
    const size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return FolderOf(target) + kLockPrefix + text + kLockSuffix;
}

bool LDownloadTarget::Fail(const std::string& reason)
{
    error_ = reason;
    return false;
}

bool LDownloadTarget::TakeLock()
{
    lockPath_ = LockPathFor(target_);
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        const int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return Fail("cannot write beside " + destination_ + ": " + std::strerror(errno));
        if (!LFileLockWait(fd, LOCK_EX | LOCK_NB, kLockWaitMs)) {
            close(fd);
            return Fail(destination_ + " is being written by another download");
        }
        // The download that held it before may have removed it meanwhile;
        // a lock on a file without that name keeps no one out.
        struct stat held, named;
        if (fstat(fd, &held) == 0 && lstat(lockPath_.c_str(), &named) == 0 && SameFile(held, named)) {
            lockFd_ = fd;
            return true;
        }
        close(fd);
    }
    return Fail("cannot lock " + destination_ + ": its lock file keeps changing");
}

void LDownloadTarget::ReleaseLock()
{
    if (lockFd_ < 0)
        return;
    // Removed while still held: see TakeLock.
    unlink(lockPath_.c_str());
    close(lockFd_);
    lockFd_ = -1;
}

bool LDownloadTarget::Open()
{
    Abandon();
    error_.clear();
    if (destination_.empty())
        return Fail("no destination file");
    struct stat linkInfo;
    const bool isLink = lstat(destination_.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode);
    char resolved[PATH_MAX];
    if (!LResolveReplaceTarget(destination_.c_str(), resolved, sizeof resolved)) {
        if (isLink)
            return Fail(destination_ + " is a symbolic link to a file that cannot be reached: refused");
        return Fail(destination_ + ": the path is too long");
    }
    target_ = resolved;
    struct stat existing;
    const bool exists = stat(target_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return Fail(destination_ + " is not a regular file: refused");
    if (!TakeLock())
        return false;
    LRemoveStaleFilesBeside(target_.c_str());
    RemoveUnheldLockFiles(FolderOf(target_), lockPath_);

    char temp[PATH_MAX];
    temp_ = LCreateFileBeside(target_.c_str(), temp, sizeof temp, 0600);
    if (temp_ < 0) {
        const int error = errno;
        ReleaseLock();
        return Fail("cannot write beside " + destination_ + ": " + std::strerror(error));
    }
    tempPath_ = temp;
    // The mode is set before any byte is written, so that the contents of a
    // private file are never readable by others on the way.
    const mode_t mode = exists ? (existing.st_mode & 07777) : (0644 & ~LCurrentUmask());
    if (fchmod(temp_, mode) != 0) {
        const int error = errno;
        Abandon();
        return Fail("cannot set the permissions beside " + destination_ + ": " + std::strerror(error));
    }
    return true;
}

bool LDownloadTarget::Write(const void* data, size_t count)
{
    if (temp_ < 0)
        return Fail("the download has no file to write");
    errno = ENOSPC; // what a write that moves nothing means
    if (!LWriteAll(temp_, data, count))
        return Fail("cannot write " + destination_ + ": " + std::strerror(errno));
    return true;
}

bool LDownloadTarget::Commit()
{
    if (temp_ < 0)
        return Fail("the download has no file to store");
    // Renamed while still open, so that the temporary file stays locked
    // (and safe from cleaning) until it has its name.
    if (fdatasync(temp_) != 0 || rename(tempPath_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        Abandon();
        return Fail("cannot store " + destination_ + ": " + std::strerror(error));
    }
    tempPath_.clear();
    close(temp_);
    temp_ = -1;
    ReleaseLock();
    return true;
}

void LDownloadTarget::Abandon()
{
    // Removed before it is closed: its lock guards it until it is gone.
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    if (temp_ >= 0) {
        close(temp_);
        temp_ = -1;
    }
    ReleaseLock();
}
