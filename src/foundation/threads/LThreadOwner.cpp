#include "foundation/threads/LThreadOwner.h"

#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LThreadNames.h"

#include <unistd.h>

LThreadOwner::LThreadOwner() = default;

LThreadOwner::~LThreadOwner()
{
    StopAndWait();
}

bool LThreadOwner::Start(int priority)
{
    LLockGuard ownerGuard(lock_);
    LLockGuard threadGuard(threadLock_);

    if (joinable_ && IsRunning())
        return true;
    // A thread that has returned from Run is joined before a fresh one starts.
    JoinLocked();

    // Without its pipes the thread could be neither waited for nor stopped.
    if (!stopRequest_.IsValid() || !finished_.IsValid() || !started_.IsValid())
        return false;

    stopRequest_.Reset();
    finished_.Reset();
    started_.Reset();
    priority_.store(priority, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);

    if (pthread_create(&thread_, nullptr, &LThreadOwner::ThreadEntry, this) != 0) {
        running_.store(false, std::memory_order_release);
        return false;
    }
    joinable_ = true;

    // Called non-virtually: this is the owner's own wait, whatever a subclass
    // does with the context operations of its thread.
    int wait = LThreadOwner::WaitForStopOrSignal(&started_, LNoTimeLimit);
    if (wait == LWaitSignalled && !finished_.IsSignalled())
        LSetThreadPriority(thread_, ThreadId(), priority);
    return true;
}

void LThreadOwner::RequestStop()
{
    stopRequest_.Signal();
}

void LThreadOwner::StopAndWait()
{
    stopRequest_.Signal();
    LLockGuard threadGuard(threadLock_);
    JoinLocked();
}

void LThreadOwner::JoinLocked()
{
    if (!joinable_)
        return;
    // The worker cannot join itself; its owner joins it later.
    if (pthread_equal(thread_, pthread_self()))
        return;
    pthread_join(thread_, nullptr);
    joinable_ = false;
    thread_ = pthread_t{};
}

bool LThreadOwner::WaitUntilFinished(uint32_t ms) const
{
    if (!IsRunning())
        return true;
    return finished_.Wait(ms);
}

void LThreadOwner::SetPriority(int priority)
{
    priority_.store(priority, std::memory_order_relaxed);
    const pid_t tid = ThreadId();
    if (tid > 0 && tid == gettid()) {
        LSetThreadPriority(pthread_self(), tid, priority);
        return;
    }
    LLockGuard threadGuard(threadLock_);
    if (joinable_ && IsRunning())
        LSetThreadPriority(thread_, ThreadId(), priority);
}

int LThreadOwner::GetPriority() const
{
    const pid_t tid = ThreadId();
    if (tid > 0 && IsRunning())
        return LGetThreadPriorityById(tid);
    return priority_.load(std::memory_order_relaxed);
}

void* LThreadOwner::ThreadEntry(void* argument)
{
    auto* owner = static_cast<LThreadOwner*>(argument);
    owner->threadId_.store(gettid(), std::memory_order_release);
    owner->started_.Signal();
    owner->Run();
    // A short name the thread took for itself is free for the next thread.
    LReleaseThreadShortName();
    owner->threadId_.store(-1, std::memory_order_release);
    owner->running_.store(false, std::memory_order_release);
    // Last touch of the owner: once finished is set the owner may go away.
    owner->finished_.Signal();
    return nullptr;
}

bool LThreadOwner::IsStopRequested()
{
    return stopRequest_.IsSignalled();
}

bool LThreadOwner::WaitForStop(uint32_t ms)
{
    return stopRequest_.Wait(ms);
}

int LThreadOwner::WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms)
{
    pollfd entries[2] = {{stopRequest_.ReadFd(), POLLIN, 0}, {signal ? signal->ReadFd() : -1, POLLIN, 0}};
    if (LPollRetrying(entries, 2, ms) <= 0)
        return LWaitTimedOut;
    if (LPollReady(entries[0]))
        return LWaitStopRequested;
    return LPollReady(entries[1]) ? LWaitSignalled : LWaitTimedOut;
}

int LThreadOwner::WaitForStopOrPollSet(LPollSet* set, uint32_t ms)
{
    return LWaitForSetOrStop(set, stopRequest_.ReadFd(), ms);
}
