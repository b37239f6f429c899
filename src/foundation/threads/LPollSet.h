#pragma once
// A fixed set of descriptors that a process context waits on together with its
// stop request. The waits never add to the set: after a wait the revents of
// each entry tell which descriptor became ready.

#include "foundation/threads/LPoll.h"

#include <cstdint>
#include <poll.h>

class LSignalObject;

class LPollSet
{
public:
    static constexpr uint64_t kCapacity = 256;

    // Adds a descriptor; false when the set is full or fd is negative.
    bool Add(int fd, short events = POLLIN);
    // Adds the read end of a signal.
    bool Add(const LSignalObject& signal);
    void Clear() { count = 0; }

    // True when an entry is ready now; an empty set is never ready.
    bool HasInput();

    // True when entry i reported readiness in the last wait.
    bool IsReady(uint64_t i) const;

    pollfd entries[kCapacity] = {};
    uint64_t count = 0;
};

// One poll of the set's entries together with a stop descriptor, without
// touching the set's entries or count (the caller's set may be full, and may
// be waited on again and again). The revents of the set's entries are updated.
// Returns an LWaitResult: a ready stop descriptor wins over the set. A null or
// empty set waits for the stop descriptor alone.
int LWaitForSetOrStop(LPollSet* set, int stopFd, uint32_t ms);
