#pragma once
// A lock between processes: a System V set of one semaphore whose value 1
// means free. Whoever creates the set gives it its value; the system undoes a
// holder's lock when that process ends (SEM_UNDO), so a crash never leaves it
// taken.

#include <cstdint>

class LSystemSemaphore
{
public:
    LSystemSemaphore() = default;
    LSystemSemaphore(int key, int id) : key(key), id(id) {}

    // Waits until the lock is taken; false without a semaphore (id -1) or
    // when the set was removed meanwhile.
    bool Lock();
    // Tries for up to ms milliseconds, in steps of 10 ms.
    bool TryLock(uint32_t ms);
    // Gives back a lock taken by Lock or TryLock.
    bool Unlock();

    int key = 0;
    int id = -1;
};
