#include "foundation/settings/LLockedFileUpdate.h"

#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxReopens = 20;

// A writer killed between making its temporary file and renaming it leaves
// the file behind; the next writer in the folder removes those of processes
// that no longer exist.
void RemoveStaleTemporaries(const char* path)
{
    std::string folder(path);
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : folder.substr(0, slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        long pid = 0;
        unsigned sequence = 0;
        int consumed = 0;
        if (std::sscanf(entry->d_name, ".quorin-%ld-%u.tmp%n", &pid, &sequence, &consumed) != 2 ||
            entry->d_name[consumed] != 0 || pid <= 0)
            continue;
        if (kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

} // namespace

LLockedFileUpdate::~LLockedFileUpdate()
{
    End();
}

bool LLockedFileUpdate::Begin(const char* path, uint32_t waitMs)
{
    End();
    if (std::snprintf(path_, sizeof path_, "%s", path) >= int(sizeof path_))
        return false;
    for (int attempt = 0; attempt < kMaxReopens; ++attempt) {
        fd_ = open(path_, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0)
            return false;
        locked = LFileLockWait(fd_, LOCK_EX | LOCK_NB, waitMs);
        struct stat held;
        struct stat current;
        if (!locked)
            return true;
        if (fstat(fd_, &held) == 0 && stat(path_, &current) == 0 && held.st_dev == current.st_dev &&
            held.st_ino == current.st_ino) {
            RemoveStaleTemporaries(path_);
            return true;
        }
        // Replaced while we waited: lock the file that now has the name.
        close(fd_);
        fd_ = -1;
    }
    return false;
}

bool LLockedFileUpdate::Read(LStringLongTemplate<char>* out, uint64_t maxBytes)
{
    out->Clear();
    if (fd_ < 0)
        return false;
    if (lseek(fd_, 0, SEEK_SET) < 0)
        return false;
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (uint64_t(got) > maxBytes - out->length) {
            out->Clear();
            errno = EFBIG;
            return false;
        }
        out->Append(buffer, uint64_t(got));
    }
}

bool LLockedFileUpdate::Replace(const void* bytes, std::size_t length)
{
    if (fd_ < 0)
        return false;
    char temporary[PATH_MAX];
    int out = LCreateFileBeside(path_, temporary, sizeof temporary, 0666);
    if (out < 0)
        return false;
    struct stat info;
    if (fstat(fd_, &info) == 0)
        fchmod(out, info.st_mode & 07777);
    bool ok = LWriteAll(out, bytes, length) && fsync(out) == 0;
    ok = close(out) == 0 && ok;
    ok = ok && rename(temporary, path_) == 0;
    if (!ok)
        unlink(temporary);
    return ok;
}

void LLockedFileUpdate::End()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    locked = false;
}
