// Disc arrivals for windows from the optical-drive layer's watcher: its
// descriptor joins the event loop through a socket notifier, or a timer polls
// at the source's interval when there is no descriptor.

#include "burn/mmc/LDiscMediaWatcher.h"
#include "gui/framework/LDiscMediaEvents.h"

#include <QSocketNotifier>
#include <QTimer>

namespace {

class LQtDiscMediaWatcherSource : public LDiscMediaEventSource
{
public:
    LQtDiscMediaWatcherSource(std::unique_ptr<LDiscEventSource> events, std::function<bool()> discPresent)
        : watcher_(std::move(events), std::move(discPresent), [this](bool present) {
              if (handler_)
                  handler_(present);
          })
    {
        // The first look learns whether a disc is in; only changes after it count.
        watcher_.OnEvent();
        const int descriptor = watcher_.Descriptor();
        if (descriptor >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                             [this] { watcher_.OnEvent(); });
        } else {
            timer_ = std::make_unique<QTimer>();
            QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { watcher_.OnEvent(); });
            timer_->start(std::max(10, watcher_.PollIntervalMs()));
        }
    }

    void SetMediaChangeHandler(std::function<void(bool present)> handler) override
    {
        handler_ = std::move(handler);
    }

private:
    std::function<void(bool)> handler_;
    LDiscMediaWatcher watcher_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> timer_;
};

} // namespace

std::unique_ptr<LDiscMediaEventSource> LCreateDiscMediaWatcherSource(std::unique_ptr<LDiscEventSource> events,
                                                                     std::function<bool()> discPresent)
{
    if (!events || !discPresent)
        return nullptr;
    return std::make_unique<LQtDiscMediaWatcherSource>(std::move(events), std::move(discPresent));
}
