#pragma once
// The processing worker: one thread per process that takes the queued jobs
// one by one from the front of this user's queue file, converts each, and
// removes it. Across processes, a lock file held while the loop runs makes
// sure only one worker per user runs jobs at a time; a worker that finds the
// lock taken ends at once and leaves the jobs to the one that holds it.

#include "app/queue/ProcessQueueFile.h"
#include "app/queue/ProcessQueueRecord.h"
#include "app/queue/QueueNotices.h"
#include "foundation/threads/LThreadOwner.h"

#include <atomic>
#include <cstdint>
#include <functional>

// What the worker does with the job that a stop request interrupted.
enum : uint32_t {
    kQueueStopKeepJob = 0,      // the job stays first in the queue for the next run
    kQueueStopRemoveJob = 1,    // the job is removed like a finished one
    kQueueStopDiscardQueue = 2, // the whole queue is deleted
};

// How a run of the queue loop ended.
struct QueueRunResult
{
    int jobsDone = 0;
    int jobsFailed = 0;
    bool stopped = false;     // a stop request ended the loop
    bool otherWorker = false; // another process runs the queue
    bool queueError = false;  // the queue file could not be read or changed
};

class ProcessQueueWorker : public LThreadOwner
{
public:
    static constexpr int kWorkerPriority = 4;

    using JobObserver = std::function<void(const ProcessQueueRecord& record, int result)>;

    // A worker for this user's queue file ("grprocesses.list" in the caches
    // folder), or for the file at queuePath.
    ProcessQueueWorker();
    explicit ProcessQueueWorker(const char* queuePath);
    ~ProcessQueueWorker() override;

    ProcessQueueFile& Queue() { return queue_; }

    // The start-up step: resumes a queue left behind (see
    // ProcessQueueFile::ResumeAtStartup, with the limit "Settings"/"FailCount",
    // default 1) and, when asked, starts the worker for it.
    QueueResume OpenQueue(uint32_t stopMode, bool start);

    // Appends a job, posts `announce` (when given) once it is in the file,
    // and makes sure a worker runs. kOk when the job is queued.
    // The lock is waited for at most lockWaitMs (and never longer than the
    // queue's own wait).
    QueueStatus AppendRecord(const ProcessQueueRecord& record, const QueueNotice* announce = nullptr,
                             uint32_t lockWaitMs = ProcessQueueFile::kLockWaitMs);
    QueueStatus IsDestinationQueued(const char* destination, bool* queued);

    // Starts the worker thread unless one runs (or is about to end, in
    // which case it is waited for and started afresh).
    bool StartWorker();

    // The queue loop on the calling thread; the worker thread runs exactly
    // this. Failed jobs are removed like finished ones (a bad job never
    // blocks the queue), keeping their sources.
    QueueRunResult RunQueue();

    void SetStopMode(uint32_t mode) { stopMode_.store(mode); }
    // Stops the worker and waits for it; the queue stays for the next start.
    void Shutdown();
    // Stops the worker, waits for it and deletes the queue file.
    QueueStatus DiscardQueue();

    // Called on the loop's thread after each job (tools print a line).
    void SetJobObserver(JobObserver observer) { observer_ = std::move(observer); }

    // Jobs known to the current run (finished and still queued) and jobs
    // finished in it; both 0 while no loop runs.
    double JobsQueued() const { return queued_.load(); }
    double JobsDone() const { return done_.load(); }

    // The context of the running job: progress is reported for the whole
    // queue, messages go to the main window as notices.
    void Progress(double fraction) override;
    void Message(const char* text) override;

protected:
    void Run() override;

private:
    // Jobs that end at once taken from the queue in one removal, at most.
    static constexpr std::size_t kQuickJobBatch = 512;

    // Runs one job (a damaged record is skipped as failed) and tells the observer.
    int RunJob(QueueFront& job);

    ProcessQueueFile queue_;
    std::atomic<uint32_t> stopMode_{kQueueStopKeepJob};
    std::atomic<double> queued_{0};
    std::atomic<double> done_{0};
    // Set under lock_ when the loop has found the queue empty and is about
    // to end: an append then waits for that thread and starts a new one.
    bool exiting_ = false;
    JobObserver observer_;
};

// The process's worker.
ProcessQueueWorker& TheProcessQueueWorker();

// Queues a finished recording. False (nothing written) when the source,
// the output folder, the extension or the duration text is empty or does
// not fit its field, or when the queue file could not take the job (logged;
// *status, when given, tells why: kBusy for a lock another process held
// longer than lockWaitMs, kFailed for a file that could not be written or
// a job that does not fit). The main window is told before the worker starts.
bool EnqueueRecording(ProcessQueueWorker& worker, const char* sourcePath, const char* destinationPath,
                      const char* outputFolder, const char* extension, const char* durationText,
                      bool temporary, bool makeCopy, const char* copyFolder,
                      uint32_t lockWaitMs = ProcessQueueFile::kLockWaitMs, QueueStatus* status = nullptr);
