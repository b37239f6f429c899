#pragma once
// What the program sets up before anything else runs: signal handling, the
// helper-entry list, the command line, the locale and the open-files limit;
// and the decision between the user interface and a helper entry.

#include "foundation/threads/LSignalObject.h"

#include <atomic>
#include <cstdint>

// What the crash reporter reads to tell where a crash happened.
struct LCrashState
{
    std::atomic<uint32_t> mainThreadId{0};
    std::atomic<int> startupPhase{0}; // 1 once the process-wide services are set up
    std::atomic<int> lastCommand{0};
};
LCrashState& LGetCrashState();

// The process-wide services, once per process (later calls do nothing): the
// INI file cache; the main thread for the crash reporter; SIGPIPE ignored (a
// closed pipe gives EPIPE instead of ending the program); SIGINT and SIGTERM
// routed to the quit signal; the fatal signals to the crash handler
// (LCrashSignalHandler.h); the helper entries; the log folder; the
// component notice of the About box.
void LProcessStaticInit();

// Set (one byte) when SIGINT or SIGTERM arrived; the main loop watches its read
// end and quits. The handler makes a single write() and nothing else.
const LSignalObject& LGetQuitSignal();
// The number of the last quit signal received, 0 when none.
int LGetQuitSignalNumber();

// True when the process runs with administrator rights (real or effective
// user id 0).
bool LIsRootUser();

// Raises the soft limit of open files to `wanted` (never above the hard limit,
// never lowering it). Returns the soft limit in force afterwards.
uint64_t LRaiseOpenFileLimit(uint64_t wanted);

// True when the program was started with "-installer".
bool LIsInstallerStart();

// The start-up of main(): LProcessStaticInit, the main thread's short name
// "MAIN", the command line, the user's locale and an open-files limit of
// 4096. The user's umask stays as it is, so that files (0666) and folders
// (0777) get the permissions the user wants for them.
// Then, with at least three arguments left: "-exe NAME" runs the helper entry
// NAME and "-elevated" ends the process. Returns true when the user interface
// is to start; false with *exitCode when the process is to end (0 when the
// helper entry returned 0, else 1; 1 for "-elevated").
bool LProcessStartup(int argc, char** argv, int* exitCode);
