#include "gui/framework/LApplication.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The longest the loop sleeps without looking at a condition that another
// thread may flip without any event.
constexpr uint32_t kSliceMs = 50;

uint32_t ElapsedMs(Clock::time_point start)
{
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Waits for one event or the slice, then handles what is pending.
void PumpOneSlice(uint32_t ms)
{
    QTimer slice;
    slice.setSingleShot(true);
    slice.start(static_cast<int>(std::min(ms, kSliceMs)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool AnyReadable(const int* fds, size_t count)
{
    if (count == 0)
        return false;
    std::vector<pollfd> entries(count);
    for (size_t i = 0; i < count; ++i)
        entries[i] = pollfd{fds[i], POLLIN, 0};
    int ready = ::poll(entries.data(), static_cast<nfds_t>(count), 0);
    if (ready <= 0)
        return false;
    for (const auto& entry : entries)
        if (entry.revents & (POLLIN | POLLHUP | POLLERR))
            return true;
    return false;
}

QWidget* gSessionWindow = nullptr;

} // namespace

void LProcessPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int LWaitWithMessagePump(const std::function<bool()>& condition, bool hasTimeout, uint32_t timeoutMs)
{
    Clock::time_point start = Clock::now();
    if (condition())
        return 1;
    for (;;) {
        uint32_t elapsed = ElapsedMs(start);
        uint32_t remaining = hasTimeout ? (elapsed >= timeoutMs ? 0 : timeoutMs - elapsed) : kSliceMs;
        PumpOneSlice(remaining);
        if (condition())
            return 1;
        if (hasTimeout && ElapsedMs(start) >= timeoutMs)
            return 2;
    }
}

int LWaitForDescriptorsWithMessagePump(const int* fds, size_t count, const std::function<bool()>& stop,
                                       bool hasTimeout, uint32_t timeoutMs, bool stopFirst)
{
    Clock::time_point start = Clock::now();
    // The notifiers only wake the loop; readiness is read with poll.
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
    for (size_t i = 0; i < count; ++i)
        if (fds[i] >= 0)
            notifiers.push_back(std::make_unique<QSocketNotifier>(fds[i], QSocketNotifier::Read));
    if (!stopFirst && stop())
        return 1;
    for (;;) {
        if (stopFirst && stop())
            return 1;
        if (AnyReadable(fds, count))
            return 0;
        if (!stopFirst && stop())
            return 1;
        uint32_t elapsed = ElapsedMs(start);
        if (hasTimeout && elapsed >= timeoutMs)
            return 2;
        PumpOneSlice(hasTimeout ? timeoutMs - elapsed : kSliceMs);
        // A readable descriptor keeps its notifier firing: switch them off
        // while the caller reads, they are made again on the next wait.
        if (hasTimeout && ElapsedMs(start) >= timeoutMs && !AnyReadable(fds, count)) {
            if (stop())
                return 1;
            return 2;
        }
    }
}

void LJoinWithMessagePump(const std::function<bool()>& finished, const std::function<void()>& join)
{
    while (!finished())
        LWaitWithMessagePump(finished, true, kSliceMs);
    join();
}

bool BeginModalSession(LViewHandle view)
{
    LWindow* window = LGetWindowFromView(view);
    if (window == nullptr || !window->IsTopLevel() || window->GetView() != view)
        return false;
    QWidget* top = LQtWidget(view)->window();
    LIncrementModalDepth();
    top->setWindowModality(Qt::ApplicationModal);
    if (top->isVisible()) {
        // Modality takes effect on show.
        top->hide();
        top->show();
    }
    LAssociatedData::SetData(1, view, LAssociatedData::kModalSessionKey);
    gSessionWindow = top;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}

bool PumpModalSession()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr)
        return false;
    QWidget* view = nullptr;
    for (auto* child : modal->findChildren<LQtWindowContentView*>(Qt::FindDirectChildrenOnly))
        view = child;
    if (view == nullptr || LAssociatedData::GetData(LQtHandle(view), LAssociatedData::kModalSessionKey) == 0)
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}

bool EndModalSession(LViewHandle view)
{
    if (view == nullptr || LAssociatedData::GetData(view, LAssociatedData::kModalSessionKey) == 0)
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QWidget* top = LQtWidget(view)->window();
    // The toolkit lets go of a modal window only when it is hidden while still
    // modal: clearing the modality of a shown window would leave it on the
    // toolkit's modal list, and every other window blocked from input for good.
    const bool shown = top->isVisible();
    if (shown)
        top->hide();
    top->setWindowModality(Qt::NonModal);
    if (shown)
        top->show();
    LDecrementModalDepth();
    LAssociatedData::SetData(0, view, LAssociatedData::kModalSessionKey);
    if (gSessionWindow == top)
        gSessionWindow = nullptr;
    return true;
}

LViewHandle LGetModalWindowView()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr)
        return nullptr;
    for (auto* child : modal->findChildren<LQtWindowContentView*>(Qt::FindDirectChildrenOnly))
        return LQtHandle(child);
    return nullptr;
}

void LBringAppToFront()
{
    LUnhideApplication();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) {
            if (widget->isMinimized())
                widget->showNormal();
            widget->raise();
            widget->activateWindow();
        }
    }
}

int LRunAppleScriptSource(const char* text)
{
    (void)text;
    return 2;
}
