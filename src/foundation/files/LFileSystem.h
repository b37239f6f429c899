#pragma once
// Existence tests, the millisecond tick, advisory locks with back-off,
// whole-file reads and writes, the caches folder and temporary files.

#include "foundation/files/LFileExists.h"
#include "foundation/files/LPath.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

// Milliseconds of the wall clock, wrapping at 32 bits.
uint32_t LGetTickCount();

// Tries the flock `operation` (LOCK_SH|LOCK_NB or LOCK_EX|LOCK_NB) until it is
// granted or about `timeoutMs` have passed, sleeping timeoutMs/32 + 1 ms after
// the first refusal and twice as long after each further one. True when the
// lock was taken; callers that must go on either way may ignore the result.
bool LFileLockWait(int fd, int operation, uint32_t timeoutMs);

// Reads `length` bytes from the start of the file under a shared lock. True
// only when all of them came.
bool LReadFileExact(const char* path, void* buffer, std::size_t length, uint32_t lockWaitMs);

// Replaces the file's contents with `length` bytes: they are written to a new
// file beside it, flushed, and renamed over the path, so a reader sees the old
// contents or the new ones, never a mix, and a failure leaves the old file as
// it was. An existing file keeps its permissions; writers queue on an
// exclusive lock of the existing file.
bool LWriteFileExact(const char* path, const void* buffer, std::size_t length, uint32_t lockWaitMs);

// The file that a replace-by-rename of `path` must replace: the path itself,
// or for a symbolic link the file it points at, so that the link stays.
bool LResolveReplaceTarget(const char* path, char* target, std::size_t targetSize);

// Creates a new empty file in the folder of `path`, for contents that will be
// renamed over `path`; its path goes to tempPath. The descriptor (read-write,
// close-on-exec, holding a record lock that marks it as being written until
// it is closed: keep it open until the file is renamed; flock of the file
// stays free for the writer), or -1.
int LCreateFileBeside(const char* path, char* tempPath, std::size_t tempSize, mode_t mode);

// Removes the files that LCreateFileBeside made in the folder of `path` for
// processes that no longer run (a writer killed before it could rename or
// remove its file): named for a process that does not exist here and locked
// by no one, so a live writer this process cannot see keeps its file. Only
// this user's regular files are touched. Returns how many went.
int LRemoveStaleFilesBeside(const char* path);

// True when both paths name the same file (device and inode), links followed.
bool LIsSameFile(const char* a, const char* b);

// The process's file-creation mask, read without changing it.
mode_t LCurrentUmask();

// The user's caches folder for this program ($XDG_CACHE_HOME/Quorin), created
// when missing. False (dest empty) when it cannot be named or made.
bool LGetCachesFolder(char* dest);

// A temporary file in the caches folder, named from the template "0XXXXXX".
// Closed (not removed) when the record goes away.
struct LTempFile
{
    char path[kLPathSize] = {};
    int fd = -1;

    LTempFile() = default;
    ~LTempFile();
    LTempFile(const LTempFile&) = delete;
    LTempFile& operator=(const LTempFile&) = delete;

    // Creates a new private file (mode 0600) whose name ends in `suffix`, open
    // for reading and writing. False when it could not be made.
    bool Create(const char* suffix);

    // Closes the descriptor when open, then unlinks the path; unlink's result.
    int Remove();
};
