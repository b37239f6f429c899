#include "foundation/platform/LTrash.h"

#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsOwnPrivateFolder(const char* path)
{
    struct stat info;
    return lstat(path, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

// A folder of the trash, made private when missing; never a link.
bool MakeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return IsOwnPrivateFolder(path.c_str());
}

bool MakeTrash(const std::string& trash)
{
    return MakeFolder(trash) && MakeFolder(trash + "/files") && MakeFolder(trash + "/info");
}

// The folder the path's file system is mounted on: the last folder up from
// the path that is still on its device.
std::string MountTop(const std::string& path, dev_t device)
{
    std::string top = path;
    for (;;) {
        const std::string::size_type slash = top.rfind('/');
        if (slash == std::string::npos || top == "/")
            return top;
        const std::string up = slash == 0 ? "/" : top.substr(0, slash);
        struct stat info;
        if (stat(up.c_str(), &info) != 0 || info.st_dev != device)
            return top;
        top = up;
    }
}

std::string AbsolutePath(const char* path)
{
    if (path[0] == '/')
        return path;
    char here[kLPathSize] = {};
    if (getcwd(here, sizeof here) == nullptr)
        return "";
    return std::string(here) + "/" + path;
}

// The trash of the home's file system, or of the file system at `top`.
std::string TrashFor(const std::string& absolute, std::string* top)
{
    top->clear();
    // The file's folder decides: the file itself may be a link elsewhere.
    const std::string::size_type slash = absolute.rfind('/');
    const std::string folder = slash == 0 ? "/" : absolute.substr(0, slash);
    struct stat file;
    if (stat(folder.c_str(), &file) != 0)
        return "";
    char data[kLPathSize] = {};
    if (!LGetAppSupportFolder(data) || data[0] != '/')
        return "";
    const std::string home = std::string(data) + "/Trash";
    // The home trash's own file system is where its data folder is (or
    // would be made).
    std::string probe = data;
    struct stat homeInfo;
    while (stat(probe.c_str(), &homeInfo) != 0) {
        const std::string::size_type up = probe.rfind('/');
        if (up == std::string::npos || probe == "/")
            return "";
        probe = up == 0 ? "/" : probe.substr(0, up);
    }
    if (homeInfo.st_dev == file.st_dev) {
        if (mkdir(data, 0700) != 0 && errno != EEXIST)
            return "";
        return MakeTrash(home) ? home : "";
    }
    *top = MountTop(folder, file.st_dev);
    const std::string base = *top == "/" ? "" : *top;
    const std::string uid = std::to_string(static_cast<unsigned long>(geteuid()));
    // An administrator's shared trash counts only when it is a real,
    // sticky folder: otherwise another user could read what lands in it.
    struct stat shared;
    const std::string sharedPath = base + "/.Trash";
    if (lstat(sharedPath.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) &&
        MakeTrash(sharedPath + "/" + uid))
        return sharedPath + "/" + uid;
    const std::string own = base + "/.Trash-" + uid;
    return MakeTrash(own) ? own : "";
}

// RFC 2396 escaping of a path for the info file's "Path=" key.
std::string EscapePath(const std::string& path)
{
    static const char kKeep[] = "-_.!~*'()/";
    std::string out;
    for (const unsigned char c : path) {
        if (std::isalnum(c) != 0 && c < 0x80) {
            out += static_cast<char>(c);
        } else if (c != 0 && std::strchr(kKeep, c) != nullptr) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

bool MoveWithoutReplacing(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the atomic form: the name was looked at just now.
    struct stat info;
    if (lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

std::string LTrashFolderFor(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return "";
    std::string absolute = AbsolutePath(path);
    while (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    // A folder is asked for as the folder its files are in.
    struct stat info;
    if (stat(absolute.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        absolute += "/x";
    std::string top;
    return TrashFor(absolute, &top);
}

LTrashResult LMoveToTrash(const char* path, std::string* trashedAs)
{
    if (path == nullptr || path[0] == '\0')
        return LTrashResult::kFailed;
    const std::string absolute = AbsolutePath(path);
    std::string top;
    const std::string trash = TrashFor(absolute, &top);
    if (trash.empty())
        return LTrashResult::kNoTrash;
    const std::string::size_type slash = absolute.rfind('/');
    const std::string name = absolute.substr(slash + 1);
    char title[kLPathSize] = {};
    char extension[kLPathSize] = {};
    LPathGetTitle(title, name.c_str());
    LPathGetExtension(extension, name.c_str());
    // A trash on another file system records the path from its top.
    const std::string recorded = top.empty() ? absolute : absolute.substr(top == "/" ? 1 : top.size() + 1);
    char date[32] = {};
    const time_t now = time(nullptr);
    struct tm local = {};
    localtime_r(&now, &local);
    strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string info = "[Trash Info]\nPath=" + EscapePath(recorded) + "\nDeletionDate=" + date + "\n";

    for (int n = 1; n < 10000; ++n) {
        const std::string entry = n == 1 ? name : std::string(title) + "." + std::to_string(n) + extension;
        // The info file is made first, exclusively: it reserves the name.
        const std::string infoPath = trash + "/info/" + entry + ".trashinfo";
        const int fd = open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return LTrashResult::kFailed;
        }
        const bool written = write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
        const bool closed = close(fd) == 0;
        const std::string target = trash + "/files/" + entry;
        if (written && closed && MoveWithoutReplacing(absolute, target)) {
            if (trashedAs != nullptr)
                *trashedAs = target;
            return LTrashResult::kTrashed;
        }
        const int error = errno;
        unlink(infoPath.c_str());
        // A leftover without its info file: the next name.
        if (written && closed && error == EEXIST)
            continue;
        return LTrashResult::kFailed;
    }
    return LTrashResult::kFailed;
}
