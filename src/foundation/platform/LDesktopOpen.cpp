#include "foundation/platform/LDesktopOpen.h"

#include "foundation/files/LPath.h"
#include "foundation/process/LChildProcess.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
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

} // namespace

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
