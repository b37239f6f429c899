#pragma once
// Reads the file trees of a data-disc image back: the ISO 9660 primary or
// Joliet volume, or the UDF volume. Every structure is checked on the way
// (tags, CRCs, path tables against directories); damaged images give an
// error, never a crash.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct LDiscImageEntry
{
    std::string name; // UTF-8
    bool folder = false;
    uint64_t size = 0;
    // Data extents (absolute sector, bytes) in order.
    std::vector<std::pair<uint64_t, uint64_t>> extents;
    std::vector<LDiscImageEntry> children;
};

class LDiscImageReader
{
public:
    // Reads one 2,048-byte sector; false past the end or on a read error.
    using ReadSector = std::function<bool(uint64_t sector, uint8_t* out)>;

    explicit LDiscImageReader(ReadSector read);

    // The primary volume (joliet false) or the Joliet volume.
    bool ReadIso(bool joliet, LDiscImageEntry* root, std::string* error);
    bool ReadUdf(LDiscImageEntry* root, std::string* error);

    // Filled by the reads.
    std::string volumeLabel;
    uint32_t volumeSectors = 0;
    uint32_t bootCatalogSector = 0; // 0 without El Torito
    uint16_t udfRevision = 0;

private:
    bool Sector(uint64_t sector, uint8_t* out, std::string* error);
    bool Bytes(uint64_t sector, uint64_t length, std::vector<uint8_t>* out, std::string* error);

    ReadSector read_;
};
