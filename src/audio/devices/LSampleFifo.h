#pragma once
// The ring of interleaved 32-bit samples between the player thread (the one
// writer) and the output callback (the one reader). The callers decide how
// much to move; Write and Read copy with wrap-around and then wake the other
// side through its signal. One sample always stays free.

#include "foundation/threads/LSignalObject.h"

#include <atomic>
#include <cstdint>
#include <vector>

class LSampleFifo
{
public:
    // capacity in samples (the ring holds capacity - 1); blockFrames sizes the
    // two block buffers, one for each side.
    LSampleFifo(uint32_t channels, uint32_t capacity, uint32_t blockFrames);
    ~LSampleFifo();
    LSampleFifo(const LSampleFifo&) = delete;
    LSampleFifo& operator=(const LSampleFifo&) = delete;

    // Copies count samples in; the caller has checked FreeSamples.
    void Write(const int32_t* samples, uint32_t count);
    // Copies count samples out; the caller has checked ReadableSamples.
    void Read(int32_t* out, uint32_t count);

    uint32_t ReadableSamples() const;
    uint32_t FreeSamples() const;
    uint32_t ReadableFrames() const { return ReadableSamples() / channels_; }
    uint32_t FreeFrames() const { return FreeSamples() / channels_; }

    // Drops everything queued (read index = write index). Only while neither
    // side is moving data, or from the reader's side.
    void Flush();

    // Follows a new channel count: frames and the block buffers change, the
    // capacity stays. Only while neither side runs.
    void SetChannels(uint32_t channels);

    uint32_t GetChannels() const { return channels_; }
    uint32_t GetFrames() const { return frames_; }
    uint32_t GetCapacity() const { return capacity_; }
    uint32_t GetBlockFrames() const { return blockFrames_; }
    int32_t* WriterBlock() { return writerBlock_.data(); }
    int32_t* ReaderBlock() { return readerBlock_.data(); }

    const LSignalObject& DataReady() const { return dataReady_; }
    const LSignalObject& SpaceReady() const { return spaceReady_; }

private:
    // A ring of capacity + 1 slots, empty: one slot always stays free, so
    // capacity samples fit.
    void AllocateBuffer(uint64_t capacity);

    uint32_t size_ = 0;
    std::vector<int32_t> ring_;
    std::atomic<uint32_t> readIndex_{0};
    std::atomic<uint32_t> writeIndex_{0};
    LSignalObject dataReady_;
    LSignalObject spaceReady_;
    std::vector<int32_t> writerBlock_;
    std::vector<int32_t> readerBlock_;
    uint32_t channels_;
    uint32_t frames_;
    uint32_t capacity_;
    uint32_t blockFrames_;
};
