#include "app/queue/ProcessQueueFile.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LMoveAside.h"
#include "foundation/log/LLog.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

const char* QueueStatusText(QueueStatus status)
{
    switch (status) {
    case QueueStatus::kOk:
        return "done";
    case QueueStatus::kEmpty:
        return "the job queue is empty";
    case QueueStatus::kBusy:
        return "the job queue is locked by another process";
    case QueueStatus::kFailed:
        break;
    }
    return "the job queue file could not be read or written";
}

QueueLockHolder::QueueLockHolder(const std::string& path, int operation, uint32_t waitMs)
{
    if (file_.Open(path.c_str(), O_RDWR | O_CREAT))
        held_ = LFileLockWait(file_.fd, operation | LOCK_NB, waitMs);
}

ProcessQueueFile::ProcessQueueFile(const char* path)
    : path_(path ? path : ""), lockPath_(path_ + ".lock"), newPath_(path_ + ".new"),
      workerLockPath_(path_ + ".run")
{
}

namespace {

// Whole records in a file of `size` bytes whose header is valid.
std::size_t WholeRecords(std::size_t size)
{
    return size < kQueueHeaderSize ? 0 : (size - kQueueHeaderSize) / kQueueRecordSize;
}

bool HasValidHeader(const std::vector<uint8_t>& bytes)
{
    return bytes.size() >= kQueueHeaderSize && DecodeQueueHeader(bytes.data()).IsValid();
}

// Makes a rename in the folder survive a power cut.
void SyncFolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

bool ProcessQueueFile::ReadWhole(std::vector<uint8_t>* bytes, bool* exists)
{
    bytes->clear();
    *exists = false;
    LFile file;
    if (!file.Open(path_.c_str(), O_RDONLY))
        return errno == ENOENT;
    *exists = true;
    const int64_t size = LDescriptorSize(file.fd);
    if (size < 0)
        return false;
    bytes->resize(static_cast<std::size_t>(size));
    const std::size_t got = LReadFully(file.fd, bytes->data(), bytes->size());
    // A file that grew meanwhile cannot: writers hold the lock we hold.
    bytes->resize(got);
    return true;
}

bool ProcessQueueFile::ReplaceWith(const std::vector<uint8_t>& bytes)
{
    LFile file;
    if (!file.Open(newPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC))
        return false;
    bool ok = bytes.empty() || LWriteFully(file.fd, bytes.data(), bytes.size());
    ok = ok && fdatasync(file.fd) == 0;
    file.Close();
    ok = ok && rename(newPath_.c_str(), path_.c_str()) == 0;
    if (!ok) {
        unlink(newPath_.c_str());
        return false;
    }
    SyncFolderOf(path_);
    return true;
}

bool ProcessQueueFile::RecoverDamaged(const std::vector<uint8_t>& bytes, std::size_t* recovered)
{
    *recovered = 0;
    // The records are where a whole header would have put them; one whose
    // texts do not all end within their fields, or that names no recording,
    // is not a job.
    std::vector<uint8_t> mended(kQueueHeaderSize);
    EncodeQueueHeader(ProcessQueueHeader(), mended.data());
    const std::size_t count = WholeRecords(bytes.size());
    std::size_t unreadable = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* in = bytes.data() + kQueueHeaderSize + i * kQueueRecordSize;
        ProcessQueueRecord record;
        if (DecodeQueueRecord(in, record) && record.sourcePath[0] != '\0') {
            mended.insert(mended.end(), in, in + kQueueRecordSize);
            ++*recovered;
        } else {
            ++unreadable;
        }
    }
    char aside[PATH_MAX];
    if (!LLinkDamagedFileAside(path_.c_str(), aside, sizeof aside)) {
        LLogErrorF("The job queue %s has a damaged header and could not be kept aside (%s); it was left "
                   "as it is",
                   path_.c_str(), std::strerror(errno));
        *recovered = 0;
        return false;
    }
    const bool replaced =
        *recovered > 0 ? ReplaceWith(mended) : unlink(path_.c_str()) == 0 || errno == ENOENT;
    if (!replaced) {
        LLogErrorF("The job queue %s has a damaged header; it was kept as %s but could not be mended (%s)",
                   path_.c_str(), aside, std::strerror(errno));
        *recovered = 0;
        return false;
    }
    LLogWarningF("The job queue %s had a damaged header: %zu whole jobs were recovered from it, %zu "
                 "records could not be read, and the damaged file was kept as %s",
                 path_.c_str(), *recovered, unreadable, aside);
    return true;
}

QueueStatus ProcessQueueFile::Append(const ProcessQueueRecord& record)
{
    return Append(record, lockWaitMs_);
}

QueueStatus ProcessQueueFile::Append(const ProcessQueueRecord& record, uint32_t lockWaitMs)
{
    QueueLockHolder lock(lockPath_, LOCK_EX, std::min(lockWaitMs, lockWaitMs_));
    if (!lock.IsHeld())
        return QueueStatus::kBusy;
    LFile file;
    if (!file.Open(path_.c_str(), O_RDWR | O_CREAT))
        return QueueStatus::kFailed;
    int64_t size = LDescriptorSize(file.fd);
    if (size < 0)
        return QueueStatus::kFailed;
    uint8_t header[kQueueHeaderSize] = {};
    bool headerRead = size >= static_cast<int64_t>(kQueueHeaderSize) &&
                      LPreadFully(file.fd, header, sizeof header, 0) == sizeof header;
    if (size > 0 && (!headerRead || !DecodeQueueHeader(header).IsValid())) {
        // The jobs behind a damaged header are still the user's: keep them.
        file.Close();
        std::vector<uint8_t> bytes;
        bool exists = false;
        std::size_t recovered = 0;
        if (!ReadWhole(&bytes, &exists) || !RecoverDamaged(bytes, &recovered))
            return QueueStatus::kFailed;
        if (!file.Open(path_.c_str(), O_RDWR | O_CREAT))
            return QueueStatus::kFailed;
        size = LDescriptorSize(file.fd);
        if (size < 0)
            return QueueStatus::kFailed;
        headerRead = size >= static_cast<int64_t>(kQueueHeaderSize) &&
                     LPreadFully(file.fd, header, sizeof header, 0) == sizeof header;
    }
    int64_t end = size;
    if (!headerRead || !DecodeQueueHeader(header).IsValid()) {
        EncodeQueueHeader(ProcessQueueHeader(), header);
        if (ftruncate(file.fd, 0) != 0 || !LPwriteFully(file.fd, header, sizeof header, 0))
            return QueueStatus::kFailed;
        end = kQueueHeaderSize;
    } else {
        // A record cut short by a writer that died is dropped, or every
        // record after it would be read out of step.
        end = static_cast<int64_t>(kQueueHeaderSize + WholeRecords(size) * kQueueRecordSize);
        if (end != size && ftruncate(file.fd, end) != 0)
            return QueueStatus::kFailed;
    }
    uint8_t bytes[kQueueRecordSize];
    EncodeQueueRecord(record, bytes);
    if (!LPwriteFully(file.fd, bytes, sizeof bytes, end) || fdatasync(file.fd) != 0) {
        // Leave no part of this record behind.
        if (ftruncate(file.fd, end) != 0)
            LLogWarningF("A failed append left a partial record in the job queue %s", path_.c_str());
        return QueueStatus::kFailed;
    }
    // A queue file made just now must itself survive a power cut.
    if (size == 0)
        SyncFolderOf(path_);
    return QueueStatus::kOk;
}

QueueStatus ProcessQueueFile::ReadFront(QueueFront* front)
{
    QueueLockHolder lock(lockPath_, LOCK_SH, lockWaitMs_);
    if (!lock.IsHeld())
        return QueueStatus::kBusy;
    LFile file;
    if (!file.Open(path_.c_str(), O_RDONLY))
        return errno == ENOENT ? QueueStatus::kEmpty : QueueStatus::kFailed;
    const int64_t size = LDescriptorSize(file.fd);
    uint8_t header[kQueueHeaderSize];
    if (size < 0)
        return QueueStatus::kFailed;
    const std::size_t count = WholeRecords(static_cast<std::size_t>(size));
    if (count == 0)
        return QueueStatus::kEmpty;
    if (LPreadFully(file.fd, header, sizeof header, 0) != sizeof header)
        return QueueStatus::kFailed;
    if (!DecodeQueueHeader(header).IsValid())
        return QueueStatus::kEmpty;
    if (LPreadFully(file.fd, front->bytes, kQueueRecordSize, kQueueHeaderSize) != kQueueRecordSize)
        return QueueStatus::kFailed;
    front->wellFormed = DecodeQueueRecord(front->bytes, front->record);
    front->recordCount = count;
    return QueueStatus::kOk;
}

QueueStatus ProcessQueueFile::ReadRecords(std::size_t first, std::size_t maxCount,
                                          std::vector<QueueFront>* records)
{
    records->clear();
    QueueLockHolder lock(lockPath_, LOCK_SH, lockWaitMs_);
    if (!lock.IsHeld())
        return QueueStatus::kBusy;
    LFile file;
    if (!file.Open(path_.c_str(), O_RDONLY))
        return errno == ENOENT ? QueueStatus::kEmpty : QueueStatus::kFailed;
    const int64_t size = LDescriptorSize(file.fd);
    if (size < 0)
        return QueueStatus::kFailed;
    const std::size_t count = WholeRecords(static_cast<std::size_t>(size));
    if (count <= first || maxCount == 0)
        return QueueStatus::kEmpty;
    uint8_t header[kQueueHeaderSize];
    if (LPreadFully(file.fd, header, sizeof header, 0) != sizeof header)
        return QueueStatus::kFailed;
    if (!DecodeQueueHeader(header).IsValid())
        return QueueStatus::kEmpty;
    const std::size_t wanted = std::min(count - first, maxCount);
    std::vector<uint8_t> bytes(wanted * kQueueRecordSize);
    if (LPreadFully(file.fd, bytes.data(), bytes.size(),
                    static_cast<int64_t>(kQueueHeaderSize + first * kQueueRecordSize)) != bytes.size())
        return QueueStatus::kFailed;
    records->resize(wanted);
    for (std::size_t i = 0; i < wanted; ++i) {
        QueueFront& record = (*records)[i];
        std::memcpy(record.bytes, bytes.data() + i * kQueueRecordSize, kQueueRecordSize);
        record.wellFormed = DecodeQueueRecord(record.bytes, record.record);
        record.recordCount = count;
    }
    return QueueStatus::kOk;
}

QueueStatus ProcessQueueFile::RemoveFront(const uint8_t* expected, std::size_t removed)
{
    QueueLockHolder lock(lockPath_, LOCK_EX, lockWaitMs_);
    if (!lock.IsHeld())
        return QueueStatus::kBusy;
    std::vector<uint8_t> bytes;
    bool exists = false;
    if (!ReadWhole(&bytes, &exists))
        return QueueStatus::kFailed;
    const std::size_t count = WholeRecords(bytes.size());
    if (!exists || count == 0 || !HasValidHeader(bytes))
        return QueueStatus::kEmpty;
    if (removed == 0)
        return QueueStatus::kOk;
    if (count < removed ||
        std::memcmp(bytes.data() + kQueueHeaderSize, expected, removed * kQueueRecordSize) != 0)
        return QueueStatus::kOk; // someone else's change; the front is not ours to remove
    std::vector<uint8_t> rest;
    if (count > removed) {
        rest.resize(kQueueHeaderSize + (count - removed) * kQueueRecordSize);
        EncodeQueueHeader(ProcessQueueHeader(), rest.data());
        std::memcpy(rest.data() + kQueueHeaderSize,
                    bytes.data() + kQueueHeaderSize + removed * kQueueRecordSize,
                    (count - removed) * kQueueRecordSize);
    }
    return ReplaceWith(rest) ? QueueStatus::kOk : QueueStatus::kFailed;
}

QueueStatus ProcessQueueFile::ReadAll(std::vector<ProcessQueueRecord>* records, std::vector<bool>* wellFormed)
{
    records->clear();
    if (wellFormed)
        wellFormed->clear();
    std::vector<uint8_t> bytes;
    bool exists = false;
    {
        QueueLockHolder lock(lockPath_, LOCK_SH, lockWaitMs_);
        if (!lock.IsHeld())
            return QueueStatus::kBusy;
        if (!ReadWhole(&bytes, &exists))
            return QueueStatus::kFailed;
    }
    const std::size_t count = WholeRecords(bytes.size());
    if (!exists || count == 0 || !HasValidHeader(bytes))
        return QueueStatus::kEmpty;
    records->resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const bool ok =
            DecodeQueueRecord(bytes.data() + kQueueHeaderSize + i * kQueueRecordSize, (*records)[i]);
        if (wellFormed)
            wellFormed->push_back(ok);
    }
    return QueueStatus::kOk;
}

QueueStatus ProcessQueueFile::IsDestinationQueued(const char* destination, bool* queued)
{
    *queued = false;
    const uint32_t saved = lockWaitMs_;
    lockWaitMs_ = kSearchLockWaitMs < saved ? kSearchLockWaitMs : saved;
    std::vector<ProcessQueueRecord> records;
    const QueueStatus status = ReadAll(&records);
    lockWaitMs_ = saved;
    if (status == QueueStatus::kEmpty)
        return QueueStatus::kOk;
    if (status != QueueStatus::kOk)
        return status;
    for (const ProcessQueueRecord& record : records) {
        if (record.destinationPath[0] != '\0' && strcasecmp(record.destinationPath, destination) == 0) {
            *queued = true;
            break;
        }
    }
    return QueueStatus::kOk;
}

QueueStatus ProcessQueueFile::ResumeAtStartup(int failCount, QueueResume* outcome, std::size_t* records)
{
    *outcome = QueueResume::kNothing;
    *records = 0;
    {
        // A queue that another process is running is that process's.
        LFile worker;
        if (!TryLockWorker(worker)) {
            *outcome = QueueResume::kOtherInstance;
            return QueueStatus::kOk;
        }
    }
    QueueLockHolder lock(lockPath_, LOCK_EX, lockWaitMs_);
    if (!lock.IsHeld())
        return QueueStatus::kBusy;
    std::vector<uint8_t> bytes;
    bool exists = false;
    if (!ReadWhole(&bytes, &exists))
        return QueueStatus::kFailed;
    if (!exists)
        return QueueStatus::kOk;
    // An emptied queue holds no header: nothing to resume.
    if (bytes.empty())
        return unlink(path_.c_str()) == 0 || errno == ENOENT ? QueueStatus::kOk : QueueStatus::kFailed;
    bool recovered = false;
    if (!HasValidHeader(bytes)) {
        std::size_t count = 0;
        if (!RecoverDamaged(bytes, &count))
            return QueueStatus::kFailed;
        recovered = true;
        if (count == 0) {
            *outcome = QueueResume::kRecoveredDamaged;
            return QueueStatus::kOk;
        }
        if (!ReadWhole(&bytes, &exists) || !HasValidHeader(bytes))
            return QueueStatus::kFailed;
    }
    ProcessQueueHeader header = DecodeQueueHeader(bytes.data());
    if (header.crashCounter > failCount) {
        *outcome = QueueResume::kDiscardedCrashes;
        LLogWarningF("The job queue was discarded after %d start-ups without a finished job",
                     static_cast<int>(header.crashCounter));
        return unlink(path_.c_str()) == 0 || errno == ENOENT ? QueueStatus::kOk : QueueStatus::kFailed;
    }
    header.crashCounter = static_cast<uint16_t>(header.crashCounter + 1);
    EncodeQueueHeader(header, bytes.data());
    // A torn last record goes with the rewrite.
    const std::size_t count = WholeRecords(bytes.size());
    bytes.resize(kQueueHeaderSize + count * kQueueRecordSize);
    if (!ReplaceWith(bytes))
        return QueueStatus::kFailed;
    *outcome = recovered ? QueueResume::kRecoveredDamaged : QueueResume::kResumed;
    *records = count;
    return QueueStatus::kOk;
}

QueueStatus ProcessQueueFile::ResetCrashCounter()
{
    QueueLockHolder lock(lockPath_, LOCK_EX, lockWaitMs_);
    if (!lock.IsHeld())
        return QueueStatus::kBusy;
    std::vector<uint8_t> bytes;
    bool exists = false;
    if (!ReadWhole(&bytes, &exists))
        return QueueStatus::kFailed;
    if (!exists || !HasValidHeader(bytes))
        return QueueStatus::kEmpty;
    ProcessQueueHeader header = DecodeQueueHeader(bytes.data());
    if (header.crashCounter == 0)
        return QueueStatus::kOk;
    header.crashCounter = 0;
    EncodeQueueHeader(header, bytes.data());
    bytes.resize(kQueueHeaderSize + WholeRecords(bytes.size()) * kQueueRecordSize);
    return ReplaceWith(bytes) ? QueueStatus::kOk : QueueStatus::kFailed;
}

QueueStatus ProcessQueueFile::Delete()
{
    QueueLockHolder lock(lockPath_, LOCK_EX, lockWaitMs_);
    if (!lock.IsHeld())
        return QueueStatus::kBusy;
    if (unlink(path_.c_str()) != 0 && errno != ENOENT)
        return QueueStatus::kFailed;
    return QueueStatus::kOk;
}

bool ProcessQueueFile::TryLockWorker(LFile& holder)
{
    if (!holder.Open(workerLockPath_.c_str(), O_RDWR | O_CREAT))
        return false;
    if (flock(holder.fd, LOCK_EX | LOCK_NB) != 0) {
        holder.Close();
        return false;
    }
    return true;
}
