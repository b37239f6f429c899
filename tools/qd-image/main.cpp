#include "QdImageCommand.h"

#include <QCoreApplication>

#include <cerrno>
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
    QdImageRunFunction run;
};

std::map<std::string, Entry>& Commands()
{
    static std::map<std::string, Entry> commands;
    return commands;
}

int Usage()
{
    std::fputs("usage: qd-image COMMAND ...\ncommands:\n", stderr);
    for (const auto& [name, entry] : Commands())
        std::fprintf(stderr, "  qd-image %s\n", entry.usage);
    return 2;
}

} // namespace

QdImageRegistrar::QdImageRegistrar(const char* name, const char* usage, QdImageRunFunction run)
{
    Commands()[name] = Entry{usage, run};
}

int QdImageFail(const char* format, ...)
{
    std::fputs("qd-image: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 2;
}

int QdImageRefused(const char* path, const char* cause)
{
    std::fprintf(stderr, "qd-image: %s: %s\n", path, cause);
    return 1;
}

const char* QdImageOption(int argc, char** argv, const char* flag)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return argv[i + 1];
    return nullptr;
}

bool QdImageFlag(int argc, char** argv, const char* flag)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    return false;
}

bool QdImageNumber(const char* text, long low, long high, long& value)
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

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end())
        return Usage();
    // Qt finds its image plugins through the application object.
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    return it->second.run(argc - 1, argv + 1);
}
