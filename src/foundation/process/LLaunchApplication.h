#pragma once
// Starting other programs and applications, optionally waiting (through a
// process context, so the progress dialog stays responsive and cancellable)
// until they have ended. A request names a program and its arguments; the
// program is a path, a name found in $PATH, or an installed application
// (a desktop entry, by its file or its id). It is started with an argument
// vector, never through a shell.

#include "foundation/text/LStringLong.h"

#include <string>
#include <sys/types.h>
#include <vector>

class LProcessContext;

struct LLaunchRequest
{
    const char* command = nullptr; // program, then its arguments (LArgTokenizer rules)
    bool wait = false;
    // When given, command names only the program (taken whole, blanks and
    // quotes included) and these are its arguments, each passed as one word:
    // the way to hand over names that the command text cannot quote.
    const std::vector<std::string>* arguments = nullptr;
};

// Splits a command text into the program and the rest. A text beginning with
// '"' names the program up to the next '"' (or the end); otherwise up to the
// first blank. The arguments are what follows the closing quote or the blank,
// as written. False for an empty text or a program longer than 259 bytes.
bool LSplitCommand(char* program, LStringLongTemplate<char>* arguments, const char* text);

// Starts the program of the request. Without wait the result is 0 once it
// runs. With wait: an application (desktop entry) is waited for without limit,
// an application of another maker with the status lines "Waiting for %s" and
// "%s will resume when %s has exited."; a plain program is given two hours.
// Results: 0 started or ended, 1 a stop request ended the wait (the program
// keeps running), 2 not found ("%s doesn't exist"), not startable, or the
// two hours ran out.
int LLaunchApplication(LProcessContext* context, const LLaunchRequest& request);
int LLaunchApplicationAndWait(LProcessContext* context, const char* text);
int LLaunchApplicationNoWait(LProcessContext* context, const char* text);

// The first running process whose program is the one at path (a program or a
// desktop entry); not found when the context asks to stop.
bool LFindProcessByBundlePath(LProcessContext* context, pid_t* pid, const char* path);

// Waits, through a context, for any process (not only a child) to end.
class LProcessExitWatcher
{
public:
    LProcessExitWatcher() = default;
    ~LProcessExitWatcher() { Stop(); }
    LProcessExitWatcher(const LProcessExitWatcher&) = delete;
    LProcessExitWatcher& operator=(const LProcessExitWatcher&) = delete;

    // Watches pid; path gives the title for messages. When the process does
    // not exist: "%s is not running." through the context, and Wait fails.
    bool Start(LProcessContext* context, const char* path, pid_t pid);
    // 0 the process ended, 1 stop requested, 2 not watching.
    int Wait();
    void Stop();

private:
    LProcessContext* context_ = nullptr;
    int processFd_ = -1;
    bool failed_ = false;
    char title_[260] = {};
};

// The desktop entry of an installed application by name ("org.example.App",
// with or without ".desktop"), the user's own first (260 bytes).
bool LFindInstalledApplication(char* dest, const char* name);
// The user's applications folder ($XDG_DATA_HOME/applications), created when missing.
bool LGetApplicationsFolder(char* dest);
// The system's applications folder (the first of $XDG_DATA_DIRS + "/applications").
bool LGetSystemApplicationsFolder(char* dest);
