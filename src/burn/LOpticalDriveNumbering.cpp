#include "burn/LOpticalDriveNumbering.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

namespace {

// The number of a node named "srN" (N decimal, no sign), or -1.
long DriveNumber(const char* name)
{
    if (std::strncmp(name, "sr", 2) != 0 || name[2] < '0' || name[2] > '9')
        return -1;
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(name + 2, &end, 10);
    if (*end != '\0' || errno == ERANGE || n > 0xFFFF)
        return -1;
    return n;
}

} // namespace

std::vector<std::string> LListOpticalDrivePaths(const char* folder)
{
    std::vector<std::pair<long, std::string>> found;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* entry = readdir(dir)) {
            const long n = DriveNumber(entry->d_name);
            if (n >= 0)
                found.emplace_back(n, std::string(folder) + "/" + entry->d_name);
        }
        closedir(dir);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [n, path] : found)
        paths.push_back(std::move(path));
    return paths;
}

bool LParseOpticalDriveChoice(const char* text, const std::vector<std::string>& paths, uint32_t& index)
{
    if (text == nullptr || *text == '\0')
        return false;
    if (*text >= '0' && *text <= '9') {
        char* end = nullptr;
        errno = 0;
        const unsigned long n = std::strtoul(text, &end, 10);
        if (*end != '\0' || errno == ERANGE || n >= paths.size())
            return false;
        index = static_cast<uint32_t>(n);
        return true;
    }
    for (size_t i = 0; i < paths.size(); ++i)
        if (paths[i] == text) {
            index = static_cast<uint32_t>(i);
            return true;
        }
    return false;
}
