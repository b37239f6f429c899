#pragma once
// The job queue file's layout: an 8-byte header and 1825-byte job records
// back to back, every integer little-endian and nothing padded. The file is
// shared by every process of the program and read by outside tools, so the
// bytes are written and read field by field, never as a memory image.

#include <cstddef>
#include <cstdint>

inline constexpr const char* kProcessQueueFileName = "grprocesses.list";
inline constexpr std::size_t kQueueHeaderSize = 8;
inline constexpr std::size_t kQueueRecordSize = 1825;
inline constexpr std::size_t kQueueTextSize = 260;
inline constexpr uint16_t kQueueVersion = 1;

// Offsets of the record's fields.
enum : std::size_t {
    kQueueSourceOffset = 0,
    kQueueOutputFolderOffset = 260,
    kQueueExtensionOffset = 520,
    kQueueDestinationOffset = 780,
    kQueueReservedOffset = 1040,
    kQueueDurationOffset = 1300,
    kQueueCopyFolderOffset = 1560,
    kQueueRestoreOffset = 1820,
    kQueueNotifyOffset = 1821,
    kQueueDeleteSourceOffset = 1822,
    kQueueMakeCopyOffset = 1823,
    kQueueTemporaryOffset = 1824,
};

struct ProcessQueueHeader
{
    uint16_t version = kQueueVersion;
    // Start-ups that resumed this queue since a job last finished.
    uint16_t crashCounter = 0;
    uint32_t recordSize = kQueueRecordSize;

    bool IsValid() const { return version == kQueueVersion && recordSize == kQueueRecordSize; }
};

void EncodeQueueHeader(const ProcessQueueHeader& header, uint8_t* out);
ProcessQueueHeader DecodeQueueHeader(const uint8_t* in);

// One job. Texts are UTF-8 paths and texts of at most 259 bytes.
struct ProcessQueueRecord
{
    char sourcePath[kQueueTextSize] = {};
    char outputFolder[kQueueTextSize] = {};
    char outputExtension[kQueueTextSize] = {}; // ".wav" or ".mp3", any case
    char destinationPath[kQueueTextSize] = {}; // empty: output folder + source title + extension
    char durationText[kQueueTextSize] = {};
    char copyFolder[kQueueTextSize] = {};
    uint8_t restore = 1;
    uint8_t notify = 1;
    uint8_t deleteSource = 1;
    uint8_t makeCopy = 0;
    uint8_t temporaryOutput = 0;

    // Back to the state of a fresh record: texts empty, restore, notify and
    // delete-source on, copy and temporary output off.
    void Reset();
};

// Copies text into a record field. A text that does not fit is refused (the
// field is emptied): a shortened path would name another file.
bool SetQueueText(char* field, const char* text);

// The record's bytes; the reserved field is zeros.
void EncodeQueueRecord(const ProcessQueueRecord& record, uint8_t* out);
// Reads a record's bytes into a fresh record. False when a text field has no
// terminating NUL within its 260 bytes (the field is then left empty), so a
// damaged record is never taken for a shorter path.
bool DecodeQueueRecord(const uint8_t* in, ProcessQueueRecord& record);

// The queue file of this user: "grprocesses.list" in the caches folder.
// False (dest empty) when the folder cannot be named or made.
bool GetProcessQueuePath(char* dest);
