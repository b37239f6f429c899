#pragma once
// The job queue file and the one protocol every process follows with it.
//
// Every access first locks a lock file beside the queue ("<queue>.lock"):
// shared to read, exclusive to change. The lock never sits on the queue file
// itself, because a removal replaces the queue file by renaming a new one
// over it, and a lock on a replaced file would guard nothing. Locks are
// waited for within a bound; an access that does not get its lock in time
// fails with kQueueBusy and changes nothing.
//
// Appends write one whole record at the end and flush it. A removal writes
// the remaining records to "<queue>.new", flushes it and renames it over the
// queue, so a crash at any moment leaves the old queue or the new one. A
// record cut short at the end (a writer that died mid-write) is never read
// as a job; the next append drops it before writing its own.
//
// The worker that runs the jobs holds "<queue>.run" for as long as it runs,
// so that two processes never run the same job.

#include "app/queue/ProcessQueueRecord.h"
#include "foundation/files/LFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class QueueStatus {
    kOk,
    kEmpty,  // no queue file, or no whole record in it
    kBusy,   // the lock was not had within its wait
    kFailed, // the file could not be opened, read or written
};

// A short English description of a status, for messages and logs.
const char* QueueStatusText(QueueStatus status);

// What a start-up did with a queue left behind.
enum class QueueResume {
    kNothing,          // no queue file
    kResumed,          // the crash counter went up by one; the jobs are to be run
    kRecoveredDamaged, // the header was short or foreign: the file was kept aside
                       // and its whole records make up the queue to be run
    kDiscardedCrashes, // the counter was above the limit: the file was deleted
    kOtherInstance,    // another process runs the queue: left alone
};

// The first job of the queue as read by ReadFront.
struct QueueFront
{
    ProcessQueueRecord record;
    uint8_t bytes[kQueueRecordSize] = {};
    bool wellFormed = false;
    std::size_t recordCount = 0; // whole records in the queue, this one included
};

class ProcessQueueFile
{
public:
    static constexpr uint32_t kLockWaitMs = 5000;
    static constexpr uint32_t kSearchLockWaitMs = 500;

    explicit ProcessQueueFile(const char* path);

    const char* Path() const { return path_.c_str(); }
    const std::string& LockPath() const { return lockPath_; }
    const std::string& WorkerLockPath() const { return workerLockPath_; }
    // The wait for the lock file, for tests that hold it on purpose.
    void SetLockWait(uint32_t ms) { lockWaitMs_ = ms; }

    // Appends the record (a new or emptied file gets a fresh header first; a
    // file whose header is short or not ours is recovered first, as at
    // start-up). The record is on the disk when this returns kOk.
    QueueStatus Append(const ProcessQueueRecord& record);
    // The same waiting at most lockWaitMs for the lock (a window that must
    // not hang on a queue another process holds).
    QueueStatus Append(const ProcessQueueRecord& record, uint32_t lockWaitMs);

    // kOk with the first whole record, kEmpty when there is none.
    QueueStatus ReadFront(QueueFront* front);
    // Up to maxCount whole records from the one at index `first` (0 is the
    // front) on; kEmpty when there is none there.
    QueueStatus ReadRecords(std::size_t first, std::size_t maxCount, std::vector<QueueFront>* records);

    // Removes the first `count` records when their bytes are `expected`
    // (count records back to back, so a record is never removed for
    // another), rewriting the header with crash counter 0. Removing the last
    // record leaves a file of 0 bytes. Every removal rewrites the rest of the
    // queue: jobs that end at once are removed together.
    QueueStatus RemoveFront(const uint8_t* expected, std::size_t count = 1);

    // Every whole record, oldest first; wellFormed (optional) tells which
    // ones decoded whole.
    QueueStatus ReadAll(std::vector<ProcessQueueRecord>* records, std::vector<bool>* wellFormed = nullptr);

    // Whether a queued record has this destination (names compared without
    // regard to case, so that a name is never handed out twice on a volume
    // that ignores case). Waits at most 500 ms for the lock.
    QueueStatus IsDestinationQueued(const char* destination, bool* queued);

    // The start-up step: a queue whose crash counter is at most failCount is
    // resumed (its counter goes up by one and *records receives its record
    // count); one above the limit is deleted (the recordings it names are
    // not touched); one whose header is damaged is recovered and resumed;
    // one that another process is running is left alone.
    QueueStatus ResumeAtStartup(int failCount, QueueResume* outcome, std::size_t* records);

    // Sets the crash counter back to 0 (a job that was stopped on request
    // did not crash anything).
    QueueStatus ResetCrashCounter();

    // Deletes the queue file.
    QueueStatus Delete();

    // Takes the worker lock without waiting; false when another worker holds it.
    bool TryLockWorker(LFile& holder);

private:
    // The whole file under a lock already held; false on a read error.
    bool ReadWhole(std::vector<uint8_t>* bytes, bool* exists);
    // Replaces the queue by `bytes` through "<queue>.new".
    bool ReplaceWith(const std::vector<uint8_t>& bytes);
    // Under the exclusive lock, for a file whose header is short or not ours
    // (`bytes` its contents): the file is kept as "<queue>.damaged" (or the
    // next free name) and the queue becomes the records in it that read whole,
    // so that no job is lost with the header. False when the damaged file
    // could not be kept; the queue is then left as it is.
    bool RecoverDamaged(const std::vector<uint8_t>& bytes, std::size_t* recovered);

    std::string path_;
    std::string lockPath_;
    std::string newPath_;
    std::string workerLockPath_;
    uint32_t lockWaitMs_ = kLockWaitMs;
};

// Holds a flock on a lock file for its lifetime.
class QueueLockHolder
{
public:
    // Opens (creating) the lock file and takes `operation` (LOCK_SH or
    // LOCK_EX) within waitMs. IsHeld tells whether it was had.
    QueueLockHolder(const std::string& path, int operation, uint32_t waitMs);
    bool IsHeld() const { return held_; }

private:
    LFile file_;
    bool held_ = false;
};
