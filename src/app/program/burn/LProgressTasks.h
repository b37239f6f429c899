#pragma once
// The long operations the windows start and wait for, each as a task of a
// progress window: the task keeps its job's argument, runs the job on the
// main thread in Process and keeps the job's result for the caller. The
// window shows the job's two status lines and its progress, and Cancel
// reaches the job as a stop request.

#include "app/queue/ProcessQueueRecord.h"
#include "app/queue/SplitJoinJobs.h"
#include "burn/LAudioCdBurner.h"
#include "burn/LBurnDataDisc.h"
#include "burn/LDiscServices.h"
#include "foundation/containers/LStringList.h"
#include "gui/framework/LProgressDialog.h"

#include <cstdint>
#include <string>
#include <vector>

// A task: Process stores the job's result, which Run also returns.
class LProgressTask : public LProgressDialog
{
public:
    explicit LProgressTask(const char* title) : LProgressDialog(title) {}
    int Result() const { return result_; }

protected:
    int result_ = 0;
};

// A progress window with no task: shown while the caller works with it as
// its context, hidden when it goes.
class LModelessProgressDialog : public LProgressDialog
{
public:
    explicit LModelessProgressDialog(const char* title) : LProgressDialog(title) {}
    ~LModelessProgressDialog() override { Hide(); }
};

class LScanBurnDrivesTask : public LProgressTask
{
public:
    LScanBurnDrivesTask(const char* title, LBurnBackend& backend, LBurnDriveList& list)
        : LProgressTask(title), backend_(backend), list_(list)
    {
    }
    int64_t Process() override;

private:
    LBurnBackend& backend_;
    LBurnDriveList& list_;
};

// Erases the disc of the drive the burn options name: 0 done (or a blank
// disc), 1 cancelled, 14 no disc (or none that can be erased), another burn
// code for a failure, whose text is in the result.
class LEraseDiscTask : public LProgressTask
{
public:
    LEraseDiscTask(const char* title, LBurnBackend& backend, uint32_t driveIndex, bool full)
        : LProgressTask(title), backend_(backend), driveIndex_(driveIndex), full_(full)
    {
    }
    int64_t Process() override;
    const LBurnResult& BurnResult() const { return burnResult_; }

private:
    LBurnBackend& backend_;
    uint32_t driveIndex_;
    bool full_;
    LBurnResult burnResult_;
};

// The audio-CD burn; the outcome is the job's result code.
class LBurnAudioCdTask : public LProgressTask
{
public:
    LBurnAudioCdTask(const char* title, LBurnBackend& backend, LAudioCdBurnJob& job)
        : LProgressTask(title), backend_(backend), job_(job)
    {
    }
    int64_t Process() override;

private:
    LBurnBackend& backend_;
    LAudioCdBurnJob& job_;
};

// The data-disc burn on an opened-on-demand drive; the outcome is the job's
// result code.
class LBurnDataDiscTask : public LProgressTask
{
public:
    LBurnDataDiscTask(const char* title, LScsiDevice& device, LDataDiscJob& job)
        : LProgressTask(title), device_(device), job_(job)
    {
    }
    int64_t Process() override;

private:
    LScsiDevice& device_;
    LDataDiscJob& job_;
};

class LConvertFileTask : public LProgressTask
{
public:
    LConvertFileTask(const char* title, ProcessQueueRecord& record) : LProgressTask(title), record_(record) {}
    int64_t Process() override;

private:
    ProcessQueueRecord& record_;
};

class LRestoreFilesTask : public LProgressTask
{
public:
    LRestoreFilesTask(const char* title, const LStringList& names) : LProgressTask(title), names_(names) {}
    int64_t Process() override;

private:
    const LStringList& names_;
};

class LSplitFileRegionsTask : public LProgressTask
{
public:
    LSplitFileRegionsTask(const char* title, const char* path, const std::vector<SoundSpan>& regions)
        : LProgressTask(title), path_(path), regions_(regions)
    {
    }
    int64_t Process() override;

private:
    std::string path_;
    const std::vector<SoundSpan>& regions_;
};

class LSplitFileTask : public LProgressTask
{
public:
    LSplitFileTask(const char* title, const char* path, const std::vector<int64_t>& points)
        : LProgressTask(title), path_(path), points_(points)
    {
    }
    int64_t Process() override;
    // The track files written, also those a failure or cancel left.
    const std::vector<std::string>& Written() const { return written_; }

private:
    std::string path_;
    const std::vector<int64_t>& points_;
    std::vector<std::string> written_;
};

class LJoinFilesTask : public LProgressTask
{
public:
    LJoinFilesTask(const char* title, JoinFilesArgs& args) : LProgressTask(title), args_(args) {}
    int64_t Process() override;

private:
    JoinFilesArgs& args_;
};
