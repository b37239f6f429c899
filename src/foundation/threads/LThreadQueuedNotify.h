#pragma once
// Notifications from worker threads to the main thread. A worker calls
// Notify; on the main thread that runs the owner's EvNotify at once, on any
// other thread it queues the call for the main thread through the installed
// dispatcher. The window framework installs its event loop as the
// dispatcher; programs without one (tests, command-line tools) install an
// LPolledNotifyQueue and deliver from their own loop.
//
// A notification carries no data: the owner keeps flags that its EvNotify
// reads, so several posts made before the main thread got round to the
// first are delivered as one.

#include "foundation/threads/LLockObject.h"
#include "foundation/threads/LSignalObject.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class LMainThreadDispatcher
{
public:
    virtual ~LMainThreadDispatcher() = default;
    virtual bool IsMainThread() = 0;
    // Queues call for the main thread, in order. Any thread.
    virtual void Post(std::function<void()> call) = 0;
};

// The dispatcher in force; null until one is installed, and then posts are
// dropped (no main thread would ever take them).
void LSetMainThreadDispatcher(LMainThreadDispatcher* dispatcher);
LMainThreadDispatcher* LGetMainThreadDispatcher();

class LThreadQueuedNotify
{
public:
    LThreadQueuedNotify();
    virtual ~LThreadQueuedNotify();
    LThreadQueuedNotify(const LThreadQueuedNotify&) = delete;
    LThreadQueuedNotify& operator=(const LThreadQueuedNotify&) = delete;

    // Runs EvNotify now on the main thread, or queues it from any other thread.
    void Notify();

    // Drops every post not yet delivered and every later one. Owners call it
    // first thing in their destructor, on the main thread.
    void TearDownNotify();

protected:
    // The owner's handler, always on the main thread.
    virtual void EvNotify() = 0;

private:
    struct Token
    {
        std::atomic<bool> alive{true};
        std::atomic<bool> queued{false};
        LThreadQueuedNotify* owner = nullptr;
    };
    static void Deliver(const std::shared_ptr<Token>& token);
    std::shared_ptr<Token> token_;
};

// Notifications that carry a copy of some bytes, delivered in posting order.
class LQueuedNotifyDataHandler
{
public:
    LQueuedNotifyDataHandler();
    virtual ~LQueuedNotifyDataHandler();
    LQueuedNotifyDataHandler(const LQueuedNotifyDataHandler&) = delete;
    LQueuedNotifyDataHandler& operator=(const LQueuedNotifyDataHandler&) = delete;

    // Any thread. With bytes, copies lengthOrInt bytes at once (the caller may
    // reuse its buffer) and delivers (code, copy, lengthOrInt); without bytes
    // delivers (code, nullptr, lengthOrInt), so the number travels as a value.
    // Always queued, also on the main thread, so one thread's posts keep
    // their order.
    void PostNotifyData(uint32_t code, const void* bytes, uint64_t lengthOrInt);
    // Posts from then on are dropped and queued ones reach nobody. Owners call
    // it first thing in their destructor, on the main thread.
    void TearDownNotify();

protected:
    // On the main thread; the copy lives until the handler returns.
    virtual void EvNotifyData(uint32_t code, const void* bytes, uint64_t lengthOrInt) = 0;

private:
    // Shared with every queued post, so a post outliving its owner finds the
    // owner gone instead of a dangling pointer.
    struct ControlBlock
    {
        std::atomic<bool> draining{false};
        std::atomic<LQueuedNotifyDataHandler*> handler{nullptr};
    };
    std::shared_ptr<ControlBlock> control_;
};

// A dispatcher for programs that run their own loop: the thread that makes
// it is the main thread, which delivers the queued calls when it chooses.
// Installs itself on construction and uninstalls on destruction.
class LPolledNotifyQueue : public LMainThreadDispatcher
{
public:
    LPolledNotifyQueue();
    ~LPolledNotifyQueue() override;

    bool IsMainThread() override;
    void Post(std::function<void()> call) override;

    // Runs every call queued so far; returns how many ran.
    int DeliverPending();
    // Waits up to ms for a post, then delivers what is queued.
    int WaitAndDeliver(uint32_t ms);
    // The signal set while calls are queued, for loops that poll other things too.
    const LSignalObject& PendingSignal() const { return pending_; }

private:
    LLockObject lock_;
    std::deque<std::function<void()>> calls_;
    LSignalObject pending_;
    pthread_t mainThread_;
    LMainThreadDispatcher* previous_;
};
