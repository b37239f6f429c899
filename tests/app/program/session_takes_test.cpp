// Where the recording session keeps what it records, and what happens to a
// take the program could not finish: a queue another process holds, a disk
// that fills up while recording, and a start that recovers what an earlier
// run left behind.

#include "PreferencesTestSupport.h"
#include "RecordingSessionTestSupport.h"
#include "support/TestData.h"

#include "app/program/recording/SessionTakes.h"
#include "app/queue/ProcessQueueFile.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFile.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

int64_t FileSize(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

int64_t WavFrames(const std::string& path)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    return source->GetStatus() == kSoundStatusOk ? source->GetLength() : -1;
}

// Another process that holds a lock file until it is ended.
class LockHolder
{
public:
    explicit LockHolder(const std::string& path)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            const int fd = open(path.c_str(), O_RDWR | O_CREAT, 0600);
            const char held = fd >= 0 && flock(fd, LOCK_EX) == 0 ? '1' : '0';
            if (write(ready[1], &held, 1) != 1)
                _exit(1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char held = '0';
        held_ = pid_ > 0 && read(ready[0], &held, 1) == 1 && held == '1';
        close(ready[0]);
    }
    ~LockHolder() { Release(); }
    bool IsHeld() const { return held_; }
    void Release()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

class SessionTakes : public SessionTest
{
protected:
    void RecordTone(double seconds)
    {
        LSettingsSetString("Settings", "RecordAudioOnly", "0");
        LSettingsSetString("Settings", "AutoSplitTracks", "0");
        Feed(ToneAtLevel(60, -12));
        Open();
        Command(kSessionRecord);
        ASSERT_TRUE(session_->IsBusy());
        StepSeconds(seconds);
    }

    std::string Output(const char* name) const { return home_.Path(std::string("Music/Quorin/") + name); }
};

TEST_F(SessionTakes, ATakeIsRecordedInItsOwnFolderAndNoStartTakesItWhileItIsRecorded)
{
    RecordTone(1);
    const std::string take = session_->TempPath();
    const std::string folder = SessionTakesFolder(false);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(take.rfind(folder + "/", 0), 0u) << take;

    // A start of another program (its own queue) while the take is recorded
    // leaves it alone.
    TempDir elsewhere;
    ProcessQueueWorker other(elsewhere.Path("grprocesses.list").c_str());
    const RecoveredTakes found = RecoverSessionTakes(other);
    EXPECT_EQ(found.queued, 0);
    EXPECT_TRUE(found.kept.empty());
    std::vector<ProcessQueueRecord> records;
    EXPECT_NE(other.Queue().ReadAll(&records), QueueStatus::kOk);

    StepSeconds(1);
    Command(kSessionStop);
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 1; }));
}

TEST_F(SessionTakes, AStopWhileAnotherProcessHoldsTheQueueKeepsTheTakeAndSaysSo)
{
    BoxAnswerer boxes;
    RecordTone(2);
    const std::string take = session_->TempPath();
    LockHolder holder(TheProcessQueueWorker().Queue().LockPath());
    ASSERT_TRUE(holder.IsHeld());
    Command(kSessionStop);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Seen().empty(); }, 5000));
    EXPECT_NE(boxes.Last().find("could not be queued"), std::string::npos) << boxes.Last();
    EXPECT_NE(boxes.Last().find("in use by another program"), std::string::npos) << boxes.Last();
    EXPECT_NE(boxes.Last().find(take), std::string::npos) << boxes.Last();
    EXPECT_EQ(queued_->load(), 0);
    // Not counted as recorded, and not forgotten: what the recorder took
    // after its warm-up of half a second.
    EXPECT_EQ(Text(kSessionTotalTime), "0:00:00");
    const int64_t frames = WavFrames(take);
    EXPECT_NEAR(static_cast<double>(frames), 1.5 * 44100, 4410);
    EXPECT_FALSE(session_->IsBusy());

    // Once the queue is free, a start converts it into the output folder.
    holder.Release();
    const RecoveredTakes found = RecoverSessionTakes(TheProcessQueueWorker());
    EXPECT_EQ(found.queued, 1);
    EXPECT_EQ(found.queuedMs, frames * 1000 / 44100);
    ASSERT_TRUE(PumpUntil([&] { return Exists(Output("Untitled 01.wav")) && !Exists(take); }, 20000));
    EXPECT_EQ(WavFrames(Output("Untitled 01.wav")), frames);
}

TEST_F(SessionTakes, AQueueFileThatCannotBeWrittenKeepsTheTakeAndSaysSo)
{
    BoxAnswerer boxes;
    RecordTone(1.5);
    const std::string take = session_->TempPath();
    // Something that is no file stands where the queue file goes.
    ASSERT_EQ(mkdir(TheProcessQueueWorker().Queue().Path(), 0700), 0);
    Command(kSessionStop);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Seen().empty(); }, 5000));
    EXPECT_NE(boxes.Last().find("could not be written"), std::string::npos) << boxes.Last();
    EXPECT_NE(boxes.Last().find(take), std::string::npos) << boxes.Last();
    EXPECT_EQ(queued_->load(), 0);
    EXPECT_EQ(Text(kSessionTotalTime), "0:00:00");
    EXPECT_GT(WavFrames(take), 0);
    // The next recording is a take of its own; the kept one stays.
    Command(kSessionRecord);
    EXPECT_NE(std::string(session_->TempPath()), take);
    Command(kSessionDiscard);
    EXPECT_TRUE(Exists(take));
}

TEST_F(SessionTakes, ADiskThatFillsUpEndsTheRecordingWithAHeaderOfWhatWasKept)
{
    // The queue's worker is held off (another worker runs, as far as it
    // knows), so the take is looked at before anything converts it.
    BoxAnswerer boxes;
    const rlim_t room = 46 + 176400 + 176400 / 2; // a second and a half of audio
    RecordTone(0.3);
    LFile worker;
    ASSERT_TRUE(worker.Open(TheProcessQueueWorker().Queue().WorkerLockPath().c_str(), O_RDWR | O_CREAT));
    ASSERT_EQ(flock(worker.fd, LOCK_EX), 0);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{room, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    // Blocks as long as the recorder takes them: it stops at the full disk.
    for (int block = 0; block < 40 && session_->IsBusy(); ++block) {
        const int64_t before = session_->InputFrames();
        fake_.backend.StepCapture(kSessionBlock);
        PumpUntil([&] { return session_->InputFrames() != before || !session_->IsBusy(); }, 5000);
        PumpFor(3);
    }
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(session_->IsBusy());
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Seen().empty(); }, 5000));
    EXPECT_NE(boxes.Seen().front().find("the disk is full"), std::string::npos) << boxes.Seen().front();
    EXPECT_NE(boxes.Seen().front().find("0:00:01"), std::string::npos) << boxes.Seen().front();
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 1; }));
    std::vector<ProcessQueueRecord> records;
    ASSERT_EQ(TheProcessQueueWorker().Queue().ReadAll(&records), QueueStatus::kOk);
    ASSERT_EQ(records.size(), 1u);
    const std::string take = records[0].sourcePath;
    // The header counts exactly the audio the file holds.
    LWavFileInfo info;
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, take.c_str(), &info);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    const int64_t size = FileSize(take);
    EXPECT_LE(size, static_cast<int64_t>(room));
    EXPECT_EQ(static_cast<int64_t>(info.dataSize), size - 46);
    EXPECT_NEAR(static_cast<double>(source->GetLength()), 1.5 * 44100, 4410);
    EXPECT_EQ(std::string(records[0].durationText).rfind("0:00:01", 0), 0u) << records[0].durationText;
}

} // namespace
