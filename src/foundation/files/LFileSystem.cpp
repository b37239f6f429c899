#include "foundation/files/LFileSystem.h"

#include "foundation/files/LFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

void SleepMs(uint64_t ms)
{
    timespec remaining{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

void CloseKeepingErrno(int fd)
{
    const int saved = errno;
    close(fd);
    errno = saved;
}

// The home folder from the environment, else from the password database.
bool HomeFolder(char* dest)
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return LPathCombine(dest, home, "", "");
    passwd entry;
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found || !found->pw_dir)
        return false;
    return LPathCombine(dest, found->pw_dir, "", "");
}

} // namespace

uint32_t LGetTickCount()
{
    timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 (static_cast<uint64_t>(now.tv_usec) + 500u) / 1000u);
}

bool LFileLockWait(int fd, int operation, uint32_t timeoutMs)
{
    // 64 bits: doubling a 32-bit wait near the top of the range would wrap to
    // 0 and spin for ever.
    uint64_t wait = timeoutMs / 32u + 1u;
    for (;;) {
        if (flock(fd, operation) == 0)
            return true;
        if (errno != EWOULDBLOCK)
            return false;
        SleepMs(wait);
        wait *= 2;
        if (wait >= timeoutMs)
            break;
    }
    // One last try after the final sleep, so that the time spent waiting can
    // still pay off.
    return flock(fd, operation) == 0;
}

bool LReadFileExact(const char* path, void* buffer, std::size_t length, uint32_t lockWaitMs)
{
    // Non-blocking: a FIFO at the path would otherwise wait for a writer for ever.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    LFileLockWait(fd, LOCK_SH | LOCK_NB, lockWaitMs);
    char* at = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = read(fd, at + done, length - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    return done == length;
}

bool LWriteFileExact(const char* path, const void* buffer, std::size_t length, uint32_t lockWaitMs)
{
    if (!path || !path[0])
        return false;
    char target[PATH_MAX];
    if (!LResolveReplaceTarget(path, target, sizeof target))
        return false;

    // Writers queue on the lock of the file being replaced; readers hold a
    // shared lock on the same file while they read.
    const int existing = open(target, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (existing >= 0)
        LFileLockWait(existing, LOCK_EX | LOCK_NB, lockWaitMs);
    // Taken from the path, so that a file this user may not read keeps its mode too.
    struct stat existingInfo;
    const bool keepMode = stat(target, &existingInfo) == 0 && S_ISREG(existingInfo.st_mode);

    char temporary[PATH_MAX];
    const int fd = LCreateFileBeside(target, temporary, sizeof temporary, 0666);
    bool ok = fd >= 0;
    if (ok) {
        if (keepMode)
            fchmod(fd, existingInfo.st_mode & 07777);
        ok = LWriteAll(fd, buffer, length) && fdatasync(fd) == 0;
        ok = close(fd) == 0 && ok;
        ok = ok && rename(temporary, target) == 0;
        if (!ok)
            unlink(temporary);
    }
    if (existing >= 0)
        CloseKeepingErrno(existing);
    return ok;
}

bool LResolveReplaceTarget(const char* path, char* target, std::size_t targetSize)
{
    struct stat linkInfo;
    if (lstat(path, &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char resolved[PATH_MAX];
        return realpath(path, resolved) &&
               std::snprintf(target, targetSize, "%s", resolved) < static_cast<int>(targetSize);
    }
    return std::snprintf(target, targetSize, "%s", path) < static_cast<int>(targetSize);
}

namespace {

constexpr char kBesidePrefix[] = ".quorin-";
constexpr char kBesideSuffix[] = ".tmp";

// The process id in a name LCreateFileBeside makes, or -1 for any other name.
long BesideFileOwner(const char* name)
{
    const std::size_t prefix = sizeof kBesidePrefix - 1;
    if (std::strncmp(name, kBesidePrefix, prefix) != 0)
        return -1;
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(name + prefix, &end, 10);
    if (errno != 0 || end == name + prefix || pid <= 0 || *end != '-')
        return -1;
    const char* sequence = end + 1;
    std::strtoul(sequence, &end, 10);
    if (end == sequence || std::strcmp(end, kBesideSuffix) != 0)
        return -1;
    return pid;
}

} // namespace

namespace {

// The mark a writer keeps on its file beside the target while the file has
// no name of its own yet. An open-file-description record lock, not flock:
// the writers themselves flock the same file through other descriptors (the
// tag and WAV writers open it again by path), and the two kinds of lock never
// meet on Linux. The cleaner asks for a read lock, which any writer's mark
// refuses; the writer waits for a cleaner that is looking to let go.
bool WriterMark(int fd, short type, bool wait)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    while (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

int LRemoveStaleFilesBeside(const char* path)
{
    if (!path || !path[0])
        return 0;
    char folder[PATH_MAX];
    if (std::snprintf(folder, sizeof folder, "%s", path) >= static_cast<int>(sizeof folder))
        return 0;
    char* slash = std::strrchr(folder, '/');
    if (slash == folder)
        folder[1] = '\0';
    else if (slash)
        *slash = '\0';
    else
        std::strcpy(folder, ".");
    const int dirFd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return 0;
    }
    int removed = 0;
    const long self = static_cast<long>(getpid());
    while (dirent* entry = readdir(dir)) {
        const long pid = BesideFileOwner(entry->d_name);
        if (pid < 0 || pid == self)
            continue;
        // A process that still runs may be writing it.
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        struct stat info;
        if (fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != getuid())
            continue;
        // A writer whose process this one cannot see (another PID namespace,
        // another machine sharing the folder) still holds its file's lock.
        const int fd = openat(dirFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held;
        if (WriterMark(fd, F_RDLCK, false) && fstat(fd, &held) == 0 && held.st_dev == info.st_dev &&
            held.st_ino == info.st_ino && unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        close(fd);
    }
    closedir(dir);
    return removed;
}

bool LIsSameFile(const char* a, const char* b)
{
    struct stat first;
    struct stat second;
    return a && b && stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

int LCreateFileBeside(const char* path, char* tempPath, std::size_t tempSize, mode_t mode)
{
    char folder[PATH_MAX];
    if (std::snprintf(folder, sizeof folder, "%s", path) >= static_cast<int>(sizeof folder))
        return -1;
    char* slash = std::strrchr(folder, '/');
    if (slash)
        slash[1] = '\0';
    else
        folder[0] = '\0';
    // A short name of its own: the target's name may already be as long as
    // the file system allows.
    static std::atomic<unsigned> sequence{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (std::snprintf(tempPath, tempSize, "%s%s%ld-%u%s", folder, kBesidePrefix,
                          static_cast<long>(getpid()), sequence.fetch_add(1),
                          kBesideSuffix) >= static_cast<int>(tempSize))
            return -1;
        const int fd = open(tempPath, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return fd;
        // Held while the descriptor is open: LRemoveStaleFilesBeside leaves a
        // locked file alone. One that a cleaner removed before the lock was
        // taken has no name any more: make another.
        struct stat info;
        if (WriterMark(fd, F_WRLCK, true) && fstat(fd, &info) == 0 && info.st_nlink == 0) {
            close(fd);
            continue;
        }
        return fd;
    }
    return -1;
}

mode_t LCurrentUmask()
{
    // /proc reports the mask without the set-and-restore race of umask().
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask);
    }
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

bool LGetCachesFolder(char* dest)
{
    char base[kLPathSize];
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    bool named;
    if (xdg && xdg[0] == '/') {
        named = LPathCombine(base, xdg, "", "");
    } else {
        char home[kLPathSize];
        named = HomeFolder(home) && LPathCombine(base, home, ".cache", "");
    }
    if (!named || !LPathCombine(dest, base, "Quorin", "")) {
        dest[0] = '\0';
        return false;
    }
    struct stat info;
    if (stat(dest, &info) == 0 && S_ISDIR(info.st_mode))
        return true;
    if (!LCreateFolderPath(dest) && !(stat(dest, &info) == 0 && S_ISDIR(info.st_mode))) {
        dest[0] = '\0';
        return false;
    }
    return true;
}

LTempFile::~LTempFile()
{
    if (fd >= 0)
        close(fd);
}

bool LTempFile::Create(const char* suffix)
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
    char folder[kLPathSize];
    const int suffixLength = suffix ? static_cast<int>(std::strlen(suffix)) : 0;
    if (!LGetCachesFolder(folder) || !LPathCombine(path, folder, "0XXXXXX", suffix)) {
        path[0] = '\0';
        return false;
    }
    fd = mkostemps(path, suffixLength, O_CLOEXEC);
    if (fd < 0)
        path[0] = '\0';
    return fd >= 0;
}

int LTempFile::Remove()
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
    return unlink(path);
}
