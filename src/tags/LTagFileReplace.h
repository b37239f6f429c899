#pragma once
// A tag rewrite that never endangers the audio: the new file is made beside
// the original (same folder, so the rename cannot cross file systems),
// written in full, flushed, given the original's mode and renamed over it.
// Until the rename the original is untouched; any failure removes the copy
// and leaves the original byte for byte. The original is never created when
// missing, and is held under an exclusive lock for the whole rewrite so that
// a recording or another rewrite is never overtaken.

#include "tags/LTagFileError.h"

#include <cstdint>
#include <string>

class LTagFileReplace
{
public:
    LTagFileReplace() = default;
    ~LTagFileReplace();
    LTagFileReplace(const LTagFileReplace&) = delete;
    LTagFileReplace& operator=(const LTagFileReplace&) = delete;

    // Opens the existing regular file read-only under an exclusive lock
    // (waited for up to lockWaitMs). A symbolic link is followed, so the link stays a link.
    LTagFileError Open(const char* path, uint32_t lockWaitMs = 1000);
    int Source() const { return source_; }
    int64_t SourceSize() const { return sourceSize_; }

    // Creates the new file beside the original, with its mode (and owner
    // where allowed); its descriptor, or -1.
    int Begin();
    int Temp() const { return temp_; }
    const char* TempPath() const { return tempPath_.c_str(); }
    // Appends length bytes of the original from offset to the new file.
    bool CopyFromSource(int64_t offset, int64_t length);
    bool WriteTemp(const void* bytes, size_t length);

    // Flushes the new file and renames it over the original.
    LTagFileError Commit();
    // Removes the new file (also done by the destructor when not committed).
    void Abandon();

private:
    std::string target_;
    std::string tempPath_;
    int source_ = -1;
    int temp_ = -1;
    int64_t sourceSize_ = 0;
    unsigned mode_ = 0;
    unsigned uid_ = 0;
    unsigned gid_ = 0;
};
