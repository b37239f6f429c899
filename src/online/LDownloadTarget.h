#pragma once
// The file a download replaces, while the download runs. Nothing appears
// under the destination's name before the whole body is there: the body
// goes to a temporary file beside it (LCreateFileBeside, locked while it is
// written) that is renamed over the destination at the end, and one that a
// killed download left is removed by the next download into that folder.
//
// A destination that is a symbolic link is written through: the file it
// names is replaced and the link stays (a link that names nothing is
// refused). A replaced file keeps its permissions; a new one gets 0644 less
// the umask.
//
// Two downloads of one file exclude each other through a lock file beside
// it, not through the destination itself: the final rename puts a new file
// under the destination's name, and a lock on the old one would no longer
// keep a second download out. The lock file goes when the download ends.

#include <cstddef>
#include <string>

class LDownloadTarget
{
public:
    // How long Open waits for another download of the same file to end.
    static constexpr unsigned kLockWaitMs = 200;

    explicit LDownloadTarget(const char* destination);
    ~LDownloadTarget();
    LDownloadTarget(const LDownloadTarget&) = delete;
    LDownloadTarget& operator=(const LDownloadTarget&) = delete;

    // Takes the lock and makes the temporary file; false with Error() set.
    bool Open();
    bool Write(const void* data, size_t count);
    // Flushes the temporary file and renames it over the destination.
    bool Commit();
    // Removes the temporary file and lets the lock go; the destination is
    // left as it was.
    void Abandon();

    const char* Error() const { return error_.c_str(); }
    // The file that is replaced (the destination, or the file its link names).
    const char* Target() const { return target_.c_str(); }
    // The lock file's path for a destination (after links are followed).
    static std::string LockPathFor(const std::string& target);

private:
    bool Fail(const std::string& reason);
    bool TakeLock();
    void ReleaseLock();

    std::string destination_;
    std::string target_;
    std::string lockPath_;
    std::string tempPath_;
    int lockFd_ = -1;
    int temp_ = -1;
    std::string error_;
};
