#include "burn/LBurnRunningFlag.h"
#include "burn/mmc/LDiscMediaWatcher.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ScriptedSource : public LDiscEventSource
{
public:
    int Descriptor() const override { return -1; }
    bool TakeChange() override { return true; }
};

TEST(DiscMediaWatcher, FirstLookOnlyLearnsThenEachTransitionIsReportedOnce)
{
    bool present = false;
    std::vector<bool> events;
    LDiscMediaWatcher watcher(
        std::make_unique<ScriptedSource>(), [&] { return present; }, [&](bool in) { events.push_back(in); });
    watcher.OnEvent();
    EXPECT_EQ(watcher.State(), -1);
    EXPECT_TRUE(events.empty());
    watcher.OnEvent();
    EXPECT_TRUE(events.empty());
    present = true;
    watcher.OnEvent();
    watcher.OnEvent();
    EXPECT_EQ(events, std::vector<bool>{true});
    present = false;
    watcher.OnEvent();
    EXPECT_EQ(events, (std::vector<bool>{true, false}));
}

TEST(DiscMediaWatcher, OurOwnBurnIsIgnored)
{
    bool present = true;
    std::vector<bool> events;
    LDiscMediaWatcher watcher(
        std::make_unique<ScriptedSource>(), [&] { return present; }, [&](bool in) { events.push_back(in); });
    watcher.OnEvent();
    {
        LBurnRunningScope burning;
        present = false;
        watcher.OnEvent();
        present = true;
        watcher.OnEvent();
    }
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(watcher.State(), 1);
}

TEST(DiscMediaWatcher, SourcesFallBackToPolling)
{
    auto polling = LCreatePollingDiscEventSource();
    EXPECT_EQ(polling->Descriptor(), -1);
    EXPECT_EQ(polling->PollIntervalMs(), 2000);
    auto any = LCreateDiscEventSource();
    ASSERT_NE(any, nullptr);
    if (any->Descriptor() >= 0) {
        EXPECT_FALSE(any->TakeChange()); // nothing waiting
    }
}

} // namespace
