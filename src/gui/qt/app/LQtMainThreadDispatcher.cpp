#include "gui/qt/app/LQtMainThreadDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace {

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
LQtMainThreadDispatcher* gInstance = nullptr;

} // namespace

LQtMainThreadDispatcher::LQtMainThreadDispatcher() = default;

LQtMainThreadDispatcher* LQtMainThreadDispatcher::Install()
{
    if (gInstance == nullptr && QCoreApplication::instance() != nullptr) {
        gInstance = new LQtMainThreadDispatcher();
        gInstance->moveToThread(QCoreApplication::instance()->thread());
        // Lives as long as the application object.
        gInstance->setParent(QCoreApplication::instance());
        QObject::connect(gInstance, &QObject::destroyed, [] {
            if (LGetMainThreadDispatcher() == gInstance)
                LSetMainThreadDispatcher(nullptr);
            gInstance = nullptr;
        });
    }
    if (gInstance != nullptr)
        LSetMainThreadDispatcher(gInstance);
    return gInstance;
}

LQtMainThreadDispatcher* LQtMainThreadDispatcher::Instance()
{
    return gInstance;
}

bool LQtMainThreadDispatcher::IsMainThread()
{
    return QThread::currentThread() == thread();
}

void LQtMainThreadDispatcher::Post(std::function<void()> call)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
        if (!wakePending_) {
            wakePending_ = true;
            wake = true;
        }
    }
    if (wake)
        QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

size_t LQtMainThreadDispatcher::PendingCount()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_.size();
}

int LQtMainThreadDispatcher::Drain()
{
    // Only what is queued now: workers posting without pause must not keep
    // the main thread in here; the rest waits for the next wake.
    size_t budget = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wakePending_ = false;
        budget = calls_.size();
    }
    int ran = 0;
    for (; budget > 0; --budget) {
        std::function<void()> call;
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (calls_.empty())
                break;
            call = std::move(calls_.front());
            calls_.pop_front();
            // A handler may run a loop of its own (a modal dialog): the rest
            // of the queue must still be woken for inside it. One at a time,
            // so the order stays the posting order even then.
            if (!calls_.empty() && !wakePending_) {
                wakePending_ = true;
                wake = true;
            }
        }
        if (wake)
            QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
        call();
        ++ran;
    }
    return ran;
}

bool LQtMainThreadDispatcher::event(QEvent* event)
{
    if (event->type() == kWakeEvent) {
        Drain();
        return true;
    }
    return QObject::event(event);
}
