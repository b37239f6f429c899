#pragma once
// The ISO 9660 part of a data-disc image: a primary volume with 8.3 names,
// or (with the Joliet flag) a supplementary volume with Unicode names over
// the same file data, plus the El Torito boot structures.

#include "burn/LBurnResult.h"
#include "burn/LDiscNode.h"

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One file or folder of the compilation as one volume records it. A file's
// data extent stays in the compilation node, so every volume shares it.
struct LIsoDirNode
{
    LDiscNode* node = nullptr;
    LIsoDirNode* parent = nullptr;
    bool folder = false;
    // The identifier as recorded, without ";1": d-characters for the
    // primary volume, big-endian UCS-2 (NFC) for Joliet. Children are keyed
    // by it, so listings are in byte order.
    std::string identifier;
    std::map<std::string, std::unique_ptr<LIsoDirNode>> children;
    uint32_t directorySector = 0; // relative to the session
    uint32_t directorySize = 0;   // bytes, whole sectors
    uint16_t pathNumber = 0;
};

// Largest extent of one directory record for files of 4 GiB and more.
inline constexpr uint64_t kIsoMaxExtentBytes = 0xFFFFF800ull;
// Path-table records name their parent in 16 bits.
inline constexpr std::size_t kIsoMaxFolders = 65535;

class LIsoImageBuilder
{
public:
    explicit LIsoImageBuilder(bool joliet);

    void SetVolumeLabel(const char* text);
    // Mirrors the compilation; fails (code 6) on too many folders or a folder
    // whose names run out of variants.
    bool BuildTree(LDiscNode* root, LBurnResult& result);

    // Bytes of one path table and the sectors of both copies.
    uint32_t PathTableBytes() const { return pathTableBytes_; }
    uint32_t PathTableSectors() const;
    // Lays the folders out from `firstSector`, each on its own sectors,
    // depth-first in name order; returns the sectors taken.
    uint32_t LayoutDirectories(uint32_t firstSector);

    // Fills the directory records into `area` (the sectors from the first
    // directory sector) once every file has its extent. Addresses are the
    // session-relative sectors plus `base`.
    void WriteDirectories(uint8_t* area, uint32_t firstSector, uint32_t base) const;
    // Both path tables: the L table at `lTable`, the M table at `mTable`.
    void WritePathTables(uint8_t* lTable, uint8_t* mTable, uint32_t base) const;
    // The volume descriptor sector.
    void WriteVolumeDescriptor(uint8_t* sector, uint32_t volumeSectors, uint32_t lTableSector,
                               uint32_t mTableSector, uint32_t base, time_t created) const;

    const LIsoDirNode* Root() const { return root_.get(); }
    bool Joliet() const { return joliet_; }
    std::size_t FolderCount() const { return folders_.size(); }

    // The on-disc name a compilation name gets in this volume (before any
    // collision number).
    std::string OnDiscName(const std::string& name) const;

private:
    bool Mirror(LDiscNode* from, LIsoDirNode* to, LBurnResult& result);
    bool AddChild(LIsoDirNode* folder, std::unique_ptr<LIsoDirNode> child);
    void WriteRecord(uint8_t* record, const LIsoDirNode* entry, const std::string& identifier,
                     uint32_t extent, uint32_t length, uint8_t flags, uint32_t base) const;

    bool joliet_;
    std::string label_;
    std::unique_ptr<LIsoDirNode> root_;
    std::vector<LIsoDirNode*> folders_; // path-table order
    uint32_t pathTableBytes_ = 0;
};

// Copies the characters of `src` that ISO 9660 allows in d-strings: a-z
// raised to A-Z; A-Z, 0-9, "_" and (when allowed) the blank kept; everything
// else dropped. At most `length` - `terminate` characters; with terminate a
// zero byte follows, otherwise the field is filled with blanks.
std::string LIsoFormatDString(const std::string& src, std::size_t length, bool allowBlank, bool terminate);

// Directory records of one file: ceil(size / 0xFFFFF800), at least one.
uint32_t LIsoExtentCount(uint64_t size);

// The 7-byte recording date of a directory record, UTC.
void LIsoRecordDate(uint8_t* out, time_t when);
