#include "foundation/process/LShellCommand.h"

#include "foundation/process/LChildProcess.h"

namespace {

enum : int { kDone = 0, kStopped = 1, kFailed = 2 };

bool StartShell(LChildProcess& child, const char* command, LChildStream input, LChildStream output)
{
    const char* argv[] = {"/bin/sh", "-c", command ? command : "", nullptr};
    return child.Start(argv, input, output);
}

} // namespace

int LRunShellCommand(LProcessContext* context, const char* command, uint32_t ms, int* exitStatus)
{
    if (exitStatus)
        *exitStatus = -1;
    LChildProcess child;
    if (!StartShell(child, command, LChildStream::Null, LChildStream::Inherit))
        return kFailed;
    if (ms == 0)
        return kDone; // the child's destructor hands it to the background reaper
    switch (child.Wait(context, ms)) {
    case LChildEnded:
        if (exitStatus)
            *exitStatus = child.ExitStatus();
        return kDone;
    case LChildStopRequested:
        return kStopped;
    default:
        return kFailed;
    }
}

void LRunShellCommandCapture(LStringLongTemplate<char>* output, const char* command, int* exitStatus)
{
    if (output)
        output->Clear();
    if (exitStatus)
        *exitStatus = -1;
    LChildProcess child;
    if (!StartShell(child, command, LChildStream::Null, LChildStream::Pipe))
        return;
    child.ReadOutputToEnd(output);
    const int status = child.WaitToEnd();
    if (exitStatus)
        *exitStatus = status;
}

bool LSpawnShell(pid_t* pid, int* readEnd, int* writeEnd, const char* command)
{
    const bool wantOutput = readEnd && *readEnd < 0;
    const bool wantInput = writeEnd && *writeEnd < 0;
    LChildProcess child;
    if (!StartShell(child, command, wantInput ? LChildStream::Pipe : LChildStream::Null,
                    wantOutput ? LChildStream::Pipe : LChildStream::Inherit))
        return false;
    // The caller takes the child over: duplicate what it keeps, then let go of
    // the record without handing the child to the background reaper.
    *pid = child.Pid();
    if (wantOutput)
        *readEnd = child.TakeOutputFd();
    if (wantInput)
        *writeEnd = child.TakeInputFd();
    child.Release();
    return true;
}

bool LRunSystemCommand(const char* command)
{
    LChildProcess child;
    if (!StartShell(child, command, LChildStream::Inherit, LChildStream::Inherit))
        return false;
    return child.WaitToEnd() == 0;
}
