#include "support/TestData.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>

namespace quorin::test {

namespace {

bool IsDirectory(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string SourceDir()
{
    return QUORIN_SOURCE_DIR;
}

std::string BuildDir()
{
    return QUORIN_BUILD_DIR;
}

std::string SharedTestDataDir()
{
    if (const char* env = std::getenv("QUORIN_TESTDATA"); env && IsDirectory(env))
        return env;
    std::string beside = SourceDir() + "/../shared/testdata";
    return IsDirectory(beside) ? beside : std::string();
}

bool HaveTool(const std::string& name)
{
    return RunCommand("command -v '" + name + "' >/dev/null 2>&1") == 0;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunCommand(const std::string& command)
{
    int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string CaptureCommand(const std::string& command, int* status)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return out;
    }
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    int rc = pclose(pipe);
    if (status)
        *status = (rc != -1 && WIFEXITED(rc)) ? WEXITSTATUS(rc) : -1;
    return out;
}

} // namespace quorin::test
