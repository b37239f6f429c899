#pragma once
// Descriptor helpers shared by the audio file readers and writers: reads and
// writes that retry until the whole count moved (or the file ended), and the
// open step of the file sinks.

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

// Reads up to count bytes, retrying short reads and interruptions; returns
// the bytes read (fewer only at the end of the file or on an error).
size_t LReadFully(int fd, void* buffer, size_t count);
// Writes all count bytes, retrying short writes and interruptions; false
// when the file would not take them all (disk full, I/O error, no descriptor).
bool LWriteFully(int fd, const void* buffer, size_t count);
// The same at an absolute offset, leaving the descriptor's offset alone.
size_t LPreadFully(int fd, void* buffer, size_t count, int64_t offset);
bool LPwriteFully(int fd, const void* buffer, size_t count, int64_t offset);
// The file's size, or -1 when it cannot be measured.
int64_t LDescriptorSize(int fd);
// The descriptor's offset (0 when it cannot be told).
int64_t LDescriptorOffset(int fd);

// Hands out a file's fixed-size records (coded blocks) from reads of many
// records at a time: one read call per block would cost more than decoding
// the small blocks of the speech codings. The descriptor's offset runs ahead
// of the records handed out; after moving it, call Reset.
class LRecordReader
{
public:
    // The records read at a time fill about this many bytes.
    explicit LRecordReader(size_t bufferBytes = 64 * 1024) : capacity_(bufferBytes) {}

    // Forgets what was read ahead.
    void Reset() { at_ = end_ = 0; }
    // Up to bytes bytes of the next record, fewer only at the end of the
    // file; data points at them until the next call.
    size_t Next(int fd, size_t bytes, const uint8_t** data);

private:
    size_t capacity_;
    std::vector<uint8_t> buffer_;
    size_t at_ = 0;
    size_t end_ = 0;
};

// Opens an audio file for reading: a regular file only, since a device or a
// pipe may never end (and a FIFO would block the open). Returns the
// descriptor (close-on-exec), or -1 with status set to a source status
// (4 cannot open, 8 a folder, 9 not a regular file) and error to errno.
int LOpenAudioFileForReading(const char* path, uint8_t& status, int& error);

// Opens path read-write for a file sink: created when missing (mode 0666,
// the user's umask applies), close-on-exec, with a shared lock taken without
// waiting so that a rewrite holding an exclusive lock is never written over.
// With empty set the file is emptied once the lock is held. Returns -1 on failure.
int LOpenSinkFile(const char* path, bool empty);

// The file behind a file sink. A fresh write goes to a new file beside the
// destination that Close renames over it once everything is in, so a failed,
// interrupted or killed write never leaves a short file under the final name
// and the destination may be the very file a source is still reading. In place
// writing (a recording, which must keep what it has if the program dies, or a
// resumed file) writes the destination itself.
class LSinkFile
{
public:
    LSinkFile() = default;
    ~LSinkFile();
    LSinkFile(const LSinkFile&) = delete;
    LSinkFile& operator=(const LSinkFile&) = delete;

    // False (with Error set) when the destination cannot be written: a folder,
    // a device or pipe, a missing folder, no permission. In place, `empty`
    // empties an existing file.
    bool Open(const char* path, bool inPlace, bool empty);
    int Descriptor() const { return fd_; }
    // The system's error number of the failed step (0 when none).
    int Error() const { return error_; }
    // Ends the write. With ok, a fresh write is flushed and renamed into place;
    // without it, its file is removed and the destination stays as it was.
    // False when anything failed, ok itself included.
    bool Close(bool ok);

private:
    int fd_ = -1;
    int error_ = 0;
    bool inPlace_ = false;
    char target_[4096] = {};
    char temp_[4096] = {};
};

// Little-endian and big-endian field writers for header buffers.
inline void LPutLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void LPutLe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline void LPutBe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void LPutBe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
inline uint16_t LGetLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LGetLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint32_t LGetBe32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
