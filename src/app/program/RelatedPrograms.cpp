#include "app/program/RelatedPrograms.h"

#include "foundation/log/LLog.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/process/LHelperSocket.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The hand-over record: command 2, the program name and the argument text.
constexpr std::size_t kHandOverSize = 33284;
constexpr uint32_t kHandOverCommand = 2;

bool SendAll(int fd, const uint8_t* bytes, std::size_t size)
{
    // The budget of empty 200 ms slices a slow reader is given.
    int budget = 15000;
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = send(fd, bytes + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        pollfd entry{fd, POLLOUT, 0};
        if (poll(&entry, 1, 200) == 0 && (budget -= 2) < 3)
            return false;
    }
    return true;
}

} // namespace

std::string LRelatedProgramCommand(const char* program)
{
    std::string command = program != nullptr ? program : "";
    for (char& c : command)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return command;
}

bool LSendFileToRelatedProgram(LWindow* parent, const char* program, const char* argument, bool wait,
                               const char* title)
{
    const std::string name = LRelatedProgramCommand(program);
    int fd = -1;
    LConnectHelperPipe(&fd, name.c_str());
    if (fd < 0)
        return false;
    std::vector<uint8_t> record(kHandOverSize, 0);
    for (int i = 0; i < 4; ++i)
        record[i] = static_cast<uint8_t>(kHandOverCommand >> (8 * i));
    std::strncpy(reinterpret_cast<char*>(record.data() + 4), program, 259);
    if (argument != nullptr)
        std::strncpy(reinterpret_cast<char*>(record.data() + 264), argument, 259);
    const bool sent = SendAll(fd, record.data(), record.size());
    close(fd);
    if (!sent || !wait)
        return sent;
    return LRunRelatedProgramDialog(parent, title, program, std::string(), true) == 0;
}

int LLaunchRelatedProgram(const char* program, const std::vector<std::string>& arguments)
{
    const std::string command = LRelatedProgramCommand(program);
    std::vector<const char*> argv;
    argv.push_back(command.c_str());
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    LChildProcess child;
    if (!child.Start(argv.data())) {
        LLogWarningF("%s could not be started", program);
        return 2;
    }
    child.Detach();
    return 0;
}

int LRunRelatedProgramDialog(LWindow* parent, const char* title, const char* program,
                             const std::string& argument, bool wait)
{
    // Finding a missing program online and installing it is the related
    // programs' own window; here the program is started when it is there.
    (void)parent, (void)title, (void)wait;
    std::vector<std::string> arguments;
    if (!argument.empty())
        arguments.push_back(argument);
    return LLaunchRelatedProgram(program, arguments);
}
