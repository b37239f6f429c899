#pragma once
// One-shot event-loop timers by integer id, delivered to OnTimer on the main
// thread. Setting an armed id re-arms it; OnTimer runs without any lock held,
// so it may set and kill timers freely. Calls from other threads are carried
// to the main thread.

#include <cstdint>
#include <memory>

class LTimerTable
{
public:
    LTimerTable();
    virtual ~LTimerTable();
    LTimerTable(const LTimerTable&) = delete;
    LTimerTable& operator=(const LTimerTable&) = delete;

    void SetTimer(int id, uint32_t ms);
    void KillTimer(int id);
    void KillAllTimers();
    bool IsTimerSet(int id) const;
    void SetOwner(void* owner) { owner_ = owner; }

protected:
    virtual void OnTimer(int id) = 0;

private:
    struct Impl;
    friend struct Impl;
    std::unique_ptr<Impl> impl_;
    std::shared_ptr<LTimerTable*> self_;
    void* owner_ = nullptr;
};
