#include "app/program/encoders/LMp3EncoderSettingsPage.h"

#include "foundation/platform/LDesktopOpen.h"
#include "gui/framework/LCommands.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kQualityTexts[] = {"0 (Highest)", "1", "2", "3",          "4",    "5",
                                     "6",           "7", "8", "9 (Lowest)", nullptr};
const char* const kChannelTexts[] = {"Stereo", "Joint", "Force", "Mono", nullptr};
constexpr int kMonoMode = 3;

void Builder(LWindow* window, int, int, int)
{
    static_cast<LMp3EncoderSettingsPage*>(window)->Build();
}

} // namespace

const LDialogTemplate* LMp3EncoderSettingsPage::Template()
{
    static const LDialogTemplate dialogTemplate{560, 385, "MP3 Encoder Options", true, Builder};
    return &dialogTemplate;
}

void LMp3EncoderSettingsPage::Build()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    auto text = [&](int id, const char* label, double x, double y, double w) {
        AddStaticText(id, label);
        place(id, x, y, w, 21);
    };
    AddRadioGroupNoRect(kBitrateGroup, "Bitrate");
    place(kBitrateGroup, 18, 14, 524, 228);
    AddRadioButton(kConstant, "Constant Bitrate (CBR)", 0, 0, 0, 0);
    place(kConstant, 30, 40, 498, 21);
    AddPullDownNoRect(kCbrList);
    place(kCbrList, 304, 66, 224, 23);
    text(kCbrLabel, "Bitrate (kbps):", 54, 68, 249);
    AddCheckBox(kHighQuality, "High Quality Encoding (Slower):");
    place(kHighQuality, 54, 96, 474, 21);
    AddRadioButton(kVariable, "Variable Bitrate (VBR)", 0, 0, 0, 0);
    place(kVariable, 30, 122, 498, 21);
    AddPullDownNoRect(kVbrMinList);
    place(kVbrMinList, 304, 148, 224, 23);
    text(kVbrMinLabel, "Minimum Bitrate (kbps):", 54, 150, 249);
    AddPullDownNoRect(kVbrMaxList);
    place(kVbrMaxList, 304, 178, 224, 23);
    text(kVbrMaxLabel, "Maximum Bitrate (kbps):", 54, 180, 249);
    AddPullDownNoRect(kQualityList);
    place(kQualityList, 304, 208, 224, 23);
    text(kQualityLabel, "Quality:", 54, 210, 249);
    AddGroupBox(kOtherGroup, "Other");
    place(kOtherGroup, 18, 252, 524, 86);
    AddPullDownNoRect(kChannelList);
    place(kChannelList, 304, 278, 224, 23);
    text(kChannelLabel, "Channel Encoding Mode:", 30, 280, 273);
    AddCheckBox(kCrc, "Include CRC to Detect Errors");
    place(kCrc, 30, 308, 498, 21);
    AddButtonNoRect(kRestoreDefaults, "Restore Defaults");
    place(kRestoreDefaults, 156, 348, 160, 23);
    AddHelpButton();
    place(kCommandHelp, 18, 348, 25, 25);
    AddOKCancelButtonsNoRect();
    place(kCommandCancel, 330, 348, 100, 23);
    place(kCommandOK, 444, 348, 100, 23);
}

void LMp3EncoderSettingsPage::OnCreate()
{
    for (int id : {kCbrList, kVbrMinList, kVbrMaxList})
        for (uint16_t kbps : kMp3ListedBitrates)
            AddPullDownItem(id, std::to_string(kbps).c_str());
    AddPullDownItems(kQualityList, kQualityTexts);
    AddPullDownItems(kChannelList, kChannelTexts);
    for (int mode = 0; mode < 4; ++mode)
        SetPullDownItemData(kChannelList, mode, mode);
    CreateTooltip();
    Fill(*options_);
}

void LMp3EncoderSettingsPage::Fill(const LMp3EncoderOptions& options)
{
    SelectRadioButton(options.ConstantBitRate ? kConstant : kVariable, true);
    // A stored rate that is not listed shows as the nearest listed one, so
    // that OK never reads an empty choice as 0 kbps.
    SelectPullDownText(kCbrList, std::to_string(LMp3NearestListedBitrate(options.CBRBitRate)).c_str());
    SelectPullDownText(kVbrMinList, std::to_string(LMp3NearestListedBitrate(options.VBRMinBitRate)).c_str());
    SelectPullDownText(kVbrMaxList, std::to_string(LMp3NearestListedBitrate(options.VBRMaxBitRate)).c_str());
    SetCheck(kHighQuality, options.HighQuality);
    SetCheck(kCrc, options.ErrorProtection);
    SelectPullDownItem(kQualityList, options.VBRQuality <= 9 ? options.VBRQuality : 4);
    userChannelMode_ = options.ChannelMode <= 3 ? options.ChannelMode : 0;
    forcedMono_ = false;
    SelectPullDownItem(kChannelList, userChannelMode_);
    UpdateControls();
}

int LMp3EncoderSettingsPage::SelectedKbps(int id) const
{
    char text[260] = {};
    GetPullDownSelectedText(id, text);
    return std::atoi(text);
}

void LMp3EncoderSettingsPage::UpdateControls()
{
    const bool constant = GetCheck(kConstant);
    for (int id : {kCbrList, kCbrLabel, kHighQuality})
        EnableControl(id, constant);
    for (int id = kVbrMinList; id <= kQualityLabel; ++id)
        EnableControl(id, !constant);
    const int kbps = SelectedKbps(constant ? kCbrList : kVbrMinList);
    if (kbps < kMonoBelowKbps) {
        if (!forcedMono_)
            userChannelMode_ = GetPullDownSelection(kChannelList);
        forcedMono_ = true;
        SelectPullDownItem(kChannelList, kMonoMode);
        EnableControl(kChannelList, false);
    } else {
        if (forcedMono_)
            SelectPullDownItem(kChannelList, userChannelMode_ >= 0 ? userChannelMode_ : 0);
        forcedMono_ = false;
        EnableControl(kChannelList, true);
    }
}

void LMp3EncoderSettingsPage::OnCommand(int command, int extra)
{
    if (command == kRestoreDefaults) {
        Fill(LMp3EncoderOptions{});
        return;
    }
    LWindow::OnCommand(command, extra);
}

bool LMp3EncoderSettingsPage::CanOK()
{
    LMp3EncoderOptions read = *options_;
    read.ConstantBitRate = GetCheck(kConstant);
    read.CBRBitRate = static_cast<uint16_t>(SelectedKbps(kCbrList));
    read.VBRMinBitRate = static_cast<uint16_t>(SelectedKbps(kVbrMinList));
    read.VBRMaxBitRate = static_cast<uint16_t>(SelectedKbps(kVbrMaxList));
    read.HighQuality = GetCheck(kHighQuality);
    read.VBRQuality = static_cast<uint8_t>(std::max(0, GetPullDownSelection(kQualityList)));
    read.ErrorProtection = GetCheck(kCrc);
    const int channel = GetPullDownSelection(kChannelList);
    read.ChannelMode = static_cast<uint8_t>(channel >= 0 ? GetPullDownItemData(kChannelList, channel) : 0);
    const char* refusal = nullptr;
    switch (read.Validate()) {
    case kMp3OptionsVbrTooFarApart:
        refusal = kMp3VbrTooFarApartText;
        break;
    case kMp3OptionsVbrMaxBelowMin:
        refusal = kMp3VbrMaxBelowMinText;
        break;
    default:
        break;
    }
    if (refusal != nullptr) {
        SetFocus(kVbrMaxList);
        ShowBubbleTip(kVbrMaxList, refusal);
        return false;
    }
    *options_ = read;
    options_->Save();
    return true;
}

void LMp3EncoderSettingsPage::OnHelp()
{
    LOpenURL("https://www.oxbelsoftware.com/support/article/10097");
}

int ShowMp3EncoderSettings(LMp3EncoderSettingsPage* page, LViewHandle parent)
{
    if (page == nullptr)
        return 0;
    return page->CreateModal(parent, LMp3EncoderSettingsPage::Template()) ? 1 : 0;
}
