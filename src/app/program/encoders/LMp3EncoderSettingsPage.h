#pragma once
// "MP3 Encoder Options": constant or variable bit rate with their bitrates,
// the VBR quality, the channel mode and CRC. The page edits the caller's
// record and saves it to the settings when the user confirms a valid choice;
// an invalid VBR pair is refused with a bubble tip at the maximum.

#include "audio/formats/mp3/LMp3EncoderOptions.h"
#include "gui/framework/LWindow.h"

class LMp3EncoderSettingsPage : public LWindow
{
public:
    enum : int {
        kBitrateGroup = 101,
        kConstant = 102,
        kCbrList = 104,
        kCbrLabel = 105,
        kHighQuality = 106,
        kVariable = 107,
        kVbrMinList = 109,
        kVbrMinLabel = 110,
        kVbrMaxList = 111,
        kVbrMaxLabel = 112,
        kQualityList = 113,
        kQualityLabel = 114,
        kOtherGroup = 115,
        kChannelList = 116,
        kChannelLabel = 117,
        kCrc = 118,
        kRestoreDefaults = 119,
    };
    // Below this many kbps the encoder only makes mono.
    static constexpr int kMonoBelowKbps = 24;

    explicit LMp3EncoderSettingsPage(LMp3EncoderOptions* options) : options_(options) {}

    static const LDialogTemplate* Template();
    void Build();
    void OnCreate() override;
    bool CanOK() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;

private:
    void Fill(const LMp3EncoderOptions& options);
    int SelectedKbps(int id) const;

    LMp3EncoderOptions* options_;
    // The channel mode the user chose, given back when the bitrate rises
    // out of the mono-only range again.
    int userChannelMode_ = 0;
    bool forcedMono_ = false;
};

// Runs the page as the modal "MP3 Encoder Options" dialog over the parent's
// window; 1 when confirmed (the record is then saved), else 0.
int ShowMp3EncoderSettings(LMp3EncoderSettingsPage* page, LViewHandle parent);
