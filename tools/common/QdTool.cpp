#include "QdTool.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

struct Entry
{
    const char* usage;
    QdRunFunction run;
};

std::map<std::string, Entry>& Commands()
{
    static std::map<std::string, Entry> commands;
    return commands;
}

const char* gTool = "qd";

int Usage()
{
    std::fprintf(stderr, "usage: %s COMMAND ...\ncommands:\n", gTool);
    for (const auto& [name, entry] : Commands())
        std::fprintf(stderr, "  %s %s\n", gTool, entry.usage);
    return 2;
}

} // namespace

QdRegistrar::QdRegistrar(const char* name, const char* usage, QdRunFunction run)
{
    Commands()[name] = Entry{usage, run};
}

int QdFail(const char* format, ...)
{
    std::fprintf(stderr, "%s: ", gTool);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 2;
}

const char* QdOption(int argc, char** argv, const char* flag)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return argv[i + 1];
    return nullptr;
}

bool QdFlag(int argc, char** argv, const char* flag)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    return false;
}

bool QdNumber(const char* text, long low, long high, long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

int QdToolMain(const char* tool, int argc, char** argv, void (*beforeRun)(int argc, char** argv))
{
    // A file-size limit then fails the write with its message instead of killing the tool.
    std::signal(SIGXFSZ, SIG_IGN);
    gTool = tool;
    if (argc < 2)
        return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) {
        QdFail("unknown command '%s'", argv[1]);
        return Usage();
    }
    if (beforeRun)
        beforeRun(argc, argv);
    return it->second.run(argc - 1, argv + 1);
}
