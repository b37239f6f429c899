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
    // Five tries for a read or a compare; a disc that was changed or is
    // still loading is waited for without using one, but not for ever.
    LMmcClock& clock = device_.Clock();
    const uint64_t start = clock.NowMs();
    for (int attempt = 0; attempt < 5;) {
        if (context_.IsStopRequested()) {
            result.Set(kBurnUserCanceled);
            return false;
        }
        result.Clear();
        const int status = LMmcReadBlocks(context_, device_, readBack_.data(), lba, count, 2048);
        if (status == 1) {
            result.Set(kBurnUserCanceled);
            return false;
        }
        if (status == 0) {
            bool same = true;
            for (uint32_t i = 0; i < count && same; ++i) {
                if (std::memcmp(readBack_.data() + size_t(i) * 2048, buffer_.data() + size_t(i) * 2048,
                                2048) != 0) {
                    result.SetFormat(kBurnVerifyFailed, "Sector %u differs", lba + i);
                    same = false;
                }
            }
            if (same)
                return true;
            ++attempt;
            continue;
        }
        const bool notYet = device_.SenseKeyAscIs(6, 0x28) || device_.SenseKeyAscIs(2, 0x04) ||
                            device_.SenseKeyAscIs(2, 0x3A) || device_.SenseKeyAscIs(2, 0x00);
        const LScsiSense sense = device_.LastSense();
        result.SetFormat(kBurnReadError, "Sectors %u to %u cannot be read", lba, lba + count - 1);
        result.senseKey = sense.senseKey;
        result.additionalSenseCode = sense.additionalSenseCode;
        result.additionalSenseCodeQualifier = sense.additionalSenseCodeQualifier;
        if (notYet && clock.NowMs() - start < kMmcLongestWaitMs) {
            // The tray may have been opened meanwhile: close it and wait.
            LMmcLoadOrEject(context_, device_, true);
            LBurnResult ready;
            LMmcWaitOptions wait;
            wait.budgetMs = 60000;
            wait.noDiscIsError = false;
            LMmcWaitUnitReady(ready, context_, device_, wait);
            if (ready.code == kBurnUserCanceled) {
                result.Set(kBurnUserCanceled);
                return false;
            }
            continue;
        }
        ++attempt;
    }
    return false;
}
