#include "foundation/files/LCopyFileWithProgress.h"

#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t kPieceSize = 32768;
constexpr uint32_t kLockWaitMs = 1000;
constexpr std::size_t kShortNameSize = 50;

enum : int { kCopied = 0, kStopped = 1, kFailed = 2 };

// The request arrives from another process: a field without its NUL is damage.
bool Terminated(const char* field)
{
    return std::memchr(field, '\0', kLPathSize) != nullptr;
}

// Descriptors of one copy, closed (and the unfinished copy removed) at the end.
struct CopyFiles
{
    int source = -1;
    int existing = -1;
    int copy = -1;
    char copyPath[PATH_MAX] = {};

    ~CopyFiles()
    {
        if (copy >= 0) {
            close(copy);
            unlink(copyPath);
        }
        if (existing >= 0)
            close(existing);
        if (source >= 0)
            close(source);
    }
};

int CopyPieces(LProcessContext* context, CopyFiles& files, uint64_t size)
{
    uint64_t done = 0;
    double reported = 0.0;
    while (done < size) {
        if (context->IsStopRequested())
            return kStopped;
        const uint64_t piece = std::min(size - done, kPieceSize);
        uint64_t copied = 0;
        if (!LCopyFileData(files.source, files.copy, piece, &copied) || copied != piece)
            return kFailed;
        done += piece;
        const double fraction = static_cast<double>(done) / static_cast<double>(size);
        if (fraction - reported >= 0.01) {
            context->Progress(fraction);
            reported = fraction;
        }
    }
    return kCopied;
}

} // namespace

int LCopyFileWithProgress(LProcessContext* context, const LCopyFileRequest& request)
{
    if (!Terminated(request.source) || !Terminated(request.destination))
        return kFailed;
    const char* destination = request.destination;

    char name[kLPathSize];
    char shortName[kShortNameSize];
    LPathGetFileName(name, destination);
    LStrEllipsizeMiddle(shortName, name, sizeof shortName);
    context->MessageLevel("Copy File", 0);
    context->MessageLevel(shortName, 1);
    context->Progress(0.0);

    char folder[kLPathSize];
    if (LPathGetFolder(folder, destination) == 0)
        std::strcpy(folder, ".");
    struct stat folderInfo;
    if (!destination[0] || stat(folder, &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        return kFailed;
    char target[PATH_MAX];
    if (!LResolveReplaceTarget(destination, target, sizeof target))
        return kFailed;

    CopyFiles files;
    // Non-blocking so that a FIFO cannot hang the helper; only files are copied.
    files.source = open(request.source, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (files.source < 0)
        return kFailed;
    LFileLockWait(files.source, LOCK_SH | LOCK_NB, kLockWaitMs);
    struct stat sourceInfo;
    if (fstat(files.source, &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode))
        return kFailed;
    fcntl(files.source, F_SETFL, fcntl(files.source, F_GETFL) & ~O_NONBLOCK);

    struct stat existingInfo;
    const bool exists = stat(target, &existingInfo) == 0;
    // The same file under either name: replacing it would copy nothing.
    if (exists && existingInfo.st_dev == sourceInfo.st_dev && existingInfo.st_ino == sourceInfo.st_ino)
        return kFailed;
    const bool keepMode = exists && S_ISREG(existingInfo.st_mode);
    files.existing = open(target, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (files.existing >= 0)
        LFileLockWait(files.existing, LOCK_EX | LOCK_NB, kLockWaitMs);

    files.copy = LCreateFileBeside(target, files.copyPath, sizeof files.copyPath, 0666);
    if (files.copy < 0)
        return kFailed;
    if (keepMode)
        fchmod(files.copy, existingInfo.st_mode & 07777);

    const int result = CopyPieces(context, files, static_cast<uint64_t>(sourceInfo.st_size));
    if (result != kCopied)
        return result;

    // The copy keeps its own access time and takes the source's modification time.
    const timespec times[2] = {{0, UTIME_OMIT}, sourceInfo.st_mtim};
    futimens(files.copy, times);
    const int copy = files.copy;
    files.copy = -1;
    if (close(copy) != 0 || rename(files.copyPath, target) != 0) {
        unlink(files.copyPath);
        return kFailed;
    }
    context->Progress(1.0);
    return kCopied;
}
