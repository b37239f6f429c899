#pragma once
// Fixed command texts run through "/bin/sh -c", waited for through a process
// context so that a stop request (the Cancel button) ends the wait at once;
// the command itself keeps running and is reaped in the background. Only
// command texts the program itself wrote go through the shell: anything that
// carries a file name runs as an argument vector (LChildProcess).

#include "foundation/text/LStringLong.h"

#include <cstdint>
#include <sys/types.h>

class LProcessContext;

// Runs the command with standard input at end of file and the program's own
// output and error. ms = 0 starts it and returns 0 at once; LNoTimeLimit waits
// without limit. exitStatus (optional) becomes -1, and the command's exit code
// once it ended normally (a command killed by a signal leaves -1).
// Returns 0 ended (or started, for ms = 0), 1 stop requested during the wait,
// 2 time-out or not started.
int LRunShellCommand(LProcessContext* context, const char* command, uint32_t ms, int* exitStatus);

// Runs the command and collects everything it writes to its standard output,
// reading to the end before the command is reaped (standard input at end of
// file). exitStatus (optional) receives its exit code, -1 when it did not end
// normally or did not start.
void LRunShellCommandCapture(LStringLongTemplate<char>* output, const char* command,
                             int* exitStatus = nullptr);

// Starts "/bin/sh -c command". A *readEnd below 0 asks for a pipe from the
// command's standard output (the read end, close-on-exec, goes there); a
// *writeEnd below 0 asks for a pipe to its standard input. Output not asked
// for is the program's own; input not asked for is at end of file. The caller
// reaps *pid (waitpid) and closes the ends. False when nothing was started.
bool LSpawnShell(pid_t* pid, int* readEnd, int* writeEnd, const char* command);

// Runs the command and waits for it; true when it exited with code 0.
bool LRunSystemCommand(const char* command);
