#pragma once
// A byte ring between two threads shaped as a pipeline: the writer end is a
// sound sink, the reader end a sound source, so one pipeline (the recorder's
// output) can feed another that runs elsewhere (the player), letting the user
// hear the input while it is recorded. One writer and one reader; each wakes
// the other through a one-byte signal and waits with bounded polls, so a peer
// that went away is noticed within one poll.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"
#include "foundation/threads/LLockObject.h"
#include "foundation/threads/LSignalObject.h"

#include <atomic>
#include <cstdint>

class LSoundPipeBuffer
{
public:
    // Seven seconds of one 32-bit channel at 44100 Hz, plus the one byte that
    // always stays free so that full and empty can be told apart.
    static constexpr uint32_t kRingSize = 1234801;

    // channels 0 is taken as 1.
    LSoundPipeBuffer(uint32_t rate, uint32_t channels, uint32_t peakLimit);
    ~LSoundPipeBuffer();
    LSoundPipeBuffer(const LSoundPipeBuffer&) = delete;
    LSoundPipeBuffer& operator=(const LSoundPipeBuffer&) = delete;

    // Forgets everything written so far (the reader's owner, before it starts reading).
    void Discard();

    uint32_t GetRate() const { return rate_; }
    uint32_t GetChannels() const { return channels_; }
    uint32_t GetPeakLimit() const { return peakLimit_; }
    uint32_t GetBytesPerFrame() const { return bytesPerFrame_; }
    bool IsWriterOpen() const { return writerOpen_.load(std::memory_order_acquire); }
    bool IsReaderOpen() const { return readerOpen_.load(std::memory_order_acquire); }
    // Bytes that the reader may take now.
    uint32_t ReadableBytes() const;

private:
    friend class LSoundPipeBufferPtr;
    friend class LSoundPipeWriter;
    friend class LSoundPipeReader;

    uint32_t FreeBytes() const;
    // The writer's side: blocks (200 ms polls) while the reader is open and the ring is full.
    void WriteBytes(const uint8_t* bytes, uint64_t count);
    // The reader's side: always delivers count bytes, zeros once the writer closed and the ring is empty.
    void ReadBytes(uint8_t* out, uint64_t count);

    std::atomic<uint32_t> refCount_{0};
    uint32_t rate_;
    uint32_t channels_;
    uint32_t peakLimit_;
    uint32_t bytesPerFrame_;
    std::atomic<bool> writerOpen_{false};
    std::atomic<bool> readerOpen_{false};
    uint8_t* ring_;
    // Each position is moved by one side only and read by the other: the
    // release store publishes the bytes copied before it, the acquire load on
    // the other side sees them.
    std::atomic<uint32_t> readPos_{0};
    std::atomic<uint32_t> writePos_{0};
    LSignalObject dataReady_;
    LSignalObject spaceReady_;
    LLockObject mutex_;
};

// A counted handle to a pipe buffer. Releasing the last reference destroys it.
class LSoundPipeBufferPtr
{
public:
    LSoundPipeBufferPtr() = default;
    // Takes a reference to buffer (the creator's handle starts the count at 1).
    explicit LSoundPipeBufferPtr(LSoundPipeBuffer* buffer);
    LSoundPipeBufferPtr(const LSoundPipeBufferPtr& other);
    LSoundPipeBufferPtr& operator=(const LSoundPipeBufferPtr& other);
    ~LSoundPipeBufferPtr();

    // Drops the reference; the handle is empty afterwards.
    void Release();

    LSoundPipeBuffer* Get() const { return buffer_; }
    LSoundPipeBuffer* operator->() const { return buffer_; }
    explicit operator bool() const { return buffer_ != nullptr; }

private:
    LSoundPipeBuffer* buffer_ = nullptr;
};

// Releases a handle that was itself allocated with new, then frees it.
void LDeleteSoundPipeBufferPtr(LSoundPipeBufferPtr* handle);

// The writer end: a sink at the buffer's rate and channels.
class LSoundPipeWriter : public LSoundSink
{
public:
    explicit LSoundPipeWriter(const LSoundPipeBufferPtr& buffer);
    // Clears the writer-open flag and wakes a reader waiting for data.
    ~LSoundPipeWriter() override;

    void Write(const int32_t* samples, int64_t frames) override;
    // What went into a pipe cannot be taken back.
    void Truncate(int64_t) override {}

private:
    LSoundPipeBufferPtr buffer_;
};

// The reader end: a source at the buffer's rate, channels and peak limit.
class LSoundPipeReader : public LSoundSource
{
public:
    explicit LSoundPipeReader(const LSoundPipeBufferPtr& buffer);
    // Clears the reader-open flag and wakes a writer waiting for space.
    ~LSoundPipeReader() override;

    // Always delivers every frame asked for (zeros after the writer closed).
    int64_t Read(int32_t* out, int64_t frames) override;
    int64_t GetPosition() override { return 0; }
    // The frames readable now.
    int64_t GetLength() override;
    void Seek(int64_t) override {}
    bool IsMoreDataPending() override;
    // Positive when data arrived within ms, 0 on time-out.
    int WaitForData(uint32_t ms) override;

private:
    LSoundPipeBufferPtr buffer_;
};
