// The job queue file: its byte layout, appends and removals, the start-up
// resume with its crash counter, damaged tails, locks, and several
// processes appending at once.

#include "app/queue/ProcessQueueFile.h"
#include "app/queue/QueueTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;
using namespace queuetest;

namespace {

class QueueFileTest : public TempHomeTest
{
protected:
    QueueFileTest() : path_(dir_.Path("grprocesses.list")), queue_(path_.c_str()) {}

    void AppendNumbered(int count, int first = 0)
    {
        for (int i = first; i < first + count; ++i)
            ASSERT_EQ(queue_.Append(MakeRecord("/rec/" + std::to_string(i) + ".wav", "/out", ".wav")),
                      QueueStatus::kOk);
    }
    std::vector<std::string> Sources()
    {
        std::vector<ProcessQueueRecord> records;
        queue_.ReadAll(&records);
        std::vector<std::string> sources;
        for (const ProcessQueueRecord& r : records)
            sources.push_back(r.sourcePath);
        return sources;
    }
    void SetCounter(uint16_t counter)
    {
        std::string bytes = FileBytes(path_);
        ProcessQueueHeader header = HeaderOf(bytes);
        header.crashCounter = counter;
        EncodeQueueHeader(header, reinterpret_cast<uint8_t*>(bytes.data()));
        WriteFileBytes(path_, bytes);
    }

    TempDir dir_;
    std::string path_;
    ProcessQueueFile queue_;
};

} // namespace

TEST(QueueRecordLayout, FieldsSitAtTheirOffsets)
{
    ProcessQueueRecord record = MakeRecord("/a/src.wav", "/out", ".MP3", "/out/x.mp3");
    SetQueueText(record.copyFolder, "/copies");
    record.restore = 0;
    record.notify = 1;
    record.deleteSource = 0;
    record.makeCopy = 1;
    record.temporaryOutput = 1;
    uint8_t bytes[kQueueRecordSize];
    std::memset(bytes, 0xAA, sizeof bytes);
    EncodeQueueRecord(record, bytes);
    const char* b = reinterpret_cast<const char*>(bytes);
    EXPECT_STREQ(b + 0, "/a/src.wav");
    EXPECT_STREQ(b + 260, "/out");
    EXPECT_STREQ(b + 520, ".MP3");
    EXPECT_STREQ(b + 780, "/out/x.mp3");
    EXPECT_STREQ(b + 1300, "0:00:01.000");
    EXPECT_STREQ(b + 1560, "/copies");
    for (size_t i = 1040; i < 1300; ++i)
        ASSERT_EQ(bytes[i], 0) << "reserved byte " << i;
    EXPECT_EQ(bytes[1820], 0);
    EXPECT_EQ(bytes[1821], 1);
    EXPECT_EQ(bytes[1822], 0);
    EXPECT_EQ(bytes[1823], 1);
    EXPECT_EQ(bytes[1824], 1);

    ProcessQueueRecord back;
    ASSERT_TRUE(DecodeQueueRecord(bytes, back));
    EXPECT_STREQ(back.destinationPath, "/out/x.mp3");
    EXPECT_EQ(back.makeCopy, 1);
    EXPECT_EQ(back.restore, 0);

    uint8_t header[kQueueHeaderSize];
    EncodeQueueHeader(ProcessQueueHeader(), header);
    const uint8_t expected[] = {1, 0, 0, 0, 0x21, 0x07, 0, 0};
    EXPECT_EQ(std::memcmp(header, expected, sizeof header), 0);
}

TEST(QueueRecordLayout, FreshRecordAndFieldLimits)
{
    ProcessQueueRecord record;
    EXPECT_EQ(record.restore, 1);
    EXPECT_EQ(record.notify, 1);
    EXPECT_EQ(record.deleteSource, 1);
    EXPECT_EQ(record.makeCopy, 0);
    EXPECT_EQ(record.temporaryOutput, 0);
    EXPECT_TRUE(SetQueueText(record.sourcePath, std::string(259, 'a').c_str()));
    // A path that does not fit is refused rather than cut into another path.
    EXPECT_FALSE(SetQueueText(record.sourcePath, std::string(260, 'a').c_str()));
    EXPECT_STREQ(record.sourcePath, "");

    // A text field without its terminator is damage, not a 260-byte path.
    uint8_t bytes[kQueueRecordSize];
    EncodeQueueRecord(MakeRecord("/a.wav", "/out", ".wav"), bytes);
    std::memset(bytes + 260, 'x', 260);
    ProcessQueueRecord back;
    EXPECT_FALSE(DecodeQueueRecord(bytes, back));
    EXPECT_STREQ(back.outputFolder, "");
    EXPECT_STREQ(back.sourcePath, "/a.wav");
}

TEST_F(QueueFileTest, AppendWritesTheHeaderOnlyToAnEmptyFile)
{
    AppendNumbered(1);
    std::string bytes = FileBytes(path_);
    ASSERT_EQ(bytes.size(), 8u + 1825u);
    EXPECT_TRUE(HeaderOf(bytes).IsValid());
    EXPECT_EQ(HeaderOf(bytes).crashCounter, 0);

    // The counter of a resumed queue stays as it is when jobs are added.
    SetCounter(1);
    AppendNumbered(1, 1);
    bytes = FileBytes(path_);
    ASSERT_EQ(bytes.size(), 8u + 2 * 1825u);
    EXPECT_EQ(HeaderOf(bytes).crashCounter, 1);
    EXPECT_EQ(Sources(), (std::vector<std::string>{"/rec/0.wav", "/rec/1.wav"}));
}

TEST_F(QueueFileTest, RemovalRewritesTheHeaderAndEmptiesTheFileAtTheEnd)
{
    AppendNumbered(3);
    SetCounter(2);
    QueueFront front;
    ASSERT_EQ(queue_.ReadFront(&front), QueueStatus::kOk);
    EXPECT_EQ(front.recordCount, 3u);
    EXPECT_TRUE(front.wellFormed);
    EXPECT_STREQ(front.record.sourcePath, "/rec/0.wav");
    ASSERT_EQ(queue_.RemoveFront(front.bytes), QueueStatus::kOk);
    std::string bytes = FileBytes(path_);
    ASSERT_EQ(bytes.size(), 8u + 2 * 1825u);
    EXPECT_EQ(HeaderOf(bytes).crashCounter, 0);
    EXPECT_EQ(Sources(), (std::vector<std::string>{"/rec/1.wav", "/rec/2.wav"}));

    // Only the record that was read is removed: stale bytes change nothing.
    ASSERT_EQ(queue_.RemoveFront(front.bytes), QueueStatus::kOk);
    EXPECT_EQ(Sources().size(), 2u);

    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(queue_.ReadFront(&front), QueueStatus::kOk);
        ASSERT_EQ(queue_.RemoveFront(front.bytes), QueueStatus::kOk);
    }
    EXPECT_EQ(FileBytes(path_).size(), 0u);
    EXPECT_EQ(queue_.ReadFront(&front), QueueStatus::kEmpty);
    EXPECT_FALSE(PathExists(path_ + ".new"));

    AppendNumbered(1, 7);
    bytes = FileBytes(path_);
    ASSERT_EQ(bytes.size(), 8u + 1825u);
    EXPECT_TRUE(HeaderOf(bytes).IsValid());
}

TEST_F(QueueFileTest, RecordsAreReadFromAnyIndexAndRemovedSeveralAtOnce)
{
    AppendNumbered(5);
    std::vector<QueueFront> records;
    ASSERT_EQ(queue_.ReadRecords(1, 2, &records), QueueStatus::kOk);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_STREQ(records[0].record.sourcePath, "/rec/1.wav");
    EXPECT_STREQ(records[1].record.sourcePath, "/rec/2.wav");
    EXPECT_EQ(records[1].recordCount, 5u);
    ASSERT_EQ(queue_.ReadRecords(3, 100, &records), QueueStatus::kOk);
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(queue_.ReadRecords(5, 100, &records), QueueStatus::kEmpty);
    EXPECT_TRUE(records.empty());

    ASSERT_EQ(queue_.ReadRecords(0, 3, &records), QueueStatus::kOk);
    std::vector<uint8_t> front;
    for (const QueueFront& record : records)
        front.insert(front.end(), record.bytes, record.bytes + kQueueRecordSize);
    // Bytes that are not the front's change nothing, whatever their count.
    std::vector<uint8_t> shifted(front.begin() + kQueueRecordSize, front.end());
    ASSERT_EQ(queue_.RemoveFront(shifted.data(), 2), QueueStatus::kOk);
    EXPECT_EQ(Sources().size(), 5u);
    ASSERT_EQ(queue_.RemoveFront(front.data(), 3), QueueStatus::kOk);
    EXPECT_EQ(Sources(), (std::vector<std::string>{"/rec/3.wav", "/rec/4.wav"}));
    // More records than the queue holds: nothing is removed.
    ASSERT_EQ(queue_.ReadRecords(0, 2, &records), QueueStatus::kOk);
    front.assign(records[0].bytes, records[0].bytes + kQueueRecordSize);
    front.insert(front.end(), records[1].bytes, records[1].bytes + kQueueRecordSize);
    front.resize(3 * kQueueRecordSize);
    ASSERT_EQ(queue_.RemoveFront(front.data(), 3), QueueStatus::kOk);
    EXPECT_EQ(Sources().size(), 2u);
    ASSERT_EQ(queue_.RemoveFront(front.data(), 2), QueueStatus::kOk);
    EXPECT_EQ(FileBytes(path_).size(), 0u);
}

TEST_F(QueueFileTest, HeaderOnlyAndMissingFilesHoldNoJob)
{
    QueueFront front;
    EXPECT_EQ(queue_.ReadFront(&front), QueueStatus::kEmpty);
    uint8_t header[kQueueHeaderSize];
    EncodeQueueHeader(ProcessQueueHeader(), header);
    WriteFileBytes(path_, std::string(reinterpret_cast<char*>(header), sizeof header));
    EXPECT_EQ(queue_.ReadFront(&front), QueueStatus::kEmpty);
    EXPECT_EQ(FileBytes(path_).size(), 8u) << "a header-only queue is left as it is";
}

TEST_F(QueueFileTest, APartlyWrittenTailIsIgnoredAndDroppedByTheNextAppend)
{
    for (size_t tail : {size_t(1), size_t(1000), size_t(1824)}) {
        SCOPED_TRACE(tail);
        unlink(path_.c_str());
        AppendNumbered(2);
        std::string bytes = FileBytes(path_);
        WriteFileBytes(path_, bytes + std::string(tail, 'z'));

        QueueFront front;
        ASSERT_EQ(queue_.ReadFront(&front), QueueStatus::kOk);
        EXPECT_EQ(front.recordCount, 2u);
        EXPECT_EQ(Sources().size(), 2u);

        AppendNumbered(1, 5);
        EXPECT_EQ(FileBytes(path_).size(), 8u + 3 * 1825u);
        EXPECT_EQ(Sources(), (std::vector<std::string>{"/rec/0.wav", "/rec/1.wav", "/rec/5.wav"}));
    }
    // A header cut short is kept aside and the next append starts afresh.
    WriteFileBytes(path_, std::string("\x01\x00\x00", 3));
    AppendNumbered(1, 9);
    EXPECT_EQ(Sources(), (std::vector<std::string>{"/rec/9.wav"}));
    EXPECT_EQ(FileBytes(path_ + ".damaged"), std::string("\x01\x00\x00", 3));
}

TEST_F(QueueFileTest, AnAppendToAQueueWithADamagedHeaderKeepsItsJobs)
{
    AppendNumbered(3);
    std::string damaged = FileBytes(path_);
    damaged[0] = 7; // a version no worker reads
    WriteFileBytes(path_, damaged);
    AppendNumbered(1, 3);
    EXPECT_EQ(Sources(), (std::vector<std::string>{"/rec/0.wav", "/rec/1.wav", "/rec/2.wav", "/rec/3.wav"}));
    EXPECT_EQ(FileBytes(path_ + ".damaged"), damaged);
    EXPECT_EQ(FolderEntries(dir_.Path()),
              (std::vector<std::string>{"grprocesses.list", "grprocesses.list.damaged", "grprocesses.list.lock"}));
}

TEST_F(QueueFileTest, LocksAreWaitedForWithABoundAndChangeNothingWhenNotHad)
{
    AppendNumbered(1);
    const std::string before = FileBytes(path_);
    const int holder = open(queue_.LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    queue_.SetLockWait(60);
    QueueFront front;
    EXPECT_EQ(queue_.Append(MakeRecord("/x.wav", "/out", ".wav")), QueueStatus::kBusy);
    EXPECT_EQ(queue_.ReadFront(&front), QueueStatus::kBusy);
    EXPECT_EQ(queue_.RemoveFront(front.bytes), QueueStatus::kBusy);
    QueueResume outcome;
    size_t records = 0;
    EXPECT_EQ(queue_.ResumeAtStartup(1, &outcome, &records), QueueStatus::kBusy);
    EXPECT_EQ(FileBytes(path_), before);

    // A reader's shared lock lets other readers in but keeps writers out.
    ASSERT_EQ(flock(holder, LOCK_SH), 0);
    EXPECT_EQ(queue_.ReadFront(&front), QueueStatus::kOk);
    EXPECT_EQ(queue_.Append(MakeRecord("/x.wav", "/out", ".wav")), QueueStatus::kBusy);
    close(holder);
    EXPECT_EQ(queue_.Append(MakeRecord("/x.wav", "/out", ".wav")), QueueStatus::kOk);
}

TEST_F(QueueFileTest, StartUpResumesUpToTheCrashLimit)
{
    struct Case
    {
        uint16_t counter;
        QueueResume outcome;
        uint16_t after; // counter after the start-up, when the file stays
    } cases[] = {
        {0, QueueResume::kResumed, 1},
        {1, QueueResume::kResumed, 2},
        {2, QueueResume::kDiscardedCrashes, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        unlink(path_.c_str());
        AppendNumbered(2);
        SetCounter(c.counter);
        QueueResume outcome;
        size_t records = 0;
        ASSERT_EQ(queue_.ResumeAtStartup(1, &outcome, &records), QueueStatus::kOk);
        EXPECT_EQ(outcome, c.outcome);
        if (c.outcome == QueueResume::kResumed) {
            EXPECT_EQ(records, 2u);
            EXPECT_EQ(HeaderOf(FileBytes(path_)).crashCounter, c.after);
            EXPECT_EQ(Sources().size(), 2u);
        } else {
            EXPECT_FALSE(PathExists(path_));
        }
    }
    // A job that ends resets the counter.
    unlink(path_.c_str());
    AppendNumbered(2);
    SetCounter(1);
    QueueFront front;
    ASSERT_EQ(queue_.ReadFront(&front), QueueStatus::kOk);
    ASSERT_EQ(queue_.RemoveFront(front.bytes), QueueStatus::kOk);
    EXPECT_EQ(HeaderOf(FileBytes(path_)).crashCounter, 0);
}

TEST_F(QueueFileTest, StartUpRecoversDamagedQueuesAndLeavesARunningOneAlone)
{
    QueueResume outcome;
    size_t records = 0;
    ASSERT_EQ(queue_.ResumeAtStartup(1, &outcome, &records), QueueStatus::kOk);
    EXPECT_EQ(outcome, QueueResume::kNothing);

    // Behind each damaged header: two jobs, a record with no job in it, a
    // record whose source path never ends, and a torn tail.
    AppendNumbered(2);
    const std::string jobs = FileBytes(path_).substr(8);
    std::string unending(1825, '\0');
    std::fill(unending.begin(), unending.begin() + 260, 'x');
    const std::string behind = jobs + std::string(1825, '\0') + unending + std::string(100, 'z');
    const std::string damagedHeaders[] = {std::string("\x02\x00\x00\x00\x21\x07\x00\x00", 8),
                                          std::string("\x01\x00\x00\x00\x20\x07\x00\x00", 8),
                                          std::string(8, '\xff')};
    const char* const asideNames[] = {".damaged", ".damaged-2", ".damaged-3"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::string damaged = damagedHeaders[i] + behind;
        WriteFileBytes(path_, damaged);
        ASSERT_EQ(queue_.ResumeAtStartup(1, &outcome, &records), QueueStatus::kOk);
        EXPECT_EQ(outcome, QueueResume::kRecoveredDamaged);
        EXPECT_EQ(records, 2u);
        EXPECT_EQ(Sources(), (std::vector<std::string>{"/rec/0.wav", "/rec/1.wav"}));
        EXPECT_EQ(HeaderOf(FileBytes(path_)).crashCounter, 1) << "resumed like any queue";
        // The damaged original is kept whole, each under a name of its own.
        EXPECT_EQ(FileBytes(path_ + asideNames[i]), damaged);
    }

    // A header cut short holds no whole record: the file is still kept.
    WriteFileBytes(path_, std::string("\x01", 1));
    ASSERT_EQ(queue_.ResumeAtStartup(1, &outcome, &records), QueueStatus::kOk);
    EXPECT_EQ(outcome, QueueResume::kRecoveredDamaged);
    EXPECT_EQ(records, 0u);
    EXPECT_FALSE(PathExists(path_));
    EXPECT_EQ(FileBytes(path_ + ".damaged-4"), std::string("\x01", 1));

    AppendNumbered(1);
    SetCounter(5);
    LFile worker;
    ASSERT_TRUE(queue_.TryLockWorker(worker));
    ProcessQueueFile other(path_.c_str());
    ASSERT_EQ(other.ResumeAtStartup(1, &outcome, &records), QueueStatus::kOk);
    EXPECT_EQ(outcome, QueueResume::kOtherInstance);
    EXPECT_EQ(HeaderOf(FileBytes(path_)).crashCounter, 5) << "another instance's queue is not touched";
    LFile second;
    EXPECT_FALSE(other.TryLockWorker(second)) << "one worker per user";
}

TEST_F(QueueFileTest, DestinationSearchIgnoresCase)
{
    bool queued = true;
    ASSERT_EQ(queue_.IsDestinationQueued("/out/Take 01.wav", &queued), QueueStatus::kOk);
    EXPECT_FALSE(queued);
    ASSERT_EQ(queue_.Append(MakeRecord("/rec/a.wav", "/out", ".wav", "/out/Take 01.wav")), QueueStatus::kOk);
    ASSERT_EQ(queue_.IsDestinationQueued("/OUT/take 01.WAV", &queued), QueueStatus::kOk);
    EXPECT_TRUE(queued);
    ASSERT_EQ(queue_.IsDestinationQueued("/out/Take 02.wav", &queued), QueueStatus::kOk);
    EXPECT_FALSE(queued);
}

// Two processes append 100 jobs each at the same time; Python's struct
// module and our reader must agree on every field of all 200 records.
TEST_F(QueueFileTest, TwoProcessesAppendingAtOnceAgreeWithAPythonReader)
{
    QUORIN_REQUIRE_TOOL("/usr/bin/python3");
    constexpr int kPerProcess = 100;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            char byte;
            close(go[1]);
            if (read(go[0], &byte, 1) != 0)
                _exit(3);
            ProcessQueueFile queue(path_.c_str());
            for (int i = 0; i < kPerProcess; ++i) {
                ProcessQueueRecord r;
                const std::string tag = "p" + std::to_string(c) + "-" + std::to_string(i);
                SetQueueText(r.sourcePath, ("/rec/" + tag + ".wav").c_str());
                SetQueueText(r.outputFolder, ("/out/" + tag).c_str());
                SetQueueText(r.outputExtension, i % 2 ? ".mp3" : ".wav");
                SetQueueText(r.destinationPath, i % 3 ? ("/dest/" + tag).c_str() : "");
                SetQueueText(r.durationText, ("0:00:" + std::to_string(i % 60)).c_str());
                SetQueueText(r.copyFolder, i % 4 ? "" : "/copies");
                r.restore = i % 2;
                r.notify = (i / 2) % 2;
                r.deleteSource = (i / 4) % 2;
                r.makeCopy = i % 4 == 0;
                r.temporaryOutput = i % 5 == 0;
                if (queue.Append(r) != QueueStatus::kOk)
                    _exit(4);
            }
            _exit(0);
        }
    }
    close(go[0]);
    close(go[1]); // both start now
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    std::vector<ProcessQueueRecord> records;
    std::vector<bool> whole;
    ASSERT_EQ(queue_.ReadAll(&records, &whole), QueueStatus::kOk);
    ASSERT_EQ(records.size(), 2u * kPerProcess);
    EXPECT_EQ(FileBytes(path_).size(), 8u + 200u * 1825u);

    const std::string script = dir_.Path("read.py");
    WriteFileBytes(script, R"(import struct, sys
data = open(sys.argv[1], 'rb').read()
version, counter, size = struct.unpack_from('<HHI', data, 0)
print(version, counter, size)
def text(raw):
    return raw.split(b'\0', 1)[0].decode('utf-8')
for offset in range(8, len(data) - size + 1, size):
    fields = struct.unpack_from('<260s260s260s260s260s260s260sBBBBB', data, offset)
    texts = [text(fields[i]) for i in (0, 1, 2, 3, 5, 6)]
    print('\t'.join(texts + [str(b) for b in fields[7:]]))
)");
    int status = 0;
    const std::string out = CaptureCommand("/usr/bin/python3 " + Quote(script) + " " + Quote(path_), &status);
    ASSERT_EQ(status, 0);
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "1 0 1825");
    int next[2] = {0, 0};
    for (size_t i = 0; i < records.size(); ++i) {
        ASSERT_TRUE(std::getline(lines, line)) << "python read fewer records";
        const ProcessQueueRecord& r = records[i];
        EXPECT_TRUE(whole[i]);
        std::ostringstream ours;
        ours << r.sourcePath << '\t' << r.outputFolder << '\t' << r.outputExtension << '\t'
             << r.destinationPath << '\t' << r.durationText << '\t' << r.copyFolder << '\t' << int(r.restore)
             << '\t' << int(r.notify) << '\t' << int(r.deleteSource) << '\t' << int(r.makeCopy) << '\t'
             << int(r.temporaryOutput);
        EXPECT_EQ(line, ours.str()) << "record " << i;
        // Each process's records are whole and in its own order.
        const std::string source = r.sourcePath;
        ASSERT_EQ(source.rfind("/rec/p", 0), 0u) << source;
        const int c = source[6] - '0';
        ASSERT_TRUE(c == 0 || c == 1);
        EXPECT_EQ(source, "/rec/p" + std::to_string(c) + "-" + std::to_string(next[c]) + ".wav");
        ++next[c];
    }
    EXPECT_FALSE(std::getline(lines, line)) << "python read more records";
    EXPECT_EQ(next[0], kPerProcess);
    EXPECT_EQ(next[1], kPerProcess);
}
