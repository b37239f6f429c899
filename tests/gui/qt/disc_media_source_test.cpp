// Windows fed by the optical-drive layer's watcher: events arriving on its
// descriptor, or its poll, become the window's disc commands, once per real
// change.

#include "gui/GuiTestSupport.h"

#include "burn/mmc/LDiscMediaWatcher.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LDiscMediaEvents.h"
#include "gui/framework/LWindow.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

using namespace quorin::test;

namespace {

// Events are bytes written to a pipe; each read takes them all.
class PipeSource : public LDiscEventSource
{
public:
    PipeSource()
    {
        if (pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0)
            fds_[0] = fds_[1] = -1;
    }
    ~PipeSource() override
    {
        for (int fd : fds_)
            if (fd >= 0)
                close(fd);
    }
    int Descriptor() const override { return fds_[0]; }
    bool TakeChange() override
    {
        char buffer[16];
        bool any = false;
        while (read(fds_[0], buffer, sizeof buffer) > 0)
            any = true;
        return any;
    }
    int WriteEnd() const { return fds_[1]; }

private:
    int fds_[2] = {-1, -1};
};

class PolledSource : public LDiscEventSource
{
public:
    int Descriptor() const override { return -1; }
    int PollIntervalMs() const override { return 10; }
    bool TakeChange() override { return true; }
};

class DiscWindow : public LWindow
{
public:
    std::vector<int> commands;
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

bool g_present = false;
int g_writeEnd = -1;

std::unique_ptr<LDiscMediaEventSource> PipeFactory()
{
    auto source = std::make_unique<PipeSource>();
    g_writeEnd = source->WriteEnd();
    return LCreateDiscMediaWatcherSource(std::move(source), [] { return g_present; });
}

std::unique_ptr<LDiscMediaEventSource> PolledFactory()
{
    return LCreateDiscMediaWatcherSource(std::make_unique<PolledSource>(), [] { return g_present; });
}

class DiscMediaSource : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        g_present = false;
        window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    }
    void TearDown() override
    {
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
        LSetDiscMediaEventSourceFactory(nullptr);
    }

    void Signal() { ASSERT_EQ(write(g_writeEnd, "x", 1), 1); }

    DiscWindow window;
};

TEST_F(DiscMediaSource, EventsOnTheDescriptorBecomeCommands)
{
    LSetDiscMediaEventSourceFactory(&PipeFactory);
    window.SetDiscInsertedCommand(600);
    window.SetDiscEjectedCommand(601);
    ASSERT_NE(window.GetDiscMediaEventSource(), nullptr);
    // An event without a change reports nothing.
    Signal();
    PumpFor(50);
    EXPECT_TRUE(window.commands.empty());
    g_present = true;
    Signal();
    EXPECT_TRUE(PumpUntil([&] { return !window.commands.empty(); }, 2000));
    g_present = false;
    Signal();
    EXPECT_TRUE(PumpUntil([&] { return window.commands.size() >= 2; }, 2000));
    EXPECT_EQ(window.commands, (std::vector<int>{600, 601}));
}

TEST_F(DiscMediaSource, APolledSourceReportsEachChangeOnce)
{
    LSetDiscMediaEventSourceFactory(&PolledFactory);
    window.SetDiscInsertedCommand(600);
    PumpFor(50);
    EXPECT_TRUE(window.commands.empty());
    g_present = true;
    EXPECT_TRUE(PumpUntil([&] { return !window.commands.empty(); }, 2000));
    PumpFor(60);
    EXPECT_EQ(window.commands, (std::vector<int>{600}));
}

TEST(DiscMediaWatcherSource, NeedsEventsAndAProbe)
{
    GuiApp();
    EXPECT_EQ(LCreateDiscMediaWatcherSource(nullptr, [] { return true; }), nullptr);
    EXPECT_EQ(LCreateDiscMediaWatcherSource(std::make_unique<PolledSource>(), nullptr), nullptr);
}

} // namespace
