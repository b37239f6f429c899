#include "burn/mmc/LMmcClock.h"

#include "foundation/threads/LProcessContext.h"

#include <chrono>

uint64_t LSteadyMmcClock::NowMs()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

bool LSteadyMmcClock::Sleep(LProcessContext& context, uint32_t ms)
{
    return context.WaitForStop(ms);
}

bool LFakeMmcClock::Sleep(LProcessContext& context, uint32_t ms)
{
    now += ms;
    ++sleeps;
    return context.IsStopRequested();
}
