#include "app/program/wizard/SplitRecordingsPage.h"

#include "app/program/recording/NoiseFloorPanel.h"
#include "app/program/wizard/BackgroundNoiseMeasurePage.h"
#include "app/program/wizard/SplitTrackEditor.h"
#include "app/program/wizard/WizardPageSupport.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LTextLines.h"

#include <cstdint>
#include <cstdio>

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<SplitRecordingsPage*>(window)->Layout();
}

} // namespace

SplitRecordingsPage::SplitRecordingsPage(WizardTrackFolders folders, WizardSideActions actions)
    : folders_(std::move(folders)), actions_(std::move(actions))
{
}

const LDialogTemplate* SplitRecordingsPage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 497, "Split Recordings", true, Builder};
    return &dialogTemplate;
}

void SplitRecordingsPage::Layout()
{
    const int textWidth = static_cast<int>(600 * GetScaleFactor());
    AddStaticText(kIntroText,
                  LBreakTextIntoLines(
                      this,
                      "Quorin has automatically split your recordings into separate tracks. Please "
                      "play the results to make sure that the splits have occurred in the right "
                      "places.",
                      textWidth)
                      .c_str());
    PlaceControl(this, kIntroText, 18, 14, 604, 38);
    AddStaticText(kHintText,
                  LBreakTextIntoLines(
                      this,
                      "If the recording has been split incorrectly, you can either join files using "
                      "the Join button or you can click the Re-Split button to get Quorin to run the "
                      "split process again with different splitting parameters.",
                      textWidth)
                      .c_str());
    PlaceControl(this, kHintText, 18, 64, 604, 55);
    AddTrackListView(this, kTrackList, true, kPlay);
    PlaceControl(this, kTrackList, 18, 131, 604, 170);
    const struct
    {
        int id;
        const char* text;
        double x;
    } buttons[] = {{kPlay, "Play", 18},
                   {kJoin, "Join", 140},
                   {kDelete, "Delete", 262},
                   {kRename, "Rename", 384},
                   {kReSplit, "Re-Split", 506}};
    for (const auto& b : buttons) {
        AddButtonNoRect(b.id, b.text);
        PlaceControl(this, b.id, b.x, 311, 116, 21);
    }
    AddButtonNoRect(kRestoreSides, "Restore Original Record Side(s) Without Splitting");
    PlaceControl(this, kRestoreSides, 18, 343, 604, 21);
    AddGroupBox(kParametersGroup, "Splitting Parameters");
    PlaceControl(this, kParametersGroup, 18, 375, 604, 112);
    AddButtonNoRect(kNoiseMeasure, "Noise measure...");
    PlaceControl(this, kNoiseMeasure, 30, 401, 578, 21);
    AddStaticText(kDurationText,
                  LBreakTextIntoLines(
                      this, "Duration at which noise floor must be maintained for a split to occur:",
                      static_cast<int>(436 * GetScaleFactor()))
                      .c_str());
    PlaceControl(this, kDurationText, 30, 433, 440, 38);
    AddUpDown(kDurationInput, false);
    PlaceControl(this, kDurationInput, 476, 433, 56, 25);
    AddStaticText(kSecondsText, "seconds");
    PlaceControl(this, kSecondsText, 544, 433, 64, 21);
}

void SplitRecordingsPage::OnCreate()
{
    LListViewLabelEditHandler::Attach(this, kTrackList);
    ShowNoiseFloor();
    SetUpDownRange(kDurationInput, kAutoSplitTimeMin, kAutoSplitTimeMax, 1);
    SetUpDownValue(kDurationInput, ReadAutoSplitTime());
    RefreshList();
}

void SplitRecordingsPage::ShowNoiseFloor()
{
    char text[260];
    std::snprintf(text, sizeof text, "(Current Noise Floor = %d dB)",
                  static_cast<int16_t>(LSettingsGetInt("Settings", "dBNoiseFloor", -25)));
    SetControlText(kNoiseMeasure, text);
}

void SplitRecordingsPage::OnPageShown()
{
    RefreshList();
}

void SplitRecordingsPage::RefreshList(const std::vector<std::string>& selected)
{
    FillTrackList(this, kTrackList, folders_.save, selected);
    if (IsWindow())
        UpdateControls();
}

bool SplitRecordingsPage::CanOK()
{
    StoreAutoSplitTime(GetUpDownValue(kDurationInput));
    return true;
}

bool SplitRecordingsPage::CanCancel()
{
    return !actions_.mayCancel || actions_.mayCancel(this);
}

void SplitRecordingsPage::UpdateControls()
{
    const int selected = GetListViewSelectedCount(kTrackList);
    const bool any = GetListViewRowCount(kTrackList) > 0;
    EnableControl(kJoin, selected == 2);
    EnableControl(kPlay, selected == 1);
    EnableControl(kRename, selected == 1);
    EnableControl(kDelete, selected >= 1);
    EnableControl(kReSplit, any && static_cast<bool>(actions_.splitSides));
    EnableControl(kRestoreSides, any && static_cast<bool>(actions_.restoreSidesUnsplit));
}

void SplitRecordingsPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kPlay:
        PlaySelectedTrack(this, kTrackList, folders_.save);
        break;
    case kJoin:
        JoinSelected();
        break;
    case kDelete:
        DeleteSelected();
        break;
    case kRename:
        if (GetListViewSelectedCount(kTrackList) == 1)
            EditListViewSelectedRow(kTrackList);
        break;
    case kReSplit:
        ReSplit();
        break;
    case kRestoreSides:
        RestoreSides();
        break;
    case kNoiseMeasure:
        MeasureNoise();
        break;
    case kTrackListClicked:
        break;
    default:
        LWizardPage::OnCommand(command, extra);
        return;
    }
    if (IsWindow())
        UpdateControls();
}

void SplitRecordingsPage::OnHelp()
{
    LOpenHelpTopic("splitrecord");
}

void SplitRecordingsPage::OnBeginEdit(int) {}

void SplitRecordingsPage::OnEndEdit(int listId, const char* newText)
{
    if (listId == kTrackList)
        OnLabelEdited(newText);
}

void SplitRecordingsPage::OnLabelEdited(const char* newText)
{
    const int row = GetListViewFirstSelected(kTrackList);
    if (row < 0 || newText == nullptr)
        return;
    char oldName[260] = {};
    GetListViewItemText(kTrackList, row, 0, oldName);
    const TrackRenameOutcome outcome = RenameTrack(folders_, oldName, newText);
    if (outcome.failed)
        Tell("The file could not be renamed.");
    else if (outcome.check != RenameCheck::kRename && *RenameRefusalText(outcome.check) != '\0')
        Tell(RenameRefusalText(outcome.check));
    // The edit itself showed the typed text: the row shows the file's name.
    RefreshList({outcome.check == RenameCheck::kRename ? outcome.newName : std::string(oldName)});
}

void SplitRecordingsPage::JoinSelected()
{
    const std::vector<std::string> names = SelectedTrackNames(this, kTrackList);
    if (names.size() != 2) {
        Tell("You need to select 2 files to join.");
        return;
    }
    std::string joined;
    const int result = RunWizardStep(this, "Joining Files", [&](LProcessContext* context) {
        return JoinTracks(context, folders_, names[0], names[1], &joined);
    });
    if (result != 0) {
        if (result != 1) {
            LLogWarning("Error: File Join FAILED");
            Tell("Error: File Join FAILED");
        }
        RefreshList(names);
        return;
    }
    RefreshList({joined});
}

void SplitRecordingsPage::DeleteSelected()
{
    const std::vector<std::string> names = SelectedTrackNames(this, kTrackList);
    if (names.empty())
        return;
    if (!DeleteTracks(folders_, names))
        Tell("A file could not be deleted.");
    RefreshList();
}

void SplitRecordingsPage::ReSplit()
{
    if (!actions_.splitSides)
        return;
    StoreAutoSplitTime(GetUpDownValue(kDurationInput));
    SetUpDownValue(kDurationInput, ReadAutoSplitTime());
    actions_.splitSides(this);
    RefreshList();
}

void SplitRecordingsPage::RestoreSides()
{
    if (!actions_.restoreSidesUnsplit)
        return;
    actions_.restoreSidesUnsplit(this);
    RefreshList();
}

void SplitRecordingsPage::MeasureNoise()
{
    RunNoiseMeasureWizard();
    ShowNoiseFloor();
}

void SplitRecordingsPage::RunNoiseMeasureWizard()
{
    RunBackgroundNoiseMeasure(GetView());
}

void SplitRecordingsPage::Tell(const char* text)
{
    LMessageBox box(GetView(), text, kTrackPageMessageTitle);
    box.style = LMessageBoxCriticalStyle;
    box.Show();
}
