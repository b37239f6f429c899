// The processing worker: its thread takes queued jobs one by one, tells the
// main window through the installed poster, keeps or drops the job a stop
// interrupted, skips damaged records, and yields to a worker of another
// process.

#include "app/queue/ConvertRecordingJob.h"
#include "app/queue/ProcessQueueWorker.h"
#include "app/queue/QueueTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <thread>

using namespace quorin::test;
using namespace queuetest;

namespace {

class WorkerTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
    }
    std::string Tone(const std::string& name, double seconds)
    {
        const std::string path = dir_.Path(name);
        EXPECT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(path) + " synth " +
                             std::to_string(seconds) + " sine 440 vol 0.5"),
                  0);
        return path;
    }
    // Waits (up to 20 s) until the worker thread has emptied the queue and ended.
    bool WaitForIdle(ProcessQueueWorker& worker)
    {
        for (int i = 0; i < 2000; ++i) {
            if (!worker.IsRunning() && FileBytes(queuePath_).empty())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void SetCounter(uint16_t counter)
    {
        std::string bytes = FileBytes(queuePath_);
        ProcessQueueHeader header = HeaderOf(bytes);
        header.crashCounter = counter;
        EncodeQueueHeader(header, reinterpret_cast<uint8_t*>(bytes.data()));
        WriteFileBytes(queuePath_, bytes);
    }

    TempDir dir_;
    TempDir out_;
    std::string queuePath_ = dir_.Path("grprocesses.list");
};

} // namespace

TEST_F(WorkerTest, EnqueuedRecordingsAreConvertedOnTheWorkerThreadAndAnnounced)
{
    NoticeCollector notices;
    ProcessQueueWorker worker(queuePath_.c_str());
    std::vector<std::string> sources;
    for (int i = 0; i < 6; ++i) {
        sources.push_back(Tone("take" + std::to_string(i) + ".wav", 0.5));
        ASSERT_TRUE(EnqueueRecording(worker, sources.back().c_str(), "", out_.Path().c_str(), ".wav",
                                     "0:00:00.500", false, false, ""));
    }
    ASSERT_TRUE(WaitForIdle(worker));
    EXPECT_EQ(notices.WithCode(kQueueNoticeJobQueued).size(), 6u);
    std::vector<std::string> done;
    for (const QueueNotice& n : notices.WithCode(kQueueNoticeJobDone))
        done.push_back(n.text);
    ASSERT_EQ(done.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(done[i], out_.Path("take" + std::to_string(i) + ".wav"));
        EXPECT_FALSE(PathExists(sources[i])) << "recordings are deleted once converted";
    }
    const std::vector<QueueNotice> all = notices.All();
    for (const QueueNotice& n : all) {
        if (n.code == kQueueNoticeProgress) {
            EXPECT_GE(n.percent, 0);
            EXPECT_LE(n.percent, 100);
        }
    }
    EXPECT_EQ(FileBytes(queuePath_).size(), 0u);
    EXPECT_EQ(worker.JobsQueued(), 0);
}

TEST_F(WorkerTest, EnqueueRefusesJobsWithoutTheirTexts)
{
    NoticeCollector notices;
    ProcessQueueWorker worker(queuePath_.c_str());
    const std::string folder = out_.Path();
    struct Case
    {
        const char* source;
        const char* folder;
        const char* extension;
        const char* duration;
    } cases[] = {
        {"", folder.c_str(), ".wav", "0:00:01.000"},
        {"/rec/a.wav", "", ".wav", "0:00:01.000"},
        {"/rec/a.wav", folder.c_str(), "", "0:00:01.000"},
        {"/rec/a.wav", folder.c_str(), ".wav", ""},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(
            EnqueueRecording(worker, c.source, "", c.folder, c.extension, c.duration, false, false, ""));
    const std::string longPath = "/" + std::string(300, 'a') + ".wav";
    EXPECT_FALSE(
        EnqueueRecording(worker, longPath.c_str(), "", folder.c_str(), ".wav", "1", false, false, ""));
    EXPECT_FALSE(PathExists(queuePath_));
    EXPECT_TRUE(notices.All().empty());
}

TEST_F(WorkerTest, AStoppedJobStaysQueuedRemovedOrDiscardedAsAsked)
{
    struct Case
    {
        uint32_t mode;
        size_t recordsLeft;
        bool fileKept;
    } cases[] = {
        {kQueueStopKeepJob, 2, true},
        {kQueueStopRemoveJob, 1, true},
        {kQueueStopDiscardQueue, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        unlink(queuePath_.c_str());
        ProcessQueueWorker worker(queuePath_.c_str());
        worker.SetStopMode(c.mode);
        const std::string source = Tone("long.wav", 20.0);
        ASSERT_EQ(worker.Queue().Append(MakeRecord(source, out_.Path(), ".wav")), QueueStatus::kOk);
        ASSERT_EQ(worker.Queue().Append(MakeRecord(Tone("next.wav", 0.2), out_.Path(), ".wav")),
                  QueueStatus::kOk);
        SetCounter(1);
        // The main window asks to stop as soon as the first job shows progress.
        QueueReporter().SetPoster([&worker](const QueueNotice& notice) {
            if (notice.code == kQueueNoticeProgress && notice.percent > 0)
                worker.RequestStop();
        });
        const QueueRunResult result = worker.RunQueue();
        QueueReporter().SetPoster(nullptr);
        EXPECT_TRUE(result.stopped);
        EXPECT_EQ(result.jobsDone, 0);
        EXPECT_TRUE(PathExists(source));
        EXPECT_TRUE(FolderEntries(out_.Path()).empty());
        EXPECT_EQ(PathExists(queuePath_), c.fileKept);
        if (c.fileKept) {
            std::vector<ProcessQueueRecord> records;
            worker.Queue().ReadAll(&records);
            EXPECT_EQ(records.size(), c.recordsLeft);
            // A stop on request is no crash: the counter starts again.
            EXPECT_EQ(HeaderOf(FileBytes(queuePath_)).crashCounter, 0);
        }
    }
}

TEST_F(WorkerTest, DamagedRecordsAreSkippedAndTheQueueGoesOn)
{
    ProcessQueueWorker worker(queuePath_.c_str());
    ASSERT_EQ(worker.Queue().Append(MakeRecord("/rec/x.wav", out_.Path(), ".wav")), QueueStatus::kOk);
    std::string bytes = FileBytes(queuePath_);
    std::fill(bytes.begin() + 8, bytes.begin() + 8 + 260, 'x'); // a source path without its end
    WriteFileBytes(queuePath_, bytes);
    const std::string good = Tone("good.wav", 0.2);
    ASSERT_EQ(worker.Queue().Append(MakeRecord(good, out_.Path(), ".wav")), QueueStatus::kOk);
    NoticeCollector notices;
    const QueueRunResult result = worker.RunQueue();
    EXPECT_EQ(result.jobsFailed, 1);
    EXPECT_EQ(result.jobsDone, 1);
    EXPECT_EQ(FolderEntries(out_.Path()), std::vector<std::string>{"good.wav"});
    EXPECT_EQ(notices.WithCode(kQueueNoticeMessage).size(), 1u);
    EXPECT_EQ(FileBytes(queuePath_).size(), 0u);
}

// Every removal rewrites the rest of the queue, so a long queue of jobs whose
// sources are gone (a moved recordings folder) once cost a rewrite of the
// whole file per job. Such jobs are now removed together: the queue file is
// replaced once per run of them, and their output folder is never made.
TEST_F(WorkerTest, JobsWhoseSourceIsGoneAreRemovedTogether)
{
    ProcessQueueWorker worker(queuePath_.c_str());
    const std::string never = out_.Path("never made");
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(worker.Queue().Append(MakeRecord("/gone/a" + std::to_string(i) + ".wav", never, ".wav")),
                  QueueStatus::kOk);
    const std::string good = Tone("good.wav", 0.2);
    ASSERT_EQ(worker.Queue().Append(MakeRecord(good, out_.Path(), ".wav")), QueueStatus::kOk);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(worker.Queue().Append(MakeRecord("/gone/b" + std::to_string(i) + ".wav", never, ".wav")),
                  QueueStatus::kOk);

    std::vector<std::pair<std::string, int>> seen;
    worker.SetJobObserver(
        [&](const ProcessQueueRecord& record, int result) { seen.emplace_back(record.sourcePath, result); });
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    // The creations of "grprocesses.list.new" between the renames keep the
    // kernel from merging the renames' events into one.
    ASSERT_GE(inotify_add_watch(watch, dir_.Path().c_str(), IN_MOVED_TO | IN_CREATE), 0);
    NoticeCollector notices;
    const QueueRunResult result = worker.RunQueue();

    int replaced = 0;
    alignas(inotify_event) char events[64 * 1024];
    for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;)
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if ((event->mask & IN_MOVED_TO) != 0 && event->len > 0 &&
                std::string(event->name) == "grprocesses.list")
                ++replaced;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    close(watch);

    EXPECT_EQ(result.jobsFailed, 40);
    EXPECT_EQ(result.jobsDone, 1);
    ASSERT_EQ(seen.size(), 41u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const std::string expected =
            i < 20 ? "/gone/a" + std::to_string(i) + ".wav"
                   : (i == 20 ? good : "/gone/b" + std::to_string(i - 21) + ".wav");
        EXPECT_EQ(seen[i].first, expected) << i;
        EXPECT_EQ(seen[i].second, i == 20 ? kJobDone : kJobFailed) << i;
    }
    // One replacement for each run of gone sources and one for the real job
    // (it was one for each of the 41 jobs).
    EXPECT_EQ(replaced, 3);
    EXPECT_FALSE(PathExists(never));
    EXPECT_EQ(notices.WithCode(kQueueNoticeMessage).size(), 40u);
    EXPECT_EQ(FileBytes(queuePath_).size(), 0u);
}

TEST_F(WorkerTest, AWorkerOfAnotherProcessKeepsTheJobs)
{
    ProcessQueueWorker worker(queuePath_.c_str());
    const std::string source = Tone("take.wav", 0.2);
    ASSERT_EQ(worker.Queue().Append(MakeRecord(source, out_.Path(), ".wav")), QueueStatus::kOk);
    LFile other;
    ProcessQueueFile elsewhere(queuePath_.c_str());
    ASSERT_TRUE(elsewhere.TryLockWorker(other));
    const std::string before = FileBytes(queuePath_);
    const QueueRunResult result = worker.RunQueue();
    EXPECT_TRUE(result.otherWorker);
    EXPECT_EQ(FileBytes(queuePath_), before);
    other.Close();
    EXPECT_EQ(worker.RunQueue().jobsDone, 1);
}

TEST_F(WorkerTest, StartUpResumesAndStartsTheWorker)
{
    const std::string source = Tone("take.wav", 0.3);
    {
        ProcessQueueFile queue(queuePath_.c_str());
        ASSERT_EQ(queue.Append(MakeRecord(source, out_.Path(), ".mp3")), QueueStatus::kOk);
        ProcessQueueRecord keep = MakeRecord(source, out_.Path(), ".wav");
        keep.deleteSource = 0;
        ASSERT_EQ(queue.Append(keep), QueueStatus::kOk);
    }
    NoticeCollector notices;
    ProcessQueueWorker worker(queuePath_.c_str());
    EXPECT_EQ(worker.OpenQueue(kQueueStopKeepJob, true), QueueResume::kResumed);
    ASSERT_TRUE(WaitForIdle(worker));
    // No encoder component in this home: the MP3 job fails and says why,
    // the WAV job still runs, and the recording is kept for the failed job.
    EXPECT_EQ(FolderEntries(out_.Path()), std::vector<std::string>{"take.wav"});
    EXPECT_FALSE(notices.WithCode(kQueueNoticeMessage).empty());
    EXPECT_EQ(notices.WithCode(kQueueNoticeJobDone).size(), 1u);
    EXPECT_TRUE(PathExists(source));
}

TEST_F(WorkerTest, StartUpRunsTheJobsOfAQueueWhoseHeaderWasDamaged)
{
    std::vector<std::string> sources;
    {
        ProcessQueueFile queue(queuePath_.c_str());
        for (int i = 0; i < 3; ++i) {
            sources.push_back(Tone("take" + std::to_string(i) + ".wav", 0.2));
            ASSERT_EQ(queue.Append(MakeRecord(sources.back(), out_.Path(), ".wav")), QueueStatus::kOk);
        }
    }
    std::string damaged = FileBytes(queuePath_);
    std::fill(damaged.begin(), damaged.begin() + 8, '\0');
    WriteFileBytes(queuePath_, damaged);
    NoticeCollector notices;
    ProcessQueueWorker worker(queuePath_.c_str());
    EXPECT_EQ(worker.OpenQueue(kQueueStopKeepJob, true), QueueResume::kRecoveredDamaged);
    ASSERT_TRUE(WaitForIdle(worker));
    EXPECT_EQ(FolderEntries(out_.Path()), (std::vector<std::string>{"take0.wav", "take1.wav", "take2.wav"}));
    EXPECT_EQ(notices.WithCode(kQueueNoticeJobDone).size(), 3u);
    EXPECT_EQ(FileBytes(queuePath_ + ".damaged"), damaged);
}

TEST_F(WorkerTest, AppendsWhileTheWorkerEndsAreNeverLeftBehind)
{
    ProcessQueueWorker worker(queuePath_.c_str());
    const std::string source = Tone("take.wav", 0.05);
    for (int i = 0; i < 12; ++i) {
        ProcessQueueRecord record =
            MakeRecord(source, out_.Path(), ".wav", out_.Path("t" + std::to_string(i) + ".wav"));
        record.deleteSource = 0;
        ASSERT_EQ(worker.AppendRecord(record), QueueStatus::kOk);
        // Land the next append at varying moments of the worker's run.
        std::this_thread::sleep_for(std::chrono::milliseconds(i * 3 % 17));
    }
    ASSERT_TRUE(WaitForIdle(worker));
    EXPECT_EQ(FolderEntries(out_.Path()).size(), 12u);
}

TEST_F(WorkerTest, AJobAppendedAsAnotherProcessLetsGoOfTheQueueIsRun)
{
    // Another process's worker holds the run lock while this process appends
    // (our worker thread ends at once), then lets go; the next append must
    // start a worker here, whatever moment of our ending thread it meets.
    ProcessQueueWorker worker(queuePath_.c_str());
    const std::string source = Tone("take.wav", 0.02);
    int jobs = 0;
    for (int i = 0; i < 8; ++i) {
        LFile other;
        ProcessQueueFile elsewhere(queuePath_.c_str());
        ASSERT_TRUE(elsewhere.TryLockWorker(other));
        for (const char* part : {"a", "b"}) {
            ProcessQueueRecord record =
                MakeRecord(source, out_.Path(), ".wav", out_.Path(part + std::to_string(i) + ".wav"));
            record.deleteSource = 0;
            ASSERT_EQ(worker.AppendRecord(record), QueueStatus::kOk);
            ++jobs;
            if (part[0] == 'a') {
                std::this_thread::sleep_for(std::chrono::microseconds(i * 150));
                other.Close();
            }
        }
        ASSERT_TRUE(WaitForIdle(worker)) << "round " << i;
    }
    EXPECT_EQ(FolderEntries(out_.Path()).size(), static_cast<size_t>(jobs));
}
