#include "foundation/threads/LLocalProcessContext.h"

#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LSignalObject.h"

#include <cerrno>
#include <ctime>

bool LLocalProcessContext::WaitForStop(uint32_t ms)
{
    // A wait without limit sleeps the longest time the scale can say.
    timespec left{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    return false;
}

int LLocalProcessContext::WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms)
{
    pollfd entry{signal ? signal->ReadFd() : -1, POLLIN, 0};
    return LPollRetrying(&entry, 1, ms) > 0 && LPollReady(entry) ? LWaitSignalled : LWaitTimedOut;
}

int LLocalProcessContext::WaitForStopOrPollSet(LPollSet* set, uint32_t ms)
{
    if (!set || set->count == 0)
        return LWaitTimedOut;
    const nfds_t count = nfds_t(set->count < LPollSet::kCapacity ? set->count : LPollSet::kCapacity);
    return LPollRetrying(set->entries, count, ms) > 0 ? LWaitSignalled : LWaitTimedOut;
}
