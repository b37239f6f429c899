#include "burn/LDiscImageWriter.h"

#include "burn/LDiscBytes.h"
#include "burn/LMediaType.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace disc;

namespace {

constexpr std::size_t kTransferBytes = 1024 * 1024;
// Sector numbers are 32 bits on disc; leave room for the closing block.
constexpr uint64_t kMaxSectors = 0xFFFFFF00ull;

uint32_t RoundUp(uint64_t value, uint32_t unit)
{
    return static_cast<uint32_t>((value + unit - 1) / unit * unit);
}

bool ReadWhole(int fd, uint8_t* data, std::size_t length, std::size_t* got)
{
    *got = 0;
    while (*got < length) {
        const ssize_t n = ::read(fd, data + *got, length - *got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        *got += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

LDiscImageWriter::LDiscImageWriter(LDiscNode* root, uint32_t media, uint32_t fileSystem,
                                   const char* sourceImagePath, const char* bootImagePath)
    : mediaCode(media), fileSystemCode(fileSystem), root_(root),
      sourceImagePath_(sourceImagePath ? sourceImagePath : ""),
      bootImagePath_(bootImagePath ? bootImagePath : ""), systems_(LDiscFileSystemsForCode(fileSystem))
{
    if (systems_.udf)
        udf_ = std::make_unique<LUdfImageBuilder>(systems_.udfRevision);
}

LDiscImageWriter::~LDiscImageWriter()
{
    StopAndWait();
}

void LDiscImageWriter::Run()
{
    BuildLayout();
}

void LDiscImageWriter::Mark(uint32_t relativeSector, const std::string& name)
{
    sectorMap_.push_back({relativeSector + startSector, name});
}

bool LDiscImageWriter::LoadBootImage()
{
    bootImage_.clear();
    const int fd = ::open(bootImagePath_.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.SetFormat(kBurnCreateIsoFailed, "Boot image %s: %s", bootImagePath_.c_str(),
                         fd < 0 ? std::strerror(errno) : "not a readable file");
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    // A boot image is loaded by the firmware: anything this large is a mistake.
    if (info.st_size > 64ll * 1024 * 1024) {
        ::close(fd);
        result.SetFormat(kBurnCreateIsoFailed, "Boot image %s is larger than 64 MB", bootImagePath_.c_str());
        return false;
    }
    bootImage_.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    const bool ok = ReadWhole(fd, bootImage_.data(), bootImage_.size(), &got);
    ::close(fd);
    if (!ok || got != bootImage_.size()) {
        result.SetFormat(kBurnCreateIsoFailed, "Boot image %s could not be read", bootImagePath_.c_str());
        return false;
    }
    return true;
}

uint32_t LDiscImageWriter::BuildLayout()
{
    result.Clear();
    laidOut = false;
    sectorMap_.clear();
    descriptors_.clear();
    directories_.clear();
    tail_.clear();
    const uint32_t block = LDiscBlockSectors(mediaCode);

    if (!sourceImagePath_.empty()) {
        struct stat info;
        sourceImageBytes_ =
            stat(sourceImagePath_.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
        const uint64_t sectors = std::max<uint64_t>(RoundUp(SectorsFor(sourceImageBytes_), block), block);
        end_ = static_cast<uint32_t>(sectors);
        lastSector = startSector + end_ - 1;
        Mark(0, "source image");
        laidOut = true;
        return lastSector;
    }

    hasIso = systems_.iso;
    hasJoliet = systems_.joliet;
    hasUdf = systems_.udf;
    const bool boot = hasIso && !bootImagePath_.empty();
    if (boot && !LoadBootImage())
        return lastSector = 0;
    const time_t now = ::time(nullptr);

    if (hasIso) {
        primary_.SetVolumeLabel(root_->name);
        if (!primary_.BuildTree(root_, result) || IsStopRequested())
            return lastSector = 0;
        if (hasJoliet) {
            joliet_.SetVolumeLabel(root_->name);
            if (!joliet_.BuildTree(root_, result) || IsStopRequested())
                return lastSector = 0;
        }
    }
    if (hasUdf) {
        udf_->SetVolumeLabel(root_->name);
        udf_->SetRecordingTime(now);
        if (!udf_->SetCompilation(root_, result))
            return lastSector = 0;
    }

    // Volume descriptors from sector 16.
    Mark(0, "system area");
    uint32_t next = 16;
    uint32_t pvd = 0, bootRecord = 0, svd = 0, terminator = 0;
    if (hasIso) {
        pvd = next++;
        Mark(pvd, "primary volume descriptor");
        if (boot) {
            bootRecord = next++;
            Mark(bootRecord, "boot record");
        }
        if (hasJoliet) {
            svd = next++;
            Mark(svd, "supplementary volume descriptor");
        }
        terminator = next++;
        Mark(terminator, "volume descriptor set terminator");
    }
    uint32_t recognition = 0;
    if (hasUdf) {
        recognition = next;
        Mark(recognition, "BEA01");
        Mark(recognition + 1, udf_->Revision() >= 0x200 ? "NSR03" : "NSR02");
        Mark(recognition + 2, "TEA01");
        next = recognition + 3;
        Mark(kUdfMainSequenceSector, "UDF main volume descriptor sequence");
        Mark(kUdfReserveSequenceSector, "UDF reserve volume descriptor sequence");
        Mark(kUdfIntegritySector, "UDF logical volume integrity sequence");
        Mark(kUdfAnchorSector, "UDF anchor volume descriptor pointer");
    }

    // Path tables: after the descriptors, or at 70 beside UDF's structures
    // (after the anchor when they would not fit below it).
    uint32_t pathTables = 0, pathSectors = 0;
    if (hasIso) {
        pathSectors = primary_.PathTableSectors() + (hasJoliet ? joliet_.PathTableSectors() : 0);
        pathTables = hasUdf ? 70 + (boot ? 1 : 0) : next;
        if (hasUdf && pathTables + pathSectors > kUdfAnchorSector)
            pathTables = kUdfFileSystemStart;
        Mark(pathTables, "primary path tables");
        if (hasJoliet)
            Mark(pathTables + primary_.PathTableSectors(), "Joliet path tables");
    }
    uint32_t cursor = 16;
    if (hasUdf)
        cursor = pathTables >= kUdfFileSystemStart ? pathTables + pathSectors : kUdfFileSystemStart;
    else if (hasIso)
        cursor = pathTables + pathSectors;
    directoryStart_ = cursor;

    uint32_t primaryDirectories = 0, jolietDirectories = 0;
    if (hasIso) {
        primaryDirectories = cursor;
        Mark(cursor, "primary directories");
        cursor += primary_.LayoutDirectories(cursor);
        if (hasJoliet) {
            jolietDirectories = cursor;
            Mark(cursor, "Joliet directories");
            cursor += joliet_.LayoutDirectories(cursor);
        }
    }
    uint32_t partitionStart = 0;
    if (hasUdf) {
        partitionStart =
            RoundUp(static_cast<uint64_t>(cursor) + startSector, udf_->AlignmentUnit()) - startSector;
        Mark(partitionStart, "UDF partition");
        cursor = partitionStart + udf_->PartitionHeadSectors();
    }
    // The boot catalog and image go ahead of the file data: inside the UDF
    // partition, where readers of a bridge expect every used sector.
    const uint64_t bootSectors = boot ? 1 + SectorsFor(bootImage_.size()) : 0;
    uint32_t catalog = 0, bootSector = 0;
    if (boot) {
        catalog = cursor;
        bootSector = cursor + 1;
        Mark(catalog, "boot catalog");
        Mark(bootSector, "boot image");
        cursor += static_cast<uint32_t>(bootSectors);
    }
    dataStart_ = cursor;

    // File data, in directory order; an empty file still takes a sector.
    uint64_t dataCursor = cursor;
    bool first = true;
    // A code that selects no file system leaves only the system area.
    const bool anyFileSystem = hasIso || hasUdf;
    root_->Walk([&](LDiscNode& node) {
        if (node.isFolder || !anyFileSystem)
            return;
        if (first)
            Mark(static_cast<uint32_t>(std::min<uint64_t>(dataCursor, kMaxSectors)), "file data");
        first = false;
        node.extent = static_cast<uint32_t>(std::min<uint64_t>(dataCursor + startSector, kMaxSectors));
        dataCursor += std::max<uint64_t>(1, SectorsFor(node.size));
    });
    if (dataCursor + 2 * block + startSector > kMaxSectors) {
        result.SetFormat(kBurnCapacityExceeded, "The compilation needs more than %llu sectors",
                         static_cast<unsigned long long>(kMaxSectors));
        return lastSector = 0;
    }
    cursor = static_cast<uint32_t>(dataCursor);
    dataEnd_ = cursor;
    cursor = RoundUp(static_cast<uint64_t>(cursor) + startSector, block) - startSector;
    uint32_t closingAnchor = 0;
    if (hasUdf) {
        cursor += block;
        closingAnchor = cursor - 1;
        Mark(closingAnchor, "UDF closing anchor volume descriptor pointer");
        udf_->SetPartition(partitionStart, dataEnd_ - partitionStart);
    }
    end_ = cursor;
    lastSector = startSector + end_ - 1;

    // Everything but the file data, in memory.
    descriptors_.assign(static_cast<std::size_t>(directoryStart_) * 2048, 0);
    directories_.assign(static_cast<std::size_t>(dataStart_ - directoryStart_) * 2048, 0);
    tail_.assign(static_cast<std::size_t>(end_ - dataEnd_) * 2048, 0);
    // The builders add `startSector` to what they record; file extents
    // already hold absolute sectors, so shift them back for the duration.
    root_->Walk([&](LDiscNode& node) {
        if (!node.isFolder)
            node.extent -= startSector;
    });
    if (hasIso) {
        const uint32_t volumeSectors = lastSector + 1;
        uint8_t* area = descriptors_.data();
        const uint32_t primaryTableSectors = primary_.PathTableSectors() / 2;
        primary_.WritePathTables(area + pathTables * 2048ull,
                                 area + (pathTables + primaryTableSectors) * 2048ull, startSector);
        primary_.WriteVolumeDescriptor(area + pvd * 2048ull, volumeSectors, pathTables,
                                       pathTables + primaryTableSectors, startSector, now);
        primary_.WriteDirectories(directories_.data(), directoryStart_, startSector);
        (void)primaryDirectories;
        if (hasJoliet) {
            const uint32_t jolietTables = pathTables + primary_.PathTableSectors();
            const uint32_t jolietTableSectors = joliet_.PathTableSectors() / 2;
            joliet_.WritePathTables(area + jolietTables * 2048ull,
                                    area + (jolietTables + jolietTableSectors) * 2048ull, startSector);
            joliet_.WriteVolumeDescriptor(area + svd * 2048ull, volumeSectors, jolietTables,
                                          jolietTables + jolietTableSectors, startSector, now);
            joliet_.WriteDirectories(directories_.data(), directoryStart_, startSector);
            (void)jolietDirectories;
        }
        uint8_t* term = area + terminator * 2048ull;
        term[0] = 255;
        std::memcpy(term + 1, "CD001", 5);
        term[6] = 1;
        if (boot) {
            uint8_t* record = area + bootRecord * 2048ull;
            record[0] = 0;
            std::memcpy(record + 1, "CD001", 5);
            record[6] = 1;
            std::memcpy(record + 7, "EL TORITO SPECIFICATION", 23);
            Put32(record + 71, catalog + startSector);

            uint8_t* entries =
                directories_.data() + static_cast<std::size_t>(catalog - directoryStart_) * 2048;
            entries[0] = 1;
            entries[1] = 0;
            std::memcpy(entries + 4, "Microsoft", 9);
            entries[30] = 0x55;
            entries[31] = 0xAA;
            uint32_t sum = 0;
            for (int i = 0; i < 32; i += 2)
                sum += Get16(entries + i);
            Put16(entries + 28, (0x10000 - (sum & 0xFFFF)) & 0xFFFF);
            uint8_t* initial = entries + 32;
            initial[0] = 0x88;
            initial[1] = 0;
            const uint64_t virtualSectors = (bootImage_.size() + 511) / 512;
            Put16(initial + 6, static_cast<uint32_t>(std::min<uint64_t>(virtualSectors, 0xFFFF)));
            Put32(initial + 8, bootSector + startSector);
            if (!bootImage_.empty())
                std::memcpy(directories_.data() +
                                static_cast<std::size_t>(bootSector - directoryStart_) * 2048,
                            bootImage_.data(), bootImage_.size());
        }
    }
    if (hasUdf) {
        udf_->WriteVolumeStructures(descriptors_.data(), recognition, startSector);
        udf_->WritePartitionHead(directories_.data() +
                                 static_cast<std::size_t>(partitionStart - directoryStart_) * 2048);
        udf_->WriteAnchor(tail_.data() + static_cast<std::size_t>(closingAnchor - dataEnd_) * 2048,
                          closingAnchor, startSector);
    }
    root_->Walk([&](LDiscNode& node) {
        if (!node.isFolder)
            node.extent += startSector;
    });
    std::stable_sort(sectorMap_.begin(), sectorMap_.end(),
                     [](const LSectorMapEntry& a, const LSectorMapEntry& b) { return a.sector < b.sector; });
    if (IsStopRequested())
        return lastSector;
    laidOut = true;
    return lastSector;
}

bool LDiscImageWriter::LaidOutSector(uint64_t sector, uint8_t* out) const
{
    if (!laidOut || sector < startSector || sector > lastSector)
        return false;
    const uint64_t relative = sector - startSector;
    const uint8_t* from = nullptr;
    if (relative < directoryStart_)
        from = descriptors_.data() + relative * 2048;
    else if (relative < dataStart_)
        from = directories_.data() + (relative - directoryStart_) * 2048;
    else if (relative >= dataEnd_ && !tail_.empty())
        from = tail_.data() + (relative - dataEnd_) * 2048;
    if (from != nullptr && sourceImagePath_.empty())
        std::memcpy(out, from, 2048);
    else
        std::memset(out, 0, 2048);
    return true;
}

bool LDiscImageWriter::ClosingAnchor(uint32_t sector, uint8_t* out) const
{
    if (!laidOut || !hasUdf || !udf_ || sector < startSector)
        return false;
    udf_->WriteAnchor(out, sector - startSector, startSector);
    return true;
}

void LDiscImageWriter::CopySourceImage(LProcessContext* progress, LSectorWriter& writer)
{
    const int fd = ::open(sourceImagePath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.SetFormat(kBurnFileNotFound, "%s", sourceImagePath_.c_str());
        return;
    }
    const uint32_t block = LDiscBlockSectors(mediaCode);
    std::vector<uint8_t> buffer(static_cast<std::size_t>(block) * 2048);
    uint64_t copied = 0;
    while (copied < sourceImageBytes_) {
        if (progress && progress->IsStopRequested()) {
            result.Set(kBurnUserCanceled);
            break;
        }
        const std::size_t want =
            static_cast<std::size_t>(std::min<uint64_t>(buffer.size(), sourceImageBytes_ - copied));
        std::size_t got = 0;
        if (!ReadWhole(fd, buffer.data(), want, &got) || got != want) {
            result.SetFormat(kBurnFileNotFound, "%s could not be read", sourceImagePath_.c_str());
            break;
        }
        std::memset(buffer.data() + got, 0, buffer.size() - got);
        if (!writer.Write(buffer.data(), static_cast<uint32_t>(SectorsFor(got)), result))
            break;
        copied += got;
        if (progress)
            progress->Progress(static_cast<double>(copied) / static_cast<double>(sourceImageBytes_));
    }
    ::close(fd);
    if (!result.Ok())
        return;
    const uint64_t written = writer.NextSector() - startSector;
    if (written < end_ && !writer.WriteZeros(end_ - written, result))
        return;
    writer.Flush(result);
}

bool LDiscImageWriter::WriteFiles(LProcessContext* progress, LSectorWriter& writer, uint64_t& done)
{
    const bool verifying = writer.Verifying();
    // No larger than the largest file needs: small compilations stay cheap.
    uint64_t largest = 2048;
    root_->Walk([&](LDiscNode& node) {
        if (!node.isFolder)
            largest = std::max<uint64_t>(largest, SectorsFor(node.size) * 2048);
    });
    std::vector<uint8_t> buffer(static_cast<std::size_t>(std::min<uint64_t>(largest, kTransferBytes)));
    bool ok = true;
    bool mismatch = false;
    const double total = static_cast<double>(end_);
    root_->Walk([&](LDiscNode& node) {
        if (!ok || node.isFolder)
            return;
        if (progress) {
            const char* slash = std::strrchr(node.source.c_str(), '/');
            progress->MessageLevel(slash ? slash + 1 : node.source.c_str(), 1);
        }
        const uint64_t sectors = std::max<uint64_t>(1, SectorsFor(node.size));
        const int fd = ::open(node.source.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (!verifying) {
                result.SetFormat(kBurnFileNotFound, "%s: %s", node.source.c_str(), std::strerror(errno));
                ok = false;
                return;
            }
            // The verify pass reports the file and still checks the rest.
            result.AddDetail(kBurnFileNotFound, node.source.c_str());
            LBurnResult ignored;
            writer.WriteZeros(sectors, ignored);
            done += sectors;
            mismatch = true;
            return;
        }
        uint64_t left = node.size;
        uint64_t sectorsDone = 0;
        while (sectorsDone < sectors) {
            if (progress && progress->IsStopRequested()) {
                result.Set(kBurnUserCanceled);
                ok = false;
                break;
            }
            const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(left, buffer.size()));
            std::size_t got = 0;
            if (want > 0) {
                const bool read = ReadWhole(fd, buffer.data(), want, &got);
                if (!read || got != want) {
                    result.SetFormat(kBurnFileNotFound,
                                     read ? "%s: the file is shorter than when it was added"
                                          : "%s could not be read",
                                     node.source.c_str());
                    ok = false;
                    break;
                }
            }
            const uint32_t chunk = std::max<uint32_t>(1, static_cast<uint32_t>(SectorsFor(got)));
            std::memset(buffer.data() + got, 0, static_cast<std::size_t>(chunk) * 2048 - got);
            LBurnResult chunkResult;
            const uint64_t firstSector = writer.NextSector();
            if (!writer.Write(buffer.data(), chunk, chunkResult)) {
                if (verifying && chunkResult.code == kBurnVerifyFailed) {
                    char text[kBurnMessageSize + 64];
                    std::snprintf(text, sizeof text, "Error verifying file %s sectors %llu to %llu",
                                  node.source.c_str(), static_cast<unsigned long long>(firstSector),
                                  static_cast<unsigned long long>(firstSector + chunk - 1));
                    result.AddDetail(kBurnVerifyFailed, text);
                    mismatch = true;
                    done += sectors - sectorsDone;
                    // The writer moved past the chunk; skip the rest of the file.
                    if (sectors - sectorsDone > chunk)
                        writer.WriteZeros(sectors - sectorsDone - chunk, chunkResult);
                    break;
                }
                result = chunkResult;
                ok = false;
                break;
            }
            left -= got;
            sectorsDone += chunk;
            done += chunk;
            if (progress)
                progress->Progress(static_cast<double>(done) / total);
        }
        ::close(fd);
    });
    if (ok && mismatch && result.Ok())
        result.Set(kBurnVerifyFailed);
    return ok;
}

void LDiscImageWriter::WriteImage(LProcessContext* progress, LSectorWriter& writer)
{
    result.Clear();
    if (!laidOut) {
        result.Set(hasUdf && !hasIso ? kBurnCreateUdfFailed : kBurnCreateIsoFailed,
                   "The image was not laid out");
        return;
    }
    if (progress)
        progress->Progress(0);
    if (!sourceImagePath_.empty()) {
        CopySourceImage(progress, writer);
        return;
    }
    if (progress && !writer.Verifying())
        progress->MessageLevel(hasUdf ? "Writing UDF System Information" : "Writing Lead-in/Lead-out", 1);
    uint64_t done = 0;
    if (!writer.Write(descriptors_.data(), directoryStart_, result))
        return;
    done += directoryStart_;
    if (!directories_.empty() && !writer.Write(directories_.data(), dataStart_ - directoryStart_, result))
        return;
    done += dataStart_ - directoryStart_;
    if ((hasIso || hasUdf) && !WriteFiles(progress, writer, done))
        return;
    LBurnResult tailResult;
    if (!tail_.empty() && !writer.Write(tail_.data(), end_ - dataEnd_, tailResult)) {
        if (tailResult.code == kBurnVerifyFailed)
            result.AddDetail(kBurnVerifyFailed, tailResult.message);
        result.Set(tailResult.code, tailResult.message);
        return;
    }
    LBurnResult flushResult;
    if (!writer.Flush(flushResult)) {
        result.Set(flushResult.code, flushResult.message);
        return;
    }
    if (progress && result.Ok())
        progress->Progress(1);
}

void LDiscImageWriter::WriteImageFile(LProcessContext* progress, int fd, bool verify)
{
    if (mediaCode != kMediaImageFile) {
        result.Clear();
        result.SetFormat(kBurnUnknownError, "No sector writer for media code %u (%s)", mediaCode,
                         LMediaTypeName(mediaCode));
        return;
    }
    LImageFileSectorWriter writer(fd, LDiscBlockSectors(mediaCode), verify, startSector);
    WriteImage(progress, writer);
}
