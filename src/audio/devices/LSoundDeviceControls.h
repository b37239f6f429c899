#pragma once
// Filling and reading the input-device and channel pull-downs of the
// recording settings dialogs. The engine knows nothing of windows: a dialog
// hands in its pull-down operations through LPullDownControls (the window
// framework's LWindow adapts to it), and the fillers work on control ids.

#include "audio/devices/LSoundInputDevices.h"

#include <cstdint>

class LPullDownControls
{
public:
    virtual ~LPullDownControls() = default;
    virtual void DeleteAllPullDownItems(int32_t control) = 0;
    // Index of the new item, -1 when the control is not a pull-down list.
    virtual int32_t AddPullDownItem(int32_t control, const char* text) = 0;
    // -1 selects nothing.
    virtual void SelectPullDownItem(int32_t control, int32_t index) = 0;
    // The selected item's position, -1 when none.
    virtual int32_t GetPullDownSelection(int32_t control) = 0;
    virtual void RedrawControl(int32_t control) { (void)control; }
};

// Every input by display name; the selection's device selected.
void LFillSoundInputDeviceList(LPullDownControls& window, int32_t deviceControl,
                               const LSoundInputSelection& selection);
// The channels of the device selected in the device list ("Default" when
// it has none); item 0 selected.
void LFillSoundInputChannelList(LPullDownControls& window, int32_t deviceControl, int32_t channelControl);
// Both lists, then the selection's channel selected.
void LFillSoundInputControls(LPullDownControls& window, int32_t deviceControl, int32_t channelControl,
                             const LSoundInputSelection& selection);
// The chosen device and channel; the stereo flag when the device has more than one channel.
void LReadSoundInputControls(LPullDownControls& window, int32_t deviceControl, int32_t channelControl,
                             LSoundInputSelection& out);
