#pragma once
// A plain file handle: one descriptor, closed with the handle.

#include <cstddef>

// Writes all `length` bytes, going on after short writes and interrupted
// calls. False on the first error (errno says which) or a write of nothing.
bool LWriteAll(int fd, const void* bytes, size_t length);

class LFile
{
public:
    int fd = -1;

    LFile() = default;
    explicit LFile(int descriptor) : fd(descriptor) {}
    ~LFile() { Close(); }
    LFile(const LFile&) = delete;
    LFile& operator=(const LFile&) = delete;

    // Opens the path close-on-exec (files are created with mode 0666 less the
    // umask); an open descriptor is closed first. False when open fails.
    bool Open(const char* path, int flags);
    void Close();
    bool IsOpen() const { return fd >= 0; }

    // Reads one line (ended by CR, LF, CR LF or LF CR) into dest, keeping at
    // most size - 1 bytes (the rest of a long line is read and dropped),
    // terminated. True when a line was read; at the end of the file, whether
    // any byte was read.
    static bool ReadLine(LFile* file, char* dest, size_t size);
    // Writes the whole text; true when every byte was written. Without a
    // descriptor only an empty text succeeds.
    static bool WriteString(LFile* file, const char* text);

private:
    // The byte after a lone CR or LF, read to see whether it ends the same
    // line. A pipe or terminal cannot step back over it, so it waits here for
    // the next read instead of being lost; -1 when none waits.
    int lookahead_ = -1;

    // One byte; 1 read, 0 end of file, -1 error.
    int ReadByte(char* c);
};
