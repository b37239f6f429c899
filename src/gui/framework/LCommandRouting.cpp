#include "gui/framework/LCommandRouting.h"

#include "foundation/threads/LThreadQueuedNotify.h"
#include "gui/framework/LWindow.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace {

bool OnMainThread()
{
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    return dispatcher == nullptr || dispatcher->IsMainThread();
}

struct Record
{
    LWindow* window = nullptr;
    LInterWinMessageHandler* handler = nullptr;
};

// Main thread only: every reader and writer runs there, posts resolve their
// record at delivery.
Record gRecords[kWindowMessageRegistrySize];

size_t UsedCount()
{
    size_t n = 0;
    while (n < kWindowMessageRegistrySize && gRecords[n].window != nullptr)
        ++n;
    return n;
}

Record* FindRecord(const LWindow* window)
{
    for (size_t i = 0; i < kWindowMessageRegistrySize && gRecords[i].window != nullptr; ++i)
        if (gRecords[i].window == window)
            return &gRecords[i];
    return nullptr;
}

Record* FindRecordByHandle(LViewHandle handle)
{
    if (handle == nullptr)
        return nullptr;
    for (size_t i = 0; i < kWindowMessageRegistrySize && gRecords[i].window != nullptr; ++i)
        if (gRecords[i].window->GetView() == handle)
            return &gRecords[i];
    return nullptr;
}

// Runs a message on the main thread; true when a receiver took it.
bool Perform(LViewHandle handle, uint32_t eventId, int64_t data1, int64_t data2)
{
    if (eventId == kWindowMessageCommand) {
        LWindow* window = LGetWindowFromView(handle);
        if (window == nullptr || !window->IsWindow())
            return false;
        LSendCommandExtra(static_cast<uint32_t>(data1), static_cast<uint32_t>(data2), window);
        return true;
    }
    Record* record = FindRecordByHandle(handle);
    if (record == nullptr || record->handler == nullptr || !record->window->IsWindow())
        return false;
    record->handler->OnInterWinMessage(eventId, data1, data2);
    return true;
}

// A worker waiting for the main thread to run its message.
struct PendingSend
{
    LViewHandle handle = nullptr;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool result = false;
};

std::mutex gPendingMutex;
std::vector<std::shared_ptr<PendingSend>> gPending;

void Finish(PendingSend& send, bool result)
{
    std::lock_guard<std::mutex> lock(send.mutex);
    if (send.finished)
        return;
    send.finished = true;
    send.result = result;
    send.done.notify_all();
}

// Long enough for any handler, short enough that a program whose main loop
// stopped does not hang its workers for good.
constexpr auto kBlockingSendLimit = std::chrono::seconds(20);

bool SendFromWorker(LMainThreadDispatcher* dispatcher, LViewHandle handle, uint32_t eventId, int64_t data1,
                    int64_t data2)
{
    auto send = std::make_shared<PendingSend>();
    send->handle = handle;
    {
        std::lock_guard<std::mutex> lock(gPendingMutex);
        gPending.push_back(send);
    }
    dispatcher->Post([send, eventId, data1, data2] {
        {
            std::lock_guard<std::mutex> lock(send->mutex);
            if (send->finished)
                return; // the target was torn down meanwhile
        }
        bool result = Perform(send->handle, eventId, data1, data2);
        Finish(*send, result);
    });
    bool result = false;
    {
        std::unique_lock<std::mutex> lock(send->mutex);
        send->done.wait_for(lock, kBlockingSendLimit, [&] { return send->finished; });
        if (!send->finished)
            send->finished = true; // a late run finds it finished and does nothing
        result = send->result;
    }
    std::lock_guard<std::mutex> lock(gPendingMutex);
    gPending.erase(std::remove(gPending.begin(), gPending.end(), send), gPending.end());
    return result;
}

} // namespace

bool LSendCommandToWindow(int command, LWindow* window)
{
    if (window == nullptr || !window->IsWindow())
        return false;
    if (command < 0) {
        if (window->IsVisible())
            window->UpdateControls();
        return false;
    }
    window->OnCommand(command, 0);
    if (window->IsVisible())
        window->UpdateControls();
    return true;
}

void LSendCommandExtra(uint32_t command, uint32_t extra, LWindow* window)
{
    if (window == nullptr || !window->IsWindow())
        return;
    window->OnCommand(static_cast<int>(command), static_cast<int>(extra));
    if (window->IsWindow() && window->IsVisible())
        window->UpdateControls();
}

void LPostCommandExtra(uint32_t command, uint32_t extra, LWindow* window)
{
    if (window == nullptr)
        return;
    uint32_t generation = window->Generation();
    if ((generation & 1u) == 0)
        return; // no view: nothing to post to
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    if (dispatcher == nullptr)
        return;
    std::weak_ptr<bool> life = window->LifeToken();
    dispatcher->Post([life, window, generation, command, extra] {
        if (life.expired() || window->Generation() != generation || !window->IsWindow())
            return;
        window->OnCommand(static_cast<int>(command), static_cast<int>(extra));
        if (window->IsWindow() && window->IsVisible())
            window->UpdateControls();
    });
}

bool LPostCommandToWindow(int command, LWindow* window)
{
    if (window == nullptr || command < 0 || (window->Generation() & 1u) == 0)
        return false;
    if (OnMainThread() && !window->IsWindow())
        return false;
    LPostCommandExtra(static_cast<uint32_t>(command), 0, window);
    return true;
}

LInterWinMessageHandler::~LInterWinMessageHandler()
{
    if (window_ != nullptr)
        Unregister();
}

bool LInterWinMessageHandler::Register(LWindow* window, int eventId)
{
    if (eventId < 0 || window == nullptr)
        return false;
    window_ = window;
    Record* record = FindRecord(window);
    if (record == nullptr && LIOSEventHandlerTableAdd(window))
        record = FindRecord(window);
    if (record == nullptr)
        return false;
    record->handler = this;
    return true;
}

void LInterWinMessageHandler::Unregister()
{
    if (window_ != nullptr)
        LIOSEventHandlerTableRemove(window_);
    window_ = nullptr;
}

bool LIOSEventHandlerTableAdd(LWindow* window)
{
    if (window == nullptr)
        return false;
    for (size_t i = 0; i < kWindowMessageRegistrySize; ++i) {
        if (gRecords[i].window == window)
            return false;
        if (gRecords[i].window == nullptr) {
            gRecords[i] = Record{window, nullptr};
            return true;
        }
    }
    return false;
}

bool LIOSEventHandlerTableRemove(LWindow* window)
{
    if (window == nullptr)
        return true;
    size_t used = UsedCount();
    for (size_t i = 0; i < used; ++i) {
        if (gRecords[i].window != window)
            continue;
        for (size_t j = i; j + 1 < used; ++j)
            gRecords[j] = gRecords[j + 1];
        gRecords[used - 1] = Record{};
        break;
    }
    return true;
}

size_t LIOSEventHandlerTableCount()
{
    return UsedCount();
}

LWindow* LIOSEventHandlerTableWindowAt(size_t index)
{
    return index < kWindowMessageRegistrySize ? gRecords[index].window : nullptr;
}

bool LIOSEventHandlerTableHasHandle(LViewHandle handle)
{
    return FindRecordByHandle(handle) != nullptr;
}

bool LSendWindowMessage(LViewHandle handle, uint32_t eventId, int64_t data1, int64_t data2)
{
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    if (dispatcher == nullptr || dispatcher->IsMainThread()) {
        if (eventId == kWindowMessageCommand)
            return Perform(handle, eventId, data1, data2) || LGetWindowFromView(handle) != nullptr;
        if (FindRecordByHandle(handle) == nullptr)
            return false;
        Perform(handle, eventId, data1, data2);
        return true;
    }
    return SendFromWorker(dispatcher, handle, eventId, data1, data2);
}

bool LPostWindowMessage(LViewHandle handle, uint32_t eventId, int64_t data1, int64_t data2,
                        LWindowMessageDeleter deleter)
{
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    if (dispatcher == nullptr || handle == nullptr) {
        if (deleter != nullptr)
            deleter(data1);
        return false;
    }
    dispatcher->Post([handle, eventId, data1, data2, deleter] {
        if (!Perform(handle, eventId, data1, data2) && deleter != nullptr)
            deleter(data1);
    });
    return true;
}

void LAbandonWindowMessagesTo(LViewHandle handle)
{
    std::vector<std::shared_ptr<PendingSend>> waiting;
    {
        std::lock_guard<std::mutex> lock(gPendingMutex);
        for (const auto& send : gPending)
            if (send->handle == handle)
                waiting.push_back(send);
    }
    for (const auto& send : waiting)
        Finish(*send, false);
}
