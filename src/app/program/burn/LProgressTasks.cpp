#include "app/program/burn/LProgressTasks.h"

#include "app/queue/ConvertRecordingJob.h"
#include "audio/effects/LRestorationChain.h"
#include "burn/LBurnRunningFlag.h"
#include "burn/LProgressWait.h"

namespace {

// The progress window as the data-disc burn waits on it.
class DialogWait : public LProgressWait
{
public:
    explicit DialogWait(LProgressDialog& dialog) : dialog_(dialog) {}
    bool IsCancelled() override { return dialog_.IsStopRequested(); }
    bool Sleep(uint32_t ms) override { return dialog_.WaitForStop(ms); }
    void SetStatusText(const char* text, int line) override { dialog_.MessageLevel(text, line); }
    void BusyOn() override { dialog_.BeginIndeterminateProgress(); }
    void BusyOff() override { dialog_.EndIndeterminateProgress(); }
    void Message(const char* text) override { dialog_.Message(text); }
    void Progress(double fraction) override { dialog_.Progress(fraction); }
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override
    {
        return dialog_.WaitForStopOrSignal(signal, ms);
    }
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override
    {
        return dialog_.WaitForStopOrPollSet(set, ms);
    }

private:
    LProgressDialog& dialog_;
};

} // namespace

int64_t LScanBurnDrivesTask::Process()
{
    result_ = LScanBurnDrives(this, backend_, list_);
    return result_;
}

int64_t LEraseDiscTask::Process()
{
    LDiscWaitOptions options;
    options.fullErase = full_;
    // The user asked to erase the disc that is in the drive now: no waiting
    // for another one.
    options.discWaitMs = 0;
    const int status = LEraseDisc(burnResult_, this, backend_, driveIndex_, options);
    if (status == 0)
        result_ = 0;
    else if (status == 1 || IsStopRequested())
        result_ = kBurnUserCanceled;
    else
        result_ = burnResult_.code != 0 ? burnResult_.code : kBurnUnknownError;
    return result_;
}

int64_t LBurnAudioCdTask::Process()
{
    LBurnAudioCd(this, backend_, job_);
    result_ = job_.result.code;
    return result_;
}

int64_t LBurnDataDiscTask::Process()
{
    LBurnRunningScope running;
    DialogWait wait(*this);
    const int status = LBurnDataDisc(wait, device_, job_);
    result_ = job_.result.code;
    if (status == 1 && result_ == 0)
        result_ = kBurnUserCanceled;
    if (status == 2 && result_ == 0)
        result_ = kBurnUnknownError;
    return result_;
}

int64_t LConvertFileTask::Process()
{
    result_ = ConvertRecordingJob(this, record_);
    return result_;
}

int64_t LRestoreFilesTask::Process()
{
    result_ = RestoreSavedFiles(this, names_);
    return result_;
}

int64_t LSplitFileRegionsTask::Process()
{
    result_ = SplitFileRegions(this, path_.c_str(), regions_);
    return result_;
}

int64_t LSplitFileTask::Process()
{
    written_.clear();
    result_ = SplitFileIntoTracks(this, path_.c_str(), points_, &written_);
    return result_;
}

int64_t LJoinFilesTask::Process()
{
    result_ = JoinFiles(this, args_);
    return result_;
}
