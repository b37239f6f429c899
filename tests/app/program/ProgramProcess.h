#pragma once
// The built quorin program as a child process of a test: started with the
// test's environment (its temporary home), waited for within bounds.

#include "gui/GuiTestSupport.h"
#include "support/TestData.h"

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quorin::test {

inline std::string ProgramPath()
{
    return BuildDir() + "/src/app/quorin";
}

// Starts the program with the arguments in the folder (the working folder
// when empty); its pid.
inline pid_t StartProgram(const std::vector<std::string>& arguments, const std::string& folder = {})
{
    const std::string program = ProgramPath();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0)
            _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

constexpr int kStillRunning = -1000;
constexpr int kKilledBySignal = -2000;

// The exit status once the process has ended, while this process keeps its
// own events flowing; kStillRunning when it has not ended within the bound.
inline int WaitForEnd(pid_t pid, uint32_t ms)
{
    int status = 0;
    if (!PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, ms))
        return kStillRunning;
    return WIFEXITED(status) ? WEXITSTATUS(status) : kKilledBySignal - WTERMSIG(status);
}

// Ends a process that outlived its test.
inline void KillAndReap(pid_t pid)
{
    if (pid > 0 && kill(pid, SIGKILL) == 0)
        waitpid(pid, nullptr, 0);
}

} // namespace quorin::test
