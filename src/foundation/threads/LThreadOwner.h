#pragma once
// The base of every worker thread. A subclass supplies Run; the thread runs it
// with the owner as its process context, so the code in Run and everything it
// calls can test for a stop and wait on descriptors while staying stoppable.
//
// The thread stays joinable until the owner joins it (in the next Start, in
// StopAndWait, or in the destructor): no field is ever cleared behind the
// owner's back. A subclass whose Run uses members of the subclass must call
// StopAndWait in its own destructor, because those members are gone by the
// time this base destructor runs.

#include "foundation/threads/LLockObject.h"
#include "foundation/threads/LProcessContext.h"
#include "foundation/threads/LSignalObject.h"
#include "foundation/threads/LThreadPriority.h"

#include <atomic>
#include <pthread.h>
#include <sys/types.h>

class LThreadOwner : public LProcessContext
{
public:
    LThreadOwner();
    ~LThreadOwner() override;
    LThreadOwner(const LThreadOwner&) = delete;
    LThreadOwner& operator=(const LThreadOwner&) = delete;

    // Starts the thread at a priority (scale of LThreadPriority.h) and returns
    // once it runs, or once a stop was requested meanwhile. True when a thread
    // runs: the new one, or one that was still running (it is never started
    // twice). False when no thread could be started. A stop requested before
    // Start is cleared by it.
    bool Start(int priority);

    // Asks Run to return soon. Any thread, any number of times; the request
    // stays visible until the next Start.
    void RequestStop();

    // Requests a stop and waits until the thread has ended and is joined.
    // Returns at once when no thread was started. Call it from the owning
    // thread (or the worker itself, which then only requests the stop).
    void StopAndWait();

    // Waits until Run has returned; true when it has (or no thread was started
    // since construction), false when the time ran out first.
    bool WaitUntilFinished(uint32_t ms) const;

    // Applies a priority to the running thread; stored for the next Start.
    void SetPriority(int priority);
    int GetPriority() const;

    bool IsRunning() const { return running_.load(std::memory_order_acquire); }
    // The kernel thread id of the running thread, -1 when none.
    pid_t ThreadId() const { return threadId_.load(std::memory_order_acquire); }

    // The signals, for other threads that wait on this one with their own
    // context (a window waiting for a worker to finish, for example).
    const LSignalObject& StopSignal() const { return stopRequest_; }
    const LSignalObject& FinishedSignal() const { return finished_; }
    const LSignalObject& StartedSignal() const { return started_; }

    // The process context, for the code running in Run on this thread.
    bool IsStopRequested() override;
    bool WaitForStop(uint32_t ms) override;
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override;
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override;

protected:
    // The thread body. It must return soon after a stop request.
    virtual void Run() = 0;

    // The owner's lock. Start holds it throughout; subclasses use it to guard
    // their own state (never while waiting for their own thread to end).
    LLockObject lock_;

private:
    static void* ThreadEntry(void* owner);
    // Joins a thread that was started and not yet joined; under threadLock_.
    void JoinLocked();

    pthread_t thread_{};
    std::atomic<pid_t> threadId_{-1};
    std::atomic<int> priority_{LNormalPriority};
    std::atomic<bool> running_{false};
    LSignalObject stopRequest_;
    LSignalObject finished_;
    LSignalObject started_;
    // Guards thread_ and joinable_: who starts and who joins the thread. Held
    // only by the owning thread's Start, StopAndWait and SetPriority, never by
    // the worker, so joining under it cannot deadlock with Run.
    LLockObject threadLock_;
    bool joinable_ = false;
};
