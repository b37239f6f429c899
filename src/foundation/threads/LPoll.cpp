#include "foundation/threads/LPoll.h"

#include <cerrno>
#include <climits>
#include <ctime>

namespace {

int64_t MonotonicMs64()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

uint32_t LMonotonicMilliseconds()
{
    return uint32_t(MonotonicMs64());
}

int LPollRetrying(pollfd* fds, nfds_t count, uint32_t ms)
{
    const bool unlimited = ms == LNoTimeLimit;
    const int64_t deadline = unlimited ? 0 : MonotonicMs64() + ms;
    int64_t left = ms;
    for (;;) {
        int timeout = unlimited ? -1 : int(left > INT_MAX ? INT_MAX : left);
        int rc = poll(fds, count, timeout);
        if (rc > 0)
            return rc;
        if (rc < 0 && errno != EINTR)
            return -1;
        if (rc == 0 && left <= INT_MAX)
            return 0;
        // Interrupted by a signal, or one INT_MAX slice of a very long wait
        // ended: go on with the time still left.
        if (!unlimited) {
            left = deadline - MonotonicMs64();
            if (left <= 0)
                return 0;
        }
    }
}
