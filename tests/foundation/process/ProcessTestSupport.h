#pragma once
// Shared by the process and platform tests: a context whose stop the test
// controls and whose messages it can read, and checks on this process's
// children.

#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LProcessContext.h"
#include "foundation/threads/LSignalObject.h"
#include "support/TestFiles.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorin::test {

class RecordingContext : public LProcessContext
{
public:
    LSignalObject stop;

    bool IsStopRequested() override { return stop.IsSignalled(); }
    bool WaitForStop(uint32_t ms) override { return stop.Wait(ms); }
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override
    {
        LPollSet set;
        if (signal)
            set.Add(*signal);
        return LWaitForSetOrStop(&set, stop.ReadFd(), ms);
    }
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override
    {
        return LWaitForSetOrStop(set, stop.ReadFd(), ms);
    }
    void Message(const char* text) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        lines_.emplace_back(-1, text);
    }
    void MessageLevel(const char* text, int level) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        lines_.emplace_back(level, text);
    }

    std::vector<std::pair<int, std::string>> Lines()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return lines_;
    }

private:
    std::mutex lock_;
    std::vector<std::pair<int, std::string>> lines_;
};

// Children of this process that ended and were never reaped.
inline int CountZombieChildren()
{
    int zombies = 0;
    DIR* folder = opendir("/proc");
    if (!folder)
        return -1;
    while (const dirent* entry = readdir(folder)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
            continue;
        // A process may vanish between readdir and the read: plain reads
        // just fail then, where a stream would throw.
        const int fd = open((std::string("/proc/") + entry->d_name + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char buffer[1024];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        close(fd);
        if (got <= 0)
            continue;
        const std::string text(buffer, size_t(got));
        const size_t close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(text.substr(close + 2));
        char state = 0;
        long parent = 0;
        fields >> state >> parent;
        if (parent == long(getpid()) && state == 'Z')
            ++zombies;
    }
    closedir(folder);
    return zombies;
}

// Waits up to `ms` for the condition; true when it held in time.
template <typename Condition> bool WaitUntil(Condition condition, int ms = 5000)
{
    for (int waited = 0; waited < ms; waited += 10) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// Writes an executable shell script.
inline void WriteScript(const std::string& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body;
    chmod(path.c_str(), 0755);
}

} // namespace quorin::test
