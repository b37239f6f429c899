#include "audio/effects/LTaggedStream.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void PutLe(uint8_t* out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* in, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(in[i]) << (8 * i);
    return value;
}

} // namespace

// ---- writer ----

bool LTaggedWriter::WriteAll(const void* data, size_t n)
{
    if (fd_ < 0)
        return false;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const ssize_t written = ::write(fd_, p, n);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        p += written;
        n -= static_cast<size_t>(written);
    }
    return true;
}

bool LTaggedWriter::OpenElement(uint16_t id, uint16_t type)
{
    if (!ok_)
        return false;
    uint8_t header[kTaggedHeaderSize] = {};
    PutLe(header, id, 2);
    PutLe(header + 2, type, 2);
    if (!WriteAll(header, sizeof header)) {
        ok_ = false;
        return false;
    }
    const off_t start = ::lseek(fd_, 0, SEEK_CUR);
    if (start < 0) {
        // Without a position the length can never be patched in.
        ok_ = false;
        return false;
    }
    open_.push_back(OpenEntry{id, type, static_cast<int64_t>(start)});
    return true;
}

bool LTaggedWriter::CloseElement(uint16_t id)
{
    (void)id;
    if (!ok_ || open_.empty()) {
        ok_ = false;
        return false;
    }
    const OpenEntry entry = open_.back();
    open_.pop_back();
    const off_t end = ::lseek(fd_, 0, SEEK_CUR);
    if (end < entry.dataStart || ::lseek(fd_, entry.dataStart - 8, SEEK_SET) < 0) {
        ok_ = false;
        return false;
    }
    uint8_t length[8];
    PutLe(length, static_cast<uint64_t>(end - entry.dataStart), 8);
    if (!WriteAll(length, sizeof length) || ::lseek(fd_, end, SEEK_SET) != end) {
        ok_ = false;
        return false;
    }
    return true;
}

bool LTaggedWriter::WriteBytes(const void* data, size_t n)
{
    if (!ok_)
        return false;
    if (!WriteAll(data, n))
        ok_ = false;
    return ok_;
}

bool LTaggedWriter::WriteByte(uint16_t id, uint8_t value)
{
    OpenElement(id, kTaggedByte);
    WriteBytes(&value, 1);
    CloseElement(id);
    return ok_;
}

bool LTaggedWriter::WriteUInt32(uint16_t id, uint32_t value)
{
    uint8_t bytes[4];
    PutLe(bytes, value, 4);
    OpenElement(id, kTaggedUInt32);
    WriteBytes(bytes, 4);
    CloseElement(id);
    return ok_;
}

// ---- reader ----

LTaggedReader::LTaggedReader(int fd) : fd_(fd), begin_(0), end_(0), rawPosition_(0)
{
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        failed_ = true;
        return;
    }
    const off_t here = ::lseek(fd, 0, SEEK_CUR);
    begin_ = here < 0 ? 0 : static_cast<int64_t>(here);
    end_ = static_cast<int64_t>(st.st_size);
    if (end_ < begin_)
        end_ = begin_;
    rawPosition_ = begin_;
}

LTaggedReader::LTaggedReader(int fd, int64_t begin, int64_t end)
    : fd_(fd), begin_(begin), end_(end < begin ? begin : end), rawPosition_(begin)
{
    if (fd < 0 || begin < 0)
        failed_ = true;
}

LTaggedElementIterator LTaggedReader::Elements()
{
    return LTaggedElementIterator(*this, begin_, end_);
}

size_t LTaggedReader::ReadAt(int64_t offset, void* data, size_t n)
{
    if (fd_ < 0 || offset < 0)
        return 0;
    size_t done = 0;
    uint8_t* p = static_cast<uint8_t*>(data);
    while (done < n) {
        const ssize_t got = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t LTaggedReader::ReadRaw(void* data, size_t n)
{
    const size_t got = ReadAt(rawPosition_, data, n);
    rawPosition_ += static_cast<int64_t>(got);
    return got;
}

bool LTaggedElementIterator::Next()
{
    if (reader_->failed_ || next_ >= end_)
        return false;
    uint8_t header[kTaggedHeaderSize];
    if (end_ - next_ < kTaggedHeaderSize || reader_->ReadAt(next_, header, sizeof header) != sizeof header) {
        reader_->failed_ = true;
        return false;
    }
    id_ = static_cast<uint16_t>(GetLe(header, 2));
    type_ = static_cast<uint16_t>(GetLe(header + 2, 2));
    length_ = GetLe(header + 4, 8);
    dataStart_ = next_ + kTaggedHeaderSize;
    if (length_ > static_cast<uint64_t>(end_ - dataStart_)) {
        // The element claims more than its container holds.
        reader_->failed_ = true;
        return false;
    }
    next_ = dataStart_ + static_cast<int64_t>(length_);
    return true;
}

LTaggedElementIterator LTaggedElementIterator::Children()
{
    if (type_ != kTaggedContainer)
        return LTaggedElementIterator(*reader_, dataStart_, dataStart_);
    return LTaggedElementIterator(*reader_, dataStart_, dataStart_ + static_cast<int64_t>(length_));
}

bool LTaggedElementIterator::ReadByte(uint8_t* value)
{
    uint8_t byte;
    if (type_ != kTaggedByte || length_ != 1 || reader_->ReadAt(dataStart_, &byte, 1) != 1) {
        reader_->failed_ = true;
        return false;
    }
    *value = byte;
    return true;
}

bool LTaggedElementIterator::ReadUInt32(uint32_t* value)
{
    uint8_t bytes[4];
    if (type_ != kTaggedUInt32 || length_ != 4 || reader_->ReadAt(dataStart_, bytes, 4) != 4) {
        reader_->failed_ = true;
        return false;
    }
    *value = static_cast<uint32_t>(GetLe(bytes, 4));
    return true;
}
