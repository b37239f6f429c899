#pragma once
// "Audio Restoration Tools": the tracks once more, six restoration tools to
// choose from, Apply over every track and Undo back to the tracks as split.
// Leaving with Next stores the choice and offers to apply it.

#include "app/program/wizard/SplitRecordingsPage.h"
#include "app/program/wizard/TrackRestoration.h"
#include "gui/framework/LPropertySheet.h"

class AudioRestorationPage : public LWizardPage
{
public:
    enum : int {
        kTrackList = 28600,
        kPlay = 28601,
        kChooseText = 28602,
        kHighPass = 28604,
        kClickPop = 28605,
        kRiaa = 28606,
        kDcOffset = 28607,
        kNoiseReduction = 28608,
        kNormalize = 28609,
        kApply = 28611,
        kUndo = 28612,
    };

    AudioRestorationPage(WizardTrackFolders folders, WizardSideActions actions);

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    bool CanOK() override;
    bool CanCancel() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    void OnPageShown() override;
    bool IsPageActive() override;

    RestorationChoices Choices() const;
    void SetChoices(const RestorationChoices& choices);
    // Asks, then applies the checked tools to every track. True when applied.
    bool ApplyRestoration();
    // Asks, then brings the tracks back from the masters.
    void UndoRestoration();
    const TrackRestoration& Restoration() const { return restoration_; }

protected:
    // A question with two answers: 1 for the first, 2 for the second.
    virtual int Ask(const char* text, const char* title, const char* first, const char* second);
    virtual void Tell(const char* text);

private:
    void RefreshList();

    TrackRestoration restoration_;
    WizardSideActions actions_;
};
