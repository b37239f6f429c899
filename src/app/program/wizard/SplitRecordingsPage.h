#pragma once
// "Split Recordings": the tracks the side processing made, to be checked by
// ear and mended: play, join two, delete, rename (with the master copy),
// split the sides again with another split duration or noise floor, or take
// each side whole. The split parameters are the noise floor (measured in a
// one-page wizard) and the silence that must last for a split.

#include "app/program/wizard/WizardTracks.h"
#include "gui/controls/LListView.h"
#include "gui/framework/LPropertySheet.h"

#include <functional>
#include <string>
#include <vector>

// What the page asks of the wizard around it: splitting the sides again,
// restoring them unsplit, and the question before cancelling. An action
// that is not given leaves its button disabled.
struct WizardSideActions
{
    std::function<void(LWindow* parent)> splitSides;
    std::function<void(LWindow* parent)> restoreSidesUnsplit;
    std::function<bool(LWindow* parent)> mayCancel;
};

class SplitRecordingsPage : public LWizardPage, public LListViewLabelEditHandler
{
public:
    enum : int {
        kIntroText = 27600,
        kHintText = 27601,
        kTrackList = 27602,
        kPlay = 27604,
        kJoin = 27605,
        kDelete = 27606,
        kRename = 27607,
        kReSplit = 27608,
        kRestoreSides = 27609,
        kParametersGroup = 27610,
        kNoiseMeasure = 27611,
        kDurationText = 27613,
        kDurationInput = 27614,
        kSecondsText = 27616,
    };

    SplitRecordingsPage(WizardTrackFolders folders, WizardSideActions actions);

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    bool CanOK() override;
    bool CanCancel() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    void OnPageShown() override;

    // LListViewLabelEditHandler.
    void OnBeginEdit(int listId) override;
    void OnEndEdit(int listId, const char* newText) override;
    // A rename typed into the first selected row.
    void OnLabelEdited(const char* newText);

    // Fills the list again; the rows of the named tracks are selected.
    void RefreshList(const std::vector<std::string>& selected = {});
    void JoinSelected();
    void DeleteSelected();
    void ReSplit();
    void RestoreSides();
    // Opens the one-page noise measure wizard and shows the floor after it.
    void MeasureNoise();
    void ShowNoiseFloor();

    const WizardTrackFolders& Folders() const { return folders_; }

protected:
    // The product's message box (tests answer it themselves).
    virtual void Tell(const char* text);
    virtual void RunNoiseMeasureWizard();

private:
    WizardTrackFolders folders_;
    WizardSideActions actions_;
};
