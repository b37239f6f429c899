#pragma once
// What the pages of one run of the recording wizard share: the working
// folders, the unsaved-recording flag, whether the tracks were handed over,
// the way questions reach the user and the window the tracks go to.
//
// A page gets the run in its constructor and keeps a reference; the run
// outlives every page. Pages ask and tell only through `ui`, so that tests
// answer in place of the user.

#include "app/program/wizard/WizardFolders.h"

class LWindow;

class WizardUi
{
public:
    virtual ~WizardUi() = default;
    // A question with two buttons: 1 for the first, 2 otherwise.
    virtual int Ask(LWindow* parent, const char* text, const char* title, const char* first,
                    const char* second);
    // A message with an "OK" button; style as LMessageBoxStyle.
    virtual void Tell(LWindow* parent, const char* text, const char* title, int style);
};

// Where finished tracks go (the main window).
class WizardHost
{
public:
    virtual ~WizardHost() = default;
    // Takes a copy of the file into the list of recordings; true only when
    // the copy is made, so the wizard may delete its own.
    virtual bool TakeFile(const char* path) = 0;
};

struct WizardRun
{
    WizardFolders folders;
    WizardUi* ui = nullptr;     // never null while pages run (RunRecordingWizard sees to it)
    WizardHost* host = nullptr; // null: nowhere to hand tracks to
    // Set once a side page has begun recording in this run; cancelling then
    // asks before the recordings are dropped.
    bool unsavedRecording = false;
    // Set by the output page when every track of Recording/save is in the
    // host's hands: only then may the working folders be emptied unasked.
    bool handedOver = false;
    // Set when the user agreed to end without saving.
    bool discardConfirmed = false;
};

// The product's name, the title of the wizard's messages.
inline constexpr const char* kWizardProductTitle = "Quorin Dizer od OD Udivezeve";

// The warning shown when a page is cancelled after recording began: true
// when the user chose "End without Saving" (which also marks the run).
bool ConfirmEndWithoutSaving(WizardRun& run, LWindow* parent);
