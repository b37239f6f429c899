#include "app/program/wizard/WizardRun.h"

#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"

int WizardUi::Ask(LWindow* parent, const char* text, const char* title, const char* first, const char* second)
{
    LMessageBox box(parent != nullptr ? parent->GetView() : nullptr, text, title);
    box.style = LMessageBoxWarningStyle;
    box.SetButton(1, first);
    box.SetButton(2, second);
    return box.Show() == 1 ? 1 : 2;
}

void WizardUi::Tell(LWindow* parent, const char* text, const char* title, int style)
{
    LMessageBox box(parent != nullptr ? parent->GetView() : nullptr, text, title);
    box.style = style;
    box.Show();
}

bool ConfirmEndWithoutSaving(WizardRun& run, LWindow* parent)
{
    if (!run.unsavedRecording)
        return true;
    const int answer =
        run.ui->Ask(parent,
                    "You have not saved your recordings. Are you sure you want to end the Wizard without "
                    "saving the recording? The recordings will be lost if you click 'End'.",
                    "Warning", "End without Saving", "No");
    if (answer != 1)
        return false;
    run.discardConfirmed = true;
    return true;
}
