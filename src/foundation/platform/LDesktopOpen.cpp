#include "foundation/platform/LDesktopOpen.h"

#include "foundation/files/LPath.h"
#include "foundation/process/LChildProcess.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>

namespace {

constexpr size_t kUrlBufferSize = 2085;

bool IsUrl(const std::string& url)
{
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos || scheme == 0 || !std::isalpha(static_cast<unsigned char>(url[0])))
        return false;
    for (size_t i = 0; i < scheme; ++i) {
        const unsigned char ch = static_cast<unsigned char>(url[i]);
        if (!std::isalnum(ch) && ch != '+' && ch != '-' && ch != '.')
            return false;
    }
    if (url.size() == scheme + 3)
        return false;
    for (const char c : url) {
        const unsigned char ch = static_cast<unsigned char>(c);
        if (ch <= 0x20 || ch == 0x7F || std::strchr("\"<>\\^`{|}", ch))
            return false;
    }
    return true;
}

// Starts xdg-open on one argument and leaves it to finish on its own.
bool RunXdgOpen(const char* argument)
{
    const char* argv[] = {"xdg-open", argument, nullptr};
    LChildProcess child;
    if (!child.Start(argv, LChildStream::Null, LChildStream::Null))
        return false;
    child.Detach();
    return true;
}

LFileManagerShowItemFunction gShowItem = nullptr;

// The path made absolute with every link resolved; empty when it does not exist.
std::string RealPath(const char* path)
{
    char absolute[PATH_MAX];
    return realpath(path, absolute) ? std::string(absolute) : std::string();
}

// The first entry by name that a file manager shows as a file: no folder, no
// symbolic link, no hidden name.
std::string FirstFileIn(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return "";
    std::string first;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string name = entry->d_name;
        if (!first.empty() && name >= first)
            continue;
        struct stat info;
        if (lstat((folder + "/" + name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode) &&
            !S_ISLNK(info.st_mode))
            first = name;
    }
    closedir(dir);
    return first.empty() ? "" : (folder == "/" ? "" : folder) + "/" + first;
}

} // namespace

void LSetFileManagerShowItem(LFileManagerShowItemFunction showItem)
{
    gShowItem = showItem;
}

std::string LFileUriFromPath(const char* path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char* p = path ? path : ""; *p; ++p) {
        const unsigned char ch = static_cast<unsigned char>(*p);
        if (std::isalnum(ch) || std::strchr("/-._~", ch)) {
            uri += static_cast<char>(ch);
        } else {
            uri += '%';
            uri += kHex[ch >> 4];
            uri += kHex[ch & 15];
        }
    }
    return uri;
}

std::string LRevealTarget(const char* path)
{
    if (!path || !path[0])
        return "";
    const std::string absolute = RealPath(path);
    struct stat info;
    if (absolute.empty() || stat(absolute.c_str(), &info) != 0)
        return "";
    if (S_ISDIR(info.st_mode)) {
        const std::string file = FirstFileIn(absolute);
        if (!file.empty())
            return file;
    }
    return absolute;
}

bool LOpenURL(const char* text)
{
    if (!text || !text[0])
        return false;
    std::string url = std::strstr(text, "://") ? std::string(text) : "http://" + std::string(text);
    if (url.size() >= kUrlBufferSize || !IsUrl(url))
        return false;
    return RunXdgOpen(url.c_str());
}

bool LRevealFolderInFinder(const char* folder)
{
    if (!folder || !folder[0])
        return false;
    if (gShowItem) {
        const std::string target = LRevealTarget(folder);
        if (!target.empty() && gShowItem(LFileUriFromPath(target.c_str()).c_str()))
            return true;
    }
    // An absolute path, so that no folder name can pass for an option of xdg-open.
    char absolute[PATH_MAX];
    struct stat info;
    if (realpath(folder, absolute) && stat(absolute, &info) == 0 && S_ISDIR(info.st_mode))
        return RunXdgOpen(absolute);
    char parent[kLPathSize];
    if (LPathGetFolder(parent, folder) <= 0 || !realpath(parent, absolute) || stat(absolute, &info) != 0 ||
        !S_ISDIR(info.st_mode))
        return false;
    return RunXdgOpen(absolute);
}
