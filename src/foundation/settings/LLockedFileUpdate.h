#pragma once
// Read-modify-write of a small file shared between processes: the file is
// locked exclusively, read, and replaced whole by a temporary file renamed
// over it. A reader sees the old contents or the new ones, never a mix, and a
// writer killed at any moment leaves the old file as it was.

#include "foundation/text/LStringLong.h"

#include <cstddef>
#include <cstdint>

class LLockedFileUpdate
{
public:
    LLockedFileUpdate() = default;
    ~LLockedFileUpdate();
    LLockedFileUpdate(const LLockedFileUpdate&) = delete;
    LLockedFileUpdate& operator=(const LLockedFileUpdate&) = delete;

    // Opens the file now at `path` (an empty one is made when it is missing)
    // and locks it, waiting up to `waitMs`. The lock sits on the file itself;
    // since each update renames a new file into place, a writer that locked
    // a file that has meanwhile been replaced lets go and locks the new one.
    // False when the file cannot be opened; `locked` tells whether the lock
    // was had in time (the update goes on without it, as the other shared
    // files of the program do).
    bool Begin(const char* path, uint32_t waitMs);

    // The file's contents when Begin ran. False on a read error, and with
    // errno EFBIG when the file holds more than `maxBytes` (then nothing past
    // the bound was read).
    bool Read(LStringLongTemplate<char>* out, uint64_t maxBytes = UINT64_MAX);

    // Writes the bytes to a new file beside the path, flushes it, and renames
    // it over the path. False (old file untouched) on any failure.
    bool Replace(const void* bytes, std::size_t length);

    void End();

    bool locked = false;

private:
    int fd_ = -1;
    char path_[4096] = {};
};
