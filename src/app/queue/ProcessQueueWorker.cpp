#include "app/queue/ProcessQueueWorker.h"

#include "app/queue/ConvertRecordingJob.h"
#include "app/queue/QueueNotices.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <vector>

namespace {

std::string DefaultQueuePath()
{
    char path[kLPathSize];
    return GetProcessQueuePath(path) ? std::string(path) : std::string();
}

} // namespace

ProcessQueueWorker::ProcessQueueWorker() : queue_(DefaultQueuePath().c_str()) {}

ProcessQueueWorker::ProcessQueueWorker(const char* queuePath) : queue_(queuePath) {}

ProcessQueueWorker::~ProcessQueueWorker()
{
    StopAndWait();
}

QueueResume ProcessQueueWorker::OpenQueue(uint32_t stopMode, bool start)
{
    stopMode_.store(stopMode);
    const int failCount = LSettingsGetInt("Settings", "FailCount", 1);
    QueueResume outcome = QueueResume::kNothing;
    std::size_t records = 0;
    const QueueStatus status = queue_.ResumeAtStartup(failCount, &outcome, &records);
    if (status != QueueStatus::kOk) {
        LLogWarningF("The job queue could not be resumed: %s", QueueStatusText(status));
        return outcome;
    }
    if (outcome == QueueResume::kResumed || outcome == QueueResume::kRecoveredDamaged) {
        LLogInfoF("Resuming %zu queued jobs", records);
        if (start && records > 0)
            StartWorker();
    }
    return outcome;
}

bool ProcessQueueWorker::StartWorker()
{
    LLockGuard guard(lock_);
    if (IsRunning() && !exiting_)
        return true;
    // The loop has decided to end but its thread has not yet returned.
    if (IsRunning())
        WaitUntilFinished(LNoTimeLimit);
    exiting_ = false;
    return Start(kWorkerPriority);
}

QueueStatus ProcessQueueWorker::AppendRecord(const ProcessQueueRecord& record, const QueueNotice* announce,
                                             uint32_t lockWaitMs)
{
    LLockGuard guard(lock_);
    const QueueStatus status = queue_.Append(record, lockWaitMs);
    if (status != QueueStatus::kOk)
        return status;
    if (announce)
        QueueReporter().Post(*announce);
    if (!StartWorker())
        LLogWarning("The processing worker could not be started");
    return QueueStatus::kOk;
}

QueueStatus ProcessQueueWorker::IsDestinationQueued(const char* destination, bool* queued)
{
    return queue_.IsDestinationQueued(destination, queued);
}

void ProcessQueueWorker::Run()
{
    RunQueue();
}

QueueRunResult ProcessQueueWorker::RunQueue()
{
    QueueRunResult outcome;
    done_.store(0);
    if (IsStopRequested()) {
        outcome.stopped = true;
        {
            LLockGuard guard(lock_);
            exiting_ = true;
        }
        Progress(0.0);
        return outcome;
    }
    for (bool more = true; more;) {
        LFile workerLock;
        {
            // Deciding to leave the jobs to another process and saying so
            // is one step for an append: one that came before it is seen
            // by that process's worker, one after it starts a new thread.
            LLockGuard guard(lock_);
            if (!queue_.TryLockWorker(workerLock)) {
                outcome.otherWorker = true;
                exiting_ = true;
                break;
            }
        }
        bool end = false;
        while (!end) {
            QueueFront front;
            QueueStatus status;
            {
                LLockGuard guard(lock_);
                status = queue_.ReadFront(&front);
            }
            if (status == QueueStatus::kEmpty)
                break;
            if (status != QueueStatus::kOk) {
                LLogWarningF("The job queue could not be read: %s", QueueStatusText(status));
                Message("The job queue could not be read: the queued files stay queued for the next start.");
                outcome.queueError = end = true;
                break;
            }
            queued_.store(done_.load() + static_cast<double>(front.recordCount));
            // A job that ends at once (its source is gone, or its record is
            // damaged) is taken together with the like jobs behind it: the
            // queue file is then rewritten once for all of them rather than
            // once each. Running one of them again after a crash is harmless.
            const bool quick = !front.wellFormed || JobSourceIsMissing(front.record);
            const int result = RunJob(front);

            const uint32_t mode = stopMode_.load();
            if (result == kJobStopped && mode != kQueueStopRemoveJob) {
                if (mode == kQueueStopDiscardQueue) {
                    queue_.Delete();
                } else if (queue_.ResetCrashCounter() == QueueStatus::kBusy) {
                    LLogWarning("The job queue's crash counter could not be reset: the queue was locked");
                }
                outcome.stopped = end = true;
                break;
            }
            std::vector<uint8_t> finished(front.bytes, front.bytes + kQueueRecordSize);
            std::vector<int> results{result};
            if (quick && !IsStopRequested()) {
                std::vector<QueueFront> next;
                {
                    LLockGuard guard(lock_);
                    status = queue_.ReadRecords(1, kQuickJobBatch, &next);
                }
                for (QueueFront& job : next) {
                    if ((job.wellFormed && !JobSourceIsMissing(job.record)) || IsStopRequested())
                        break;
                    results.push_back(RunJob(job));
                    finished.insert(finished.end(), job.bytes, job.bytes + kQueueRecordSize);
                }
            }
            status = queue_.RemoveFront(finished.data(), results.size());
            if (status != QueueStatus::kOk && status != QueueStatus::kEmpty) {
                // Going on would run this job again and again.
                LLogWarningF("A finished job could not be removed from the queue: %s",
                             QueueStatusText(status));
                Message("A finished job could not be removed from the job queue.");
                outcome.queueError = end = true;
                break;
            }
            for (int jobResult : results) {
                done_.store(done_.load() + 1);
                if (jobResult == kJobDone)
                    ++outcome.jobsDone;
                else
                    ++outcome.jobsFailed;
            }
            if (IsStopRequested())
                outcome.stopped = end = true;
        }
        workerLock.Close();
        LLockGuard guard(lock_);
        if (end) {
            exiting_ = true;
            break;
        }
        // A job appended while this loop held the worker lock may have found
        // it taken and left the job to us: look once more after letting go.
        QueueFront probe;
        more = queue_.ReadFront(&probe) == QueueStatus::kOk;
        if (!more)
            exiting_ = true;
    }
    // No lock_ from here on: an append that saw exiting_ waits for this
    // thread to end while it holds lock_.
    done_.store(0);
    queued_.store(0);
    Progress(0.0);
    return outcome;
}

int ProcessQueueWorker::RunJob(QueueFront& job)
{
    int result = kJobFailed;
    if (job.wellFormed) {
        result = ConvertRecordingJob(this, job.record);
    } else {
        LLogWarning("File conversion FAILED: a queued job was damaged and was skipped");
        Message("A queued job was damaged and was skipped.");
    }
    if (observer_)
        observer_(job.record, result);
    return result;
}

void ProcessQueueWorker::Progress(double fraction)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double queued = queued_.load();
    const double done = done_.load();
    const double overall = queued > 1 ? (done + fraction) / queued : done + fraction;
    QueueReporter().NotifyProgress(overall);
}

void ProcessQueueWorker::Message(const char* text)
{
    QueueReporter().NotifyMessage(text, 0);
}

void ProcessQueueWorker::Shutdown()
{
    stopMode_.store(kQueueStopKeepJob);
    StopAndWait();
}

QueueStatus ProcessQueueWorker::DiscardQueue()
{
    stopMode_.store(kQueueStopDiscardQueue);
    StopAndWait();
    queued_.store(0);
    done_.store(0);
    return queue_.Delete();
}

ProcessQueueWorker& TheProcessQueueWorker()
{
    static ProcessQueueWorker worker;
    return worker;
}

bool EnqueueRecording(ProcessQueueWorker& worker, const char* sourcePath, const char* destinationPath,
                      const char* outputFolder, const char* extension, const char* durationText,
                      bool temporary, bool makeCopy, const char* copyFolder, uint32_t lockWaitMs,
                      QueueStatus* status)
{
    QueueStatus ignored;
    QueueStatus& outcome = status != nullptr ? *status : ignored;
    outcome = QueueStatus::kFailed;
    auto empty = [](const char* text) { return text == nullptr || *text == '\0'; };
    if (empty(sourcePath) || empty(outputFolder) || empty(extension) || empty(durationText))
        return false;
    ProcessQueueRecord record;
    if (!SetQueueText(record.sourcePath, sourcePath) || !SetQueueText(record.outputFolder, outputFolder) ||
        !SetQueueText(record.outputExtension, extension) ||
        !SetQueueText(record.destinationPath, destinationPath) ||
        !SetQueueText(record.durationText, durationText) || !SetQueueText(record.copyFolder, copyFolder)) {
        LLogWarningF("File conversion FAILED: a path of the job for %s is too long", sourcePath);
        return false;
    }
    record.temporaryOutput = temporary ? 1 : 0;
    record.makeCopy = makeCopy ? 1 : 0;

    QueueNotice queued;
    queued.code = kQueueNoticeJobQueued;
    outcome = worker.AppendRecord(record, &queued, lockWaitMs);
    if (outcome != QueueStatus::kOk) {
        LLogWarningF("File conversion FAILED: the job for %s could not be queued: %s", sourcePath,
                     QueueStatusText(outcome));
        return false;
    }
    return true;
}
