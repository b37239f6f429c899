#include "foundation/platform/LRunElevated.h"

#include "foundation/files/LFile.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LArgTokenizer.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LPollSet.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

enum : int { kRan = 0, kCancelled = 1, kFailed = 2 };

// pkexec's own exit codes.
constexpr int kElevatorDismissed = 126;

bool ResolveTool(const char* name, std::string* path)
{
    char found[kLPathSize];
    if (!LFindProgramInPath(name, found))
        return false;
    if (found[0] == '/') {
        *path = found;
        return true;
    }
    char absolute[PATH_MAX];
    if (!realpath(found, absolute))
        return false;
    *path = absolute;
    return true;
}

// Copies the tool's output to ours until it closes it; false on a stop request.
bool RelayOutput(LProcessContext* context, LChildProcess& child)
{
    char buffer[4096];
    while (child.OutputFd() >= 0) {
        LPollSet set;
        set.Add(child.OutputFd());
        const int result = context->WaitForStopOrPollSetNoLimit(&set);
        if (result == LWaitStopRequested)
            return false;
        const ssize_t n = read(child.OutputFd(), buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            child.CloseOutput();
            break;
        }
        LWriteAll(STDOUT_FILENO, buffer, size_t(n));
    }
    return true;
}

} // namespace

int LRunElevatedWith(const char* elevator, LProcessContext* context, const char* command, bool wait,
                     int* exitStatus)
{
    if (exitStatus)
        *exitStatus = -1;
    LLocalProcessContext local;
    if (!context)
        context = &local;

    std::vector<std::string> words;
    LArgTokenizer tokenizer(command);
    while (tokenizer.Next())
        words.emplace_back(tokenizer.token.Text());
    if (words.empty())
        return kFailed;
    std::string tool;
    if (!ResolveTool(words[0].c_str(), &tool))
        return kFailed;

    std::vector<const char*> argv;
    argv.push_back(elevator);
    argv.push_back(tool.c_str());
    for (size_t i = 1; i < words.size(); ++i)
        argv.push_back(words[i].c_str());
    argv.push_back(nullptr);

    LChildProcess child;
    if (!child.Start(argv.data(), LChildStream::Null, wait ? LChildStream::Pipe : LChildStream::Inherit))
        return kFailed;
    if (!wait) {
        child.Detach();
        return kRan;
    }
    if (!RelayOutput(context, child))
        return kCancelled;
    const int ended = child.Wait(context, LNoTimeLimit);
    if (ended == LChildStopRequested)
        return kCancelled;
    if (ended != LChildEnded)
        return kFailed;
    const int status = child.ExitStatus();
    if (exitStatus)
        *exitStatus = status;
    if (status == 0)
        return kRan;
    return status == kElevatorDismissed ? kCancelled : kFailed;
}

int LRunElevated(LProcessContext* context, const char* command, bool wait, int* exitStatus)
{
    return LRunElevatedWith("pkexec", context, command, wait, exitStatus);
}
