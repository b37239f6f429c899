#include "foundation/files/LMoveAside.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace {

// Far more than anyone keeps; past it the file stays where it is.
constexpr int kMaxAsideNames = 1000;

enum class Aside { kRename, kLink };

bool PutAside(const char* path, char* dest, std::size_t destSize, Aside how)
{
    if (!path || !path[0] || !dest || destSize == 0)
        return false;
    for (int number = 1; number <= kMaxAsideNames; ++number) {
        const int length = number == 1 ? std::snprintf(dest, destSize, "%s.damaged", path)
                                       : std::snprintf(dest, destSize, "%s.damaged-%d", path, number);
        if (length < 0 || std::size_t(length) >= destSize)
            break;
        if (how == Aside::kRename) {
            if (renameat2(AT_FDCWD, path, AT_FDCWD, dest, RENAME_NOREPLACE) == 0)
                return true;
            if (errno == EEXIST)
                continue;
            // A file system without the no-replace rename: a hard link is
            // just as unwilling to replace.
            if (errno != EINVAL)
                break;
        }
        if (link(path, dest) == 0) {
            if (how == Aside::kLink || unlink(path) == 0)
                return true;
            unlink(dest);
            break;
        }
        if (errno != EEXIST)
            break;
    }
    dest[0] = 0;
    return false;
}

} // namespace

bool LMoveDamagedFileAside(const char* path, char* movedTo, std::size_t movedToSize)
{
    return PutAside(path, movedTo, movedToSize, Aside::kRename);
}

bool LLinkDamagedFileAside(const char* path, char* linkedTo, std::size_t linkedToSize)
{
    return PutAside(path, linkedTo, linkedToSize, Aside::kLink);
}
