#include "foundation/threads/LPollSet.h"

#include "foundation/threads/LPoll.h"
#include "foundation/threads/LSignalObject.h"

bool LPollSet::Add(int fd, short events)
{
    if (fd < 0 || count >= kCapacity)
        return false;
    entries[count] = pollfd{fd, events, 0};
    ++count;
    return true;
}

bool LPollSet::Add(const LSignalObject& signal)
{
    return Add(signal.ReadFd(), POLLIN);
}

bool LPollSet::HasInput()
{
    if (count == 0)
        return false;
    return LPollRetrying(entries, nfds_t(count), 0) > 0;
}

bool LPollSet::IsReady(uint64_t i) const
{
    return i < count && LPollReady(entries[i]);
}

int LWaitForSetOrStop(LPollSet* set, int stopFd, uint32_t ms)
{
    pollfd fds[LPollSet::kCapacity + 1];
    fds[0] = pollfd{stopFd, POLLIN, 0};
    const uint64_t own = set ? (set->count < LPollSet::kCapacity ? set->count : LPollSet::kCapacity) : 0;
    for (uint64_t i = 0; i < own; ++i) {
        fds[i + 1] = set->entries[i];
        fds[i + 1].revents = 0;
    }
    const int rc = LPollRetrying(fds, nfds_t(own + 1), ms);
    for (uint64_t i = 0; i < own; ++i)
        set->entries[i].revents = rc > 0 ? fds[i + 1].revents : 0;
    if (rc <= 0)
        return LWaitTimedOut;
    return LPollReady(fds[0]) ? LWaitStopRequested : LWaitSignalled;
}
