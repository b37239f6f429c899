#pragma once
// Where the sectors of an image go, in ascending order: an image file here,
// a drive through the same interface. In verify mode the writer reads the
// sectors back instead and compares them.

#include "burn/LBurnResult.h"

#include <cstdint>
#include <vector>

class LSectorWriter
{
public:
    virtual ~LSectorWriter() = default;

    // Hands `count` sectors of 2,048 bytes at the next address. False (with
    // the failure in `result`) when they could not be written, or in verify
    // mode when they differ (code 30) or cannot be read.
    virtual bool Write(const uint8_t* sectors, uint32_t count, LBurnResult& result) = 0;
    // Writes out whatever is buffered; false with the failure in `result`.
    virtual bool Flush(LBurnResult& result) = 0;
    // The address the next sector goes to.
    virtual uint64_t NextSector() const = 0;
    virtual bool Verifying() const = 0;

    // `count` zero sectors.
    bool WriteZeros(uint64_t count, LBurnResult& result);
};

// Writes whole blocks to an open image file at its current position, or
// (verifying) reads the file back from its start and compares.
class LImageFileSectorWriter : public LSectorWriter
{
public:
    LImageFileSectorWriter(int fd, uint32_t blockSectors, bool verify, uint64_t firstSector = 0);
    ~LImageFileSectorWriter() override = default;

    bool Write(const uint8_t* sectors, uint32_t count, LBurnResult& result) override;
    bool Flush(LBurnResult& result) override;
    uint64_t NextSector() const override { return next_; }
    bool Verifying() const override { return verify_; }

private:
    bool Compare(const uint8_t* sectors, uint32_t count, LBurnResult& result);
    void WriteBehind(std::size_t written);

    int fd_;
    uint32_t blockSectors_;
    bool verify_;
    uint64_t first_;
    uint64_t next_;
    std::vector<uint8_t> buffer_;
    std::size_t filled_ = 0;
    std::vector<uint8_t> readBack_;
    // Write-behind: where the window being written out starts, where the one
    // before it started, and whether the file takes it (a regular file does).
    int64_t windowStart_ = -1;
    int64_t previousWindow_ = -1;
    int64_t position_ = 0;
};

// Keeps the image in memory (tests and the fuzz target).
class LMemorySectorWriter : public LSectorWriter
{
public:
    bool Write(const uint8_t* sectors, uint32_t count, LBurnResult& result) override;
    bool Flush(LBurnResult&) override { return true; }
    uint64_t NextSector() const override { return bytes.size() / 2048; }
    bool Verifying() const override { return false; }

    std::vector<uint8_t> bytes;
};
