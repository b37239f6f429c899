#include "foundation/platform/LBundle.h"

#include "foundation/files/LPath.h"
#include "foundation/text/LTextBuffer.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool CopyWhole(char* dest, size_t size, const std::string& text)
{
    if (size == 0)
        return false;
    if (text.empty() || text.size() >= size) {
        dest[0] = '\0';
        return false;
    }
    std::memcpy(dest, text.c_str(), text.size() + 1);
    return true;
}

bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

bool LGetExecutablePath(char* dest, size_t size)
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        if (size > 0)
            dest[0] = '\0';
        return false;
    }
    path[n] = '\0';
    return CopyWhole(dest, size, path);
}

bool LGetBundleLayout(const char* executable, char* bundle, size_t bundleSize, char* resources,
                      size_t resourcesSize)
{
    const std::string folder = FolderOf(executable ? executable : "");
    std::string bundlePath = folder;
    std::string resourcesPath = folder;
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && folder.compare(slash + 1, std::string::npos, "bin") == 0) {
        const std::string prefix = slash == 0 ? std::string() : folder.substr(0, slash);
        const std::string shared = prefix + "/share/quorin";
        if (IsFolder(shared)) {
            bundlePath = prefix.empty() ? std::string("/") : prefix;
            resourcesPath = shared;
        }
    }
    const bool bundleFits = CopyWhole(bundle, bundleSize, bundlePath);
    const bool resourcesFit = CopyWhole(resources, resourcesSize, resourcesPath);
    return bundleFits && resourcesFit;
}

bool LGetBundlePath(char* dest, size_t size)
{
    char executable[PATH_MAX];
    char resources[PATH_MAX];
    if (!LGetExecutablePath(executable, sizeof executable)) {
        if (size > 0)
            dest[0] = '\0';
        return false;
    }
    return LGetBundleLayout(executable, dest, size, resources, sizeof resources);
}

bool LGetResourcesFolder(char* dest, size_t size)
{
    char executable[PATH_MAX];
    char bundle[PATH_MAX];
    if (!LGetExecutablePath(executable, sizeof executable)) {
        if (size > 0)
            dest[0] = '\0';
        return false;
    }
    return LGetBundleLayout(executable, bundle, sizeof bundle, dest, size);
}

bool LGetHelpFolder(char* dest)
{
    char resources[kLPathSize];
    if (!LGetResourcesFolder(resources, sizeof resources)) {
        dest[0] = '\0';
        return false;
    }
    return LPathCombine(dest, resources, "help", "");
}

void LReadResourceRefFile(char* dest)
{
    dest[0] = '\0';
    char resources[kLPathSize];
    char path[kLPathSize];
    if (!LGetResourcesFolder(resources, sizeof resources) ||
        !LPathCombine(path, resources, "resources/ref.txt", ""))
        return;
    FILE* file = std::fopen(path, "re");
    if (!file)
        return;
    char line[1024];
    if (std::fgets(line, sizeof line, file)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        LStrCopyText(dest, line);
    }
    std::fclose(file);
}
