#include "app/program/wizard/AudioRestorationPage.h"

#include "app/program/wizard/WizardPageSupport.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<AudioRestorationPage*>(window)->Layout();
}

} // namespace

AudioRestorationPage::AudioRestorationPage(WizardTrackFolders folders, WizardSideActions actions)
    : restoration_(std::move(folders)), actions_(std::move(actions))
{
}

const LDialogTemplate* AudioRestorationPage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 508, "Select Audio Restoration Tools", true, Builder};
    return &dialogTemplate;
}

void AudioRestorationPage::Layout()
{
    AddTrackListView(this, kTrackList, false, kPlay);
    PlaceControl(this, kTrackList, 18, 14, 604, 238);
    AddButtonNoRect(kPlay, "Play");
    PlaceControl(this, kPlay, 18, 262, 160, 21);
    AddStaticText(kChooseText, "Select the restoration options you would like to apply to your recordings:");
    PlaceControl(this, kChooseText, 18, 294, 604, 21);
    const struct
    {
        int id;
        const char* text;
        double y;
    } boxes[] = {
        {kHighPass, "High-Pass Filtering", 320},
        {kClickPop, "Automatic Click/Pop Reduction", 346},
        {kRiaa, "RIAA Equalization (only use if you are connecting direct phono to computer)", 372},
        {kDcOffset, "DC Offset Correction", 398},
        {kNoiseReduction, "Noise Reduction", 424},
        {kNormalize, "Normalization", 450},
    };
    for (const auto& box : boxes) {
        AddCheckBox(box.id, box.text);
        PlaceControl(this, box.id, 42, box.y, 580, 21);
    }
    AddButtonNoRect(kApply, "Apply");
    PlaceControl(this, kApply, 18, 476, 160, 21);
    AddButtonNoRect(kUndo, "Undo");
    PlaceControl(this, kUndo, 184, 476, 160, 21);
}

void AudioRestorationPage::OnCreate()
{
    SetChoices(ReadRestorationChoices());
    EnableControl(kClickPop, IsClickPopAllowed());
    RefreshList();
}

RestorationChoices AudioRestorationPage::Choices() const
{
    RestorationChoices choices;
    choices.highPass = GetCheck(kHighPass);
    choices.clickPop = GetCheck(kClickPop) && IsClickPopAllowed();
    choices.riaa = GetCheck(kRiaa) && IsRiaaAllowed();
    choices.dcOffset = GetCheck(kDcOffset);
    choices.noiseReduction = GetCheck(kNoiseReduction);
    choices.normalize = GetCheck(kNormalize);
    return choices;
}

void AudioRestorationPage::SetChoices(const RestorationChoices& choices)
{
    SetCheck(kHighPass, choices.highPass);
    SetCheck(kClickPop, choices.clickPop && IsClickPopAllowed());
    SetCheck(kRiaa, choices.riaa && IsRiaaAllowed());
    SetCheck(kDcOffset, choices.dcOffset);
    SetCheck(kNoiseReduction, choices.noiseReduction);
    SetCheck(kNormalize, choices.normalize);
}

void AudioRestorationPage::OnPageShown()
{
    RefreshList();
}

void AudioRestorationPage::RefreshList()
{
    FillTrackList(this, kTrackList, restoration_.Folders().save);
    if (IsWindow())
        UpdateControls();
}

bool AudioRestorationPage::IsPageActive()
{
    char value[260] = {};
    LSettingsGetString("Wizard", "SetAudioRestoreTools", "", value);
    return value[0] != '0';
}

void AudioRestorationPage::UpdateControls()
{
    const bool riaa = IsRiaaAllowed();
    if (!riaa)
        SetCheck(kRiaa, false);
    EnableControl(kRiaa, riaa);
    EnableControl(kClickPop, IsClickPopAllowed());
    EnableControl(kPlay, GetListViewSelectedCount(kTrackList) == 1);
    EnableControl(kUndo, restoration_.IsApplied());
    EnableControl(kApply, GetListViewRowCount(kTrackList) > 0);
}

void AudioRestorationPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kTrackListClicked:
        break;
    case kPlay:
        PlaySelectedTrack(this, kTrackList, restoration_.Folders().save);
        break;
    case kApply:
        ApplyRestoration();
        break;
    case kUndo:
        UndoRestoration();
        break;
    case kHighPass:
    case kClickPop:
    case kRiaa:
    case kDcOffset:
    case kNoiseReduction:
    case kNormalize:
        break;
    default:
        LWizardPage::OnCommand(command, extra);
        return;
    }
    if (IsWindow())
        UpdateControls();
}

void AudioRestorationPage::OnHelp()
{
    LOpenHelpTopic("audiorestoration");
}

bool AudioRestorationPage::ApplyRestoration()
{
    if (Ask("This will apply the selected restoration options to all tracks in the list. Do you want to "
            "apply "
            "now?",
            "Apply Selected Restoration", "Yes, Apply Now", "No, Don't Apply") != 1)
        return false;
    const RestorationChoices choices = Choices();
    StoreRestorationChoices(choices);
    std::string error;
    const int result = RunWizardStep(this, "Applying Restoration", [&](LProcessContext* context) {
        return restoration_.Apply(context, choices, &error);
    });
    RefreshList();
    if (result == 1)
        return false;
    if (result != 0) {
        LLogWarning("Audio Restoration FAILED: one or more Restoration Tools did not work");
        Tell(("Audio Restoration FAILED: one or more Restoration Tools did not work. " +
              (error.empty() ? std::string() : error + " ") + "Your tracks were left as they were.")
                 .c_str());
        return false;
    }
    return true;
}

void AudioRestorationPage::UndoRestoration()
{
    if (Ask("This will undo all changes you have made to the sounds and restore to the oringinal recorded "
            "sound.",
            "Undo All Changes", "Yes, undo all changes.", "No, keep my changes.") != 1)
        return;
    if (!restoration_.Undo())
        Tell(
            ("Some tracks could not be brought back from " + restoration_.Folders().recording + ".").c_str());
    RefreshList();
}

bool AudioRestorationPage::CanOK()
{
    const RestorationChoices choices = Choices();
    StoreRestorationChoices(choices);
    if (choices.Any())
        ApplyRestoration();
    return true;
}

bool AudioRestorationPage::CanCancel()
{
    return !actions_.mayCancel || actions_.mayCancel(this);
}

int AudioRestorationPage::Ask(const char* text, const char* title, const char* first, const char* second)
{
    LMessageBox box(GetView(), text, title);
    box.style = LMessageBoxWarningStyle;
    box.SetButton(1, first);
    box.SetButton(2, second);
    return box.Show() == 1 ? 1 : 2;
}

void AudioRestorationPage::Tell(const char* text)
{
    LMessageBox box(GetView(), text, kTrackPageMessageTitle);
    box.style = LMessageBoxCriticalStyle;
    box.Show();
}
