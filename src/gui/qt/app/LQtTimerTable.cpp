#include "foundation/threads/LThreadQueuedNotify.h"
#include "gui/framework/LTimerTable.h"

#include <QTimer>

#include <map>
#include <memory>
#include <mutex>

struct LTimerTable::Impl
{
    std::recursive_mutex mutex;
    std::map<int, std::unique_ptr<QTimer>> timers;
};

namespace {

bool OnMainThread()
{
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    return dispatcher == nullptr || dispatcher->IsMainThread();
}

} // namespace

LTimerTable::LTimerTable() : impl_(std::make_unique<Impl>()), self_(std::make_shared<LTimerTable*>(this)) {}

LTimerTable::~LTimerTable()
{
    self_.reset();
    KillAllTimers();
}

void LTimerTable::SetTimer(int id, uint32_t ms)
{
    if (id < 0)
        return;
    if (!OnMainThread()) {
        std::weak_ptr<LTimerTable*> self = self_;
        LGetMainThreadDispatcher()->Post([self, id, ms] {
            if (auto table = self.lock())
                (*table)->SetTimer(id, ms);
        });
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    std::unique_ptr<QTimer>& timer = impl_->timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        std::weak_ptr<LTimerTable*> self = self_;
        QObject::connect(timer.get(), &QTimer::timeout, [self, id] {
            auto table = self.lock();
            if (!table)
                return;
            {
                std::lock_guard<std::recursive_mutex> lock((*table)->impl_->mutex);
                if ((*table)->impl_->timers.count(id) == 0)
                    return;
            }
            // Without the lock: the handler may set and kill timers.
            (*table)->OnTimer(id);
        });
    }
    timer->start(static_cast<int>(ms));
}

void LTimerTable::KillTimer(int id)
{
    if (id < 0)
        return;
    if (!OnMainThread()) {
        std::weak_ptr<LTimerTable*> self = self_;
        LGetMainThreadDispatcher()->Post([self, id] {
            if (auto table = self.lock())
                (*table)->KillTimer(id);
        });
        return;
    }
    std::unique_ptr<QTimer> gone;
    {
        std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
        auto it = impl_->timers.find(id);
        if (it == impl_->timers.end())
            return;
        gone = std::move(it->second);
        impl_->timers.erase(it);
    }
    gone->stop();
    // The timer may be the one whose signal is running now.
    gone.release()->deleteLater();
}

void LTimerTable::KillAllTimers()
{
    std::map<int, std::unique_ptr<QTimer>> gone;
    {
        std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
        gone.swap(impl_->timers);
    }
    for (auto& entry : gone) {
        entry.second->stop();
        entry.second.release()->deleteLater();
    }
}

bool LTimerTable::IsTimerSet(int id) const
{
    std::lock_guard<std::recursive_mutex> lock(impl_->mutex);
    auto it = impl_->timers.find(id);
    return it != impl_->timers.end() && it->second->isActive();
}
