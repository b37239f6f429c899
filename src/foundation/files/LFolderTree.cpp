#include "foundation/files/LFolderTree.h"

#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The folder path without trailing separators: "link/" would make the system
// resolve a symbolic link that "link" names.
bool TrimmedFolder(const char* folder, char* out)
{
    if (!folder || !folder[0] || !LPathCombine(out, folder, "", ""))
        return false;
    std::size_t length = std::strlen(out);
    while (length > 1 && out[length - 1] == '/')
        out[--length] = '\0';
    return true;
}

// Opens a folder entry without following a symbolic link.
int OpenFolderAt(int parent, const char* name)
{
    return openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes everything inside the open folder; takes over the descriptor.
void DeleteContents(int folderFd)
{
    DIR* folder = fdopendir(folderFd);
    if (!folder) {
        close(folderFd);
        return;
    }
    while (const dirent* entry = readdir(folder)) {
        if (IsDotEntry(entry->d_name))
            continue;
        struct stat info;
        const bool isFolder =
            fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
        if (isFolder) {
            const int child = OpenFolderAt(folderFd, entry->d_name);
            if (child >= 0)
                DeleteContents(child);
            unlinkat(folderFd, entry->d_name, AT_REMOVEDIR);
        } else {
            unlinkat(folderFd, entry->d_name, 0);
        }
    }
    closedir(folder);
}

struct FolderId
{
    dev_t device;
    ino_t inode;
};

bool CopyTree(const char* source, const char* dest, bool keepExisting, const FolderId* destRoot);

// Copies the entries of a source folder into an existing destination folder.
bool CopyEntries(const char* source, const char* dest, bool keepExisting, const FolderId& destRoot)
{
    DIR* folder = opendir(source);
    if (!folder)
        return false;
    bool ok = true;
    while (const dirent* entry = readdir(folder)) {
        if (IsDotEntry(entry->d_name))
            continue;
        char from[kLPathSize];
        char to[kLPathSize];
        if (!LPathCombine(from, source, entry->d_name, "") || !LPathCombine(to, dest, entry->d_name, "")) {
            ok = false;
            continue;
        }
        struct stat info;
        if (lstat(from, &info) == 0 && S_ISDIR(info.st_mode)) {
            // The destination inside the source: copying it would copy the
            // copy, without end.
            if (info.st_dev == destRoot.device && info.st_ino == destRoot.inode)
                continue;
            struct stat existing;
            if (mkdir(to, 0777) != 0 &&
                !(errno == EEXIST && lstat(to, &existing) == 0 && S_ISDIR(existing.st_mode))) {
                ok = false;
                continue;
            }
            ok = CopyTree(from, to, keepExisting, &destRoot) && ok;
        } else {
            struct stat existing;
            if (keepExisting && lstat(to, &existing) == 0)
                continue;
            ok = LFileCopy(from, to) && ok;
        }
    }
    closedir(folder);
    return ok;
}

bool CopyTree(const char* source, const char* dest, bool keepExisting, const FolderId* destRoot)
{
    struct stat info;
    if (!source || !dest || stat(source, &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    if (!destRoot) {
        struct stat destInfo;
        if ((stat(dest, &destInfo) != 0 || !S_ISDIR(destInfo.st_mode)) && !LCreateFolderPath(dest))
            return false;
        if (stat(dest, &destInfo) != 0 || !S_ISDIR(destInfo.st_mode))
            return false;
        const FolderId root{destInfo.st_dev, destInfo.st_ino};
        if (root.device == info.st_dev && root.inode == info.st_ino)
            return false;
        return CopyEntries(source, dest, keepExisting, root);
    }
    return CopyEntries(source, dest, keepExisting, *destRoot);
}

bool DeleteTree(const char* folder)
{
    char path[kLPathSize];
    if (!TrimmedFolder(folder, path))
        return false;
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        DeleteContents(fd);
    return rmdir(path) == 0;
}

bool ChmodEntries(int folderFd, mode_t folderMode, mode_t fileMode, mode_t executableMode)
{
    DIR* folder = fdopendir(folderFd);
    if (!folder) {
        close(folderFd);
        return false;
    }
    bool ok = true;
    while (const dirent* entry = readdir(folder)) {
        if (IsDotEntry(entry->d_name))
            continue;
        struct stat info;
        if (fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISLNK(info.st_mode))
            continue;
        if (S_ISDIR(info.st_mode)) {
            ok = fchmodat(folderFd, entry->d_name, folderMode, 0) == 0 && ok;
            const int child = OpenFolderAt(folderFd, entry->d_name);
            ok = child >= 0 && ChmodEntries(child, folderMode, fileMode, executableMode) && ok;
        } else {
            const mode_t mode = (info.st_mode & 0111) ? executableMode : fileMode;
            ok = fchmodat(folderFd, entry->d_name, mode, 0) == 0 && ok;
        }
    }
    closedir(folder);
    return ok;
}

} // namespace

bool LCopyFolderTree(const char* sourceFolder, const char* destFolder)
{
    return CopyTree(sourceFolder, destFolder, false, nullptr);
}

bool LCopyFolderTreeKeepExisting(const void* /*token*/, const char* sourceFolder, const char* destFolder)
{
    return CopyTree(sourceFolder, destFolder, true, nullptr);
}

bool LDeleteFolderTree(const char* folder)
{
    return DeleteTree(folder);
}

bool LDeleteFolderTreeForce(const char* folder)
{
    return DeleteTree(folder);
}

bool LDeleteFolder(const char* folder)
{
    char path[kLPathSize];
    if (!TrimmedFolder(folder, path))
        return false;
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR* entries = fdopendir(fd)) {
            while (const dirent* entry = readdir(entries)) {
                struct stat info;
                if (!IsDotEntry(entry->d_name) &&
                    fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(info.st_mode))
                    unlinkat(fd, entry->d_name, 0);
            }
            closedir(entries);
        } else {
            close(fd);
        }
    }
    return rmdir(path) == 0;
}

bool LChmodFolderTree(const char* folder)
{
    char path[kLPathSize];
    if (!TrimmedFolder(folder, path))
        return false;
    const mode_t mask = LCurrentUmask() | S_IWOTH;
    const mode_t folderMode = 0777 & ~mask;
    const mode_t fileMode = 0666 & ~mask;
    const mode_t executableMode = 0777 & ~mask;
    struct stat info;
    if (lstat(path, &info) != 0 || S_ISLNK(info.st_mode))
        return false;
    if (!S_ISDIR(info.st_mode))
        return chmod(path, (info.st_mode & 0111) ? executableMode : fileMode) == 0;
    bool ok = chmod(path, folderMode) == 0;
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 && ChmodEntries(fd, folderMode, fileMode, executableMode) && ok;
}
