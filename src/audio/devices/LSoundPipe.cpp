#include "audio/devices/LSoundPipe.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kWriterPollMs = 200;
constexpr uint32_t kReaderPollMs = 1000;

} // namespace

LSoundPipeBuffer::LSoundPipeBuffer(uint32_t rate, uint32_t channels, uint32_t peakLimit)
    : rate_(rate), channels_(channels == 0 ? 1 : channels), peakLimit_(peakLimit),
      bytesPerFrame_(channels_ * 4), ring_(new (std::nothrow) uint8_t[kRingSize])
{
}

LSoundPipeBuffer::~LSoundPipeBuffer()
{
    delete[] ring_;
}

void LSoundPipeBuffer::Discard()
{
    LLockGuard guard(mutex_);
    readPos_.store(writePos_.load(std::memory_order_acquire), std::memory_order_release);
}

uint32_t LSoundPipeBuffer::FreeBytes() const
{
    const int64_t free = static_cast<int64_t>(readPos_.load(std::memory_order_acquire)) - 1 -
                         static_cast<int64_t>(writePos_.load(std::memory_order_acquire));
    return static_cast<uint32_t>(free < 0 ? free + kRingSize : free);
}

uint32_t LSoundPipeBuffer::ReadableBytes() const
{
    const int64_t readable = static_cast<int64_t>(writePos_.load(std::memory_order_acquire)) -
                             static_cast<int64_t>(readPos_.load(std::memory_order_acquire));
    return static_cast<uint32_t>(readable < 0 ? readable + kRingSize : readable);
}

void LSoundPipeBuffer::WriteBytes(const uint8_t* bytes, uint64_t count)
{
    if (ring_ == nullptr)
        return;
    while (count > 0) {
        spaceReady_.Reset();
        const uint32_t free = FreeBytes();
        if (free == 0) {
            if (!IsReaderOpen())
                return; // nobody will ever make room: the rest is dropped
            spaceReady_.Wait(kWriterPollMs);
            continue;
        }
        const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(free, count));
        {
            LLockGuard guard(mutex_);
            const uint32_t pos = writePos_.load(std::memory_order_relaxed);
            const uint32_t first = std::min(chunk, kRingSize - pos);
            std::memcpy(ring_ + pos, bytes, first);
            std::memcpy(ring_, bytes + first, chunk - first);
            writePos_.store((pos + chunk) % kRingSize, std::memory_order_release);
        }
        dataReady_.Signal();
        bytes += chunk;
        count -= chunk;
    }
}

void LSoundPipeBuffer::ReadBytes(uint8_t* out, uint64_t count)
{
    while (count > 0) {
        dataReady_.Reset();
        uint32_t readable = ring_ != nullptr ? ReadableBytes() : 0;
        if (readable == 0) {
            if (!IsWriterOpen()) {
                // The writer may have put its last bytes in just before closing.
                readable = ring_ != nullptr ? ReadableBytes() : 0;
                if (readable == 0) {
                    std::memset(out, 0, count);
                    return;
                }
            } else {
                dataReady_.Wait(kReaderPollMs);
                continue;
            }
        }
        const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(readable, count));
        const uint32_t pos = readPos_.load(std::memory_order_relaxed);
        const uint32_t first = std::min(chunk, kRingSize - pos);
        std::memcpy(out, ring_ + pos, first);
        std::memcpy(out + first, ring_, chunk - first);
        readPos_.store((pos + chunk) % kRingSize, std::memory_order_release);
        spaceReady_.Signal();
        out += chunk;
        count -= chunk;
    }
}

LSoundPipeBufferPtr::LSoundPipeBufferPtr(LSoundPipeBuffer* buffer) : buffer_(buffer)
{
    if (buffer_ != nullptr)
        buffer_->refCount_.fetch_add(1, std::memory_order_relaxed);
}

LSoundPipeBufferPtr::LSoundPipeBufferPtr(const LSoundPipeBufferPtr& other)
    : LSoundPipeBufferPtr(other.buffer_)
{
}

LSoundPipeBufferPtr& LSoundPipeBufferPtr::operator=(const LSoundPipeBufferPtr& other)
{
    if (other.buffer_ != nullptr)
        other.buffer_->refCount_.fetch_add(1, std::memory_order_relaxed);
    Release();
    buffer_ = other.buffer_;
    return *this;
}

LSoundPipeBufferPtr::~LSoundPipeBufferPtr()
{
    Release();
}

void LSoundPipeBufferPtr::Release()
{
    LSoundPipeBuffer* buffer = buffer_;
    buffer_ = nullptr;
    if (buffer != nullptr && buffer->refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete buffer;
}

void LDeleteSoundPipeBufferPtr(LSoundPipeBufferPtr* handle)
{
    if (handle == nullptr)
        return;
    handle->Release();
    delete handle;
}

LSoundPipeWriter::LSoundPipeWriter(const LSoundPipeBufferPtr& buffer)
    : LSoundSink(buffer ? buffer->GetRate() : 44100,
                 buffer ? static_cast<uint8_t>(buffer->GetChannels()) : 0),
      buffer_(buffer)
{
    if (!buffer_ || buffer_->ring_ == nullptr)
        SetFailed();
    else
        buffer_->writerOpen_.store(true, std::memory_order_release);
}

LSoundPipeWriter::~LSoundPipeWriter()
{
    if (buffer_) {
        buffer_->writerOpen_.store(false, std::memory_order_release);
        buffer_->dataReady_.Signal();
    }
}

void LSoundPipeWriter::Write(const int32_t* samples, int64_t frames)
{
    if (!buffer_ || frames <= 0)
        return;
    buffer_->WriteBytes(reinterpret_cast<const uint8_t*>(samples),
                        static_cast<uint64_t>(frames) * buffer_->GetBytesPerFrame());
    position_ += frames;
}

LSoundPipeReader::LSoundPipeReader(const LSoundPipeBufferPtr& buffer)
    : LSoundSource(buffer ? static_cast<int32_t>(buffer->GetRate()) : 44100,
                   buffer ? static_cast<uint8_t>(buffer->GetChannels()) : 1,
                   buffer ? buffer->GetPeakLimit() : kPcm16PeakLimit),
      buffer_(buffer)
{
    if (!buffer_)
        SetStatus(kSoundStatusBadParameters);
    else
        buffer_->readerOpen_.store(true, std::memory_order_release);
}

LSoundPipeReader::~LSoundPipeReader()
{
    if (buffer_) {
        buffer_->readerOpen_.store(false, std::memory_order_release);
        buffer_->spaceReady_.Signal();
    }
}

int64_t LSoundPipeReader::Read(int32_t* out, int64_t frames)
{
    if (frames <= 0)
        return 0;
    if (!buffer_) {
        std::memset(out, 0, static_cast<size_t>(frames) * channels_ * 4);
        return frames;
    }
    buffer_->ReadBytes(reinterpret_cast<uint8_t*>(out),
                       static_cast<uint64_t>(frames) * buffer_->GetBytesPerFrame());
    return frames;
}

int64_t LSoundPipeReader::GetLength()
{
    return buffer_ ? buffer_->ReadableBytes() / buffer_->GetBytesPerFrame() : 0;
}

bool LSoundPipeReader::IsMoreDataPending()
{
    return buffer_ && buffer_->IsWriterOpen();
}

int LSoundPipeReader::WaitForData(uint32_t ms)
{
    if (!buffer_)
        return 0;
    // The signal may still be set from bytes that were read or discarded
    // since: only bytes readable now, or a new wake-up, count as data.
    if (buffer_->ReadableBytes() > 0)
        return 1;
    buffer_->dataReady_.Reset();
    if (buffer_->ReadableBytes() > 0)
        return 1;
    return buffer_->dataReady_.Wait(ms) ? 1 : 0;
}
