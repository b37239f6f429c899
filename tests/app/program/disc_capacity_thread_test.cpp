// The disc-capacity thread: it works out the text only when a refresh is
// asked for, reads the disc afresh only when that is asked for too, posts
// the text as code 3001 and clears the refresh request.

#include "app/program/LDiscCapacityThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

class Target : public LQueuedNotifyDataHandler
{
public:
    ~Target() override { TearDownNotify(); }
    std::vector<std::pair<uint32_t, std::string>> received;

protected:
    void EvNotifyData(uint32_t code, const void* bytes, uint64_t length) override
    {
        received.emplace_back(code, std::string(static_cast<const char*>(bytes),
                                                strnlen(static_cast<const char*>(bytes), length)));
    }
};

} // namespace

TEST(DiscCapacityThread, PostsTheTextOnRequestAndClearsTheRequest)
{
    LPolledNotifyQueue queue;
    Target target;
    std::mutex lock;
    std::vector<bool> rereads;
    LDiscCapacityThread thread;
    thread.SetTarget(&target);
    thread.SetInterval(10);
    thread.SetReader([&](bool reread) {
        std::lock_guard<std::mutex> guard(lock);
        rereads.push_back(reread);
        return std::string(reread ? "79:59:74 free" : "12.500 MB");
    });
    ASSERT_TRUE(thread.Start(LDiscCapacityThread::kPriority));

    // Nothing asked: nothing read, nothing posted.
    queue.WaitAndDeliver(60);
    EXPECT_TRUE(target.received.empty());

    thread.Request(true, true);
    for (int i = 0; i < 200 && target.received.empty(); ++i)
        queue.WaitAndDeliver(10);
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(target.received[0].first, LDiscCapacityThread::kCapacityTextCode);
    EXPECT_EQ(target.received[0].second, "79:59:74 free");
    EXPECT_FALSE(thread.RefreshRequested());
    EXPECT_FALSE(thread.RereadRequested());

    thread.Request(false, true);
    for (int i = 0; i < 200 && target.received.size() < 2; ++i)
        queue.WaitAndDeliver(10);
    ASSERT_EQ(target.received.size(), 2u);
    EXPECT_EQ(target.received[1].second, "12.500 MB");
    thread.StopAndWait();
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(rereads, (std::vector<bool>{true, false}));
}
