#include "burn/LIsoImageBuilder.h"

#include "burn/LDiscBytes.h"
#include "burn/unicode/LNfc.h"
#include "foundation/text/LUtf8.h"

#include <algorithm>
#include <deque>
#include <functional>

using namespace disc;

namespace {

constexpr unsigned kMaxVariants = 100000000;
// Joliet names stay within 64 UTF-16 units; the title/extension rule below
// keeps them at 63 and leaves room for a collision number.
constexpr std::size_t kJolietNameUnits = 63;
constexpr std::size_t kJolietVariantTitle = 57;
constexpr std::size_t kPrimaryVariantTitle = 8;

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The first `units` units of text, never ending inside a surrogate pair.
std::u16string CutUnits(const std::u16string& text, std::size_t units)
{
    if (text.size() <= units)
        return text;
    if (units > 0 && IsHighSurrogate(text[units - 1]))
        --units;
    return text.substr(0, units);
}

std::u16string ToUtf16(const std::u32string& text)
{
    std::u16string out;
    for (char32_t c : text) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(0xFFFD);
        } else if (c > 0x10FFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string Ucs2Be(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t unit : text) {
        out.push_back(static_cast<char>(unit >> 8));
        out.push_back(static_cast<char>(unit & 0xFF));
    }
    return out;
}

std::u16string FromUcs2Be(const std::string& bytes)
{
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>((static_cast<uint8_t>(bytes[i]) << 8) |
                                            static_cast<uint8_t>(bytes[i + 1])));
    return out;
}

void SplitUnits(const std::u16string& name, std::u16string* title, std::u16string* extension)
{
    const std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos || dot == 0) {
        *title = name;
        extension->clear();
    } else {
        *title = name.substr(0, dot);
        *extension = name.substr(dot);
    }
}

std::string FileIdentifier(const LIsoDirNode& entry, bool joliet)
{
    if (entry.folder)
        return entry.identifier;
    return entry.identifier + (joliet ? std::string("\0;\0"
                                                    "1",
                                                    4)
                                      : std::string(";1"));
}

uint32_t RecordLength(std::size_t identifierLength)
{
    return static_cast<uint32_t>(33 + identifierLength + (identifierLength % 2 == 0 ? 1 : 0));
}

// Walks a folder's records in order, calling place(offset, length) for each
// record at its position; returns the folder's size in whole sectors' bytes.
uint32_t PlaceRecords(const LIsoDirNode& folder, bool joliet,
                      const std::function<void(uint32_t, const LIsoDirNode*, int, uint32_t)>& place)
{
    uint32_t offset = 0;
    auto put = [&](uint32_t length, const LIsoDirNode* entry, int part) {
        if (offset % 2048 + length > 2048)
            offset = (offset / 2048 + 1) * 2048;
        if (place)
            place(offset, entry, part, length);
        offset += length;
    };
    put(34, nullptr, 0); // "."
    put(34, nullptr, 1); // ".."
    for (const auto& [key, child] : folder.children) {
        const uint32_t length = RecordLength(FileIdentifier(*child, joliet).size());
        const uint32_t parts = child->folder ? 1 : LIsoExtentCount(child->node->size);
        for (uint32_t part = 0; part < parts; ++part)
            put(length, child.get(), static_cast<int>(part));
    }
    return (offset + 2047) / 2048 * 2048;
}

void PutText(uint8_t* field, std::size_t size, const std::string& text)
{
    std::memset(field, ' ', size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

void PutJolietText(uint8_t* field, std::size_t size, const std::u16string& text)
{
    for (std::size_t i = 0; i + 1 < size; i += 2)
        Put16Be(field + i, i / 2 < text.size() ? text[i / 2] : u' ');
}

void PutVolumeDate(uint8_t* field, const std::tm* fields)
{
    if (fields == nullptr) {
        std::memset(field, '0', 16);
    } else {
        char text[96];
        const int year = std::min(std::max(fields->tm_year + 1900, 0), 9999);
        std::snprintf(text, sizeof text, "%.4d%.2d%.2d%.2d%.2d%.2d00", year, fields->tm_mon + 1,
                      fields->tm_mday, fields->tm_hour, fields->tm_min, fields->tm_sec);
        std::memcpy(field, text, 16);
    }
    field[16] = 0; // offset from UTC in 15-minute steps: the dates are UTC
}

} // namespace

std::string LIsoFormatDString(const std::string& src, std::size_t length, bool allowBlank, bool terminate)
{
    std::string out;
    const std::size_t limit = length > (terminate ? 1u : 0u) ? length - (terminate ? 1 : 0) : 0;
    for (unsigned char c : src) {
        if (out.size() >= limit)
            break;
        if (c >= 'a' && c <= 'z')
            out.push_back(static_cast<char>(c - 'a' + 'A'));
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || (allowBlank && c == ' '))
            out.push_back(static_cast<char>(c));
    }
    if (!terminate)
        out.resize(length, ' ');
    return out;
}

uint32_t LIsoExtentCount(uint64_t size)
{
    if (size == 0)
        return 1;
    return static_cast<uint32_t>((size + kIsoMaxExtentBytes - 1) / kIsoMaxExtentBytes);
}

void LIsoRecordDate(uint8_t* out, time_t when)
{
    const std::tm fields = UtcFields(when);
    const int year = fields.tm_year < 0 ? 0 : (fields.tm_year > 255 ? 255 : fields.tm_year);
    out[0] = static_cast<uint8_t>(year);
    out[1] = static_cast<uint8_t>(fields.tm_mon + 1);
    out[2] = static_cast<uint8_t>(fields.tm_mday);
    out[3] = static_cast<uint8_t>(fields.tm_hour);
    out[4] = static_cast<uint8_t>(fields.tm_min);
    out[5] = static_cast<uint8_t>(fields.tm_sec);
    out[6] = 0;
}

LIsoImageBuilder::LIsoImageBuilder(bool joliet) : joliet_(joliet) {}

void LIsoImageBuilder::SetVolumeLabel(const char* text)
{
    label_ = text ? text : "";
}

std::string LIsoImageBuilder::OnDiscName(const std::string& name) const
{
    if (!joliet_) {
        std::string title, extension;
        LSplitDiscName(name, &title, &extension);
        std::string out = LIsoFormatDString(title, 9, false, true);
        if (out.empty())
            out = "_";
        if (!extension.empty()) {
            const std::string ext = LIsoFormatDString(extension.substr(1), 4, false, true);
            if (ext.empty())
                out += "_.";
            else
                out += "." + ext;
        }
        return out;
    }
    const std::u16string units = ToUtf16(LNfcCompose(LUtf8ToCodePointString(LDiscComponentName(name))));
    std::u16string title, extension;
    SplitUnits(units, &title, &extension);
    if (title.size() + extension.size() > kJolietNameUnits) {
        if (extension.size() > kJolietNameUnits - 1) {
            title = CutUnits(title, 56);
            extension = CutUnits(extension, 7);
        } else {
            title = CutUnits(title, kJolietNameUnits - extension.size());
        }
    }
    return Ucs2Be(title + extension);
}

bool LIsoImageBuilder::AddChild(LIsoDirNode* folder, std::unique_ptr<LIsoDirNode> child)
{
    child->parent = folder;
    if (folder->children.count(child->identifier) != 0) {
        bool found = false;
        if (joliet_) {
            std::u16string title, extension;
            SplitUnits(FromUcs2Be(child->identifier), &title, &extension);
            if (extension.size() > 7 + 1)
                extension = CutUnits(extension, 7);
            for (unsigned n = 2; n < kMaxVariants && !found; ++n) {
                std::u16string number;
                for (char c : std::to_string(n))
                    number.push_back(static_cast<char16_t>(c));
                std::size_t room =
                    kJolietVariantTitle > number.size() ? kJolietVariantTitle - number.size() : 0;
                room = std::min(room, kJolietNameUnits + 1 - number.size() - extension.size());
                const std::string candidate = Ucs2Be(CutUnits(title, room) + number + extension);
                if (folder->children.count(candidate) == 0) {
                    child->identifier = candidate;
                    found = true;
                }
            }
        } else {
            std::string title, extension;
            const std::size_t dot = child->identifier.rfind('.');
            title = dot == std::string::npos ? child->identifier : child->identifier.substr(0, dot);
            extension = dot == std::string::npos ? "" : child->identifier.substr(dot);
            for (unsigned n = 2; n < kMaxVariants && !found; ++n) {
                const std::string number = std::to_string(n);
                const std::size_t room =
                    kPrimaryVariantTitle > number.size() ? kPrimaryVariantTitle - number.size() : 0;
                const std::string candidate = title.substr(0, room) + number + extension;
                if (folder->children.count(candidate) == 0) {
                    child->identifier = candidate;
                    found = true;
                }
            }
        }
        if (!found)
            return false;
    }
    const std::string key = child->identifier;
    folder->children.emplace(key, std::move(child));
    return true;
}

bool LIsoImageBuilder::Mirror(LDiscNode* from, LIsoDirNode* to, LBurnResult& result)
{
    for (auto& [key, child] : from->children) {
        auto entry = std::make_unique<LIsoDirNode>();
        entry->node = child.get();
        entry->folder = child->isFolder;
        entry->identifier = OnDiscName(child->name);
        LIsoDirNode* raw = entry.get();
        if (!AddChild(to, std::move(entry))) {
            result.SetFormat(kBurnIsoStructureFailed, "No free name for %s", child->name);
            return false;
        }
        if (raw->folder && !Mirror(child.get(), raw, result))
            return false;
    }
    return true;
}

bool LIsoImageBuilder::BuildTree(LDiscNode* root, LBurnResult& result)
{
    root_ = std::make_unique<LIsoDirNode>();
    root_->node = root;
    root_->folder = true;
    root_->identifier = std::string(1, '\0');
    folders_.clear();
    if (!Mirror(root, root_.get(), result))
        return false;

    // Path-table order: level by level, each level in the order of its
    // parents and then of the names.
    std::deque<LIsoDirNode*> queue{root_.get()};
    pathTableBytes_ = 0;
    while (!queue.empty()) {
        LIsoDirNode* folder = queue.front();
        queue.pop_front();
        folders_.push_back(folder);
        if (folders_.size() > kIsoMaxFolders) {
            result.SetFormat(kBurnIsoStructureFailed,
                             "More than %zu folders: the ISO 9660 path table cannot number them",
                             kIsoMaxFolders);
            return false;
        }
        folder->pathNumber = static_cast<uint16_t>(folders_.size());
        const std::size_t idLength = folder == root_.get() ? 1 : folder->identifier.size();
        pathTableBytes_ += static_cast<uint32_t>(8 + idLength + (idLength % 2));
        for (auto& [key, child] : folder->children)
            if (child->folder)
                queue.push_back(child.get());
    }
    return true;
}

uint32_t LIsoImageBuilder::PathTableSectors() const
{
    return 2 * static_cast<uint32_t>(SectorsFor(pathTableBytes_));
}

uint32_t LIsoImageBuilder::LayoutDirectories(uint32_t firstSector)
{
    uint32_t sector = firstSector;
    std::function<void(LIsoDirNode*)> place = [&](LIsoDirNode* folder) {
        folder->directorySize = PlaceRecords(*folder, joliet_, nullptr);
        folder->directorySector = sector;
        sector += folder->directorySize / 2048;
        for (auto& [key, child] : folder->children)
            if (child->folder)
                place(child.get());
    };
    place(root_.get());
    return sector - firstSector;
}

void LIsoImageBuilder::WriteRecord(uint8_t* record, const LIsoDirNode* entry, const std::string& identifier,
                                   uint32_t extent, uint32_t length, uint8_t flags, uint32_t base) const
{
    const uint32_t recordLength = RecordLength(identifier.size());
    std::memset(record, 0, recordLength);
    record[0] = static_cast<uint8_t>(recordLength);
    PutBoth32(record + 2, extent + base);
    PutBoth32(record + 10, length);
    LIsoRecordDate(record + 18, entry->node ? entry->node->time : 0);
    record[25] = flags;
    PutBoth16(record + 28, 1);
    record[32] = static_cast<uint8_t>(identifier.size());
    std::memcpy(record + 33, identifier.data(), identifier.size());
}

void LIsoImageBuilder::WriteDirectories(uint8_t* area, uint32_t firstSector, uint32_t base) const
{
    for (const LIsoDirNode* folder : folders_) {
        uint8_t* start = area + static_cast<std::size_t>(folder->directorySector - firstSector) * 2048;
        PlaceRecords(*folder, joliet_, [&](uint32_t offset, const LIsoDirNode* entry, int part, uint32_t) {
            uint8_t* record = start + offset;
            if (entry == nullptr) {
                const LIsoDirNode* named = part == 0 ? folder : (folder->parent ? folder->parent : folder);
                WriteRecord(record, folder, std::string(1, static_cast<char>(part)), named->directorySector,
                            named->directorySize, 2, base);
                return;
            }
            const std::string identifier = FileIdentifier(*entry, joliet_);
            if (entry->folder) {
                WriteRecord(record, entry, identifier, entry->directorySector, entry->directorySize, 2, base);
                return;
            }
            const uint64_t size = entry->node->size;
            const uint32_t parts = LIsoExtentCount(size);
            const uint64_t done = static_cast<uint64_t>(part) * kIsoMaxExtentBytes;
            const uint32_t length =
                static_cast<uint32_t>(std::min<uint64_t>(size - done, kIsoMaxExtentBytes));
            const uint32_t extent = entry->node->extent + static_cast<uint32_t>(done / 2048);
            // Every record of a file but its last carries the multi-extent flag.
            WriteRecord(record, entry, identifier, extent, length,
                        static_cast<uint8_t>(static_cast<uint32_t>(part) + 1 < parts ? 0x80 : 0), base);
        });
    }
}

void LIsoImageBuilder::WritePathTables(uint8_t* lTable, uint8_t* mTable, uint32_t base) const
{
    std::size_t offset = 0;
    for (const LIsoDirNode* folder : folders_) {
        const bool isRoot = folder == root_.get();
        const std::string identifier = isRoot ? std::string(1, '\0') : folder->identifier;
        const uint16_t parentNumber = isRoot ? 1 : folder->parent->pathNumber;
        for (uint8_t* table : {lTable, mTable}) {
            uint8_t* record = table + offset;
            record[0] = static_cast<uint8_t>(identifier.size());
            record[1] = 0;
            if (table == lTable) {
                Put32(record + 2, folder->directorySector + base);
                Put16(record + 6, parentNumber);
            } else {
                Put32Be(record + 2, folder->directorySector + base);
                Put16Be(record + 6, parentNumber);
            }
            std::memcpy(record + 8, identifier.data(), identifier.size());
            if (identifier.size() % 2)
                record[8 + identifier.size()] = 0;
        }
        offset += 8 + identifier.size() + identifier.size() % 2;
    }
}

void LIsoImageBuilder::WriteVolumeDescriptor(uint8_t* sector, uint32_t volumeSectors, uint32_t lTableSector,
                                             uint32_t mTableSector, uint32_t base, time_t created) const
{
    std::memset(sector, 0, 2048);
    sector[0] = joliet_ ? 2 : 1;
    std::memcpy(sector + 1, "CD001", 5);
    sector[6] = 1;
    if (joliet_) {
        const std::u16string label = CutUnits(ToUtf16(LNfcCompose(LUtf8ToCodePointString(label_))), 16);
        PutJolietText(sector + 8, 32, u"");
        PutJolietText(sector + 40, 32, label);
        std::memcpy(sector + 88, "%/E", 3);
        for (std::size_t field : {190u, 318u, 446u, 574u})
            PutJolietText(sector + field, 128, u"");
        for (std::size_t field : {702u, 739u, 776u}) {
            PutJolietText(sector + field, 36, u"");
            sector[field + 36] = 0;
        }
    } else {
        PutText(sector + 8, 32, "");
        PutText(sector + 40, 32, LIsoFormatDString(label_, 32, true, false));
        for (std::size_t field : {190u, 318u, 446u, 574u})
            PutText(sector + field, 128, "");
        PutText(sector + 702, 111, "");
    }
    PutBoth32(sector + 80, volumeSectors);
    PutBoth16(sector + 120, 1);
    PutBoth16(sector + 124, 1);
    PutBoth16(sector + 128, 2048);
    PutBoth32(sector + 132, pathTableBytes_);
    Put32(sector + 140, lTableSector + base);
    Put32Be(sector + 148, mTableSector + base);
    WriteRecord(sector + 156, root_.get(), std::string(1, '\0'), root_->directorySector, root_->directorySize,
                2, base);
    const std::tm fields = UtcFields(created);
    PutVolumeDate(sector + 813, &fields);
    PutVolumeDate(sector + 830, &fields);
    PutVolumeDate(sector + 847, nullptr);
    PutVolumeDate(sector + 864, nullptr);
    sector[881] = 1;
}
