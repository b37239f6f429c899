#include "app/program/wizard/WizardTasks.h"

#include "app/program/wizard/SideProcessing.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"

int WizardTask::RunOver(LWindow* parent)
{
    Run(parent != nullptr ? parent->GetView() : nullptr);
    return result_;
}

int64_t WizardConvertSidesTask::Process()
{
    result_ = WizardConvertSidesToNormalSpeed(this, run_, parent_);
    return result_;
}

int64_t WizardSplitSidesTask::Process()
{
    result_ = WizardSplitSides(this, run_, parent_);
    return result_;
}

int64_t WizardSaveSplitFilesTask::Process()
{
    result_ = WizardSaveSplitFiles(this, folders_);
    return result_;
}

int64_t WizardAddSavedFilesTask::Process()
{
    result_ = job_ ? job_(this) : kWizardJobFailed;
    return result_;
}

int64_t WizardConvertToMp3Task::Process()
{
    result_ = job_ ? job_(this) : kWizardJobFailed;
    return result_;
}

void SplitRecordedSides(WizardRun& run, LWindow* parent)
{
    run.folders.DeleteTrackFiles();
    if (!run.folders.HasSide(1) && !run.folders.HasSide(2))
        return;
    WizardSplitSidesTask split("Splitting recorded files.", run, parent);
    const int result = split.RunOver(parent);
    if (result == kWizardJobCancelled)
        run.ui->Tell(parent,
                     "The split was cancelled. Your recorded sides are kept; the tracks split so far are "
                     "listed.",
                     kWizardProductTitle, LMessageBoxInformationalStyle);
    else if (result != kWizardJobDone)
        run.ui->Tell(parent, "Split failed.", kWizardProductTitle, LMessageBoxCriticalStyle);
    WizardSaveSplitFilesTask save("Saving split files.", run.folders);
    if (save.RunOver(parent) == kWizardJobFailed)
        run.ui->Tell(parent, "The split tracks could not be copied to the Wizard's working folder.",
                     kWizardProductTitle, LMessageBoxCriticalStyle);
}

void RestoreSidesWithoutSplitting(WizardRun& run, LWindow* parent)
{
    run.folders.DeleteTrackFiles();
    if (!run.folders.HasSide(1) && !run.folders.HasSide(2))
        return;
    WizardConvertSidesTask convert("Saving Original File(s)", run, parent);
    if (convert.RunOver(parent) == kWizardJobCancelled)
        run.ui->Tell(parent, "Saving original file(s) was cancelled.", kWizardProductTitle,
                     LMessageBoxInformationalStyle);
    WizardSaveSplitFilesTask save("Saving Original File(s)", run.folders);
    if (save.RunOver(parent) == kWizardJobFailed)
        run.ui->Tell(parent, "The tracks could not be copied to the Wizard's working folder.",
                     kWizardProductTitle, LMessageBoxCriticalStyle);
}
