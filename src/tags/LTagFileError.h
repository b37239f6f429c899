#pragma once
// Why a tag write failed, for callers that word a message (the tag entry
// points themselves answer only success or failure).

enum class LTagFileError {
    kNone = 0,
    kUnsupportedExtension, // not a file type whose tags this layer writes
    kCannotOpen,           // missing, unreadable or not a regular file
    kBusy,                 // another program holds the file (a recording, another rewrite)
    kNotWave,              // the file holds no RIFF/WAVE form
    kTooLarge,             // 4 GiB or more: RIFF sizes cannot describe the result
    kCannotCreateCopy,     // no new file can be made beside it (a folder without write permission)
    kWriteFailed,          // the new file could not be written in full (disk full, size limit)
    kReplaceFailed,        // the new file could not take the original's place
    kNothingToWrite,       // the record holds no keys at all
    kReadOnly,             // the file itself may not be written (its mode or the file system)
    kDamagedLayout,        // the chunk sizes do not add up: rewriting could move audio bytes
    kHardLinked,           // the file has other names the rewrite would have to keep
};

// A short English description for messages and the developer tool.
const char* LTagFileErrorText(LTagFileError error);
