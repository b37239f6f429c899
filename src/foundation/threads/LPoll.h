#pragma once
// The single place where waits meet the kernel: every wait of the thread and
// process contexts ends in one of these calls.

#include <cstdint>
#include <poll.h>

// Time-outs are unsigned milliseconds; all bits set means no limit.
constexpr uint32_t LNoTimeLimit = 0xFFFFFFFFu;

// Results of the combined waits of a process context.
enum LWaitResult : int {
    LWaitSignalled = 0,     // the signal or a descriptor of the set is ready
    LWaitStopRequested = 1, // a stop was requested (wins when both are ready)
    LWaitTimedOut = 2,      // nothing became ready in time, or poll failed
};

// poll() that resumes after EINTR with the time still left, so that a signal
// delivered to the process never turns a wait without limit into a time-out.
// Returns what poll returns: > 0 ready, 0 time-out, -1 failure.
int LPollRetrying(pollfd* fds, nfds_t count, uint32_t ms);

// True when poll reported anything for the entry: the events asked for, the
// other end gone, or a descriptor that is not open (the caller finds out when
// it reads, which beats waking up again at once for ever).
inline bool LPollReady(const pollfd& entry)
{
    return entry.revents != 0;
}

// Current time on the monotonic clock in milliseconds, wrapped to 32 bits;
// differences of two readings are exact for up to 49 days.
uint32_t LMonotonicMilliseconds();
