#pragma once
// A child process that works until it is killed with -9, as a power cut
// or a crash would end the program: it writes one line to the pipe it is
// given once it has started (the file it writes, the side it records), and
// the test kills it when its file holds enough.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorin::test {

class KilledChild
{
public:
    // Forks; the child runs work(fd), which never returns.
    explicit KilledChild(const std::function<void(int)>& work)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            work(fds[1]);
            _exit(4);
        }
        close(fds[1]);
        pipe_ = fds[0];
    }
    ~KilledChild()
    {
        Kill();
        if (pipe_ >= 0)
            close(pipe_);
    }
    KilledChild(const KilledChild&) = delete;
    KilledChild& operator=(const KilledChild&) = delete;

    bool Started() const { return pid_ > 0; }

    // The first line the child wrote, "" when none came within timeoutMs.
    std::string FirstLine(int timeoutMs = 20000)
    {
        std::string line;
        char c;
        pollfd readable{pipe_, POLLIN, 0};
        while (pipe_ >= 0 && poll(&readable, 1, timeoutMs) > 0 && read(pipe_, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    // Kills the child with -9 once the file holds at least `bytes` (or the
    // time is up). True when the child died by that signal.
    bool KillWhenFileHolds(const std::string& path, int64_t bytes, int timeoutSeconds = 20)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
        while (!path.empty() && FileSize(path) < bytes && std::chrono::steady_clock::now() < deadline)
            usleep(20000);
        return Kill();
    }

    static int64_t FileSize(const std::string& path)
    {
        struct stat info = {};
        return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
    }

private:
    bool Kill()
    {
        if (pid_ <= 0)
            return false;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    pid_t pid_ = -1;
    int pipe_ = -1;
};

} // namespace quorin::test
