// Worker notifications and posts through the main-thread queue. Runs under
// ThreadSanitizer in make tsan.
#include "gui/GuiTestSupport.h"

#include "foundation/threads/LThreadQueuedNotify.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LTimerTable.h"
#include "gui/framework/LWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

using namespace quorin::test;

namespace {

struct Payload
{
    uint32_t thread;
    uint32_t sequence;
    uint8_t bytes[24];
};

class Collector : public LQueuedNotifyDataHandler
{
public:
    std::vector<std::vector<uint32_t>> sequences = std::vector<std::vector<uint32_t>>(4);
    int corrupt = 0;
    int delivered = 0;
    std::vector<std::tuple<uint32_t, const void*, uint64_t>> raw;
    bool keepRaw = false;

protected:
    void EvNotifyData(uint32_t code, const void* bytes, uint64_t length) override
    {
        ++delivered;
        if (keepRaw) {
            raw.emplace_back(code, bytes, length);
            return;
        }
        if (bytes == nullptr || length != sizeof(Payload)) {
            ++corrupt;
            return;
        }
        Payload p;
        std::memcpy(&p, bytes, sizeof p);
        for (size_t i = 0; i < sizeof p.bytes; ++i)
            if (p.bytes[i] != static_cast<uint8_t>(p.sequence * 31 + p.thread + i))
                ++corrupt;
        if (code != p.thread || p.thread >= 4)
            ++corrupt;
        else
            sequences[p.thread].push_back(p.sequence);
    }
};

class MainThreadDispatch : public ::testing::Test
{
protected:
    void SetUp() override { GuiApp(); }
};

} // namespace

TEST_F(MainThreadDispatch, FourWorkersPostsArriveInPerThreadOrderWithIntactBytes)
{
    constexpr uint32_t kPosts = 2500;
    Collector collector;
    std::vector<std::thread> workers;
    for (uint32_t t = 0; t < 4; ++t) {
        workers.emplace_back([&collector, t] {
            for (uint32_t s = 0; s < kPosts; ++s) {
                Payload p{t, s, {}};
                for (size_t i = 0; i < sizeof p.bytes; ++i)
                    p.bytes[i] = static_cast<uint8_t>(s * 31 + t + i);
                collector.PostNotifyData(t, &p, sizeof p);
                std::memset(&p, 0xEE, sizeof p); // the post took its own copy
            }
        });
    }
    ASSERT_TRUE(PumpUntil([&] { return collector.delivered == static_cast<int>(4 * kPosts); }, 20000));
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(collector.corrupt, 0);
    for (uint32_t t = 0; t < 4; ++t) {
        ASSERT_EQ(collector.sequences[t].size(), kPosts);
        for (uint32_t s = 0; s < kPosts; ++s)
            ASSERT_EQ(collector.sequences[t][s], s);
    }
}

TEST_F(MainThreadDispatch, ANullPayloadDeliversTheNumberNotZeroBytes)
{
    Collector collector;
    collector.keepRaw = true;
    collector.PostNotifyData(12, nullptr, 7);
    char empty = 'x';
    collector.PostNotifyData(13, &empty, 0);
    EXPECT_EQ(collector.delivered, 0); // queued, also from the main thread
    ASSERT_TRUE(PumpUntil([&] { return collector.delivered == 2; }));
    EXPECT_EQ(std::get<0>(collector.raw[0]), 12u);
    EXPECT_EQ(std::get<1>(collector.raw[0]), nullptr);
    EXPECT_EQ(std::get<2>(collector.raw[0]), 7u);
    EXPECT_NE(std::get<1>(collector.raw[1]), nullptr);
    EXPECT_EQ(std::get<2>(collector.raw[1]), 0u);
}

TEST_F(MainThreadDispatch, PostsAfterTeardownAreNeverDelivered)
{
    auto collector = std::make_unique<Collector>();
    collector->keepRaw = true;
    std::atomic<bool> stop{false};
    std::atomic<int> posted{0};
    Collector* target = collector.get();
    std::thread worker([&] {
        // A paced stream: an unpaced one outruns a slow main thread without
        // end and the test measures the queue's growth instead.
        while (!stop) {
            target->PostNotifyData(1, nullptr, 1);
            ++posted;
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
    PumpUntil([&] { return posted > 200; });
    collector->TearDownNotify();
    int deliveredAtTeardown = collector->delivered;
    PumpFor(30);
    EXPECT_EQ(collector->delivered, deliveredAtTeardown);
    stop = true;
    worker.join();
    collector.reset();
    PumpFor(20); // what was queued reaches nobody
}

TEST_F(MainThreadDispatch, CommandsMessagesAndNotificationsShareOneOrder)
{
    struct Window : LWindow
    {
        std::vector<int>* order;
        void OnCommand(int command, int extra) override
        {
            if (command == 500)
                order->push_back(extra);
            LWindow::OnCommand(command, extra);
        }
    };
    struct Handler : LQueuedNotifyDataHandler
    {
        std::vector<int>* order;
        void EvNotifyData(uint32_t, const void*, uint64_t value) override
        {
            order->push_back(static_cast<int>(value));
        }
    };
    std::vector<int> order;
    Window window;
    window.order = &order;
    window.CreateCocoaWindow(100, 100, kWindowStyleTitled, false, nullptr);
    window.ShowModeless(nullptr, LPlacementCenterOnScreen);
    Handler handler;
    handler.order = &order;
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) {
            if (i % 3 == 0)
                window.PostCommand(500, i);
            else if (i % 3 == 1)
                LPostWindowMessage(window.GetView(), kWindowMessageCommand, 500, i);
            else
                handler.PostNotifyData(0, nullptr, static_cast<uint64_t>(i));
        }
    });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 300; }));
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(order[i], i);
    window.EndDialog(kCommandCancel);
}

namespace {

class TimerProbe : public LTimerTable
{
public:
    std::vector<std::pair<int, std::chrono::steady_clock::time_point>> fired;
    bool killInside = false;

protected:
    void OnTimer(int id) override
    {
        fired.emplace_back(id, std::chrono::steady_clock::now());
        if (killInside)
            KillTimer(id);
    }
};

} // namespace

TEST_F(MainThreadDispatch, SetTimerTwiceFiresOnceAfterTheSecondCall)
{
    TimerProbe probe;
    probe.SetTimer(-1, 10); // ignored
    probe.SetTimer(4, 500);
    PumpFor(100);
    auto second = std::chrono::steady_clock::now();
    probe.SetTimer(4, 500);
    PumpFor(800);
    ASSERT_EQ(probe.fired.size(), 1u);
    EXPECT_EQ(probe.fired[0].first, 4);
    EXPECT_GE(probe.fired[0].second - second, std::chrono::milliseconds(480));
}

TEST_F(MainThreadDispatch, KillTimerInsideOnTimerIsSafe)
{
    TimerProbe probe;
    probe.killInside = true;
    probe.SetTimer(7, 5);
    PumpUntil([&] { return !probe.fired.empty(); }, 2000);
    PumpFor(20);
    EXPECT_EQ(probe.fired.size(), 1u);
    EXPECT_FALSE(probe.IsTimerSet(7));
    // Set from a worker: carried to the main thread.
    probe.killInside = false;
    std::thread worker([&] { probe.SetTimer(8, 5); });
    worker.join();
    EXPECT_TRUE(PumpUntil([&] { return probe.fired.size() == 2; }, 2000));
    EXPECT_EQ(probe.fired.back().first, 8);
}

TEST_F(MainThreadDispatch, AConditionFlippedByAWorkerWithoutAnEventEndsTheWaitQuickly)
{
    PumpFor(10);
    // The worker flips the flag once the wait has looked at it (no event is
    // posted), and the wait must notice the change by itself: a wait that
    // only rechecks on events would never end here.
    std::atomic<bool> flag{false};
    std::atomic<bool> looked{false};
    std::atomic<bool> flipped{false};
    std::thread worker([&] {
        while (!looked.load())
            std::this_thread::yield();
        flag = true;
        flipped = true;
    });
    int result = LWaitWithMessagePump(
        [&] {
            looked = true;
            return flag.load();
        },
        false, 0);
    worker.join();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(flipped.load()) << "the wait ended before the worker flipped the condition";
    // Already true: 1 at once; time-out 0: 2 after one pass.
    EXPECT_EQ(LWaitWithMessagePump([] { return true; }, true, 1000), 1);
    EXPECT_EQ(LWaitWithMessagePump([] { return false; }, true, 0), 2);
}
