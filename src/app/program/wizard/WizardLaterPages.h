#pragma once
// The pages after the recorded sides: split recordings, audio restoration
// and output methods. Each factory makes the page for the run and names its
// dialog template (size in page units, template title, layout routine).

#include "app/program/wizard/WizardRun.h"
#include "gui/framework/LPropertySheet.h"

#include <memory>

struct WizardPageMade
{
    std::unique_ptr<LWizardPage> page;
    const LDialogTemplate* dialogTemplate = nullptr;
};

WizardPageMade MakeSplitRecordingsPage(WizardRun& run);
WizardPageMade MakeAudioRestorationPage(WizardRun& run);
WizardPageMade MakeOutputMethodsPage(WizardRun& run);
