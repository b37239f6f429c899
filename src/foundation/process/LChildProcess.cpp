#include "foundation/process/LChildProcess.h"

#include "foundation/files/LPath.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LPoll.h"
#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LProcessContext.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uint32_t kFallbackPollMs = 20;

bool IsExecutableFile(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
}

void CloseFd(int& fd)
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// The child's ends must not sit on 0, 1 or 2, or one dup2 could overwrite
// another before it is used (possible when the program runs with a standard
// descriptor closed).
bool MoveAboveStandard(int& fd)
{
    if (fd < 0 || fd > 2)
        return true;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    fd = moved;
    return moved >= 0;
}

int OpenProcessFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return int(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// Only async-signal-safe calls from here to exec: the parent may have other
// threads, and one of them could have held the allocator's lock at the fork.
[[noreturn]] void RunChild(const char* path, char* const* argv, int inputFd, int outputFd, int errorReport)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &standard, nullptr);
    sigaction(SIGXFSZ, &standard, nullptr);

    if ((inputFd >= 0 && dup2(inputFd, STDIN_FILENO) < 0) ||
        (outputFd >= 0 && dup2(outputFd, STDOUT_FILENO) < 0)) {
        const int error = errno;
        (void)!write(errorReport, &error, sizeof error);
        _exit(127);
    }
#ifdef SYS_close_range
    // Descriptors some library opened without close-on-exec stay ours.
    syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */);
#endif
    execv(path, argv);
    const int error = errno;
    (void)!write(errorReport, &error, sizeof error);
    _exit(127);
}

void* ReapEntry(void* arg)
{
    const pid_t pid = pid_t(reinterpret_cast<intptr_t>(arg));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return nullptr;
}

} // namespace

bool LFindProgramInPath(const char* name, char* dest)
{
    dest[0] = '\0';
    if (!name || !name[0])
        return false;
    if (std::strchr(name, '/')) {
        if (!IsExecutableFile(name) || std::strlen(name) > kLPathMaxLength)
            return false;
        std::strcpy(dest, name);
        return true;
    }
    const char* path = std::getenv("PATH");
    if (!path || !path[0])
        path = "/bin:/usr/bin";
    char folder[kLPathSize];
    while (*path) {
        const char* end = std::strchr(path, ':');
        const size_t length = end ? size_t(end - path) : std::strlen(path);
        if (length > 0 && length < sizeof folder) {
            std::memcpy(folder, path, length);
            folder[length] = '\0';
            if (LPathCombine(dest, folder, name, "") && IsExecutableFile(dest))
                return true;
        }
        if (!end)
            break;
        path = end + 1;
    }
    dest[0] = '\0';
    return false;
}

void LReapChildInBackground(pid_t pid)
{
    if (pid <= 0)
        return;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    pthread_t thread;
    pthread_create(&thread, &attributes, ReapEntry, reinterpret_cast<void*>(intptr_t(pid)));
    pthread_attr_destroy(&attributes);
}

int LExitCodeOfWaitStatus(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

LChildProcess::~LChildProcess()
{
    Detach();
}

bool LChildProcess::Start(const char* const* argv, LChildStream input, LChildStream output)
{
    Detach();
    reaped_ = false;
    exitStatus_ = -1;
    if (!argv || !argv[0])
        return false;
    char path[kLPathSize];
    if (!LFindProgramInPath(argv[0], path))
        return false;

    // Every descriptor is made before the fork: the child only rearranges them.
    int childInput = -1, childOutput = -1, parentInput = -1, parentOutput = -1;
    int report[2] = {-1, -1};
    bool ready = pipe2(report, O_CLOEXEC) == 0;
    if (ready && input == LChildStream::Null)
        ready = (childInput = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;
    if (ready && input == LChildStream::Pipe) {
        int ends[2];
        ready = pipe2(ends, O_CLOEXEC) == 0;
        if (ready) {
            childInput = ends[0];
            parentInput = ends[1];
        }
    }
    if (ready && output == LChildStream::Null)
        ready = (childOutput = open("/dev/null", O_WRONLY | O_CLOEXEC)) >= 0;
    if (ready && output == LChildStream::Pipe) {
        int ends[2];
        ready = pipe2(ends, O_CLOEXEC) == 0;
        if (ready) {
            parentOutput = ends[0];
            childOutput = ends[1];
        }
    }
    ready = ready && MoveAboveStandard(childInput) && MoveAboveStandard(childOutput) &&
            MoveAboveStandard(report[1]);

    pid_t pid = -1;
    if (ready)
        pid = fork();
    if (pid == 0)
        RunChild(path, const_cast<char* const*>(argv), childInput, childOutput, report[1]);

    CloseFd(childInput);
    CloseFd(childOutput);
    CloseFd(report[1]);
    bool started = pid > 0;
    if (started) {
        // The report pipe closes at a successful exec; an errno arrives otherwise.
        int error = 0;
        ssize_t n;
        while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        if (n > 0) {
            int status;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            started = false;
        }
    }
    CloseFd(report[0]);
    if (!started) {
        CloseFd(parentInput);
        CloseFd(parentOutput);
        return false;
    }
    pid_ = pid;
    pidFd_ = OpenProcessFd(pid);
    inputFd_ = parentInput;
    outputFd_ = parentOutput;
    return true;
}

void LChildProcess::CloseInput()
{
    CloseFd(inputFd_);
}

void LChildProcess::CloseOutput()
{
    CloseFd(outputFd_);
}

bool LChildProcess::ReadOutputToEnd(LStringLongTemplate<char>* output)
{
    if (outputFd_ < 0)
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(outputFd_, buffer, sizeof buffer);
        if (n > 0) {
            if (output)
                output->Append(buffer, uint64_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        CloseOutput();
        return n == 0;
    }
}

bool LChildProcess::TryReap(bool block)
{
    if (reaped_)
        return true;
    if (pid_ <= 0)
        return false;
    int status = 0;
    pid_t done;
    while ((done = waitpid(pid_, &status, block ? 0 : WNOHANG)) < 0 && errno == EINTR) {
    }
    if (done == 0)
        return false;
    reaped_ = true;
    exitStatus_ = done == pid_ ? LExitCodeOfWaitStatus(status) : -1;
    CloseFd(pidFd_);
    return true;
}

int LChildProcess::Wait(LProcessContext* context, uint32_t ms)
{
    if (reaped_)
        return LChildEnded;
    if (pid_ <= 0)
        return LChildTimedOut;
    LLocalProcessContext local;
    if (!context)
        context = &local;
    if (pidFd_ >= 0) {
        LPollSet set;
        set.Add(pidFd_);
        const int result = context->WaitForStopOrPollSet(&set, ms);
        if (result == LWaitSignalled)
            return TryReap(true) ? LChildEnded : LChildTimedOut;
        return result == LWaitStopRequested ? LChildStopRequested : LChildTimedOut;
    }
    const uint32_t start = LMonotonicMilliseconds();
    for (;;) {
        if (TryReap(false))
            return LChildEnded;
        uint32_t slice = kFallbackPollMs;
        if (ms != LNoTimeLimit) {
            const uint32_t spent = LMonotonicMilliseconds() - start;
            if (spent >= ms)
                return LChildTimedOut;
            if (ms - spent < slice)
                slice = ms - spent;
        }
        if (context->WaitForStop(slice))
            return LChildStopRequested;
    }
}

int LChildProcess::WaitToEnd()
{
    TryReap(true);
    return exitStatus_;
}

void LChildProcess::Detach()
{
    CloseFd(inputFd_);
    CloseFd(outputFd_);
    CloseFd(pidFd_);
    if (pid_ > 0 && !reaped_)
        LReapChildInBackground(pid_);
    pid_ = -1;
}

int LChildProcess::TakeInputFd()
{
    const int fd = inputFd_;
    inputFd_ = -1;
    return fd;
}

int LChildProcess::TakeOutputFd()
{
    const int fd = outputFd_;
    outputFd_ = -1;
    return fd;
}

void LChildProcess::Release()
{
    CloseFd(inputFd_);
    CloseFd(outputFd_);
    CloseFd(pidFd_);
    pid_ = -1;
}
