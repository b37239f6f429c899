#pragma once
// The wizard's long steps as tasks of a progress window: each keeps its
// job's arguments, runs the job on the main thread in Process and keeps the
// result (2, failed, until the job ran: a window that could not be made
// leaves it so).

#include "app/program/wizard/WizardRun.h"
#include "gui/framework/LProgressDialog.h"

#include <functional>

class WizardTask : public LProgressDialog
{
public:
    explicit WizardTask(const char* title) : LProgressDialog(title) {}
    int Result() const { return result_; }
    // Runs the task over parent and returns its result.
    int RunOver(LWindow* parent);

protected:
    int result_ = 2;
};

class WizardConvertSidesTask : public WizardTask
{
public:
    WizardConvertSidesTask(const char* title, WizardRun& run, LWindow* parent)
        : WizardTask(title), run_(run), parent_(parent)
    {
    }
    int64_t Process() override;

private:
    WizardRun& run_;
    LWindow* parent_;
};

class WizardSplitSidesTask : public WizardTask
{
public:
    WizardSplitSidesTask(const char* title, WizardRun& run, LWindow* parent)
        : WizardTask(title), run_(run), parent_(parent)
    {
    }
    int64_t Process() override;

private:
    WizardRun& run_;
    LWindow* parent_;
};

class WizardSaveSplitFilesTask : public WizardTask
{
public:
    WizardSaveSplitFilesTask(const char* title, const WizardFolders& folders)
        : WizardTask(title), folders_(folders)
    {
    }
    int64_t Process() override;

private:
    const WizardFolders& folders_;
};

// The output page's steps: handing the saved tracks to the main window, and
// converting them to MP3 first. The job is the page's; the task runs it.
class WizardAddSavedFilesTask : public WizardTask
{
public:
    using Job = std::function<int(LProcessContext*)>;
    WizardAddSavedFilesTask(const char* title, Job job) : WizardTask(title), job_(std::move(job)) {}
    int64_t Process() override;

private:
    Job job_;
};

class WizardConvertToMp3Task : public WizardTask
{
public:
    using Job = std::function<int(LProcessContext*)>;
    WizardConvertToMp3Task(const char* title, Job job) : WizardTask(title), job_(std::move(job)) {}
    int64_t Process() override;

private:
    Job job_;
};

// Leaving side two: deletes earlier tracks, splits both sides in a progress
// window and copies the tracks into Recording/save (also after a failed or
// cancelled split, so that what was made can be used).
void SplitRecordedSides(WizardRun& run, LWindow* parent);

// The split page's restore: the sides at their right speed, unsplit, become
// the working tracks.
void RestoreSidesWithoutSplitting(WizardRun& run, LWindow* parent);
