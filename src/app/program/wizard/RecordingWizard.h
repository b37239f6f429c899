#pragma once
// The recording wizard: seven pages from the recording source to the
// finished tracks, run modally over the main window.
//
// Pages, in order (RecordingWizard::kPage...): recording source, volume
// calibration (skipped when "Wizard"/"CalibrateVolume" is "0"), record side
// one, record side two, split recordings, audio restoration (skipped when
// "Wizard"/"SetAudioRestoreTools" is "0") and output methods. The frame
// asks each page's IsPageActive for the skips; Next asks CanOK then calls
// OnLeave, Back only OnLeave, Cancel asks CanCancel.
//
// A page is an LWizardPage made with a WizardRun& (WizardRun.h) and a
// dialog template (size in page units, template title, layout routine).
// The last three pages come from the factories in WizardLaterPages.h.

#include "app/program/wizard/WizardRun.h"
#include "gui/framework/LPropertySheet.h"

#include <functional>
#include <memory>
#include <vector>

class LWindow;

class RecordingWizard
{
public:
    enum PageIndex : int {
        kPageSource = 0,
        kPageVolume = 1,
        kPageSideOne = 2,
        kPageSideTwo = 3,
        kPageSplit = 4,
        kPageRestoration = 5,
        kPageOutput = 6,
        kPageCount = 7,
    };

    // Builds the seven pages for the run.
    explicit RecordingWizard(WizardRun& run);
    // The wizard window goes first, then the pages in reverse order.
    ~RecordingWizard();

    // Runs modally over parent: 1 when ended through Finish (or Next on the
    // last page), 0 when cancelled or when the window cannot be made.
    int Run(LWindow* parent);
    LWizard& Wizard() { return wizard_; }
    LWizardPage* Page(int index) const;
    WizardRun& GetRun() const { return run_; }

private:
    WizardRun& run_;
    std::vector<std::unique_ptr<LWizardPage>> pages_;
    LWizard wizard_; // after the pages: destroyed first
};

// The wizard's entry. With source "None" (any case) runs the wizard for
// the run (a run of its own with the default folders and message boxes
// when null) and returns 1 finished or 0 cancelled. With any other source
// opens the "Burn Audio" dialog ("OutputFormat"/"BurnCDNow" set to "1")
// and returns 1 for OK, 0 otherwise; eraseDisc is the dialog's Erase.
int RunRecordingWizard(LWindow* parent, const char* source, WizardRun* run = nullptr,
                       const std::function<void()>& eraseDisc = {});

// The skip rules of the two pages that may be left out: the calibration
// page unless "Wizard"/"CalibrateVolume" is "0", the restoration page
// unless "Wizard"/"SetAudioRestoreTools" is "0".
bool WizardCalibrationPageActive();
bool WizardRestorationPageActive();

// A page that is not built in this version: says so on the page and lets
// the user go on. It claims nothing was done.
class WizardPlaceholderPage : public LWizardPage
{
public:
    // text: what the page says; the template gives size and title.
    WizardPlaceholderPage(WizardRun& run, const char* text, const char* helpTopic,
                          bool (*isActive)() = nullptr);
    static void Layout(LWindow* window, int, int, int);

    void OnCreate() override;
    bool CanCancel() override;
    void OnHelp() override;
    bool IsPageActive() override { return isActive_ == nullptr || isActive_(); }
    const std::string& Text() const { return text_; }

private:
    WizardRun& run_;
    std::string text_;
    std::string helpTopic_;
    bool (*isActive_)();
};
