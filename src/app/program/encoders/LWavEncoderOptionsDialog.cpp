#include "app/program/encoders/LWavEncoderOptionsDialog.h"

#include "foundation/platform/LDesktopOpen.h"
#include "gui/framework/LCommands.h"
#include <cstdio>

#include <cstring>

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<LWavEncoderOptionsDialog*>(window)->Layout();
}

// Items match by their "Match Source" mark and value, so "Match Source"
// (2 channels) and "Stereo" stay apart.
bool SameItem(const LWavChoiceItem& a, const LWavChoiceItem& b)
{
    return a.matchSource == b.matchSource && a.value == b.value;
}

} // namespace

LWavEncoderOptionsDialog::LWavEncoderOptionsDialog(LWaveFormatBlock& block, const char* title,
                                                   int sourceChannels, int sourceRate)
    : block_(block), sourceChannels_(sourceChannels), sourceRate_(sourceRate)
{
    std::snprintf(title_, sizeof title_, "%s", title ? title : "Wave Encoder Options");
}

const LDialogTemplate* LWavEncoderOptionsDialog::Template()
{
    static const LDialogTemplate dialogTemplate{560, 211, "Wave Encoder Options", true, Builder};
    return &dialogTemplate;
}

void LWavEncoderOptionsDialog::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    const struct
    {
        int list, label, command;
        const char* text;
    } rows[] = {
        {kPresetList, kPresetLabel, kPresetChanged, "Settings:"},
        {kEncodingList, kEncodingLabel, kEncodingChanged, "Encoding:"},
        {kChannelList, kChannelLabel, kChannelsChanged, "Channels:"},
        {kRateList, kRateLabel, kRateChanged, "Sample rate:"},
        {kSizeList, kSizeLabel, kSizeChanged, "Sample size:"},
    };
    double y = 14;
    for (const auto& row : rows) {
        AddStaticText(row.label, row.text);
        SetStaticTextStyle(row.label, 0, 2);
        place(row.label, 18, y + 2, 150, 21);
        AddPullDownList(row.list, row.command);
        place(row.list, 180, y, 362, 23);
        y += 28;
    }
    AddSeparator(kSeparator, 18, 160, 524);
    AddButtonNoRect(kRestoreDefaults, "Restore Defaults");
    place(kRestoreDefaults, 18, 174, 150, 23);
    AddOKCancelButtonsNoRect();
    place(kCommandOK, 442, 174, 100, 23);
    place(kCommandCancel, 330, 174, 100, 23);
}

void LWavEncoderOptionsDialog::OnCreate()
{
    SetTitle(title_);
    for (const char* text : kWavPresetTexts)
        AddPullDownItem(kPresetList, text);
    for (const char* text : kWavEncodingTexts)
        AddPullDownItem(kEncodingList, text);
    const int preset = LWavStoredPreset();
    SelectPullDownItem(kPresetList, preset);
    appliedPreset_ = -1;
    ApplyPreset(preset, true);
}

void LWavEncoderOptionsDialog::FillForEncoding(int encoding)
{
    if (encoding == shownEncoding_)
        return;
    shownEncoding_ = encoding;
    LWavItemsForEncoding(encoding, sourceChannels_, sourceRate_, channels_, rates_, sizes_);
    const struct
    {
        int id;
        const std::vector<LWavChoiceItem>* items;
    } lists[] = {{kChannelList, &channels_}, {kRateList, &rates_}, {kSizeList, &sizes_}};
    for (const auto& list : lists) {
        if (list.id == kSizeList && encoding == kWavEncodingGsm)
            continue; // hidden, and left as it was
        DeleteAllPullDownItems(list.id);
        for (const LWavChoiceItem& item : *list.items)
            AddPullDownItem(list.id, item.text.c_str());
    }
    SelectPullDownItem(kEncodingList, encoding);
}

void LWavEncoderOptionsDialog::SelectItem(int id, const std::vector<LWavChoiceItem>& items,
                                          const LWavChoiceItem& wanted)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (SameItem(items[i], wanted)) {
            SelectPullDownItem(id, static_cast<int>(i));
            return;
        }
    if (!items.empty())
        SelectPullDownItem(id, 0);
}

void LWavEncoderOptionsDialog::Show(const LWavEncoderChoices& choices)
{
    FillForEncoding(choices.encoding);
    SelectItem(kChannelList, channels_, choices.channels);
    SelectItem(kRateList, rates_, choices.rate);
    SelectItem(kSizeList, sizes_, choices.size);
}

void LWavEncoderOptionsDialog::ApplyPreset(int preset, bool opening)
{
    if (preset == appliedPreset_)
        return;
    appliedPreset_ = preset;
    const int codecIndex = opening && preset == kWavPresetCustom ? LWavStoredCodecIndex() : -1;
    Show(LWavPresetChoices(preset, Choices(), codecIndex));
    SelectPullDownItem(kPresetList, preset);
}

void LWavEncoderOptionsDialog::EnsureSelections()
{
    for (int id : {kEncodingList, kChannelList, kRateList, kSizeList})
        if (GetPullDownSelection(id) < 0 && GetPullDownItemCount(id) > 0)
            SelectPullDownItem(id, 0);
}

LWavEncoderChoices LWavEncoderOptionsDialog::Choices() const
{
    LWavEncoderChoices choices;
    const int preset = GetPullDownSelection(kPresetList);
    choices.preset = preset >= 0 ? preset : kWavPresetAuto;
    const int encoding = GetPullDownSelection(kEncodingList);
    choices.encoding = encoding >= 0 ? encoding : kWavEncodingPcm;
    auto pick = [this](int id, const std::vector<LWavChoiceItem>& items, LWavChoiceItem& out) {
        const int index = GetPullDownSelection(id);
        if (index >= 0 && static_cast<size_t>(index) < items.size())
            out = items[static_cast<size_t>(index)];
    };
    pick(kChannelList, channels_, choices.channels);
    pick(kRateList, rates_, choices.rate);
    pick(kSizeList, sizes_, choices.size);
    return choices;
}

void LWavEncoderOptionsDialog::ShowMatchingPreset()
{
    EnsureSelections();
    const int preset = LWavMatchPreset(Choices());
    SelectPullDownItem(kPresetList, preset);
    appliedPreset_ = preset;
}

void LWavEncoderOptionsDialog::UpdateControls()
{
    const bool gsm = GetPullDownSelection(kEncodingList) == kWavEncodingGsm;
    ShowControl(kSizeList, !gsm);
    ShowControl(kSizeLabel, !gsm);
}

void LWavEncoderOptionsDialog::OnCommand(int command, int extra)
{
    switch (command) {
    case kPresetChanged:
        ApplyPreset(GetPullDownSelection(kPresetList), false);
        break;
    case kEncodingChanged: {
        const LWavEncoderChoices before = Choices();
        FillForEncoding(GetPullDownSelection(kEncodingList));
        SelectItem(kChannelList, channels_, before.channels);
        SelectItem(kRateList, rates_, before.rate);
        if (shownEncoding_ != kWavEncodingGsm)
            SelectItem(kSizeList, sizes_, before.size);
        ShowMatchingPreset();
        break;
    }
    case kChannelsChanged:
    case kRateChanged:
    case kSizeChanged:
        ShowMatchingPreset();
        break;
    case kRestoreDefaults:
        ApplyPreset(kWavPresetAuto, false);
        break;
    default:
        LWindow::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

bool LWavEncoderOptionsDialog::CanOK()
{
    EnsureSelections();
    LWavStoreEncoderChoices(Choices(), block_);
    return true;
}

void LWavEncoderOptionsDialog::OnHelp()
{
    LOpenURL("https://www.oxbelsoftware.com/support/article/10097");
}

int ShowWavEncoderOptions(LViewHandle parent, LWaveFormatBlock& block, uint32_t, uint32_t, const char* title)
{
    LWavEncoderOptionsDialog dialog(block, title);
    if (!dialog.CreateFromTemplate(LWavEncoderOptionsDialog::Template()))
        return 0;
    LWindow* owner = parent ? LGetWindowFromView(parent) : nullptr;
    return dialog.DoModal(owner, owner ? LPlacementCenterOnParent : LPlacementCenterOnScreen) ? 1 : 0;
}
