#pragma once
// The "Audio Settings" page of "Quorin Preferences": what is being recorded
// and how it is connected, the noise floor, what happens to a finished
// recording (format, copy folder) and the restoration steps applied to it.

#include "app/program/preferences/PreferenceChanges.h"
#include "gui/framework/LPropertySheet.h"

class AudioPreferencesPage : public LPropertyPage
{
public:
    enum : int {
        kSourceLabel = 13601,
        kSourceList = 13602,
        kSpeedLabel = 13604,
        kSpeedList = 13605,
        kBurnerLabel = 13607,
        kBurnerList = 13608,
        kConnectionLabel = 13610,
        kConnectionList = 13611,
        kNoiseLabel = 13613,
        kNoiseInput = 13614, // its field is 13615
        kNoiseField = 13615,
        kNoiseUnit = 13616,
        kActionLabel = 13618,
        kActionList = 13619,
        kFormatSettings = 13622,
        kMakeCopyCheck = 13624,
        kCopyFolderText = 13626,
        kCopyFolderBrowse = 13627,
        kRestorationGroup = 13629,
        kDcOffsetCheck = 13630,
        kHighPassCheck = 13631,
        kRiaaCheck = 13633,
        kClickPopCheck = 13634,
        kNoiseReduceCheck = 13636,
        kNormalizeCheck = 13637,
        kSourceChanged = 1001,
        kSpeedChanged = 1002,
        kConnectionChanged = 1003,
        kActionChanged = 1004,
        kBurnerChanged = 1005,
    };
    static constexpr int kNoiseFloorLow = -60;
    static constexpr int kNoiseFloorHigh = 12;

    AudioPreferencesPage() = default;

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    bool CanOK() override { return true; }

    // Checks the page (asking what it must) and adds its values to changes;
    // false keeps the sheet open and nothing of it is stored.
    bool Gather(PreferenceChanges& changes);

    // Whether a typed noise floor text is one the field accepts.
    static bool IsAcceptableNoiseText(const char* text);

private:
    void CheckTypedNoiseFloor();
    bool IsVinyl() const { return GetPullDownSelection(kSourceList) == 0; }
    bool IsDirectPhono() const { return GetPullDownSelection(kConnectionList) == 1; }

    int acceptedNoiseFloor_ = -25;
    bool checkingNoise_ = false;
};
