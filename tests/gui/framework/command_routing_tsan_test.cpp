// Sending and posting commands, window messages and their registry.
#include "gui/GuiTestSupport.h"

#include "gui/controls/LCommandKeys.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using namespace quorin::test;

namespace {

class CountingWindow : public LWindow
{
public:
    std::vector<std::pair<int, int>> commands;
    int updates = 0;
    bool endOn = false;
    int endCommand = 0;

    void UpdateControls() override { ++updates; }
    void OnCommand(int command, int extra) override
    {
        commands.emplace_back(command, extra);
        if (endOn && command == endCommand)
            EndDialog(kCommandOK);
    }
    void Make()
    {
        CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
        ShowModeless(nullptr, LPlacementCenterOnScreen);
        PumpFor(10); // 'wrdy'
        commands.clear();
        updates = 0;
    }
};

class Receiver : public LInterWinMessageHandler
{
public:
    std::vector<std::tuple<uint32_t, int64_t, int64_t>> got;
    std::thread::id thread;
    std::function<void()> during;
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override
    {
        got.emplace_back(eventId, data1, data2);
        thread = std::this_thread::get_id();
        if (during)
            during();
    }
};

class CommandRouting : public ::testing::Test
{
protected:
    void SetUp() override { GuiApp(); }
};

std::atomic<int> gDeleted{0};

void DeleteText(int64_t data1)
{
    delete[] reinterpret_cast<char*>(data1);
    ++gDeleted;
}

} // namespace

TEST_F(CommandRouting, SendRunsOnCommandThenUpdateControls)
{
    CountingWindow window;
    window.Make();
    // -1: UpdateControls only, answered false; 0 is a command like any other.
    EXPECT_FALSE(LSendCommandToWindow(-1, &window));
    EXPECT_TRUE(window.commands.empty());
    EXPECT_EQ(window.updates, 1);
    EXPECT_TRUE(LSendCommandToWindow(0, &window));
    EXPECT_EQ(window.commands, (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(window.updates, 2);
    LSendCommandExtra(7, 9, &window);
    EXPECT_EQ(window.commands.back(), std::make_pair(7, 9));
    EXPECT_EQ(window.updates, 3);
    window.EndDialog(kCommandCancel);
    EXPECT_FALSE(LSendCommandToWindow(5, &window)); // not alive
    EXPECT_EQ(window.commands.size(), 2u);
}

TEST_F(CommandRouting, NoUpdateAfterTheCommandEndedTheWindow)
{
    CountingWindow window;
    window.Make();
    window.endOn = true;
    window.endCommand = 42;
    LSendCommandExtra(42, 0, &window);
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(window.updates, 0);
}

TEST_F(CommandRouting, PostsArriveLaterInOrderAndNeverAfterEndDialog)
{
    CountingWindow window;
    window.Make();
    EXPECT_FALSE(LPostCommandToWindow(-3, &window));
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(LPostCommandToWindow(i, &window));
    EXPECT_TRUE(window.commands.empty()); // a post never runs inline
    PumpUntil([&] { return window.commands.size() == 5; });
    ASSERT_EQ(window.commands.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(window.commands[i].first, i + 1);

    window.PostCommand(99);
    window.EndDialog(kCommandCancel);
    PumpFor(30);
    EXPECT_EQ(window.commands.size(), 5u);

    // A post for an earlier life of the same object is dropped too.
    window.Make();
    window.PostCommand(100);
    window.DestroyWindow();
    window.Make();
    PumpFor(30);
    EXPECT_TRUE(window.commands.empty());
    window.EndDialog(kCommandCancel);
}

TEST_F(CommandRouting, CommandKeysOfAView)
{
    CountingWindow window;
    window.Make();
    window.AddButtonNoRect(300, "Go");
    LViewHandle button = window.GetControl(300);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(LGetCommandId(button, LCommandKeyDown), -1);
    EXPECT_EQ(LGetCommandId(button, LCommandKeyUp), 300);
    // An unset slot sends -1: only UpdateControls.
    EXPECT_FALSE(LSendCommandWithKey(button, LCommandKeyDown, &window));
    EXPECT_EQ(window.updates, 1);
    EXPECT_FALSE(LPostCommandWithKey(button, LCommandKeyDown, &window));
    LSetCommandId(button, 301, LCommandKeyDown);
    EXPECT_TRUE(LSendCommandWithKey(button, LCommandKeyDown, &window));
    EXPECT_EQ(window.commands.back().first, 301);
    EXPECT_TRUE(window.PressButton(300));
    EXPECT_EQ(window.commands.back().first, 300);
    window.EndDialog(kCommandCancel);
}

TEST_F(CommandRouting, RegistryHolds1024WindowsPackedAndRefusesThe1025th)
{
    ASSERT_EQ(LIOSEventHandlerTableCount(), 0u);
    std::vector<std::unique_ptr<CountingWindow>> windows;
    std::vector<std::unique_ptr<Receiver>> receivers;
    for (size_t i = 0; i < kWindowMessageRegistrySize + 1; ++i) {
        windows.push_back(std::make_unique<CountingWindow>());
        receivers.push_back(std::make_unique<Receiver>());
    }
    for (size_t i = 0; i < kWindowMessageRegistrySize; ++i)
        ASSERT_TRUE(receivers[i]->Register(windows[i].get(), 1));
    EXPECT_EQ(LIOSEventHandlerTableCount(), kWindowMessageRegistrySize);
    EXPECT_FALSE(receivers.back()->Register(windows.back().get(), 1));
    EXPECT_FALSE(receivers[0]->Register(windows[0].get(), -1)); // a negative id is ignored
    // A second registration of one window finds its record.
    EXPECT_TRUE(receivers[5]->Register(windows[5].get(), 2));
    EXPECT_EQ(LIOSEventHandlerTableCount(), kWindowMessageRegistrySize);

    receivers[0]->Unregister();
    EXPECT_EQ(LIOSEventHandlerTableCount(), kWindowMessageRegistrySize - 1);
    for (size_t i = 0; i + 1 < kWindowMessageRegistrySize; ++i)
        ASSERT_EQ(LIOSEventHandlerTableWindowAt(i), windows[i + 1].get());
    EXPECT_EQ(LIOSEventHandlerTableWindowAt(kWindowMessageRegistrySize - 1), nullptr);
    EXPECT_TRUE(receivers.back()->Register(windows.back().get(), 1));
    receivers.clear(); // destructors unregister
    EXPECT_EQ(LIOSEventHandlerTableCount(), 0u);
}

TEST_F(CommandRouting, WindowMessagesReachOnlyARegisteredHandler)
{
    CountingWindow window;
    window.Make();
    Receiver receiver;
    EXPECT_FALSE(LSendWindowMessage(window.GetView(), 1024, 1, 2)); // no record
    ASSERT_TRUE(receiver.Register(&window, 1024));
    EXPECT_TRUE(LSendWindowMessage(window.GetView(), 1024, 1, 2));
    ASSERT_EQ(receiver.got.size(), 1u);
    EXPECT_EQ(receiver.got[0], std::make_tuple(1024u, int64_t{1}, int64_t{2}));

    EXPECT_TRUE(LPostWindowMessage(window.GetView(), 1025, -5, 1LL << 40));
    EXPECT_EQ(receiver.got.size(), 1u);
    PumpUntil([&] { return receiver.got.size() == 2; });
    EXPECT_EQ(receiver.got.back(), std::make_tuple(1025u, int64_t{-5}, int64_t{1} << 40));

    // Id -1 carries a command.
    EXPECT_TRUE(LSendWindowMessage(window.GetView(), kWindowMessageCommand, 77, 3));
    EXPECT_EQ(window.commands.back(), std::make_pair(77, 3));
    window.EndDialog(kCommandCancel);
}

TEST_F(CommandRouting, ADroppedPointerPayloadIsFreedADeliveredOneBelongsToTheReceiver)
{
    gDeleted = 0;
    CountingWindow window;
    window.Make();
    Receiver receiver;
    receiver.Register(&window, 2000);
    receiver.during = [&] { delete[] reinterpret_cast<char*>(std::get<1>(receiver.got.back())); };
    char* kept = new char[260];
    std::strcpy(kept, "kept");
    LPostWindowMessage(window.GetView(), 2000, reinterpret_cast<int64_t>(kept), 0, DeleteText);
    PumpUntil([&] { return receiver.got.size() == 1; });
    EXPECT_EQ(gDeleted, 0);

    char* dropped = new char[260];
    LPostWindowMessage(window.GetView(), 2000, reinterpret_cast<int64_t>(dropped), 0, DeleteText);
    window.EndDialog(kCommandCancel); // gone before delivery
    PumpFor(30);
    EXPECT_EQ(gDeleted, 1);
    EXPECT_EQ(receiver.got.size(), 1u);
}

TEST_F(CommandRouting, AWorkersBlockingSendRunsOnTheMainThreadAndGivesUpOnTeardown)
{
    CountingWindow window;
    window.Make();
    Receiver receiver;
    receiver.Register(&window, 1500);
    std::atomic<int> result{-1};
    std::thread worker([&] { result = LSendWindowMessage(window.GetView(), 1500, 8, 9) ? 1 : 0; });
    PumpUntil([&] { return result.load() != -1; });
    worker.join();
    EXPECT_EQ(result, 1);
    ASSERT_EQ(receiver.got.size(), 1u);
    EXPECT_EQ(receiver.thread, std::this_thread::get_id());

    // The target is torn down while the worker waits: the send answers false
    // instead of waiting on a window that will never answer.
    result = -1;
    std::atomic<bool> started{false};
    std::thread blocked([&] {
        started = true;
        result = LSendWindowMessage(window.GetView(), 1500, 1, 1) ? 1 : 0;
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // queued, not yet delivered
    window.EndDialog(kCommandCancel);
    for (int i = 0; i < 200 && result.load() == -1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(result, 0);
    blocked.join();
    PumpFor(20);
    EXPECT_EQ(receiver.got.size(), 1u);
}
