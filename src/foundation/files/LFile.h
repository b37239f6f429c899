#pragma once
// A plain file handle: one descriptor, closed with the handle.

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
};
