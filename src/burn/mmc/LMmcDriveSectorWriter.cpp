#include "burn/mmc/LMmcDriveSectorWriter.h"

#include "burn/mmc/LMmcCommands.h"
#include "foundation/threads/LProcessContext.h"

#include <cstring>

LMmcDriveSectorWriter::LMmcDriveSectorWriter(LProcessContext& context, LScsiDevice& device,
                                             uint32_t firstBlock, uint32_t blocksPerWrite, bool verify)
    : context_(context), device_(device), blocksPerWrite_(blocksPerWrite == 0 ? 16 : blocksPerWrite),
      verify_(verify), next_(firstBlock), bufferLba_(firstBlock), buffer_(size_t(blocksPerWrite_) * 2048)
{
}

bool LMmcDriveSectorWriter::Write(const uint8_t* sectors, uint32_t count, LBurnResult& result)
{
    while (count > 0) {
        if (context_.IsStopRequested()) {
            result.Set(kBurnUserCanceled);
            return false;
        }
        const uint32_t piece = std::min(count, blocksPerWrite_ - filled_);
        std::memcpy(buffer_.data() + size_t(filled_) * 2048, sectors, size_t(piece) * 2048);
        filled_ += piece;
        sectors += size_t(piece) * 2048;
        count -= piece;
        next_ += piece;
        // Compared at once, so a mismatch is charged to the file being
        // written, not to whichever file fills the unit next.
        if ((verify_ || filled_ == blocksPerWrite_) && !Send(result))
            return false;
    }
    return true;
}

bool LMmcDriveSectorWriter::Flush(LBurnResult& result)
{
    return filled_ == 0 || Send(result);
}

bool LMmcDriveSectorWriter::Send(LBurnResult& result)
{
    const uint32_t count = filled_;
    const uint32_t lba = uint32_t(bufferLba_);
    filled_ = 0;
    bufferLba_ += count;
    if (!verify_) {
        LMmcWriteBlocks(result, context_, device_, buffer_.data(), lba, count, 2048);
        return result.Ok();
    }
    readBack_.resize(size_t(count) * 2048);
    const int status = LMmcReadBlocks(context_, device_, readBack_.data(), lba, count, 2048);
    if (status == 1) {
        result.Set(kBurnUserCanceled);
        return false;
    }
    if (status != 0) {
        result.SetFormat(kBurnReadError, "Sectors %u to %u cannot be read", lba, lba + count - 1);
        result.senseKey = device_.LastSense().senseKey;
        result.additionalSenseCode = device_.LastSense().additionalSenseCode;
        result.additionalSenseCodeQualifier = device_.LastSense().additionalSenseCodeQualifier;
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (std::memcmp(readBack_.data() + size_t(i) * 2048, buffer_.data() + size_t(i) * 2048, 2048) != 0) {
            result.SetFormat(kBurnVerifyFailed, "Sector %u differs", lba + i);
            return false;
        }
    }
    return true;
}
