#pragma once
// Child processes started with an argument vector (never a shell text built
// from file names), watched through a process descriptor so that a wait can
// share a poll() with a stop request, and always reaped: a child nobody waits
// for any more is handed to a background reaper instead of left a zombie.

#include "foundation/text/LStringLong.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

class LProcessContext;

// What a child's standard input or output is connected to.
enum class LChildStream {
    Inherit, // the program's own
    Null,    // /dev/null
    Pipe,    // a pipe whose other end the parent keeps (close-on-exec)
};

// Results of LChildProcess::Wait.
enum LChildWaitResult : int {
    LChildEnded = 0,         // the child ended and was reaped
    LChildStopRequested = 1, // the context asked to stop first
    LChildTimedOut = 2,      // the time ran out first (or the wait failed)
};

// Finds a program the way execvp would: a name with a '/' is taken as it is,
// others are looked for in the folders of $PATH (default "/bin:/usr/bin").
// True (and the path in dest, 260 bytes) when an executable file is found.
bool LFindProgramInPath(const char* name, char* dest);

// Reaps the child in a detached thread once it ends, for children whose end
// nobody waits for.
void LReapChildInBackground(pid_t pid);

// The exit code of a wait status, or -1 when the child did not exit normally
// (killed by a signal, for instance).
int LExitCodeOfWaitStatus(int status);

class LChildProcess
{
public:
    LChildProcess() = default;
    // A child still running (or not yet reaped) goes to the background reaper.
    ~LChildProcess();
    LChildProcess(const LChildProcess&) = delete;
    LChildProcess& operator=(const LChildProcess&) = delete;

    // Starts argv[0] (found through LFindProgramInPath) with the arguments
    // argv[0..] (null-terminated). Standard error is the program's own. The
    // child starts with an empty signal mask, SIGPIPE at its default, and no
    // descriptor of ours but the three standard ones. False when the program
    // was not found or could not be executed; then nothing runs.
    bool Start(const char* const* argv, LChildStream input = LChildStream::Null,
               LChildStream output = LChildStream::Inherit);

    pid_t Pid() const { return pid_; }
    bool IsStarted() const { return pid_ > 0; }
    // The write end of the child's standard input (Pipe only), else -1.
    int InputFd() const { return inputFd_; }
    // The read end of the child's standard output (Pipe only), else -1.
    int OutputFd() const { return outputFd_; }
    // A descriptor that becomes readable when the child ends; -1 when the
    // kernel gives none (waits then look every 20 ms).
    int ProcessFd() const { return pidFd_; }

    void CloseInput();
    void CloseOutput();

    // Appends everything the child writes to its output until it closes it.
    // False on a read error.
    bool ReadOutputToEnd(LStringLongTemplate<char>* output);

    // Waits for the child's end through the context (ms as in the contexts,
    // LNoTimeLimit for no limit). On LChildEnded the child is reaped and
    // ExitStatus is set.
    int Wait(LProcessContext* context, uint32_t ms);
    // Waits for the end without any limit; returns ExitStatus.
    int WaitToEnd();

    // The exit code once reaped (LExitCodeOfWaitStatus), else -1.
    int ExitStatus() const { return exitStatus_; }
    bool HasEnded() const { return reaped_; }

    // Gives up the child: the background reaper takes it; descriptors are closed.
    void Detach();

    // For callers that manage the child themselves: the ends change owner, and
    // Release forgets the child without reaping it (the caller must waitpid).
    int TakeInputFd();
    int TakeOutputFd();
    void Release();

private:
    bool TryReap(bool block);

    pid_t pid_ = -1;
    int pidFd_ = -1;
    int inputFd_ = -1;
    int outputFd_ = -1;
    bool reaped_ = false;
    int exitStatus_ = -1;
};
