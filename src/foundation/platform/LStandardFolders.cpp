#include "foundation/platform/LStandardFolders.h"

#include "foundation/files/LPath.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <string>
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

// The value of XDG_<name>_DIR in user-dirs.dirs, "$HOME" spelled out; empty
// when the file or the line is missing. Lines look like XDG_MUSIC_DIR="$HOME/Music".
std::string ReadUserDirsEntry(const char* key, const char* home)
{
    char config[kLPathSize];
    char path[kLPathSize];
    if (!XdgFolder(config, "XDG_CONFIG_HOME", ".config") || !LPathCombine(path, config, "user-dirs.dirs", ""))
        return std::string();
    FILE* file = std::fopen(path, "re");
    if (!file)
        return std::string();
    std::string value;
    const size_t keyLength = std::strlen(key);
    char line[1024];
    while (std::fgets(line, sizeof line, file)) {
        const char* p = line;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (std::strncmp(p, key, keyLength) != 0 || p[keyLength] != '=')
            continue;
        p += keyLength + 1;
        if (*p != '"')
            continue;
        ++p;
        const char* end = std::strchr(p, '"');
        if (!end)
            continue;
        std::string raw(p, size_t(end - p));
        if (raw.compare(0, 5, "$HOME") == 0)
            raw = std::string(home) + raw.substr(5);
        else if (raw.empty() || raw[0] != '/')
            continue;
        value = raw;
    }
    std::fclose(file);
    return value;
}

// The same folder spelled with or without a trailing '/'.
bool IsSameFolder(const std::string& a, const char* b)
{
    std::string x = a, y = b;
    while (x.size() > 1 && x.back() == '/')
        x.pop_back();
    while (y.size() > 1 && y.back() == '/')
        y.pop_back();
    return x == y;
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

bool LGetUserFolder(char* dest, const char* xdgName, const char* fallback)
{
    char home[kLPathSize];
    if (!LGetHomeFolder(home)) {
        dest[0] = 0;
        return false;
    }
    const std::string key = std::string("XDG_") + xdgName + "_DIR";
    std::string folder = ReadUserDirsEntry(key.c_str(), home);
    if (folder.empty()) {
        const char* value = std::getenv(key.c_str());
        if (value && value[0] == '/')
            folder = value;
    }
    if (!folder.empty() && !IsSameFolder(folder, home))
        return CopyPath(dest, folder.c_str());
    if (!LPathCombine(dest, home, fallback, ""))
        return false;
    return EnsureFolder(dest);
}

bool LGetMusicFolder(char* dest)
{
    return LGetUserFolder(dest, "MUSIC", "Music");
}

bool LGetPicturesFolder(char* dest)
{
    return LGetUserFolder(dest, "PICTURES", "Pictures");
}

bool LGetDownloadsFolder(char* dest)
{
    return LGetUserFolder(dest, "DOWNLOAD", "Downloads");
}
