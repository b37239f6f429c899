#pragma once
// The main-thread FIFO of the window framework: posted commands, window
// messages and notifications go on one mutex-guarded queue of ours, in one
// order that ThreadSanitizer can see; Qt is only asked to wake the main
// thread, with one event per batch.

#include "foundation/threads/LThreadQueuedNotify.h"

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

class LQtMainThreadDispatcher : public QObject, public LMainThreadDispatcher
{
    Q_OBJECT
public:
    // Makes the dispatcher of the running application the one in force; on
    // the main thread, once a QApplication exists. Idempotent.
    static LQtMainThreadDispatcher* Install();
    static LQtMainThreadDispatcher* Instance();

    bool IsMainThread() override;
    void Post(std::function<void()> call) override;
    // Runs what is queued now (main thread); how many ran.
    int Drain();
    size_t PendingCount();

protected:
    bool event(QEvent* event) override;

private:
    LQtMainThreadDispatcher();

    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
    bool wakePending_ = false;
};
