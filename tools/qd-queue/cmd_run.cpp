// qd-queue run: runs the jobs until the queue is empty, one line per job
// ("done" or "FAILED", the source, the output), the worker's messages on
// standard error. Exit 0 when every job succeeded, 1 when any failed or the
// queue could not be worked through. SIGINT and SIGTERM stop after the
// current job's next block, leaving that job queued.
//
// qd-queue resume: the program's start-up step (crash counter), printing
// what it did: "nothing", "resumed N", "recovered-damaged N" (the jobs read
// whole from a queue whose header was damaged, which is kept aside),
// "discarded-crashes" or "other-instance".

#include "QueueCommand.h"

#include "app/queue/ConvertRecordingJob.h"
#include "app/queue/ProcessQueueWorker.h"
#include "app/queue/QueueNotices.h"

#include <csignal>
#include <cstdio>

namespace {

ProcessQueueWorker* gWorker = nullptr;

void OnStopSignal(int)
{
    if (gWorker)
        gWorker->RequestStop();
}

int RunRun(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    ProcessQueueWorker worker(QueuePathOrExit().c_str());
    QueueReporter().SetPoster([](const QueueNotice& notice) {
        if (notice.code == kQueueNoticeMessage)
            std::fprintf(stderr, "qd-queue: %s\n", notice.text.c_str());
    });
    worker.SetJobObserver([](const ProcessQueueRecord& record, int result) {
        const char* what = result == kJobDone ? "done" : (result == kJobStopped ? "stopped" : "FAILED");
        std::printf("%s\t%s\t%s\n", what, record.sourcePath, record.destinationPath);
        std::fflush(stdout);
    });
    gWorker = &worker;
    struct sigaction action = {};
    action.sa_handler = &OnStopSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const QueueRunResult result = worker.RunQueue();
    gWorker = nullptr;
    QueueReporter().SetPoster(nullptr);
    if (result.otherWorker) {
        // Not worked through by this run: the status the usage gives for that.
        QdFail("another process is running the queue");
        return 1;
    }
    return result.jobsFailed > 0 || result.queueError ? 1 : 0;
}

int RunResume(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    ProcessQueueWorker worker(QueuePathOrExit().c_str());
    const QueueResume outcome = worker.OpenQueue(kQueueStopKeepJob, false);
    switch (outcome) {
    case QueueResume::kNothing:
        std::puts("nothing");
        break;
    case QueueResume::kResumed: {
        std::vector<ProcessQueueRecord> records;
        worker.Queue().ReadAll(&records);
        std::printf("resumed %zu\n", records.size());
        break;
    }
    case QueueResume::kRecoveredDamaged: {
        std::vector<ProcessQueueRecord> records;
        worker.Queue().ReadAll(&records);
        std::printf("recovered-damaged %zu\n", records.size());
        break;
    }
    case QueueResume::kDiscardedCrashes:
        std::puts("discarded-crashes");
        break;
    case QueueResume::kOtherInstance:
        std::puts("other-instance");
        break;
    }
    return 0;
}

QdRegistrar runReg("run", "run", &RunRun);
QdRegistrar resumeReg("resume", "resume", &RunResume);

} // namespace
