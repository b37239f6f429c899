#include "foundation/platform/LProcessList.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Calls visit(pid) for every process until it returns true; true then.
template <typename Visit> bool ForEachProcess(Visit visit)
{
    DIR* folder = opendir("/proc");
    if (!folder)
        return false;
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(folder);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (!std::isdigit(static_cast<unsigned char>(name[0])))
            continue;
        found = visit(name);
    }
    closedir(folder);
    return found;
}

} // namespace

bool LIsProcessRunning(const char* name)
{
    if (!name || !name[0] || std::strlen(name) > 15)
        return false;
    return ForEachProcess([name](const char* pid) {
        char path[300];
        std::snprintf(path, sizeof path, "/proc/%s/comm", pid);
        FILE* file = std::fopen(path, "re");
        if (!file)
            return false; // the process ended meanwhile
        char comm[64] = {};
        const bool read = std::fgets(comm, sizeof comm, file) != nullptr;
        std::fclose(file);
        if (!read)
            return false;
        comm[std::strcspn(comm, "\n")] = '\0';
        return std::strcmp(comm, name) == 0;
    });
}

bool LFindProcessByExecutable(const char* path, pid_t* pid)
{
    struct stat wanted;
    if (!path || stat(path, &wanted) != 0)
        return false;
    return ForEachProcess([&](const char* id) {
        char exe[300];
        std::snprintf(exe, sizeof exe, "/proc/%s/exe", id);
        struct stat info;
        if (stat(exe, &info) != 0 || info.st_dev != wanted.st_dev || info.st_ino != wanted.st_ino)
            return false;
        if (pid)
            *pid = pid_t(std::atol(id));
        return true;
    });
}
