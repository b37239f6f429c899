#include "burn/LSectorWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// An image is written once and not read again (a verify pass reads it back
// from the disk on purpose). Left to itself every page of it stays cached,
// and a large image then pushes the machine into reclaiming memory inside
// our write() calls: worst when it replaces an image of the same size that
// still sits in the cache. So the file is written out behind us a window at
// a time and its pages are let go once on disk, keeping at most two windows
// in memory.
constexpr int64_t kWriteBehindWindow = 16 << 20;

int WriteFailureCode(int error)
{
    return (error == ENOSPC || error == EDQUOT || error == EFBIG) ? kBurnDiskFull : kBurnWriteError;
}

} // namespace

bool LSectorWriter::WriteZeros(uint64_t count, LBurnResult& result)
{
    static const std::vector<uint8_t> zeros(64 * 2048, 0);
    while (count > 0) {
        const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(count, 64));
        if (!Write(zeros.data(), piece, result))
            return false;
        count -= piece;
    }
    return true;
}

LImageFileSectorWriter::LImageFileSectorWriter(int fd, uint32_t blockSectors, bool verify,
                                               uint64_t firstSector)
    : fd_(fd), blockSectors_(blockSectors == 0 ? 16 : blockSectors), verify_(verify), first_(firstSector),
      next_(firstSector)
{
    // A few blocks at a time keep the system calls few.
    buffer_.resize(static_cast<std::size_t>(blockSectors_) * 2048 * 32);
    const off_t at = verify_ ? -1 : lseek(fd_, 0, SEEK_CUR);
    if (at >= 0) {
        position_ = at;
        windowStart_ = at;
    }
}

void LImageFileSectorWriter::WriteBehind(std::size_t written)
{
    if (windowStart_ < 0)
        return;
    position_ += static_cast<int64_t>(written);
    if (position_ - windowStart_ < kWriteBehindWindow)
        return;
    // Start this window on its way to the disk; wait for the one before and
    // drop its pages. A file that does not take this (a pipe) stops it.
    if (sync_file_range(fd_, windowStart_, position_ - windowStart_, SYNC_FILE_RANGE_WRITE) != 0) {
        windowStart_ = -1;
        return;
    }
    if (previousWindow_ >= 0) {
        const int64_t length = windowStart_ - previousWindow_;
        sync_file_range(fd_, previousWindow_, length,
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        posix_fadvise(fd_, previousWindow_, length, POSIX_FADV_DONTNEED);
    }
    previousWindow_ = windowStart_;
    windowStart_ = position_;
}

bool LImageFileSectorWriter::Compare(const uint8_t* sectors, uint32_t count, LBurnResult& result)
{
    const std::size_t bytes = static_cast<std::size_t>(count) * 2048;
    readBack_.resize(bytes);
    const off_t offset = static_cast<off_t>((next_ - first_) * 2048);
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t got =
            pread(fd_, readBack_.data() + done, bytes - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.SetFormat(kBurnReadError, "Reading the image at sector %llu: %s",
                             static_cast<unsigned long long>(next_), std::strerror(errno));
            return false;
        }
        if (got == 0) {
            result.SetFormat(kBurnVerifyFailed, "The image ends before sector %llu",
                             static_cast<unsigned long long>(next_ + done / 2048));
            next_ += count;
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (std::memcmp(readBack_.data() + static_cast<std::size_t>(i) * 2048,
                        sectors + static_cast<std::size_t>(i) * 2048, 2048) != 0) {
            result.SetFormat(kBurnVerifyFailed, "Sector %llu differs",
                             static_cast<unsigned long long>(next_ + i));
            next_ += count;
            return false;
        }
    }
    next_ += count;
    return true;
}

bool LImageFileSectorWriter::Write(const uint8_t* sectors, uint32_t count, LBurnResult& result)
{
    if (verify_)
        return Compare(sectors, count, result);
    std::size_t bytes = static_cast<std::size_t>(count) * 2048;
    while (bytes > 0) {
        const std::size_t piece = std::min(bytes, buffer_.size() - filled_);
        std::memcpy(buffer_.data() + filled_, sectors, piece);
        filled_ += piece;
        sectors += piece;
        bytes -= piece;
        next_ += piece / 2048;
        if (filled_ == buffer_.size() && !Flush(result))
            return false;
    }
    return true;
}

bool LImageFileSectorWriter::Flush(LBurnResult& result)
{
    if (verify_ || filled_ == 0)
        return true;
    // Whole blocks only: a partial last block is padded with zeros.
    const std::size_t block = static_cast<std::size_t>(blockSectors_) * 2048;
    const std::size_t padded = (filled_ + block - 1) / block * block;
    if (padded > filled_) {
        std::memset(buffer_.data() + filled_, 0, padded - filled_);
        next_ += (padded - filled_) / 2048;
    }
    std::size_t done = 0;
    while (done < padded) {
        const ssize_t wrote = ::write(fd_, buffer_.data() + done, padded - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : ENOSPC;
            result.SetFormat(WriteFailureCode(error), "Writing the image file: %s", std::strerror(error));
            filled_ = 0;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    filled_ = 0;
    WriteBehind(padded);
    return true;
}

bool LMemorySectorWriter::Write(const uint8_t* sectors, uint32_t count, LBurnResult&)
{
    bytes.insert(bytes.end(), sectors, sectors + static_cast<std::size_t>(count) * 2048);
    return true;
}
