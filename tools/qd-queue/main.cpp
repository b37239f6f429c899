#include "QueueCommand.h"

#include "app/queue/ProcessQueueRecord.h"
#include "foundation/files/LPath.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unistd.h>

namespace {

struct Entry
{
    const char* usage;
    QueueRunFunction run;
};

std::map<std::string, Entry>& Commands()
{
    static std::map<std::string, Entry> commands;
    return commands;
}

} // namespace

QueueRegistrar::QueueRegistrar(const char* name, const char* usage, QueueRunFunction run)
{
    Commands()[name] = Entry{usage, run};
}

int QueueFail(const char* format, ...)
{
    std::fputs("qd-queue: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 2;
}

const char* QueueOption(int argc, char** argv, const char* flag)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return argv[i + 1];
    return nullptr;
}

bool QueueFlag(int argc, char** argv, const char* flag)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    return false;
}

std::string QueueAbsolutePath(const char* path)
{
    if (path[0] == '/')
        return path;
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr)
        return path;
    return std::string(folder) + "/" + path;
}

std::string QueuePathOrExit()
{
    char path[kLPathSize];
    if (!GetProcessQueuePath(path)) {
        QueueFail("the caches folder cannot be named or made");
        std::exit(2);
    }
    return path;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: qd-queue COMMAND ...\ncommands:\n", stderr);
        for (const auto& [name, entry] : Commands())
            std::fprintf(stderr, "  qd-queue %s\n", entry.usage);
        return 2;
    }
    auto it = Commands().find(argv[1]);
    if (it == Commands().end())
        return QueueFail("unknown command '%s'", argv[1]);
    return it->second.run(argc - 1, argv + 1);
}
