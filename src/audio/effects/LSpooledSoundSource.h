#pragma once
// A source that plays back samples kept in a temporary file of the caches
// folder. A chain of filters that must be read twice (once to measure its
// level, once to write it) is then computed only once: the measuring pass
// appends every block it reads here, and the second pass reads the file.
// The file is unlinked as soon as it is made, so nothing is left behind
// however the program ends.

#include "audio/core/LSoundSource.h"

#include <cstdint>

class LSoundSpool
{
public:
    // Makes the file; IsOk() tells whether that worked.
    LSoundSpool();
    ~LSoundSpool();
    LSoundSpool(const LSoundSpool&) = delete;
    LSoundSpool& operator=(const LSoundSpool&) = delete;

    bool IsOk() const { return fd_ >= 0 && !failed_; }
    // Appends interleaved samples. A failed write (a full disk) marks the
    // spool failed; later appends are ignored.
    void Append(const int32_t* samples, int64_t count);
    int64_t GetSamples() const { return written_; }

private:
    friend class LSpooledSoundSource;

    int fd_ = -1;
    bool failed_ = false;
    int64_t written_ = 0; // samples in the file
};

class LSpooledSoundSource : public LSoundSource
{
public:
    // Takes over the spool's file; the spool is left empty. A spool whose
    // writes failed gives a source with status 4. The
    // length is the number of whole frames spooled.
    LSpooledSoundSource(LSoundSpool& spool, int32_t rate, uint8_t channels, uint32_t peakLimit);
    ~LSpooledSoundSource() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return length_; }
    void Seek(int64_t frame) override;

private:
    int fd_ = -1;
    int64_t length_ = 0;
    int64_t position_ = 0;
};
