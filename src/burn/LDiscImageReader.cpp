#include "burn/LDiscImageReader.h"

#include "burn/LDiscBytes.h"
#include "burn/LUdfImageBuilder.h"

#include <map>
#include <set>

using namespace disc;

namespace {

constexpr int kMaxDepth = 256;
constexpr uint64_t kMaxDirectoryBytes = 64ull * 1024 * 1024;
constexpr std::size_t kMaxEntries = 1000000;

std::string Utf16BeToUtf8(const uint8_t* p, std::size_t bytes)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        char32_t c = Get16Be(p + i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes) {
            const char32_t low = Get16Be(p + i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Checks a UDF tag: identifier, checksum, CRC over what lies in `available`
// bytes, and location.
bool CheckTag(const uint8_t* p, std::size_t available, uint16_t tagId, uint32_t location, std::string* error)
{
    if (available < 16) {
        *error = "UDF descriptor cut short";
        return false;
    }
    uint32_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4)
            sum += p[i];
    if (static_cast<uint8_t>(sum) != p[4]) {
        *error = "UDF tag checksum wrong for tag " + std::to_string(Get16(p));
        return false;
    }
    if (Get16(p) != tagId) {
        *error = "UDF tag " + std::to_string(Get16(p)) + " where " + std::to_string(tagId) + " was expected";
        return false;
    }
    const uint32_t crcLength = Get16(p + 10);
    if (16 + static_cast<std::size_t>(crcLength) > available) {
        *error = "UDF descriptor CRC length past its data";
        return false;
    }
    if (LUdfCrc(p + 16, crcLength) != Get16(p + 8)) {
        *error = "UDF descriptor CRC wrong for tag " + std::to_string(tagId);
        return false;
    }
    if (Get32(p + 12) != location) {
        *error = "UDF tag location " + std::to_string(Get32(p + 12)) + " at " + std::to_string(location);
        return false;
    }
    return true;
}

} // namespace

LDiscImageReader::LDiscImageReader(ReadSector read) : read_(std::move(read)) {}

bool LDiscImageReader::Sector(uint64_t sector, uint8_t* out, std::string* error)
{
    if (!read_(sector, out)) {
        *error = "cannot read sector " + std::to_string(sector);
        return false;
    }
    return true;
}

bool LDiscImageReader::Bytes(uint64_t sector, uint64_t length, std::vector<uint8_t>* out, std::string* error)
{
    if (length > kMaxDirectoryBytes) {
        *error = "directory too large";
        return false;
    }
    // Grown sector by sector: a damaged length fails at the first sector
    // that cannot be read, before any large allocation.
    out->clear();
    uint8_t data[2048];
    for (uint64_t i = 0; i < SectorsFor(length); ++i) {
        if (!Sector(sector + i, data, error))
            return false;
        out->insert(out->end(), data, data + 2048);
    }
    out->resize(length);
    return true;
}

bool LDiscImageReader::ReadIso(bool joliet, LDiscImageEntry* root, std::string* error)
{
    uint8_t vd[2048];
    uint8_t chosen[2048];
    bool found = false;
    bootCatalogSector = 0;
    for (uint32_t sector = 16; sector < 16 + 64; ++sector) {
        if (!Sector(sector, vd, error))
            return false;
        if (std::memcmp(vd + 1, "CD001", 5) != 0) {
            *error = "no volume descriptor at sector " + std::to_string(sector);
            return false;
        }
        if (vd[0] == 255)
            break;
        if (vd[0] == 0 && std::memcmp(vd + 7, "EL TORITO SPECIFICATION", 23) == 0)
            bootCatalogSector = Get32(vd + 71);
        if (!found && ((!joliet && vd[0] == 1) ||
                       (joliet && vd[0] == 2 && vd[88] == '%' && vd[89] == '/' && vd[90] == 'E'))) {
            std::memcpy(chosen, vd, sizeof vd);
            found = true;
        }
    }
    if (found)
        std::memcpy(vd, chosen, sizeof vd);
    if (!found) {
        *error = joliet ? "no Joliet volume descriptor" : "no primary volume descriptor";
        return false;
    }
    volumeSectors = Get32(vd + 80);
    volumeLabel = joliet ? Utf16BeToUtf8(vd + 40, 32) : std::string(reinterpret_cast<char*>(vd + 40), 32);
    while (!volumeLabel.empty() && (volumeLabel.back() == ' ' || volumeLabel.back() == '\0'))
        volumeLabel.pop_back();
    if (Get16(vd + 128) != 2048 || vd[156] != 34) {
        *error = "unexpected block size or root record";
        return false;
    }

    auto decodeName = [&](const uint8_t* id, std::size_t length) {
        std::string name =
            joliet ? Utf16BeToUtf8(id, length) : std::string(reinterpret_cast<const char*>(id), length);
        if (name.size() >= 2 && name.compare(name.size() - 2, 2, ";1") == 0)
            name.resize(name.size() - 2);
        return name;
    };

    // Directories found by walking the tree, by sector: (parent sector, name).
    std::map<uint32_t, std::pair<uint32_t, std::string>> folders;
    std::set<uint32_t> visiting;
    std::size_t entries = 0;
    std::function<bool(uint32_t, uint32_t, uint32_t, LDiscImageEntry*, int)> walk =
        [&](uint32_t sector, uint32_t size, uint32_t parentSector, LDiscImageEntry* folder,
            int depth) -> bool {
        if (depth > kMaxDepth || !visiting.insert(sector).second) {
            *error = "directory loop or too deep at sector " + std::to_string(sector);
            return false;
        }
        std::vector<uint8_t> data;
        if (!Bytes(sector, size, &data, error))
            return false;
        std::size_t offset = 0;
        int index = 0;
        LDiscImageEntry* pending = nullptr; // a file whose extents continue
        while (offset < data.size()) {
            const uint8_t length = data[offset];
            if (length == 0) {
                offset = (offset / 2048 + 1) * 2048;
                continue;
            }
            if (length < 34 || offset + length > data.size() || offset % 2048 + length > 2048 ||
                33u + data[offset + 32] > length) {
                *error = "bad directory record in sector " + std::to_string(sector + offset / 2048);
                return false;
            }
            const uint8_t* record = data.data() + offset;
            const uint32_t extent = Get32(record + 2);
            const uint32_t dataLength = Get32(record + 10);
            const uint8_t flags = record[25];
            if (Get32Be(record + 6) != extent || Get32Be(record + 14) != dataLength) {
                *error = "directory record byte orders disagree";
                return false;
            }
            if (index == 0 || index == 1) {
                const uint32_t expected = index == 0 ? sector : parentSector;
                if (record[32] != 1 || record[33] != index || extent != expected) {
                    *error = "bad \".\" or \"..\" record in sector " + std::to_string(sector);
                    return false;
                }
            } else if (++entries > kMaxEntries) {
                *error = "too many entries";
                return false;
            } else {
                const std::string name = decodeName(record + 33, record[32]);
                if (pending != nullptr && pending->name == name) {
                    pending->extents.emplace_back(extent, dataLength);
                    pending->size += dataLength;
                } else {
                    if (pending != nullptr) {
                        *error = "multi-extent file " + pending->name + " ends without its last record";
                        return false;
                    }
                    LDiscImageEntry entry;
                    entry.name = name;
                    entry.folder = (flags & 2) != 0;
                    entry.size = dataLength;
                    if (entry.folder) {
                        folders[extent] = {sector, name};
                        if (!walk(extent, dataLength, sector, &entry, depth + 1))
                            return false;
                    } else {
                        entry.extents.emplace_back(extent, dataLength);
                    }
                    folder->children.push_back(std::move(entry));
                }
                pending = (flags & 0x80) ? &folder->children.back() : nullptr;
            }
            ++index;
            offset += length;
        }
        if (pending != nullptr) {
            *error = "multi-extent file " + pending->name + " ends without its last record";
            return false;
        }
        visiting.erase(sector);
        return true;
    };
    *root = LDiscImageEntry{};
    root->folder = true;
    const uint32_t rootSector = Get32(vd + 156 + 2);
    folders[rootSector] = {rootSector, ""};
    if (!walk(rootSector, Get32(vd + 156 + 10), rootSector, root, 0))
        return false;

    // The path tables list exactly the folders found, each with its parent.
    const uint32_t tableBytes = Get32(vd + 132);
    std::vector<uint8_t> lTable, mTable;
    if (!Bytes(Get32(vd + 140), tableBytes, &lTable, error) ||
        !Bytes(Get32Be(vd + 148), tableBytes, &mTable, error))
        return false;
    std::vector<uint32_t> numbered;
    std::size_t offset = 0;
    while (offset < lTable.size()) {
        const uint8_t length = lTable[offset];
        if (length == 0 || offset + 8 + length > lTable.size()) {
            *error = "bad path table record";
            return false;
        }
        const uint32_t extent = Get32(lTable.data() + offset + 2);
        const uint32_t parent = Get16(lTable.data() + offset + 6);
        if (Get32Be(mTable.data() + offset + 2) != extent || Get16Be(mTable.data() + offset + 6) != parent) {
            *error = "L and M path tables disagree";
            return false;
        }
        if (parent == 0 || parent > numbered.size() + (numbered.empty() ? 1 : 0)) {
            *error = "path table parent number out of order";
            return false;
        }
        auto it = folders.find(extent);
        if (it == folders.end()) {
            *error = "path table names a folder no directory holds";
            return false;
        }
        const uint32_t parentSector = numbered.empty() ? extent : numbered[parent - 1];
        const std::string name = numbered.empty() ? "" : decodeName(lTable.data() + offset + 8, length);
        if (it->second.first != parentSector || it->second.second != name) {
            *error = "path table record for \"" + name + "\" disagrees with the directories";
            return false;
        }
        numbered.push_back(extent);
        offset += 8 + length + (length % 2);
    }
    if (numbered.size() != folders.size()) {
        *error = "path table holds " + std::to_string(numbered.size()) + " folders, the directories " +
                 std::to_string(folders.size());
        return false;
    }
    return true;
}

bool LDiscImageReader::ReadUdf(LDiscImageEntry* root, std::string* error)
{
    uint8_t sector[2048];
    if (!Sector(256, sector, error) || !CheckTag(sector, 2048, 2, 256, error))
        return false;
    const uint32_t mainLength = Get32(sector + 16);
    const uint32_t mainStart = Get32(sector + 20);
    uint32_t partitionStart = 0, partitionLength = 0;
    bool havePartition = false, haveVolume = false;
    uint32_t fsdBlock = 0;
    uint16_t fsdPartition = 0;
    bool metadata = false;
    uint32_t metadataFile = 0;
    for (uint32_t i = 0; i < mainLength / 2048 && i < 64; ++i) {
        if (!Sector(mainStart + i, sector, error))
            return false;
        const uint16_t tag = Get16(sector);
        if (tag == 8)
            break;
        if (!CheckTag(sector, 2048, tag, mainStart + i, error))
            return false;
        if (tag == 5) {
            partitionStart = Get32(sector + 188);
            partitionLength = Get32(sector + 192);
            havePartition = true;
        } else if (tag == 6) {
            haveVolume = true;
            volumeLabel = sector[84] == 16
                              ? Utf16BeToUtf8(sector + 85, sector[84 + 127] > 0 ? sector[84 + 127] - 1 : 0)
                              : std::string();
            fsdBlock = Get32(sector + 252);
            fsdPartition = static_cast<uint16_t>(Get16(sector + 256));
            const uint32_t maps = Get32(sector + 268);
            const uint32_t mapLength = Get32(sector + 264);
            if (mapLength > 2048 - 440) {
                *error = "partition maps too long";
                return false;
            }
            uint32_t offset = 440;
            for (uint32_t m = 0; m < maps && offset + 2 <= 440 + mapLength; ++m) {
                const uint8_t type = sector[offset];
                const uint8_t length = sector[offset + 1];
                if (length == 0)
                    break;
                if (type == 2 && offset + 64 <= 2048 &&
                    std::memcmp(sector + offset + 5, "*UDF Metadata Partition", 23) == 0) {
                    metadata = true;
                    metadataFile = Get32(sector + offset + 40);
                }
                offset += length;
            }
        }
    }
    if (!havePartition || !haveVolume) {
        *error = "no UDF partition or logical volume descriptor";
        return false;
    }

    // Blocks of the partition that holds the entries: the physical one, or
    // the metadata partition through its metadata file.
    uint64_t entryBase = partitionStart;
    if (metadata) {
        if (!Sector(partitionStart + static_cast<uint64_t>(metadataFile), sector, error) ||
            !CheckTag(sector, 2048, 266, metadataFile, error))
            return false;
        if (Get32(sector + 208) != 0 || Get32(sector + 212) < 8 || sector[16 + 11] != 250) {
            *error = "unexpected metadata file entry";
            return false;
        }
        entryBase = partitionStart + static_cast<uint64_t>(Get32(sector + 216 + 4));
        udfRevision = 0x250;
    } else {
        udfRevision = 0x102;
    }
    auto entrySector = [&](uint16_t partition, uint32_t block) -> uint64_t {
        return (metadata && partition == 1 ? entryBase : partitionStart) + block;
    };

    if (!Sector(entrySector(fsdPartition, fsdBlock), sector, error) ||
        !CheckTag(sector, 2048, 256, fsdBlock, error))
        return false;
    const uint32_t rootBlock = Get32(sector + 400 + 4);
    const uint16_t rootPartition = static_cast<uint16_t>(Get16(sector + 400 + 8));

    std::size_t entries = 0;
    std::set<uint64_t> visiting;
    std::function<bool(uint16_t, uint32_t, LDiscImageEntry*, int)> readEntry =
        [&](uint16_t partition, uint32_t block, LDiscImageEntry* entry, int depth) -> bool {
        if (depth > kMaxDepth || ++entries > kMaxEntries) {
            *error = "UDF tree too deep or too large";
            return false;
        }
        uint8_t fe[2048];
        const uint64_t where = entrySector(partition, block);
        if (!Sector(where, fe, error))
            return false;
        const uint16_t tag = Get16(fe);
        if (tag != 261 && tag != 266) {
            *error = "no file entry at block " + std::to_string(block);
            return false;
        }
        if (!CheckTag(fe, 2048, tag, block, error))
            return false;
        const bool extended = tag == 266;
        const uint32_t header = extended ? 216 : 176;
        const uint32_t eaLength = Get32(fe + header - 8);
        const uint32_t adLength = Get32(fe + header - 4);
        if (static_cast<uint64_t>(header) + eaLength + adLength > 2048) {
            *error = "file entry allocation past its sector";
            return false;
        }
        const uint8_t fileType = fe[16 + 11];
        const uint32_t adType = Get16(fe + 16 + 18) & 7;
        entry->folder = fileType == 4;
        entry->size = Get64(fe + 56);
        const uint8_t* ads = fe + header + eaLength;
        uint64_t total = 0;
        const uint32_t step = adType == 0 ? 8 : 16;
        if (adType > 1) {
            *error = "unexpected allocation descriptor type";
            return false;
        }
        for (uint32_t offset = 0; offset + step <= adLength; offset += step) {
            const uint32_t length = Get32(ads + offset) & 0x3FFFFFFF;
            const uint32_t position = Get32(ads + offset + 4);
            const uint16_t adPartition =
                adType == 0 ? partition : static_cast<uint16_t>(Get16(ads + offset + 8));
            if (length == 0)
                break;
            entry->extents.emplace_back(entrySector(adPartition, position), length);
            total += length;
        }
        if (total != entry->size) {
            *error = "allocation of " + std::to_string(total) + " bytes for a size of " +
                     std::to_string(entry->size);
            return false;
        }
        if (entry->extents.empty() && entry->size == 0)
            entry->extents.emplace_back(0, 0);
        if (!entry->folder)
            return true;
        if (!visiting.insert(where).second) {
            *error = "UDF folder loop";
            return false;
        }
        std::vector<uint8_t> data;
        for (const auto& [start, length] : entry->extents) {
            std::vector<uint8_t> piece;
            if (!Bytes(start, length, &piece, error))
                return false;
            data.insert(data.end(), piece.begin(), piece.end());
        }
        const uint64_t firstBlock =
            entry->extents.empty() ? 0 : entry->extents[0].first - entrySector(partition, 0);
        std::size_t offset = 0;
        while (offset + 38 <= data.size()) {
            const uint8_t* fid = data.data() + offset;
            const uint8_t nameLength = fid[19];
            const uint32_t useLength = Get16(fid + 36);
            const std::size_t length = (38 + nameLength + useLength + 3) / 4 * 4;
            if (offset + 38 + nameLength + useLength > data.size() ||
                !CheckTag(fid, data.size() - offset, 257, static_cast<uint32_t>(firstBlock + offset / 2048),
                          error))
                return false;
            const uint8_t characteristics = fid[18];
            if ((characteristics & 8) == 0) {
                const uint8_t* id = fid + 38 + useLength;
                LDiscImageEntry child;
                if (nameLength > 0 && id[0] == 16)
                    child.name = Utf16BeToUtf8(id + 1, nameLength - 1u);
                else if (nameLength > 0 && id[0] == 8)
                    for (uint8_t i = 1; i < nameLength; ++i)
                        child.name += static_cast<char>(id[i]); // Latin-1 subset as read
                if (!readEntry(static_cast<uint16_t>(Get16(fid + 28)), Get32(fid + 24), &child, depth + 1))
                    return false;
                if (child.folder != ((characteristics & 2) != 0)) {
                    *error = "file identifier and entry disagree on " + child.name;
                    return false;
                }
                entry->children.push_back(std::move(child));
            }
            offset += length;
        }
        visiting.erase(where);
        (void)partitionLength;
        return true;
    };
    *root = LDiscImageEntry{};
    return readEntry(rootPartition, rootBlock, root, 0);
}
