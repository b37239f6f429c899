#pragma once
// Shared parts of the qd-net subcommands.

#include "QdTool.h"
#include "foundation/threads/LLocalProcessContext.h"

// A context that stops once SIGINT or SIGTERM arrived (installed by the
// first one made).
class NetStopContext : public LLocalProcessContext
{
public:
    NetStopContext();
    bool IsStopRequested() override;
    bool WaitForStop(uint32_t ms) override;
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override;
};
