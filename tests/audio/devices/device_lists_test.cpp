// Device and channel lists, selections, the recording volume table, the dB
// tables and the main-thread notifications, over the in-process device layer.

#include "DeviceTestSupport.h"

#include "audio/devices/LSoundDbTables.h"
#include "audio/devices/LSoundDeviceControls.h"
#include "audio/devices/LSoundInputDevices.h"
#include "audio/devices/LSoundOutputDevices.h"
#include "foundation/threads/LThreadQueuedNotify.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <thread>

using namespace quorin::test;

namespace {

class DeviceListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto& b = fake_.backend;
        b.AddInput(MakeDevice("usb-a", "Turntable Preamp", 2, "usb"));
        b.AddInput(MakeDevice("sink.monitor", "Monitor of Speakers", 2, "pci", true));
        b.AddInput(MakeDevice("pci-line", "Line In", 2, "pci"));
        b.AddInput(MakeDevice("usb-mic", "Microphone", 1, "usb"));
        b.AddInput(MakeDevice("bt", "Headset", 1, "bluetooth"));
        b.AddInput(MakeDevice("fw", "Interface", 4, "firewire"));
        b.AddInput(MakeDevice("virtual", "Null Input", 2, ""));
        LSoundDeviceInfo unnamed = MakeDevice("unnamed", "", 2);
        b.AddInput(unnamed);
        b.SetDefaultInput("pci-line");
        b.AddOutput(MakeDevice("speakers", "Speakers", 2, "pci"));
        b.AddOutput(MakeDevice("dac", "USB DAC", 2, "usb"));
        b.SetDefaultOutput("dac");
    }
    FakeDevices fake_;
};

TEST_F(DeviceListTest, InputsComeFirstWithTransportPrefixesThenMonitors)
{
    std::vector<LSoundInDeviceEntry> list;
    ASSERT_EQ(LSoundInDeviceList::Build(list), 7);
    const char* const expected[] = {
        "[USB 0] Turntable Preamp", "[PCI 0] Line In", "[USB 1] Microphone",         "[Bluetooth 0] Headset",
        "[FireWire 0] Interface",   "Null Input",      "[PCI 1] Monitor of Speakers"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(list[i].displayName, expected[i]) << i;
    EXPECT_EQ(list[0].name, "Turntable Preamp");
    EXPECT_EQ(LSoundInputGetDeviceCount(), 7);
    EXPECT_EQ(LSoundInputGetDeviceName(1), "[PCI 0] Line In");
    EXPECT_EQ(LSoundInputGetDeviceName(7), "");
    std::string id, name;
    EXPECT_TRUE(LSoundInputGetDevice(6, &id, &name));
    EXPECT_EQ(id, "sink.monitor");
    EXPECT_FALSE(LSoundInputGetDevice(-1, &id, &name));
    EXPECT_TRUE(id.empty() && name.empty());
    int32_t index = 0;
    EXPECT_TRUE(LSoundInputFindDeviceById("usb-mic", &index, &name));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(LSoundInputFindDeviceById("unnamed", &index, &name));
    EXPECT_EQ(index, -1);
}

TEST_F(DeviceListTest, FindingByNameAndTheDefault)
{
    int32_t index = -5;
    std::string id;
    EXPECT_TRUE(LSoundInputFindDevice("Line In", &index, &id));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(LSoundInputFindDevice("[USB 1] Microphone", &index, &id));
    EXPECT_EQ(id, "usb-mic");
    EXPECT_FALSE(LSoundInputFindDevice("", &index, &id));
    EXPECT_EQ(index, -1);
    EXPECT_FALSE(LSoundInputFindDevice("line in", &index, &id)); // exact match only
    uint32_t stereo = 9;
    EXPECT_TRUE(LSoundInputGetDefaultDevice(&index, &stereo));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(stereo, 1u);
    const LSoundInputSelection selection = LSoundInputDefaultSelection();
    EXPECT_EQ(selection.device, 1);
    EXPECT_EQ(selection.channel, 0u);
    EXPECT_EQ(selection.stereo, 1u);
    EXPECT_EQ(LSoundInputGetDeviceRate(selection), 44100u);
}

TEST_F(DeviceListTest, ChannelNames)
{
    std::vector<LSoundInChannelEntry> channels;
    ASSERT_EQ(LSoundInChannelList::Build("pci-line", channels), 2);
    EXPECT_EQ(channels[0].name, "Front Left (Channel 1)");
    EXPECT_EQ(channels[1].name, "Front Right (Channel 2)");
    EXPECT_EQ(channels[1].channel, 1u);
    ASSERT_EQ(LSoundInChannelList::Build("usb-mic", channels), 1);
    EXPECT_EQ(channels[0].name, "Mono");
    LSoundDeviceInfo blank = MakeDevice("blank", "Blank", 3);
    blank.channelNames.assign(3, "");
    LSoundDeviceInfo single = MakeDevice("single", "Single", 1);
    single.channelNames.assign(1, "");
    fake_.backend.AddInput(blank);
    fake_.backend.AddInput(single);
    ASSERT_EQ(LSoundInChannelList::Build("blank", channels), 3);
    EXPECT_EQ(channels[2].name, "Channel 3");
    ASSERT_EQ(LSoundInChannelList::Build("single", channels), 1);
    EXPECT_EQ(channels[0].name, "Default");
    EXPECT_EQ(LSoundInChannelList::Build("missing", channels), 0);
    EXPECT_EQ(LSoundInputGetChannelCount(4), 4);
}

TEST_F(DeviceListTest, SelectionsAndValidation)
{
    LSoundInputSelection selection;
    LSoundInputSelectByName(selection, "Line In", 1);
    EXPECT_EQ(selection.device, 1);
    EXPECT_EQ(selection.channel, 1u);
    EXPECT_EQ(selection.stereo, 0u);
    LSoundInputSelectByName(selection, "Line In", 0);
    EXPECT_EQ(selection.stereo, 1u);
    LSoundInputSelectByName(selection, "Microphone", 3); // no such channel
    EXPECT_EQ(selection.channel, 0u);
    EXPECT_EQ(selection.stereo, 0u);
    LSoundInputSelectByName(selection, "Gone", 1);
    EXPECT_EQ(selection.device, -1);

    LSoundInputSelection out;
    LSoundInputValidateSelection(out, {3, 0, 0});
    EXPECT_EQ(out.device, 3);
    LSoundInputValidateSelection(out, {12, 1, 1});
    EXPECT_EQ(out.device, -1);
    EXPECT_EQ(out.channel, 0u);
    EXPECT_EQ(out.stereo, 0u);
    fake_.backend.Unplug("usb-a");
    LSoundInputValidateSelection(out, {6, 1, 1});
    EXPECT_EQ(out.device, -1);
}

TEST_F(DeviceListTest, RecordingVolumesPerDeviceAndChannel)
{
    EXPECT_EQ(LSoundInputGetVolumeDb({1, 0, 1}), 0);
    LSoundInputSetVolumeDb({1, 0, 1}, -20);
    LSoundInputSetVolumeDb({1, 1, 0}, 6);
    EXPECT_EQ(LSoundInputGetVolumeDb({1, 0, 0}), -20);
    EXPECT_EQ(LSoundInputGetVolumeDb({1, 1, 0}), 6);
    EXPECT_EQ(LSoundInputGetVolumeDbByName("Line In", 1), 6);
    EXPECT_EQ(LSoundInputGetVolumeDb({0, 0, 1}), 0);
    LSoundInputSetVolumeDb({1, 0, 1}, 0);
    LSoundInputSetVolumeDb({1, 1, 1}, 0);
}

TEST_F(DeviceListTest, Outputs)
{
    EXPECT_EQ(LSoundOutDeviceList::GetCount(), 3);
    EXPECT_EQ(LSoundOutDeviceList::GetName(0), "Default Playback Device");
    EXPECT_EQ(LSoundOutDeviceList::GetName(1), "[PCI 0] Speakers");
    EXPECT_EQ(LSoundOutDeviceList::GetName(2), "[USB 0] USB DAC");
    EXPECT_EQ(LSoundOutDeviceList::GetName(3), "");
    EXPECT_EQ(LSoundOutDeviceList::Find("[usb 0] usb dac"), 2);
    EXPECT_EQ(LSoundOutDeviceList::Find("default playback device"), 0);
    EXPECT_EQ(LSoundOutDeviceList::Find("nothing"), 0);
    EXPECT_EQ(LSoundOutDeviceIndexOf("speakers"), 1);
    EXPECT_EQ(LSoundOutDeviceIndexOf("none"), 0);
    EXPECT_EQ(LSoundOutDeviceGetId(0), "dac");
    EXPECT_EQ(LSoundOutDeviceGetId(1), "speakers");
    EXPECT_EQ(LSoundOutDeviceGetId(9), "");
    EXPECT_EQ(LSoundOutDeviceGetChannels(0), 2u);
    EXPECT_EQ(LSoundOutDeviceGetChannelNames(1), (std::vector<std::string>{"Front Left", "Front Right"}));
}

TEST_F(DeviceListTest, ANotReachableServerGivesEmptyLists)
{
    fake_.backend.SetServerDown(true);
    EXPECT_EQ(LSoundInputGetDeviceCount(), 0);
    EXPECT_EQ(LSoundOutDeviceList::GetCount(), 1);
    EXPECT_EQ(LSoundInputDefaultSelection().device, -1);
    std::vector<LSoundInChannelEntry> channels;
    EXPECT_EQ(LSoundInChannelList::Build("pci-line", channels), 0);
}

// Pull-down lists kept in memory, as a dialog would show them.
class PullDowns : public LPullDownControls
{
public:
    void DeleteAllPullDownItems(int32_t control) override
    {
        items[control].clear();
        selected[control] = -1;
    }
    int32_t AddPullDownItem(int32_t control, const char* text) override
    {
        items[control].push_back(text);
        return static_cast<int32_t>(items[control].size()) - 1;
    }
    void SelectPullDownItem(int32_t control, int32_t index) override
    {
        selected[control] = index < static_cast<int32_t>(items[control].size()) ? index : -1;
    }
    int32_t GetPullDownSelection(int32_t control) override
    {
        auto it = selected.find(control);
        return it == selected.end() ? -1 : it->second;
    }
    std::map<int32_t, std::vector<std::string>> items;
    std::map<int32_t, int32_t> selected;
};

TEST_F(DeviceListTest, PullDownsShowAndReadTheSelection)
{
    PullDowns window;
    LFillSoundInputControls(window, 10, 11, {2, 0, 0});
    ASSERT_EQ(window.items[10].size(), 7u);
    EXPECT_EQ(window.items[10][2], "[USB 1] Microphone");
    EXPECT_EQ(window.selected[10], 2);
    EXPECT_EQ(window.items[11], (std::vector<std::string>{"Mono"}));
    EXPECT_EQ(window.selected[11], 0);

    window.SelectPullDownItem(10, 1); // the user picks Line In, then its right channel
    LFillSoundInputChannelList(window, 10, 11);
    EXPECT_EQ(window.items[11],
              (std::vector<std::string>{"Front Left (Channel 1)", "Front Right (Channel 2)"}));
    window.SelectPullDownItem(11, 1);
    LSoundInputSelection selection;
    LReadSoundInputControls(window, 10, 11, selection);
    EXPECT_EQ(selection.device, 1);
    EXPECT_EQ(selection.channel, 1u);
    EXPECT_EQ(selection.stereo, 1u);

    LFillSoundInputControls(window, 10, 11, {-1, 0, 0});
    EXPECT_EQ(window.selected[10], -1);
    EXPECT_EQ(window.items[11], (std::vector<std::string>{"Default"}));
    LReadSoundInputControls(window, 10, 11, selection);
    EXPECT_EQ(selection.device, -1);
    EXPECT_EQ(selection.stereo, 0u);
}

TEST(DbTables, AmplitudeAndPowerGains)
{
    EXPECT_EQ(LDbToAmplitudeGain(0), 16777216);
    EXPECT_EQ(LDbToPowerGain(0), 16777216);
    EXPECT_EQ(LDbToAmplitudeGain(-127), 0);
    EXPECT_EQ(LDbToAmplitudeGain(-128), 0);
    EXPECT_EQ(LDbToAmplitudeGain(-126),
              static_cast<int32_t>(std::lround(std::pow(10.0, -126 / 20.0) * 16777216)));
    EXPECT_EQ(LDbToAmplitudeGain(20), 167772160);
    EXPECT_EQ(LDbToPowerGain(10), 167772160);
    EXPECT_EQ(LDbToAmplitudeGain(127), 2147483647); // capped
    EXPECT_EQ(LDbToPowerGain(50), 2147483647);
    EXPECT_EQ(LDbToGain512(0), 512);
    EXPECT_EQ(LDbToGain512(-127), 0);
    EXPECT_EQ(LDbToAmplitudeGainFractional(0.5), (LDbToAmplitudeGain(0) + LDbToAmplitudeGain(1)) / 2);
    EXPECT_EQ(LDbToAmplitudeGainFractional(-3.0), LDbToAmplitudeGain(-3));
    EXPECT_EQ(LDbToAmplitudeGainFractional(-200.0), 0);
    EXPECT_EQ(LDbToPowerGainFractional(200.0), 2147483647);
}

class CountingNotify : public LThreadQueuedNotify
{
public:
    int runs = 0;
    std::thread::id lastThread;

protected:
    void EvNotify() override
    {
        ++runs;
        lastThread = std::this_thread::get_id();
    }
};

class DataHandler : public LQueuedNotifyDataHandler
{
public:
    std::vector<std::pair<uint32_t, std::string>> got;

protected:
    void EvNotifyData(uint32_t code, const void* bytes, uint64_t length) override
    {
        got.emplace_back(code, std::string(static_cast<const char*>(bytes), length));
    }
};

TEST(QueuedNotify, RunsAtOnceOnTheMainThreadAndQueuedFromOthers)
{
    LPolledNotifyQueue queue;
    CountingNotify notify;
    notify.Notify();
    EXPECT_EQ(notify.runs, 1);
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            notify.Notify();
    });
    worker.join();
    EXPECT_EQ(notify.runs, 1); // nothing runs before the main thread delivers
    EXPECT_TRUE(queue.PendingSignal().IsSignalled());
    queue.DeliverPending();
    EXPECT_EQ(notify.runs, 2); // posts made before the delivery arrive as one
    EXPECT_EQ(notify.lastThread, std::this_thread::get_id());
    std::thread again([&] { notify.Notify(); });
    again.join();
    EXPECT_EQ(queue.WaitAndDeliver(1000), 1);
    EXPECT_EQ(notify.runs, 3);
}

TEST(QueuedNotify, PostsToAnOwnerBeingTornDownAreDropped)
{
    LPolledNotifyQueue queue;
    auto notify = std::make_unique<CountingNotify>();
    std::thread worker([&] { notify->Notify(); });
    worker.join();
    notify->TearDownNotify();
    notify.reset();
    EXPECT_EQ(queue.DeliverPending(), 1); // delivered to nobody, without a crash
}

TEST(QueuedNotify, DataPostsCarryACopyInOrder)
{
    LPolledNotifyQueue queue;
    DataHandler handler;
    std::thread worker([&] {
        char text[8] = "first";
        handler.PostNotifyData(2042, text, 5);
        std::strcpy(text, "second");
        handler.PostNotifyData(2046, text, 6);
    });
    worker.join();
    queue.DeliverPending();
    ASSERT_EQ(handler.got.size(), 2u);
    EXPECT_EQ(handler.got[0], (std::pair<uint32_t, std::string>{2042, "first"}));
    EXPECT_EQ(handler.got[1], (std::pair<uint32_t, std::string>{2046, "second"}));
}

TEST(QueuedNotify, WithoutADispatcherPostsGoNowhere)
{
    ASSERT_EQ(LGetMainThreadDispatcher(), nullptr);
    CountingNotify notify;
    notify.Notify();
    EXPECT_EQ(notify.runs, 0);
}

} // namespace
