#include "tags/LTagFileReplace.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

const char* LTagFileErrorText(LTagFileError error)
{
    switch (error) {
    case LTagFileError::kNone:
        return "no error";
    case LTagFileError::kUnsupportedExtension:
        return "tags of this file type cannot be written";
    case LTagFileError::kCannotOpen:
        return "the file cannot be opened";
    case LTagFileError::kBusy:
        return "the file is in use by another program";
    case LTagFileError::kNotWave:
        return "the file is not a WAV file";
    case LTagFileError::kTooLarge:
        return "the file is 4 GiB or larger";
    case LTagFileError::kCannotCreateCopy:
        return "no new file can be made in its folder (no write permission?)";
    case LTagFileError::kWriteFailed:
        return "the tagged copy could not be written (disk full?)";
    case LTagFileError::kReplaceFailed:
        return "the tagged copy could not replace the file";
    case LTagFileError::kNothingToWrite:
        return "there are no tags to write";
    case LTagFileError::kReadOnly:
        return "the file is read-only";
    case LTagFileError::kDamagedLayout:
        return "the file's chunk layout is damaged, so its tags are not rewritten";
    case LTagFileError::kHardLinked:
        return "the file has other names (hard links)";
    }
    return "unknown error";
}

LTagFileReplace::~LTagFileReplace()
{
    Abandon();
    if (source_ >= 0)
        close(source_);
}

LTagFileError LTagFileReplace::Open(const char* path, uint32_t lockWaitMs)
{
    if (!path || !*path)
        return LTagFileError::kCannotOpen;
    char target[PATH_MAX];
    if (!LResolveReplaceTarget(path, target, sizeof target))
        return LTagFileError::kCannotOpen;
    target_ = target;
    // Never O_CREAT: a tag write must not make a file that was not there.
    source_ = open(target, O_RDONLY | O_CLOEXEC);
    if (source_ < 0)
        return LTagFileError::kCannotOpen;
    struct stat info;
    if (fstat(source_, &info) != 0 || !S_ISREG(info.st_mode))
        return LTagFileError::kCannotOpen;
    // The copy would be renamed over a file its owner marked read-only.
    if (access(target, W_OK) != 0 && (errno == EACCES || errno == EROFS))
        return LTagFileError::kReadOnly;
    // The rename gives only this name the new file: the others would keep the
    // old one, so the file would be split without anyone noticing.
    if (info.st_nlink > 1)
        return LTagFileError::kHardLinked;
    if (!LFileLockWait(source_, LOCK_EX | LOCK_NB, lockWaitMs))
        return LTagFileError::kBusy;
    sourceSize_ = info.st_size;
    mode_ = info.st_mode & 07777;
    uid_ = info.st_uid;
    gid_ = info.st_gid;
    return LTagFileError::kNone;
}

int LTagFileReplace::Begin()
{
    if (source_ < 0 || temp_ >= 0)
        return -1;
    // Copies of rewrites that were killed or hit a size limit before they
    // could remove their copy would otherwise pile up beside the file.
    LRemoveStaleFilesBeside(target_.c_str());
    char temporary[PATH_MAX];
    temp_ = LCreateFileBeside(target_.c_str(), temporary, sizeof temporary, 0600);
    if (temp_ < 0)
        return -1;
    tempPath_ = temporary;
    // The owner can only be given back by a privileged process; the mode always.
    if (fchown(temp_, uid_, gid_) != 0) {
        // not ours to change: the copy stays the current user's
    }
    if (fchmod(temp_, mode_) != 0) {
        Abandon();
        return -1;
    }
    return temp_;
}

bool LTagFileReplace::CopyFromSource(int64_t offset, int64_t length)
{
    if (temp_ < 0 || offset < 0 || length < 0 || lseek(source_, offset, SEEK_SET) != offset)
        return false;
    uint64_t copied = 0;
    return LCopyFileData(source_, temp_, static_cast<uint64_t>(length), &copied) &&
           copied == static_cast<uint64_t>(length);
}

bool LTagFileReplace::WriteTemp(const void* bytes, size_t length)
{
    return temp_ >= 0 && LWriteFully(temp_, bytes, length);
}

LTagFileError LTagFileReplace::Commit()
{
    if (temp_ < 0)
        return LTagFileError::kWriteFailed;
    const bool flushed = fdatasync(temp_) == 0;
    const bool closed = close(temp_) == 0;
    temp_ = -1;
    if (!flushed || !closed) {
        Abandon();
        return LTagFileError::kWriteFailed;
    }
    if (rename(tempPath_.c_str(), target_.c_str()) != 0) {
        Abandon();
        return LTagFileError::kReplaceFailed;
    }
    tempPath_.clear();
    // The new name must survive a power cut as well as the data.
    char folder[PATH_MAX];
    snprintf(folder, sizeof folder, "%s", target_.c_str());
    char* slash = strrchr(folder, '/');
    if (slash) {
        *(slash == folder ? slash + 1 : slash) = '\0';
    } else {
        folder[0] = '.';
        folder[1] = '\0';
    }
    const int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return LTagFileError::kNone;
}

void LTagFileReplace::Abandon()
{
    if (temp_ >= 0) {
        close(temp_);
        temp_ = -1;
    }
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}
