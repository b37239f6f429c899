#include "foundation/threads/LThreadQueuedNotify.h"

#include <cstring>
#include <pthread.h>

namespace {

std::atomic<LMainThreadDispatcher*> gDispatcher{nullptr};

} // namespace

void LSetMainThreadDispatcher(LMainThreadDispatcher* dispatcher)
{
    gDispatcher.store(dispatcher, std::memory_order_release);
}

LMainThreadDispatcher* LGetMainThreadDispatcher()
{
    return gDispatcher.load(std::memory_order_acquire);
}

LThreadQueuedNotify::LThreadQueuedNotify() : token_(std::make_shared<Token>())
{
    token_->owner = this;
}

LThreadQueuedNotify::~LThreadQueuedNotify()
{
    TearDownNotify();
}

void LThreadQueuedNotify::TearDownNotify()
{
    token_->alive.store(false, std::memory_order_release);
}

void LThreadQueuedNotify::Deliver(const std::shared_ptr<Token>& token)
{
    // Cleared before the handler runs: a post made while it runs comes again.
    token->queued.store(false, std::memory_order_release);
    if (token->alive.load(std::memory_order_acquire))
        token->owner->EvNotify();
}

void LThreadQueuedNotify::Notify()
{
    if (!token_->alive.load(std::memory_order_acquire))
        return;
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    if (dispatcher == nullptr)
        return;
    if (dispatcher->IsMainThread()) {
        EvNotify();
        return;
    }
    if (token_->queued.exchange(true, std::memory_order_acq_rel))
        return; // one is on its way and will read the owner's current flags
    std::shared_ptr<Token> token = token_;
    dispatcher->Post([token] { Deliver(token); });
}

LQueuedNotifyDataHandler::LQueuedNotifyDataHandler() : control_(std::make_shared<ControlBlock>())
{
    control_->handler.store(this, std::memory_order_release);
}

LQueuedNotifyDataHandler::~LQueuedNotifyDataHandler()
{
    TearDownNotify();
}

void LQueuedNotifyDataHandler::TearDownNotify()
{
    control_->draining.store(true, std::memory_order_release);
    control_->handler.store(nullptr, std::memory_order_release);
}

void LQueuedNotifyDataHandler::PostNotifyData(uint32_t code, const void* bytes, uint64_t lengthOrInt)
{
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    if (dispatcher == nullptr || control_->draining.load(std::memory_order_acquire))
        return;
    std::shared_ptr<std::vector<uint8_t>> copy;
    if (bytes != nullptr) {
        const auto* first = static_cast<const uint8_t*>(bytes);
        copy = std::make_shared<std::vector<uint8_t>>(first, first + lengthOrInt);
    }
    std::shared_ptr<ControlBlock> control = control_;
    dispatcher->Post([control, code, copy, lengthOrInt] {
        LQueuedNotifyDataHandler* handler = control->handler.load(std::memory_order_acquire);
        if (handler == nullptr)
            return;
        if (copy)
            handler->EvNotifyData(code, copy->empty() ? "" : static_cast<const void*>(copy->data()),
                                  lengthOrInt);
        else
            handler->EvNotifyData(code, nullptr, lengthOrInt);
    });
}

LPolledNotifyQueue::LPolledNotifyQueue() : mainThread_(pthread_self()), previous_(LGetMainThreadDispatcher())
{
    LSetMainThreadDispatcher(this);
}

LPolledNotifyQueue::~LPolledNotifyQueue()
{
    LSetMainThreadDispatcher(previous_);
}

bool LPolledNotifyQueue::IsMainThread()
{
    return pthread_equal(pthread_self(), mainThread_) != 0;
}

void LPolledNotifyQueue::Post(std::function<void()> call)
{
    {
        LLockGuard guard(lock_);
        calls_.push_back(std::move(call));
    }
    pending_.Signal();
}

int LPolledNotifyQueue::DeliverPending()
{
    int ran = 0;
    for (;;) {
        std::function<void()> call;
        {
            LLockGuard guard(lock_);
            if (calls_.empty()) {
                pending_.Reset();
                break;
            }
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
        ++ran;
    }
    return ran;
}

int LPolledNotifyQueue::WaitAndDeliver(uint32_t ms)
{
    pending_.Wait(ms);
    return DeliverPending();
}
