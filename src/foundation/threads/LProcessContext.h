#pragma once
// The interface every long operation runs against: it tells the operation
// whether to stop, lets it wait on descriptors while staying stoppable, and
// receives its status lines and progress. Worker threads, the calling thread,
// helper processes and the progress dialog each provide one.

#include "foundation/threads/LPoll.h"

#include <cstdint>

class LSignalObject;
class LPollSet;

class LProcessContext
{
public:
    virtual ~LProcessContext() = default;

    virtual bool IsStopRequested() = 0;
    // True when a stop was requested before the time ran out.
    virtual bool WaitForStop(uint32_t ms) = 0;
    // LWaitSignalled when the signal is set, LWaitStopRequested, or LWaitTimedOut.
    virtual int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) = 0;
    // LWaitSignalled when a descriptor of the set is ready (see the entries'
    // revents), LWaitStopRequested, or LWaitTimedOut. The set is not changed.
    virtual int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) = 0;

    virtual bool WaitForStopNoLimit() { return WaitForStop(LNoTimeLimit); }
    virtual int WaitForStopOrSignalNoLimit(const LSignalObject* signal)
    {
        return WaitForStopOrSignal(signal, LNoTimeLimit);
    }
    virtual int WaitForStopOrPollSetNoLimit(LPollSet* set) { return WaitForStopOrPollSet(set, LNoTimeLimit); }

    // Reporting; contexts that have nowhere to report keep these empty.
    virtual void Message(const char* text) { (void)text; }
    // Level 0 is the operation's title line, 1 its current step, 2 a detail.
    virtual void MessageLevel(const char* text, int level)
    {
        (void)text;
        (void)level;
    }
    // Fraction from 0.0 to 1.0.
    virtual void Progress(double fraction) { (void)fraction; }
    virtual void BeginIndeterminateProgress() {}
    virtual void EndIndeterminateProgress() {}

    // Format with the C library's printf rules into 8192 bytes (longer text is
    // cut at a character boundary) and pass the text to Message / MessageLevel.
    void MessageF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void MessageLevelF(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
};
