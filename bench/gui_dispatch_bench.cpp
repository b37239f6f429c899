// Posts from a worker to the main thread: our dispatcher (one mutex-guarded
// FIFO, one Qt wake per batch) against Qt's queued invokeMethod, 100,000
// posts each, delivered and counted on the main thread, in one run.
#include "BenchSupport.h"

#include "gui/qt/app/LQtMainThreadDispatcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

constexpr int kPosts = 100000;

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "gui_dispatch_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

// Pumps the main thread until the count reaches kPosts.
bool DeliverAll(std::atomic<int>& delivered, std::thread& worker)
{
    while (delivered.load(std::memory_order_relaxed) < kPosts)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 50);
    worker.join();
    return delivered.load() == kPosts;
}

void BM_WorkerPostsToMainThread(benchmark::State& state)
{
    App();
    LQtMainThreadDispatcher* dispatcher = LQtMainThreadDispatcher::Install();
    QObject receiver;
    int counter = 0;
    auto ours = [&] {
        std::atomic<int> delivered{0};
        std::thread worker([&] {
            for (int i = 0; i < kPosts; ++i)
                dispatcher->Post([&delivered, &counter, i] {
                    counter += i & 1;
                    delivered.fetch_add(1, std::memory_order_relaxed);
                });
        });
        return DeliverAll(delivered, worker);
    };
    auto qt = [&] {
        std::atomic<int> delivered{0};
        std::thread worker([&] {
            for (int i = 0; i < kPosts; ++i)
                QMetaObject::invokeMethod(
                    &receiver,
                    [&delivered, &counter, i] {
                        counter += i & 1;
                        delivered.fetch_add(1, std::memory_order_relaxed);
                    },
                    Qt::QueuedConnection);
        });
        return DeliverAll(delivered, worker);
    };
    bench::CompareWithReference(state, ours, qt, {"qt_invoke", false, 0});
    benchmark::DoNotOptimize(counter);
}

} // namespace

BENCHMARK(BM_WorkerPostsToMainThread)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
