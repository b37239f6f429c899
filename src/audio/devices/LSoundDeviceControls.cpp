#include "audio/devices/LSoundDeviceControls.h"

#include <vector>

void LFillSoundInputDeviceList(LPullDownControls& window, int32_t deviceControl,
                               const LSoundInputSelection& selection)
{
    window.DeleteAllPullDownItems(deviceControl);
    std::vector<LSoundInDeviceEntry> devices;
    LSoundInDeviceList::Build(devices);
    int32_t selected = -1;
    for (size_t i = 0; i < devices.size(); ++i) {
        const int32_t item = window.AddPullDownItem(deviceControl, devices[i].displayName.c_str());
        if (static_cast<int32_t>(i) == selection.device)
            selected = item;
    }
    window.SelectPullDownItem(deviceControl, selected);
}

void LFillSoundInputChannelList(LPullDownControls& window, int32_t deviceControl, int32_t channelControl)
{
    window.DeleteAllPullDownItems(channelControl);
    std::string id;
    std::vector<LSoundInChannelEntry> channels;
    if (LSoundInputGetDevice(window.GetPullDownSelection(deviceControl), &id, nullptr))
        LSoundInChannelList::Build(id, channels);
    int32_t added = 0;
    for (const auto& channel : channels) {
        if (channel.name.empty())
            continue;
        window.AddPullDownItem(channelControl, channel.name.c_str());
        ++added;
    }
    if (added == 0)
        window.AddPullDownItem(channelControl, "Default");
    window.SelectPullDownItem(channelControl, 0);
    window.RedrawControl(channelControl);
}

void LFillSoundInputControls(LPullDownControls& window, int32_t deviceControl, int32_t channelControl,
                             const LSoundInputSelection& selection)
{
    LFillSoundInputDeviceList(window, deviceControl, selection);
    LFillSoundInputChannelList(window, deviceControl, channelControl);
    window.SelectPullDownItem(channelControl, static_cast<int32_t>(selection.channel));
}

void LReadSoundInputControls(LPullDownControls& window, int32_t deviceControl, int32_t channelControl,
                             LSoundInputSelection& out)
{
    out.device = window.GetPullDownSelection(deviceControl);
    const int32_t channel = window.GetPullDownSelection(channelControl);
    out.channel = channel > 0 ? static_cast<uint32_t>(channel) : 0;
    out.stereo = (out.device >= 0 && LSoundInputGetChannelCount(out.device) > 1) ? 1 : 0;
}
