#pragma once
// The fatal-signal handler (SIGQUIT, SIGILL, SIGFPE, SIGSEGV, SIGBUS). A
// process that faulted can trust nothing of its own state, so the handler
// does the least that is safe there: it writes a small marker file with
// write(2) only (signal, thread, run phase, a few return addresses),
// restores the default action and raises the signal again, so that the
// process ends by that signal (status 128 + signal in a shell) and leaves a
// core where the system keeps them. The question to the user and the report
// come at the next start, which finds the marker.

#include <cstdint>
#include <string>

// What a crashed run left behind.
struct LCrashMarker
{
    int signalNumber = 0;
    int64_t time = 0; // seconds since 1970 when it crashed
    bool mainThread = false;
    int phase = 0; // LCrashState::startupPhase at the crash
    int lastCommand = 0;
    char thread[8] = {}; // short name from the thread-name table, "" when none
    char activity[32] = {};
    bool threadKnown = false;
    std::string frames; // return addresses, hex, blank-separated
};

// Installs the handler for the five signals (all signals blocked while it
// runs) and names the marker file from the current environment. Called by
// the process-wide static set-up.
void LInstallCrashSignalHandler();

// The marker's path (260 bytes): "_quorin_crash_" + login name in the
// user's caches folder. False when the folder cannot be named.
bool LGetCrashMarkerPath(char* dest);
// Names the marker file anew from the environment (the caches folder may
// have changed since the handler was installed).
void LUpdateCrashMarkerPath();

// Reads a marker; false when there is none or it holds no signal.
bool LReadCrashMarker(const char* path, LCrashMarker* out);
