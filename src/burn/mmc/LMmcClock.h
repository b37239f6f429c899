#pragma once
// The time the drive waits run on. Burning uses the steady clock and sleeps
// through the process context so a cancel wakes it; tests run a fake clock
// that jumps forward on every sleep.

#include <cstdint>

class LProcessContext;

class LMmcClock
{
public:
    virtual ~LMmcClock() = default;
    virtual uint64_t NowMs() = 0;
    // True when the context asked to stop during the sleep.
    virtual bool Sleep(LProcessContext& context, uint32_t ms) = 0;
};

class LSteadyMmcClock : public LMmcClock
{
public:
    uint64_t NowMs() override;
    bool Sleep(LProcessContext& context, uint32_t ms) override;
};

// A clock that only moves when slept on.
class LFakeMmcClock : public LMmcClock
{
public:
    uint64_t NowMs() override { return now; }
    bool Sleep(LProcessContext& context, uint32_t ms) override;

    uint64_t now = 0;
    uint64_t sleeps = 0;
};
