#include "burn/LUdfImageBuilder.h"

#include "burn/LDiscBytes.h"
#include "burn/unicode/LNfc.h"

#include <algorithm>
#include <array>
#include <functional>
#include <set>

using namespace disc;

namespace {

constexpr const char* kImplementationId = "*Pyrocastelle";
constexpr unsigned kMaxVariants = 10000000;
constexpr uint32_t kEaLength = 132;

uint16_t DescriptorVersion(uint16_t revision)
{
    return revision >= 0x200 ? 3 : 2;
}

void PutRegid(uint8_t* p, const char* identifier, uint16_t revision = 0, uint8_t domainFlags = 0,
              bool suffix = false)
{
    std::memset(p, 0, 32);
    std::memcpy(p + 1, identifier, std::min<std::size_t>(std::strlen(identifier), 23));
    if (suffix) {
        Put16(p + 24, revision);
        p[26] = domainFlags;
    }
}

void PutCharspec(uint8_t* p)
{
    std::memset(p, 0, 64);
    std::memcpy(p + 1, "OSTA Compressed Unicode", 23);
}

void PutTimestamp(uint8_t* p, time_t when)
{
    const std::tm fields = UtcFields(when);
    // Type 1 (local time) with an offset of 0: the fields are UTC.
    Put16(p, 0x1000);
    Put16(p + 2, static_cast<uint32_t>(fields.tm_year + 1900));
    p[4] = static_cast<uint8_t>(fields.tm_mon + 1);
    p[5] = static_cast<uint8_t>(fields.tm_mday);
    p[6] = static_cast<uint8_t>(fields.tm_hour);
    p[7] = static_cast<uint8_t>(fields.tm_min);
    p[8] = static_cast<uint8_t>(fields.tm_sec);
    p[9] = p[10] = p[11] = 0;
}

// A 16-bit dstring in a field of `size` bytes.
void PutDString(uint8_t* p, std::size_t size, const std::string& text)
{
    std::memset(p, 0, size);
    const std::u16string units = LUdfName(text, (size - 2) / 2);
    if (units.empty())
        return;
    p[0] = 16;
    for (std::size_t i = 0; i < units.size(); ++i)
        Put16Be(p + 1 + 2 * i, units[i]);
    p[size - 1] = static_cast<uint8_t>(1 + 2 * units.size());
}

void PutLongAd(uint8_t* p, uint32_t length, uint32_t block, uint16_t partition, uint32_t uniqueId = 0)
{
    Put32(p, length);
    Put32(p + 4, block);
    Put16(p + 8, partition);
    std::memset(p + 10, 0, 6);
    Put32(p + 12, uniqueId); // UDF unique ID in the implementation-use bytes (after 2 flag bytes)
}

void PutShortAd(uint8_t* p, uint32_t length, uint32_t position)
{
    Put32(p, length);
    Put32(p + 4, position);
}

void PutIcbTag(uint8_t* p, uint8_t fileType, uint16_t flags)
{
    std::memset(p, 0, 20);
    Put16(p + 4, 4); // strategy 4
    Put16(p + 8, 1); // one entry
    p[11] = fileType;
    Put16(p + 18, flags);
}

void PutExtendedAttributes(uint8_t* p, uint16_t revision, uint16_t version, uint32_t location)
{
    std::memset(p, 0, kEaLength);
    Put32(p + 16, 24);        // implementation attributes follow the header
    Put32(p + 20, kEaLength); // no application attributes
    LUdfFinishTag(p, 262, version, location, 24);
    uint8_t* free = p + 24;
    Put32(free, 2048);
    free[4] = 1;
    Put32(free + 8, 52);
    Put32(free + 12, 4);
    PutRegid(free + 16, "*UDF FreeEASpace", revision, 0, true);
    uint8_t* cgms = p + 76;
    Put32(cgms, 2048);
    cgms[4] = 1;
    Put32(cgms + 8, 56);
    Put32(cgms + 12, 8);
    PutRegid(cgms + 16, "*UDF DVD CGMS Info", revision, 0, true);
    for (uint8_t* attribute : {free, cgms}) {
        uint32_t sum = 0;
        for (int i = 0; i < 48; ++i)
            sum += attribute[i];
        Put16(attribute + 48, sum & 0xFFFF);
    }
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

std::u16string CutUnits(const std::u16string& text, std::size_t units)
{
    if (text.size() <= units)
        return text;
    if (units > 0 && IsHighSurrogate(text[units - 1]))
        --units;
    return text.substr(0, units);
}

uint32_t IdentifierLength(std::size_t nameUnits)
{
    const uint32_t nameBytes = nameUnits == 0 ? 0 : static_cast<uint32_t>(1 + 2 * nameUnits);
    return (38 + nameBytes + 3) / 4 * 4;
}

} // namespace

uint16_t LUdfCrc(const uint8_t* data, std::size_t length)
{
    static const auto table = [] {
        std::array<uint16_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t crc = i << 8;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
            t[i] = static_cast<uint16_t>(crc);
        }
        return t;
    }();
    uint16_t crc = 0;
    for (std::size_t i = 0; i < length; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ table[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

void LUdfFinishTag(uint8_t* descriptor, uint16_t tagId, uint16_t version, uint32_t location, std::size_t size)
{
    Put16(descriptor, tagId);
    Put16(descriptor + 2, version);
    descriptor[4] = 0;
    descriptor[5] = 0;
    Put16(descriptor + 6, 1);
    Put16(descriptor + 8, LUdfCrc(descriptor + 16, size - 16));
    Put16(descriptor + 10, static_cast<uint32_t>(size - 16));
    Put32(descriptor + 12, location);
    uint32_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4)
            sum += descriptor[i];
    descriptor[4] = static_cast<uint8_t>(sum);
}

std::u16string LUdfName(const std::string& utf8, std::size_t units)
{
    std::u16string out;
    for (char32_t c : LUtf8ToCodePointString(utf8)) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return CutUnits(out, units);
}

LUdfImageBuilder::LUdfImageBuilder(uint16_t revision) : revision_(revision), recorded_(::time(nullptr)) {}

bool LUdfImageBuilder::Mirror(LDiscNode* from, LUdfEntry* to, LBurnResult& result)
{
    std::set<std::u16string> taken;
    for (auto& [key, child] : from->children) {
        auto entry = std::make_unique<LUdfEntry>();
        entry->node = child.get();
        entry->parent = to;
        entry->folder = child->isFolder;
        entry->uniqueId = nextUniqueId_++;
        std::u16string name = LUdfName(LDiscComponentName(child->name), kUdfMaxNameUnits);
        if (taken.count(name) != 0) {
            // Names cut to the UDF limit can meet: number them like the
            // compilation does, within the limit.
            const std::size_t dot = name.rfind(u'.');
            std::u16string title = (dot == std::u16string::npos || dot == 0) ? name : name.substr(0, dot);
            std::u16string extension = (dot == std::u16string::npos || dot == 0) ? u"" : name.substr(dot);
            extension = CutUnits(extension, 16);
            bool found = false;
            for (unsigned n = 2; n < kMaxVariants && !found; ++n) {
                std::u16string number;
                for (char c : std::to_string(n))
                    number.push_back(static_cast<char16_t>(c));
                const std::u16string candidate =
                    CutUnits(title, kUdfMaxNameUnits - number.size() - extension.size()) + number + extension;
                if (taken.count(candidate) == 0) {
                    name = candidate;
                    found = true;
                }
            }
            if (!found) {
                result.SetFormat(kBurnCreateUdfFailed, "No free name for %s", child->name);
                return false;
            }
        }
        taken.insert(name);
        entry->name = name;
        if (entry->folder) {
            ++folders_;
            if (!Mirror(child.get(), entry.get(), result))
                return false;
        } else {
            ++files_;
        }
        to->children.push_back(std::move(entry));
    }
    return true;
}

bool LUdfImageBuilder::SetCompilation(LDiscNode* root, LBurnResult& result)
{
    root_ = std::make_unique<LUdfEntry>();
    root_->node = root;
    root_->folder = true;
    root_->uniqueId = 0;
    files_ = 0;
    folders_ = 1;
    nextUniqueId_ = 16;
    if (!Mirror(root, root_.get(), result))
        return false;

    // Entry space: file set descriptor, its terminator, then each node's
    // entry followed (for a folder) by its identifiers, depth-first.
    uint32_t block = 2;
    std::function<void(LUdfEntry&)> place = [&](LUdfEntry& entry) {
        entry.entryBlock = block++;
        if (!entry.folder)
            return;
        entry.identifierBytes = IdentifierLength(0);
        for (const auto& child : entry.children)
            entry.identifierBytes += IdentifierLength(child->name.size());
        entry.identifierBlock = block;
        block += static_cast<uint32_t>(SectorsFor(entry.identifierBytes));
        for (auto& child : entry.children)
            place(*child);
    };
    place(*root_);
    entrySpaceSectors_ = block;
    return true;
}

uint32_t LUdfImageBuilder::MetadataSectors() const
{
    return (entrySpaceSectors_ + 31) / 32 * 32;
}

uint32_t LUdfImageBuilder::PartitionHeadSectors() const
{
    if (revision_ < 0x250)
        return entrySpaceSectors_;
    // Metadata file entry at 0, the metadata from 32, its mirror entry after.
    return 32 + MetadataSectors() + 1;
}

void LUdfImageBuilder::SetPartition(uint32_t startSector, uint32_t partitionSectors)
{
    partitionStart_ = startSector;
    partitionSectors_ = partitionSectors;
}

void LUdfImageBuilder::WriteVolumeSequence(uint8_t* area, uint32_t firstSector, uint32_t base) const
{
    const uint16_t version = DescriptorVersion(revision_);
    auto at = [&](uint32_t index) {
        uint8_t* p = area + static_cast<std::size_t>(firstSector + index) * 2048;
        std::memset(p, 0, 2048);
        return p;
    };
    const uint32_t location = firstSector + base;

    uint8_t* pvd = at(0);
    Put32(pvd + 16, 0);
    Put32(pvd + 20, 0);
    PutDString(pvd + 24, 32, label_);
    Put16(pvd + 56, 1);
    Put16(pvd + 58, 1);
    Put16(pvd + 60, 2);
    Put16(pvd + 62, 2);
    Put32(pvd + 64, 1);
    Put32(pvd + 68, 1);
    char volumeSet[128];
    std::snprintf(volumeSet, sizeof volumeSet, "%08x Quorin Dizer od OD Udivezeve", 1u);
    PutDString(pvd + 72, 128, volumeSet);
    PutCharspec(pvd + 200);
    PutCharspec(pvd + 264);
    PutTimestamp(pvd + 376, recorded_);
    PutRegid(pvd + 388, kImplementationId);
    LUdfFinishTag(pvd, 1, version, location, 512);

    uint8_t* iuvd = at(1);
    Put32(iuvd + 16, 1);
    PutRegid(iuvd + 20, "*UDF LV Info", revision_, 0, true);
    PutCharspec(iuvd + 52);
    PutDString(iuvd + 116, 128, label_);
    PutRegid(iuvd + 352, kImplementationId);
    LUdfFinishTag(iuvd, 4, version, location + 1, 512);

    uint8_t* pd = at(2);
    Put32(pd + 16, 2);
    Put16(pd + 20, 1);
    Put16(pd + 22, 0);
    PutRegid(pd + 24, revision_ >= 0x200 ? "+NSR03" : "+NSR02", revision_, 0, true);
    Put32(pd + 184, 1);
    Put32(pd + 188, partitionStart_ + base);
    Put32(pd + 192, partitionSectors_);
    PutRegid(pd + 196, kImplementationId);
    LUdfFinishTag(pd, 5, version, location + 2, 512);

    uint8_t* lvd = at(3);
    const bool metadata = revision_ >= 0x250;
    const uint32_t mapLength = metadata ? 70 : 6;
    Put32(lvd + 16, 3);
    PutCharspec(lvd + 20);
    PutDString(lvd + 84, 128, label_);
    Put32(lvd + 212, 2048);
    PutRegid(lvd + 216, "*OSTA UDF Compliant", revision_, 3, true);
    // The file set lives in the metadata partition (reference 1) in 2.50.
    PutLongAd(lvd + 248, 4096, 0, metadata ? 1 : 0);
    Put32(lvd + 264, mapLength);
    Put32(lvd + 268, metadata ? 2 : 1);
    PutRegid(lvd + 272, kImplementationId);
    Put32(lvd + 432, 4096);
    Put32(lvd + 436, kUdfIntegritySector + base);
    uint8_t* map = lvd + 440;
    map[0] = 1;
    map[1] = 6;
    Put16(map + 2, 1);
    Put16(map + 4, 0);
    if (metadata) {
        uint8_t* meta = map + 6;
        meta[0] = 2;
        meta[1] = 64;
        PutRegid(meta + 4, "*UDF Metadata Partition", revision_, 0, true);
        Put16(meta + 36, 1);
        Put16(meta + 38, 0);
        Put32(meta + 40, 0);
        Put32(meta + 44, 32 + MetadataSectors());
        Put32(meta + 48, 0xFFFFFFFF);
        Put32(meta + 52, 32);
        Put16(meta + 56, 32);
        meta[58] = 0;
    }
    LUdfFinishTag(lvd, 6, version, location + 3, 440 + mapLength);

    uint8_t* usd = at(4);
    Put32(usd + 16, 4);
    Put32(usd + 20, 0);
    LUdfFinishTag(usd, 7, version, location + 4, 24);

    uint8_t* td = at(5);
    LUdfFinishTag(td, 8, version, location + 5, 512);
}

void LUdfImageBuilder::WriteIntegrity(uint8_t* p, uint32_t location) const
{
    std::memset(p, 0, 2048);
    const bool metadata = revision_ >= 0x250;
    const uint32_t partitions = metadata ? 2 : 1;
    PutTimestamp(p + 16, recorded_);
    Put32(p + 28, 1); // closed
    Put64(p + 40, nextUniqueId_);
    Put32(p + 72, partitions);
    Put32(p + 76, 46);
    uint8_t* freeSpace = p + 80;
    uint8_t* sizes = freeSpace + 4 * partitions;
    Put32(freeSpace, 0);
    Put32(sizes, partitionSectors_);
    if (metadata) {
        Put32(freeSpace + 4, 0);
        Put32(sizes + 4, MetadataSectors());
    }
    uint8_t* use = sizes + 4 * partitions;
    PutRegid(use, kImplementationId);
    Put32(use + 32, files_);
    Put32(use + 36, folders_);
    Put16(use + 40, revision_);
    Put16(use + 42, revision_);
    Put16(use + 44, revision_);
    LUdfFinishTag(p, 9, DescriptorVersion(revision_), location, 80 + 8 * partitions + 46);
}

void LUdfImageBuilder::WriteVolumeStructures(uint8_t* area, uint32_t recognitionSector, uint32_t base) const
{
    const char* ids[3] = {"BEA01", revision_ >= 0x200 ? "NSR03" : "NSR02", "TEA01"};
    for (int i = 0; i < 3; ++i) {
        uint8_t* p = area + static_cast<std::size_t>(recognitionSector + i) * 2048;
        std::memset(p, 0, 2048);
        std::memcpy(p + 1, ids[i], 5);
        p[6] = 1;
    }
    WriteVolumeSequence(area, kUdfMainSequenceSector, base);
    WriteVolumeSequence(area, kUdfReserveSequenceSector, base);
    WriteIntegrity(area + kUdfIntegritySector * 2048, kUdfIntegritySector + base);
    uint8_t* terminator = area + (kUdfIntegritySector + 1) * 2048;
    std::memset(terminator, 0, 2048);
    LUdfFinishTag(terminator, 8, DescriptorVersion(revision_), kUdfIntegritySector + 1 + base, 512);
    WriteAnchor(area + kUdfAnchorSector * 2048, kUdfAnchorSector, base);
}

void LUdfImageBuilder::WriteAnchor(uint8_t* p, uint32_t sector, uint32_t base) const
{
    std::memset(p, 0, 2048);
    Put32(p + 16, 16 * 2048);
    Put32(p + 20, kUdfMainSequenceSector + base);
    Put32(p + 24, 16 * 2048);
    Put32(p + 28, kUdfReserveSequenceSector + base);
    LUdfFinishTag(p, 2, DescriptorVersion(revision_), sector + base, 512);
}

void LUdfImageBuilder::WriteEntry(uint8_t* p, const LUdfEntry& entry) const
{
    std::memset(p, 0, 2048);
    const bool extended = revision_ >= 0x250;
    const uint16_t version = DescriptorVersion(revision_);
    const uint32_t headerSize = extended ? 216 : 176;
    const uint64_t infoLength = entry.folder ? entry.identifierBytes : entry.node->size;

    // Allocation descriptors: a folder's identifiers (in the entry space), or
    // a file's data as a run of extents in the physical partition.
    uint8_t* ads = p + headerSize + kEaLength;
    uint32_t adLength = 0;
    uint16_t flags = extended ? 0x20 : 0x0230;
    if (entry.folder) {
        PutShortAd(ads, entry.identifierBytes, entry.identifierBlock);
        adLength = 8;
    } else {
        const uint32_t dataBlock = entry.node->extent - partitionStart_;
        uint64_t left = entry.node->size;
        uint64_t done = 0;
        do {
            const uint32_t length = static_cast<uint32_t>(std::min<uint64_t>(left, kUdfMaxExtentBytes));
            const uint32_t block = dataBlock + static_cast<uint32_t>(done / 2048);
            if (extended) {
                PutLongAd(ads + adLength, length, block, 0);
                adLength += 16;
            } else {
                PutShortAd(ads + adLength, length, block);
                adLength += 8;
            }
            left -= length;
            done += length;
        } while (left > 0);
        if (extended)
            flags |= 1; // long allocation descriptors
    }

    PutIcbTag(p + 16, entry.folder ? 4 : 5, flags);
    Put32(p + 36, 0xFFFFFFFF);
    Put32(p + 40, 0xFFFFFFFF);
    Put32(p + 44, 0x14A5);
    uint32_t links = 1;
    if (entry.folder)
        for (const auto& child : entry.children)
            links += child->folder ? 1 : 0;
    Put16(p + 48, links);
    Put64(p + 56, infoLength);
    const uint64_t recorded = SectorsFor(infoLength);
    const time_t when = entry.node->time;
    if (extended) {
        Put64(p + 64, infoLength);
        Put64(p + 72, recorded);
        PutTimestamp(p + 80, when);
        PutTimestamp(p + 92, when);
        PutTimestamp(p + 104, when);
        PutTimestamp(p + 116, when);
        Put32(p + 128, 1);
        PutRegid(p + 168, kImplementationId);
        Put64(p + 200, entry.uniqueId);
        Put32(p + 208, kEaLength);
        Put32(p + 212, adLength);
    } else {
        Put64(p + 64, recorded);
        PutTimestamp(p + 72, when);
        PutTimestamp(p + 84, when);
        PutTimestamp(p + 96, when);
        Put32(p + 108, 1);
        PutRegid(p + 128, kImplementationId);
        Put64(p + 160, entry.uniqueId);
        Put32(p + 168, kEaLength);
        Put32(p + 172, adLength);
    }
    PutExtendedAttributes(p + headerSize, revision_, version, entry.entryBlock);
    LUdfFinishTag(p, extended ? 266 : 261, version, entry.entryBlock, headerSize + kEaLength + adLength);
}

void LUdfImageBuilder::WriteIdentifiers(uint8_t* space, const LUdfEntry& folder) const
{
    const uint16_t version = DescriptorVersion(revision_);
    const uint16_t partition = revision_ >= 0x250 ? 1 : 0;
    uint8_t* start = space + static_cast<std::size_t>(folder.identifierBlock) * 2048;
    uint32_t offset = 0;
    auto put = [&](const LUdfEntry& target, const std::u16string& name, uint8_t characteristics) {
        uint8_t* p = start + offset;
        const uint32_t length = IdentifierLength(name.size());
        std::memset(p, 0, length);
        Put16(p + 16, 1);
        p[18] = characteristics;
        p[19] = static_cast<uint8_t>(name.empty() ? 0 : 1 + 2 * name.size());
        PutLongAd(p + 20, 2048, target.entryBlock, partition, static_cast<uint32_t>(target.uniqueId));
        if (!name.empty()) {
            p[38] = 16;
            for (std::size_t i = 0; i < name.size(); ++i)
                Put16Be(p + 39 + 2 * i, name[i]);
        }
        LUdfFinishTag(p, 257, version, folder.identifierBlock + offset / 2048, length);
        offset += length;
    };
    put(folder.parent ? *folder.parent : folder, u"", 0x0A);
    for (const auto& child : folder.children)
        put(*child, child->name, child->folder ? 0x02 : 0x00);
}

void LUdfImageBuilder::WriteMetadataFile(uint8_t* p, uint32_t block, uint8_t fileType) const
{
    std::memset(p, 0, 2048);
    const uint16_t version = DescriptorVersion(revision_);
    const uint64_t length = static_cast<uint64_t>(MetadataSectors()) * 2048;
    PutIcbTag(p + 16, fileType, 0x20);
    Put32(p + 36, 0xFFFFFFFF);
    Put32(p + 40, 0xFFFFFFFF);
    Put32(p + 44, 0x14A5);
    Put16(p + 48, 1);
    Put64(p + 56, length);
    Put64(p + 64, length);
    Put64(p + 72, MetadataSectors());
    for (uint32_t field : {80u, 92u, 104u, 116u})
        PutTimestamp(p + field, recorded_);
    Put32(p + 128, 1);
    PutRegid(p + 168, kImplementationId);
    Put32(p + 212, 8);
    PutShortAd(p + 216, static_cast<uint32_t>(length), 32);
    LUdfFinishTag(p, 266, version, block, 216 + 8);
}

void LUdfImageBuilder::WritePartitionHead(uint8_t* area) const
{
    const bool metadata = revision_ >= 0x250;
    const uint16_t version = DescriptorVersion(revision_);
    uint8_t* space = area;
    if (metadata) {
        WriteMetadataFile(area, 0, 250);
        space = area + 32 * 2048;
        WriteMetadataFile(area + static_cast<std::size_t>(32 + MetadataSectors()) * 2048,
                          32 + MetadataSectors(), 251);
    }

    uint8_t* fsd = space;
    std::memset(fsd, 0, 4096);
    PutTimestamp(fsd + 16, recorded_);
    Put16(fsd + 28, 3);
    Put16(fsd + 30, 3);
    Put32(fsd + 32, 1);
    Put32(fsd + 36, 1);
    PutCharspec(fsd + 48);
    PutDString(fsd + 112, 128, label_);
    PutCharspec(fsd + 240);
    PutDString(fsd + 304, 32, label_);
    PutLongAd(fsd + 400, 2048, root_->entryBlock, metadata ? 1 : 0);
    PutRegid(fsd + 416, "*OSTA UDF Compliant", revision_, 3, true);
    LUdfFinishTag(fsd, 256, version, 0, 512);
    LUdfFinishTag(fsd + 2048, 8, version, 1, 512);

    std::function<void(const LUdfEntry&)> write = [&](const LUdfEntry& entry) {
        WriteEntry(space + static_cast<std::size_t>(entry.entryBlock) * 2048, entry);
        if (!entry.folder)
            return;
        WriteIdentifiers(space, entry);
        for (const auto& child : entry.children)
            write(*child);
    };
    write(*root_);
}
