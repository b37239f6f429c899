#pragma once
// The drive target of the image writer: sectors are gathered into whole
// write units and sent with WRITE at consecutive addresses from the first
// block; verifying, they are read back and compared instead.

#include "burn/LSectorWriter.h"
#include "burn/mmc/LScsiDevice.h"

#include <vector>

class LProcessContext;

class LMmcDriveSectorWriter : public LSectorWriter
{
public:
    LMmcDriveSectorWriter(LProcessContext& context, LScsiDevice& device, uint32_t firstBlock,
                          uint32_t blocksPerWrite, bool verify);

    bool Write(const uint8_t* sectors, uint32_t count, LBurnResult& result) override;
    bool Flush(LBurnResult& result) override;
    uint64_t NextSector() const override { return next_; }
    bool Verifying() const override { return verify_; }

private:
    bool Send(LBurnResult& result);

    LProcessContext& context_;
    LScsiDevice& device_;
    uint32_t blocksPerWrite_;
    bool verify_;
    uint64_t next_;
    uint64_t bufferLba_;
    std::vector<uint8_t> buffer_;
    uint32_t filled_ = 0; // blocks
    std::vector<uint8_t> readBack_;
};
