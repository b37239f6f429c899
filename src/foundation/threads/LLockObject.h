#pragma once
// A recursive mutex: the thread that holds it may take it again, which lets an
// owner's operations call each other while locked.

#include <pthread.h>

class LLockObject
{
public:
    LLockObject();
    ~LLockObject();
    LLockObject(const LLockObject&) = delete;
    LLockObject& operator=(const LLockObject&) = delete;

    void Lock();
    void Unlock();
    bool TryLock();

private:
    pthread_mutex_t mutex_;
};

// Holds an LLockObject for the life of a scope.
class LLockGuard
{
public:
    explicit LLockGuard(LLockObject& lock) : lock_(lock) { lock_.Lock(); }
    ~LLockGuard() { lock_.Unlock(); }
    LLockGuard(const LLockGuard&) = delete;
    LLockGuard& operator=(const LLockGuard&) = delete;

private:
    LLockObject& lock_;
};
