#include "app/program/wizard/WizardTasks.h"

#include "app/program/wizard/SideProcessing.h"
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
