#pragma once
// "Wave Encoder Options": the preset, encoding, channels, rate and sample
// size of WAV output. The choices are remembered under "WavSettings" and put
// into the caller's format block on OK only.

#include "audio/formats/wav/LWavCodecSettings.h"
#include "gui/framework/LWindow.h"

#include <cstdint>
#include <vector>

class LWavEncoderOptionsDialog : public LWindow
{
public:
    enum : int {
        kPresetList = 101,
        kPresetLabel = 102,
        kEncodingList = 103,
        kEncodingLabel = 104,
        kChannelList = 105,
        kChannelLabel = 106,
        kRateList = 107,
        kRateLabel = 108,
        kSizeList = 109,
        kSizeLabel = 110,
        kSeparator = 112,
        kRestoreDefaults = 113,
        kPresetChanged = 1001,
        kEncodingChanged = 1002,
        kChannelsChanged = 1003,
        kRateChanged = 1004,
        kSizeChanged = 1005,
    };

    // sourceChannels and sourceRate limit the items (0: every item).
    LWavEncoderOptionsDialog(LWaveFormatBlock& block, const char* title, int sourceChannels = 0,
                             int sourceRate = 0);

    static const LDialogTemplate* Template();
    void Layout();
    void OnCreate() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    bool CanOK() override;
    void OnHelp() override;

    // What the controls show now.
    LWavEncoderChoices Choices() const;

private:
    void ApplyPreset(int preset, bool opening);
    void FillForEncoding(int encoding);
    void Show(const LWavEncoderChoices& choices);
    void SelectItem(int id, const std::vector<LWavChoiceItem>& items, const LWavChoiceItem& wanted);
    // Every list with items keeps one selected, so no choice reads as 0.
    void EnsureSelections();
    void ShowMatchingPreset();

    LWaveFormatBlock& block_;
    char title_[260] = {};
    int sourceChannels_;
    int sourceRate_;
    int appliedPreset_ = -1;
    int shownEncoding_ = -1;
    std::vector<LWavChoiceItem> channels_;
    std::vector<LWavChoiceItem> rates_;
    std::vector<LWavChoiceItem> sizes_;
};

// Runs the dialog modally over the parent's window; 1 when it ended with OK
// (the block then holds the chosen format), else 0. The two further words are
// not used. "Select Wave File Format" is the title where an output format is
// being chosen.
int ShowWavEncoderOptions(LViewHandle parent, LWaveFormatBlock& block, uint32_t unused1 = 0,
                          uint32_t unused2 = 0, const char* title = "Wave Encoder Options");
