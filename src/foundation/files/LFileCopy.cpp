#include "foundation/files/LFileCopy.h"

#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

bool CopyByReadWrite(int in, int out, uint64_t limit, uint64_t* copied)
{
    char buffer[65536];
    while (*copied < limit) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(sizeof buffer, limit - *copied));
        const ssize_t got = read(in, buffer, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!LWriteAll(out, buffer, static_cast<std::size_t>(got)))
            return false;
        *copied += static_cast<uint64_t>(got);
    }
    return true;
}

// Extended attributes (ACLs among them) go with the data; attributes the
// destination refuses (a namespace this user may not write) are left behind.
void CopyExtendedAttributes(int in, int out)
{
    const ssize_t listSize = flistxattr(in, nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(static_cast<std::size_t>(listSize));
    const ssize_t got = flistxattr(in, names.data(), names.size());
    if (got <= 0)
        return;
    std::vector<char> value;
    for (ssize_t at = 0; at < got; at += static_cast<ssize_t>(std::strlen(names.data() + at)) + 1) {
        const char* name = names.data() + at;
        const ssize_t valueSize = fgetxattr(in, name, nullptr, 0);
        if (valueSize < 0)
            continue;
        value.resize(static_cast<std::size_t>(valueSize) + 1);
        const ssize_t read = fgetxattr(in, name, value.data(), value.size());
        if (read >= 0)
            fsetxattr(out, name, value.data(), static_cast<std::size_t>(read), 0);
    }
}

// The permissions a copy gets: those of the source, less set-id bits (the
// copy has another owner) and less write access for everyone.
mode_t CopyMode(mode_t sourceMode)
{
    return sourceMode & 0777 & ~static_cast<mode_t>(S_IWOTH);
}

// Gives the finished temporary file the destination's name: over an
// existing file, or (replace false) only when no file has that name, failing
// with EEXIST otherwise. The temporary file is removed when it could not be
// placed.
bool PlaceCopy(const char* temporary, const char* destination, bool replace)
{
    bool placed = false;
    if (replace) {
        placed = rename(temporary, destination) == 0;
    } else if (renameat2(AT_FDCWD, temporary, AT_FDCWD, destination, RENAME_NOREPLACE) == 0) {
        placed = true;
    } else if (errno == EINVAL || errno == ENOSYS) {
        // A file system without the atomic form: a hard link fails on an
        // existing name just the same.
        placed = link(temporary, destination) == 0;
        if (placed)
            unlink(temporary);
    }
    if (!placed) {
        const int error = errno;
        unlink(temporary);
        errno = error;
    }
    return placed;
}

bool CopyRegularFile(int in, const struct stat& info, const char* destination, bool replace)
{
    char temporary[PATH_MAX];
    const int out = LCreateFileBeside(destination, temporary, sizeof temporary, 0600);
    if (out < 0)
        return false;
    uint64_t copied = 0;
    bool ok = LCopyFileData(in, out, UINT64_MAX, &copied);
    if (ok) {
        CopyExtendedAttributes(in, out);
        const timespec times[2] = {info.st_atim, info.st_mtim};
        ok = fchmod(out, CopyMode(info.st_mode)) == 0 && futimens(out, times) == 0;
    }
    ok = close(out) == 0 && ok;
    if (!ok) {
        const int error = errno;
        unlink(temporary);
        errno = error;
        return false;
    }
    return PlaceCopy(temporary, destination, replace);
}

bool CopySymbolicLink(const char* source, const struct stat& info, const char* destination, bool replace)
{
    std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
    const ssize_t length = readlink(source, target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size())
        return false;
    target[static_cast<std::size_t>(length)] = '\0';
    // The link is made under a free name beside the destination, then renamed.
    char temporary[PATH_MAX];
    const int placeholder = LCreateFileBeside(destination, temporary, sizeof temporary, 0600);
    if (placeholder < 0)
        return false;
    close(placeholder);
    unlink(temporary);
    if (symlink(target.data(), temporary) != 0)
        return false;
    const timespec times[2] = {info.st_atim, info.st_mtim};
    utimensat(AT_FDCWD, temporary, times, AT_SYMLINK_NOFOLLOW);
    return PlaceCopy(temporary, destination, replace);
}

} // namespace

bool LCopyFileData(int in, int out, uint64_t limit, uint64_t* copied)
{
    *copied = 0;
    while (*copied < limit) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(limit - *copied, 1u << 30));
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, want, 0);
        if (n > 0) {
            *copied += static_cast<uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Files of pseudo file systems report no data to copy_file_range, and
        // some file systems and kernels refuse it: read and write instead.
        if (n == 0 && *copied > 0)
            return true;
        if (n < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EBADF && errno != EPERM && errno != ETXTBSY)
            return false;
        return CopyByReadWrite(in, out, limit, copied);
    }
    return true;
}

namespace {

bool CopyFile(const char* source, const char* destination, bool replace)
{
    if (!source || !destination || !source[0] || !destination[0])
        return false;
    struct stat info;
    if (lstat(source, &info) != 0)
        return false;
    if (S_ISLNK(info.st_mode))
        return CopySymbolicLink(source, info, destination, replace);
    if (!S_ISREG(info.st_mode))
        return false;
    // Non-blocking, so that a file swapped for a FIFO since the lstat cannot
    // hang the copy; the fstat below then rejects it.
    const int in = open(source, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (in < 0)
        return false;
    bool ok = fstat(in, &info) == 0 && S_ISREG(info.st_mode);
    if (ok) {
        fcntl(in, F_SETFL, fcntl(in, F_GETFL) & ~O_NONBLOCK);
        ok = CopyRegularFile(in, info, destination, replace);
    }
    const int error = errno;
    close(in);
    errno = error;
    return ok;
}

} // namespace

bool LFileCopy(const char* source, const char* destination)
{
    return CopyFile(source, destination, true);
}

bool LFileCopyWithoutReplacing(const char* source, const char* destination)
{
    return CopyFile(source, destination, false);
}
