#pragma once
// The context for work done on the calling thread outside any worker thread or
// dialog: nothing can ask it to stop, so its waits only wait, and its reports
// go nowhere.

#include "foundation/threads/LProcessContext.h"

class LLocalProcessContext : public LProcessContext
{
public:
    bool IsStopRequested() override { return false; }
    // Sleeps the whole time; never reports a stop.
    bool WaitForStop(uint32_t ms) override;
    // LWaitSignalled or LWaitTimedOut, never LWaitStopRequested.
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override;
    // An empty set times out at once (there is nothing that could wake it).
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override;
};
