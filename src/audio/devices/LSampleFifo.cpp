#include "audio/devices/LSampleFifo.h"

#include <algorithm>
#include <cstring>

LSampleFifo::LSampleFifo(uint32_t channels, uint32_t capacity, uint32_t blockFrames)
    : channels_(channels == 0 ? 1 : channels), capacity_(capacity < 2 ? 2 : capacity),
      blockFrames_(blockFrames == 0 ? 1 : blockFrames)
{
    AllocateBuffer(capacity_ - 1);
    frames_ = capacity_ / channels_;
    writerBlock_.assign(static_cast<size_t>(blockFrames_) * channels_, 0);
    readerBlock_.assign(static_cast<size_t>(blockFrames_) * channels_, 0);
}

LSampleFifo::~LSampleFifo() = default;

void LSampleFifo::AllocateBuffer(uint64_t capacity)
{
    size_ = static_cast<uint32_t>(capacity + 1);
    ring_.assign(size_, 0);
    readIndex_.store(0, std::memory_order_relaxed);
    writeIndex_.store(0, std::memory_order_relaxed);
}

uint32_t LSampleFifo::ReadableSamples() const
{
    const int64_t n = static_cast<int64_t>(writeIndex_.load(std::memory_order_acquire)) -
                      static_cast<int64_t>(readIndex_.load(std::memory_order_acquire));
    return static_cast<uint32_t>(n < 0 ? n + size_ : n);
}

uint32_t LSampleFifo::FreeSamples() const
{
    const int64_t n = static_cast<int64_t>(readIndex_.load(std::memory_order_acquire)) - 1 -
                      static_cast<int64_t>(writeIndex_.load(std::memory_order_acquire));
    return static_cast<uint32_t>(n < 0 ? n + size_ : n);
}

void LSampleFifo::Write(const int32_t* samples, uint32_t count)
{
    count = std::min(count, FreeSamples());
    const uint32_t pos = writeIndex_.load(std::memory_order_relaxed);
    const uint32_t first = std::min(count, size_ - pos);
    std::memcpy(ring_.data() + pos, samples, static_cast<size_t>(first) * 4);
    std::memcpy(ring_.data(), samples + first, static_cast<size_t>(count - first) * 4);
    writeIndex_.store((pos + count) % size_, std::memory_order_release);
    dataReady_.Signal();
}

void LSampleFifo::Read(int32_t* out, uint32_t count)
{
    count = std::min(count, ReadableSamples());
    const uint32_t pos = readIndex_.load(std::memory_order_relaxed);
    const uint32_t first = std::min(count, size_ - pos);
    std::memcpy(out, ring_.data() + pos, static_cast<size_t>(first) * 4);
    std::memcpy(out + first, ring_.data(), static_cast<size_t>(count - first) * 4);
    readIndex_.store((pos + count) % size_, std::memory_order_release);
    spaceReady_.Signal();
}

void LSampleFifo::Flush()
{
    readIndex_.store(writeIndex_.load(std::memory_order_acquire), std::memory_order_release);
    spaceReady_.Signal();
}

void LSampleFifo::SetChannels(uint32_t channels)
{
    channels_ = channels == 0 ? 1 : channels;
    frames_ = capacity_ / channels_;
    // The ring restarts empty so that no frame of the old layout is read as the new one.
    readIndex_.store(0, std::memory_order_release);
    writeIndex_.store(0, std::memory_order_release);
    writerBlock_.assign(static_cast<size_t>(blockFrames_) * channels_, 0);
    readerBlock_.assign(static_cast<size_t>(blockFrames_) * channels_, 0);
}
