#include "burn/LProgressWait.h"

#include "foundation/threads/LPoll.h"

#include <algorithm>

namespace {

volatile sig_atomic_t gConsoleCancel = 0;

void OnConsoleCancel(int)
{
    gConsoleCancel = 1;
}

// Waits in short slices so a cancel is seen within one slice.
template <typename Wait> int SlicedWait(LProgressWait& wait, uint32_t ms, Wait&& once)
{
    for (;;) {
        if (wait.IsCancelled())
            return LWaitStopRequested;
        const uint32_t slice = std::min<uint32_t>(ms, 20);
        LLocalProcessContext local;
        if (once(local, slice) == LWaitSignalled)
            return LWaitSignalled;
        if (ms != LNoTimeLimit)
            ms -= slice;
        if (ms == 0)
            return wait.IsCancelled() ? LWaitStopRequested : LWaitTimedOut;
    }
}

} // namespace

void LProgressWait::BeginWait(const char* text)
{
    SetStatusText(text, 1);
    BusyOn();
}

void LProgressWait::EndWait()
{
    BusyOff();
}

int LProgressWait::WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms)
{
    return SlicedWait(*this, ms, [signal](LLocalProcessContext& local, uint32_t slice) {
        return local.WaitForStopOrSignal(signal, slice);
    });
}

int LProgressWait::WaitForStopOrPollSet(LPollSet* set, uint32_t ms)
{
    return SlicedWait(*this, ms, [set](LLocalProcessContext& local, uint32_t slice) {
        return local.WaitForStopOrPollSet(set, slice);
    });
}

void LProgressWait::MessageLevel(const char* text, int level)
{
    if (level == 0 || level == 1)
        SetStatusText(text, level);
}

LConsoleProgressWait::LConsoleProgressWait(bool verbose, FILE* out) : verbose_(verbose), out_(out)
{
    gConsoleCancel = 0;
    struct sigaction cancel = {};
    cancel.sa_handler = &OnConsoleCancel;
    sigemptyset(&cancel.sa_mask);
    sigaction(SIGINT, &cancel, &oldInt_);
    sigaction(SIGTERM, &cancel, &oldTerm_);
}

LConsoleProgressWait::~LConsoleProgressWait()
{
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool LConsoleProgressWait::IsCancelled()
{
    return gConsoleCancel != 0;
}

bool LConsoleProgressWait::Sleep(uint32_t ms)
{
    LLocalProcessContext local;
    while (ms > 0 && gConsoleCancel == 0) {
        const uint32_t slice = std::min<uint32_t>(ms, 20);
        local.WaitForStop(slice);
        ms -= slice;
    }
    return gConsoleCancel != 0;
}

void LConsoleProgressWait::SetStatusText(const char* text, int line)
{
    if (verbose_ && text != nullptr && *text != '\0')
        std::fprintf(stderr, "status%d: %s\n", line, text);
}

void LConsoleProgressWait::Message(const char* text)
{
    if (out_ != nullptr && text != nullptr)
        std::fprintf(out_, "%s\n", text);
}
