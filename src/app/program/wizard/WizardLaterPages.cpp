// These pages are not part of this version yet: each stands in with a page
// that says so, and the tracks stay in the working folder, where the next
// run of the wizard offers them again.
#include "app/program/wizard/WizardLaterPages.h"

#include "app/program/wizard/RecordingWizard.h"

#include <cstdio>

namespace {

const LDialogTemplate* PlaceholderTemplate(int width, int height, const char* title)
{
    auto* made = new LDialogTemplate{width, height, "", true, &WizardPlaceholderPage::Layout};
    std::snprintf(made->title, sizeof made->title, "%s", title);
    return made;
}

} // namespace

WizardPageMade MakeSplitRecordingsPage(WizardRun& run)
{
    static const LDialogTemplate* dialogTemplate = PlaceholderTemplate(640, 497, "Split Recordings");
    return {std::make_unique<WizardPlaceholderPage>(
                run,
                "Checking and mending the split is not available in this version of Quorin yet. The "
                "tracks found in your recorded sides are kept in the Wizard's working folder.",
                "splitrecord"),
            dialogTemplate};
}

WizardPageMade MakeAudioRestorationPage(WizardRun& run)
{
    static const LDialogTemplate* dialogTemplate =
        PlaceholderTemplate(640, 508, "Select Audio Restoration Tools");
    return {std::make_unique<WizardPlaceholderPage>(
                run,
                "The audio restoration tools are not available in the Wizard in this version of Quorin "
                "yet. Nothing is changed in your tracks.",
                "audiorestoration", WizardRestorationPageActive),
            dialogTemplate};
}

WizardPageMade MakeOutputMethodsPage(WizardRun& run)
{
    static const LDialogTemplate* dialogTemplate = PlaceholderTemplate(640, 132, "Output Methods");
    return {std::make_unique<WizardPlaceholderPage>(
                run,
                "Adding the tracks to your list is not available in the Wizard in this version of Quorin "
                "yet. When you click Finish the tracks stay in the Wizard's working folder and you are "
                "asked whether to keep them.",
                "outputformat"),
            dialogTemplate};
}
