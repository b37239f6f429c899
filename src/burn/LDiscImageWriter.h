#pragma once
// Turns a disc compilation into the sectors of a data-disc file system (ISO
// 9660, ISO 9660 with Joliet, UDF, or a bridge of both, by file-system code
// 1..25) and hands them, in ascending order, to a sector writer: an image
// file, or a drive. BuildLayout computes every structure in memory (on the
// worker thread when started); WriteImage streams them with the file data.

#include "burn/LBurnResult.h"
#include "burn/LDiscFileSystems.h"
#include "burn/LDiscNode.h"
#include "burn/LIsoImageBuilder.h"
#include "burn/LSectorWriter.h"
#include "burn/LUdfImageBuilder.h"
#include "foundation/threads/LThreadOwner.h"

#include <cstdint>
#include <string>
#include <vector>

struct LSectorMapEntry
{
    uint32_t sector; // absolute
    std::string name;
};

class LDiscImageWriter : public LThreadOwner
{
public:
    // The label is the root's name. `sourceImagePath` (an existing image to
    // copy instead of the compilation) and `bootImagePath` may be null.
    LDiscImageWriter(LDiscNode* root, uint32_t media, uint32_t fileSystem,
                     const char* sourceImagePath = nullptr, const char* bootImagePath = nullptr);
    ~LDiscImageWriter() override;

    // Lays the image out; returns the last sector (also in lastSector), or
    // 0 with the failure in `result`, or early when a stop was requested.
    uint32_t BuildLayout();

    // Writes (or, with a verifying writer, compares) every sector. The
    // outcome is in `result`.
    void WriteImage(LProcessContext* progress, LSectorWriter& writer);
    // The image-file target: only for the "Image File" media code.
    void WriteImageFile(LProcessContext* progress, int fd, bool verify);

    // A laid-out sector as it will be written, file data read as zeros
    // (layout checks without reading the sources). False past the end.
    bool LaidOutSector(uint64_t sector, uint8_t* out) const;

    // An anchor volume descriptor pointer for `sector` (absolute), as an
    // overwritable disc needs near its end; false when there is no UDF.
    bool ClosingAnchor(uint32_t sector, uint8_t* out) const;

    const std::vector<LSectorMapEntry>& SectorMap() const { return sectorMap_; }
    const LDiscFileSystems& FileSystems() const { return systems_; }

    LBurnResult result;
    uint32_t lastSector = 0;
    uint32_t startSector = 0;
    uint32_t mediaCode;
    uint32_t fileSystemCode;
    bool hasIso = false;
    bool hasJoliet = false;
    bool hasUdf = false;
    bool laidOut = false;

protected:
    void Run() override;

private:
    bool LoadBootImage();
    void CopySourceImage(LProcessContext* progress, LSectorWriter& writer);
    bool WriteFiles(LProcessContext* progress, LSectorWriter& writer, uint64_t& done);
    void Mark(uint32_t relativeSector, const std::string& name);

    LDiscNode* root_;
    std::string sourceImagePath_;
    std::string bootImagePath_;
    LDiscFileSystems systems_;
    LIsoImageBuilder primary_{false};
    LIsoImageBuilder joliet_{true};
    std::unique_ptr<LUdfImageBuilder> udf_;

    // Sectors [0, directoryStart_) of the session, [directoryStart_,
    // dataStart_), and [dataEnd_, end).
    std::vector<uint8_t> descriptors_;
    std::vector<uint8_t> directories_;
    std::vector<uint8_t> tail_;
    uint32_t directoryStart_ = 0;
    uint32_t dataStart_ = 0;
    uint32_t dataEnd_ = 0;
    uint32_t end_ = 0; // relative sectors of the session
    std::vector<uint8_t> bootImage_;
    uint64_t sourceImageBytes_ = 0;
    std::vector<LSectorMapEntry> sectorMap_;
};
