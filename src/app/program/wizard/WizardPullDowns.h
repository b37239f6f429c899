#pragma once
// The device and channel fillers of the sound engine work on any
// LPullDownControls: this lends them a window's pull-down lists.

#include "audio/devices/LSoundDeviceControls.h"
#include "gui/framework/LWindow.h"

class WizardPullDowns : public LPullDownControls
{
public:
    explicit WizardPullDowns(LWindow& window) : window_(window) {}
    void DeleteAllPullDownItems(int32_t control) override { window_.DeleteAllPullDownItems(control); }
    int32_t AddPullDownItem(int32_t control, const char* text) override
    {
        return window_.AddPullDownItem(control, text);
    }
    void SelectPullDownItem(int32_t control, int32_t index) override
    {
        window_.SelectPullDownItem(control, index);
    }
    int32_t GetPullDownSelection(int32_t control) override { return window_.GetPullDownSelection(control); }

private:
    LWindow& window_;
};
