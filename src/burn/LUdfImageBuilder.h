#pragma once
// The UDF part of a data-disc image, revision 1.02 (one partition, file
// entries) or 2.50 (a physical partition holding the data and a metadata
// partition holding the file set, the extended file entries and the
// folders), alone or as a bridge beside ISO 9660 over the same file data.

#include "burn/LBurnResult.h"
#include "burn/LDiscNode.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

struct LUdfEntry
{
    LDiscNode* node = nullptr;
    LUdfEntry* parent = nullptr;
    bool folder = false;
    std::u16string name; // at most 127 units, unique in its folder
    std::vector<std::unique_ptr<LUdfEntry>> children;
    uint32_t entryBlock = 0;      // in the entry space (partition, or metadata partition)
    uint32_t identifierBlock = 0; // a folder's file identifiers
    uint32_t identifierBytes = 0;
    uint64_t uniqueId = 0;
};

inline constexpr std::size_t kUdfMaxNameUnits = 127;
// Largest extent of one allocation descriptor.
inline constexpr uint64_t kUdfMaxExtentBytes = 0x3FFFF800ull;
// Fixed places of the volume structures, in sectors from the session start.
inline constexpr uint32_t kUdfMainSequenceSector = 32;
inline constexpr uint32_t kUdfReserveSequenceSector = 48;
inline constexpr uint32_t kUdfIntegritySector = 64;
inline constexpr uint32_t kUdfAnchorSector = 256;
inline constexpr uint32_t kUdfFileSystemStart = 257;

class LUdfImageBuilder
{
public:
    explicit LUdfImageBuilder(uint16_t revision);

    void SetVolumeLabel(const char* text) { label_ = text ? text : ""; }
    void SetRecordingTime(time_t when) { recorded_ = when; }
    // Mirrors the compilation and places every entry in the entry space.
    bool SetCompilation(LDiscNode* root, LBurnResult& result);

    uint16_t Revision() const { return revision_; }
    // The partition starts on a multiple of this many sectors.
    uint32_t AlignmentUnit() const { return revision_ >= 0x250 ? 32 : 1; }
    // Sectors of the partition before the file data.
    uint32_t PartitionHeadSectors() const;

    // Session-relative sectors; `partitionSectors` runs to the end of the data.
    void SetPartition(uint32_t startSector, uint32_t partitionSectors);

    // Recognition sequence at `recognitionSector`, both volume descriptor
    // sequences, the integrity sequence and the anchor at 256, into `area`
    // (the sectors from the session start, at least 257).
    void WriteVolumeStructures(uint8_t* area, uint32_t recognitionSector, uint32_t base) const;
    // The partition's head (PartitionHeadSectors() sectors) into `area`.
    void WritePartitionHead(uint8_t* area) const;
    // An anchor volume descriptor pointer addressed to `sector`.
    void WriteAnchor(uint8_t* sectorData, uint32_t sector, uint32_t base) const;

    const LUdfEntry* Root() const { return root_.get(); }
    uint32_t FileCount() const { return files_; }
    uint32_t FolderCount() const { return folders_; }

private:
    bool Mirror(LDiscNode* from, LUdfEntry* to, LBurnResult& result);
    void WriteVolumeSequence(uint8_t* area, uint32_t firstSector, uint32_t base) const;
    void WriteIntegrity(uint8_t* sectorData, uint32_t sector) const;
    void WriteEntry(uint8_t* sectorData, const LUdfEntry& entry) const;
    void WriteIdentifiers(uint8_t* entrySpace, const LUdfEntry& folder) const;
    void WriteMetadataFile(uint8_t* sectorData, uint32_t block, uint8_t fileType) const;
    uint32_t EntrySpaceSectors() const { return entrySpaceSectors_; }
    uint32_t MetadataSectors() const; // 2.50: the metadata file's length

    uint16_t revision_;
    std::string label_;
    time_t recorded_ = 0;
    std::unique_ptr<LUdfEntry> root_;
    uint32_t files_ = 0;
    uint32_t folders_ = 0;
    uint64_t nextUniqueId_ = 16;
    uint32_t entrySpaceSectors_ = 0;
    uint32_t partitionStart_ = 0;
    uint32_t partitionSectors_ = 0;
};

// CRC-CCITT (polynomial 0x1021, initial 0) of descriptor bodies.
uint16_t LUdfCrc(const uint8_t* data, std::size_t length);
// Fills checksum, CRC and location of the 16-byte tag heading `descriptor`.
void LUdfFinishTag(uint8_t* descriptor, uint16_t tagId, uint16_t version, uint32_t location,
                   std::size_t size);
// A name as UTF-16, cut to `units` without splitting a surrogate pair.
std::u16string LUdfName(const std::string& utf8, std::size_t units);
