#pragma once
// "Select Output Method", the wizard's last page: burn the tracks to an audio
// CD, convert them to MP3, or do nothing more. Finish hands every track to
// the main window (as MP3 files when chosen); the CD is burnt by the main
// window after the wizard has closed. Whatever goes wrong keeps the wizard
// on this page with the reason and the tracks where they were.

#include "app/program/wizard/SplitRecordingsPage.h"
#include "app/program/wizard/TrackHandOver.h"
#include "gui/framework/LPropertySheet.h"

class OutputMethodsPage : public LWizardPage
{
public:
    enum : int {
        kMethodGroup = 31600,
        kAudioCd = 31602,
        kMp3 = 31603,
        kNothing = 31604,
    };

    // receiver: the main window's side of the hand-over (not owned).
    OutputMethodsPage(WizardTrackFolders folders, WizardTrackReceiver* receiver, WizardSideActions actions);

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    bool CanOK() override;
    bool CanCancel() override;
    void OnHelp() override;

    OutputMethod CheckedMethod() const;
    void CheckMethod(OutputMethod method);
    // Performs the checked output; false (after telling the user why) when
    // not every track reached the output folder.
    bool PerformOutput();

protected:
    virtual void Tell(const char* text);

private:
    bool HandOver(const std::vector<std::string>& names, const std::vector<std::string>& madeFrom,
                  const char* title);

    WizardTrackFolders folders_;
    WizardTrackReceiver* receiver_;
    WizardSideActions actions_;
};
