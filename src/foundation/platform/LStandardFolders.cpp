#include "foundation/platform/LStandardFolders.h"

#include "foundation/files/LPath.h"

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies a path whole, without a trailing '/'; a path that does not fit is
// refused, never cut (a cut path names another folder).
bool CopyPath(char* dest, const char* path)
{
    size_t length = std::strlen(path);
    while (length > 1 && path[length - 1] == '/')
        length--;
    if (length == 0 || length > kLPathMaxLength) {
        dest[0] = 0;
        return false;
    }
    std::memcpy(dest, path, length);
    dest[length] = 0;
    return true;
}

bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates the folder and its parents when missing; true when it exists after.
bool EnsureFolder(char* dest)
{
    if (IsFolder(dest) || LCreateFolderPath(dest) || IsFolder(dest))
        return true;
    dest[0] = 0;
    return false;
}

// An XDG variable is used only when it holds an absolute path, as the
// base-directory rules ask; otherwise home + fallback.
bool XdgFolder(char* dest, const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return CopyPath(dest, value);
    char home[kLPathSize];
    if (!LGetHomeFolder(home)) {
        dest[0] = 0;
        return false;
    }
    return LPathCombine(dest, home, fallback, "");
}

} // namespace

bool LGetHomeFolder(char* dest)
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return CopyPath(dest, home);
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return CopyPath(dest, found->pw_dir);
    dest[0] = 0;
    return false;
}

bool LGetAppSupportFolder(char* dest)
{
    return XdgFolder(dest, "XDG_DATA_HOME", ".local/share");
}

bool LGetAppDataFolder(char* dest)
{
    char base[kLPathSize];
    if (!LGetAppSupportFolder(base) || !LPathCombine(dest, base, "Quorin", "")) {
        dest[0] = 0;
        return false;
    }
    return EnsureFolder(dest);
}

bool LGetPreferencesFolder(char* dest)
{
    if (!XdgFolder(dest, "XDG_CONFIG_HOME", ".config"))
        return false;
    return EnsureFolder(dest);
}

bool LGetLogsFolder(char* dest)
{
    char base[kLPathSize];
    if (!LGetAppDataFolder(base) || !LPathCombine(dest, base, "Logs", "")) {
        dest[0] = 0;
        return false;
    }
    return EnsureFolder(dest);
}
