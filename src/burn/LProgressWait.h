#pragma once
// The wait interface of the progress dialog, as the data-disc burn and the
// drive command layer see it: cancel test, sleeps that keep the dialog
// alive, a modal message, two status lines, the progress fraction and the
// busy bar. It is a process context, so the command layer (which takes any
// context) runs on it unchanged. The dialog provides one; the console
// version below serves the tools, and the tests have their own.

#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LProcessContext.h"

#include <csignal>
#include <cstdint>
#include <cstdio>

class LProgressWait : public LProcessContext
{
public:
    // The dialog's cancelled flag (after pending events are handled).
    virtual bool IsCancelled() = 0;
    // True when the user cancelled during the wait.
    virtual bool Sleep(uint32_t ms) = 0;
    // Line 0 is the first status line, 1 the second; others are ignored.
    virtual void SetStatusText(const char* text, int line) = 0;
    virtual void BusyOn() = 0;
    virtual void BusyOff() = 0;
    // A wait the user is told about ("Waiting for drive to finish
    // operation..."); by default the second line and the busy bar.
    virtual void BeginWait(const char* text);
    virtual void EndWait();
    // Message (a modal box with "Continue") and Progress are the context's.

    // The context in terms of the slots above.
    bool IsStopRequested() override { return IsCancelled(); }
    bool WaitForStop(uint32_t ms) override { return Sleep(ms); }
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override;
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override;
    void MessageLevel(const char* text, int level) override;
    void BeginIndeterminateProgress() override { BusyOn(); }
    void EndIndeterminateProgress() override { BusyOff(); }
};

// For command-line tools: SIGINT and SIGTERM cancel (the handlers are
// installed for the object's life), messages go to `out` (nowhere when null:
// the tool reports them itself), and with `verbose` the status lines go to
// standard error.
class LConsoleProgressWait : public LProgressWait
{
public:
    explicit LConsoleProgressWait(bool verbose, FILE* out = stderr);
    ~LConsoleProgressWait() override;
    LConsoleProgressWait(const LConsoleProgressWait&) = delete;
    LConsoleProgressWait& operator=(const LConsoleProgressWait&) = delete;

    bool IsCancelled() override;
    bool Sleep(uint32_t ms) override;
    void SetStatusText(const char* text, int line) override;
    void BusyOn() override {}
    void BusyOff() override {}
    void Message(const char* text) override;

private:
    bool verbose_;
    FILE* out_;
    struct sigaction oldInt_ = {};
    struct sigaction oldTerm_ = {};
};
