#include "burn/LBurnDataDisc.h"

#include "burn/LBurnRunningFlag.h"
#include "burn/LDataDiscFinalizers.h"
#include "burn/LDiscFileSystems.h"
#include "burn/LDiscImageWriter.h"
#include "burn/LMediaType.h"
#include "burn/LProgressWait.h"
#include "burn/mmc/LMmcDisc.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/threads/LThreadPriority.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kBurnDiscNotEmpty = 2;
constexpr int kBurnEraseFailed = 25;
constexpr int kBurnCannotAppend = 9;

class UniqueFd
{
public:
    UniqueFd() = default;
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int Get() const { return fd_; }

private:
    int fd_ = -1;
};

bool IsOverwritable(uint32_t media)
{
    return media == kMediaDvdPlusRw || media == kMediaDvdRwDl || media == kMediaBdRe ||
           media == kMediaHdDvdRam;
}

// A message the job shows itself: it is in the box and in the record, and
// the code tells the caller it was shown (1 unless the code is its own).
void Shown(LProgressWait& wait, LBurnResult& result, int code, const char* text)
{
    wait.Message(text);
    result.Set(code, text);
}

bool DriveWritesFamily(const LDriveCapabilities& c, LDiscFamily family)
{
    switch (family) {
    case LDiscFamily::kCd:
        return c.cdWrite;
    case LDiscFamily::kDvd:
        return c.dvdRWrite || c.dvdRDlWrite || c.dvdRwWrite || c.dvdPlusRWrite || c.dvdPlusRDlWrite ||
               c.dvdPlusRwWrite || c.dvdPlusRwDlWrite || c.dvdRamWrite;
    case LDiscFamily::kHdDvd:
        return c.hdDvdWrite;
    case LDiscFamily::kBluRay:
        return c.bdWrite;
    }
    return false;
}

// Data of the compilation in whole blocks, as the media check counts it.
uint64_t CompilationBytes(LDiscNode* root)
{
    uint64_t bytes = 0;
    if (root == nullptr)
        return 0;
    root->Walk([&](LDiscNode& node) {
        if (!node.isFolder)
            bytes += (node.size + kDiscSectorSize - 1) / kDiscSectorSize * kDiscSectorSize;
    });
    return bytes;
}

// Unlocks the tray and lets go of the drive however the burn ends; the
// generator is stopped and joined before it is destroyed.
struct BurnScope
{
    BurnScope(LProgressWait& w, LScsiDevice& d) : wait(w), device(d) {}
    ~BurnScope()
    {
        if (image)
            image->StopAndWait();
        if (locked)
            LMmcPreventRemoval(wait, device, false);
        if (touched)
            device.Close();
    }
    void Lock()
    {
        LMmcPreventRemoval(wait, device, true);
        locked = true;
    }
    void Unlock()
    {
        if (locked)
            LMmcPreventRemoval(wait, device, false);
        locked = false;
    }
    LProgressWait& wait;
    LScsiDevice& device;
    std::unique_ptr<LDiscImageWriter> image;
    bool locked = false;
    bool touched = false;
};

// A new file beside the image's name; removed unless committed.
struct ImageBeside
{
    std::string target;
    std::string path;
    int fd = -1;
    bool committed = false;

    ~ImageBeside()
    {
        if (fd >= 0)
            ::close(fd);
        if (!path.empty() && !committed)
            ::unlink(path.c_str());
    }
    bool Create(const std::string& name)
    {
        char resolved[PATH_MAX];
        if (!LResolveReplaceTarget(name.c_str(), resolved, sizeof resolved))
            return false;
        target = resolved;
        // Copies of runs that were killed before they could remove theirs.
        LRemoveStaleFilesBeside(resolved);
        char temporary[PATH_MAX];
        fd = LCreateFileBeside(resolved, temporary, sizeof temporary, 0666);
        if (fd < 0)
            return false;
        path = temporary;
        return true;
    }
    // Flushes the whole image and gives it its name.
    bool Commit()
    {
        if (fd < 0 || ::fdatasync(fd) != 0)
            return false;
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0 || ::rename(path.c_str(), target.c_str()) != 0)
            return false;
        committed = true;
        return true;
    }
};

int Finish(const LDataDiscJob& job)
{
    if (job.result.code == kBurnUserCanceled && job.result.message[0] == '\0')
        return 1;
    return job.result.Ok() ? 0 : 2;
}

// Waits for the generator's layout; a cancel stops it. 0, 1 or 2.
int WaitForLayout(LProgressWait& wait, LDataDiscJob& job, LDiscImageWriter& image)
{
    wait.BusyOn();
    wait.SetStatusText("Generating file system", 0);
    wait.SetStatusText("Please Wait...", 1);
    while (!image.WaitUntilFinished(0)) {
        if (wait.Sleep(20))
            image.RequestStop();
    }
    image.StopAndWait();
    wait.BusyOff();
    if (wait.IsCancelled() || (!image.laidOut && image.result.Ok())) {
        job.result.Set(kBurnUserCanceled);
        return 1;
    }
    if (!image.result.Ok()) {
        job.result = image.result;
        return 2;
    }
    job.lastBlock = image.lastSector;
    return 0;
}

} // namespace

int LCannotWriteCodeForMedia(uint32_t media)
{
    return LCannotWriteCode(LMediaFamily(media));
}

void LCheckDriveAndMedia(LBurnResult& result, LProgressWait& wait, LScsiDevice& device,
                         const LBurnOptions& options, LMmcDiscInfo& disc, uint32_t& media, uint32_t& discType,
                         LDriveCapabilities& capabilities)
{
    result.Clear();
    wait.SetStatusText("Checking drive and media", 1);
    disc = {};
    disc.raw[2] = 0x10;
    if (options.loadEject && options.driveIndex < 255 && device.Open(wait, result) == 0)
        LMmcLoadOrEject(wait, device, true);
    LMmcOpenDisc(result, wait, device, media, discType);
    if (!result.Ok())
        return;
    LBurnResult ignored;
    LMmcReadDiscInformation(ignored, wait, device, disc);
    const LDiscFamily family = LDiscTypeFamily(discType);
    uint8_t page[8] = {};
    if (LMmcModeSense(wait, device, page, sizeof page, 0x05) <= 0) {
        result.Set(LCannotWriteCode(family), nullptr, device.LastSense());
        return;
    }
    LMmcGetDriveCapabilities(ignored, wait, device, capabilities);
    if (ignored.code == kBurnUserCanceled) {
        result.Set(kBurnUserCanceled);
        return;
    }
    if (!ignored.Ok()) {
        // A drive that will not say what it can do is taken for a CD writer.
        capabilities = LDriveCapabilities{};
        capabilities.cdWrite = true;
    }
    if (!DriveWritesFamily(capabilities, family)) {
        result.Set(LCannotWriteCode(family));
        return;
    }
    if (discType != kDiscTypeAnyDisc && !LIsMediaCompatible(discType, media)) {
        char text[kBurnMessageSize];
        std::snprintf(text, sizeof text,
                      "The disc type being burned is a %s and you have loaded a %s. Please insert an "
                      "appropriate disc.",
                      LDiscTypeName(discType), LMediaTypeName(media));
        Shown(wait, result, LWrongDiscCode(family), text);
    }
}

void LPrepareMedia(LBurnResult& result, LProgressWait& wait, LScsiDevice& device, const LBurnOptions& options,
                   LMmcDiscInfo& disc, uint32_t media, uint32_t blocksNeeded, uint32_t discType,
                   const LDriveCapabilities& capabilities)
{
    result.Clear();
    const bool usable = LMmcIsMediaUsable(wait, device, disc, media);
    const bool needsFormat = LMmcNeedsFormatting(disc, media);
    const bool appendable = (disc.Status() & 0x01) != 0;
    LBurnResult ignored;
    if (!disc.Erasable()) {
        if (usable) {
            LMmcEnableWriteCache(ignored, wait, device);
            return;
        }
        if (appendable && discType == kDiscTypeAudioCd) {
            LMmcCheckAudioAppend(result, wait, device, options, disc, media, capabilities);
            return;
        }
        if (options.loadEject) {
            LMmcPreventRemoval(wait, device, false);
            LMmcLoadOrEject(wait, device, false);
        }
        char text[kBurnMessageSize];
        std::snprintf(
            text, sizeof text,
            "The inserted disc is a %s and is not empty or erasable, please insert another disc into "
            "the drive",
            LMediaTypeName(media));
        Shown(wait, result, kBurnDiscNotEmpty, text);
        return;
    }
    if (usable && !needsFormat) {
        LMmcEnableWriteCache(ignored, wait, device);
        return;
    }
    if (discType != kDiscTypeAnyDisc && !needsFormat && !options.eraseRewritable) {
        if (appendable && discType == kDiscTypeAudioCd) {
            LMmcCheckAudioAppend(result, wait, device, options, disc, media, capabilities);
            return;
        }
        char text[kBurnMessageSize];
        std::snprintf(
            text, sizeof text,
            "%s. To erase it, select the option \"Erase rewritable discs if they are not blank\" and "
            "try again.",
            LBurnErrorText(kBurnDiscNotEmpty));
        Shown(wait, result, kBurnDiscNotEmpty, text);
        return;
    }
    LMmcSetSpeed(ignored, wait, device, capabilities.maxReadSpeed, capabilities.maxWriteSpeed, media, 0,
                 int(options.speedFactor));
    LMmcEraseDisc(result, wait, device, media, options.fullErase ? 0 : 1, blocksNeeded);
    if (result.Ok()) {
        LMmcReadDiscInformation(ignored, wait, device, disc);
        return;
    }
    if (result.code == kBurnUserCanceled)
        return;
    char text[kBurnMessageSize];
    std::snprintf(text, sizeof text, "%s. Please try another disc or try using a lower speed.",
                  LBurnErrorText(result.code));
    Shown(wait, result, kBurnEraseFailed, text);
}

int LBurnDataDisc(LProgressWait& wait, LScsiDevice& device, LDataDiscJob& job)
{
    LBurnRunningScope running;
    job.result.Clear();
    const bool toFile = !job.isoOutputPath.empty();
    const char* title = toFile ? "Writing to ISO Image" : "Writing to Disc";
    wait.SetStatusText(title, 0);

    UniqueFd source, boot, output;
    char text[kBurnMessageSize];
    if (job.sourceIsoPath != nullptr) {
        source.Reset(::open(job.sourceIsoPath, O_RDONLY | O_CLOEXEC));
        if (source.Get() < 0) {
            std::snprintf(text, sizeof text, "Cannot open the source ISO file \"%s\".", job.sourceIsoPath);
            Shown(wait, job.result, kBurnUserCanceled, text);
            return 2;
        }
    } else if (job.root == nullptr || job.root->children.empty()) {
        Shown(wait, job.result, kBurnUserCanceled, "Disc Write failed because there are no files to write.");
        return 2;
    }
    const char* bootPath =
        job.options.bootable && job.options.bootImagePath[0] != '\0' ? job.options.bootImagePath : nullptr;
    if (bootPath != nullptr) {
        boot.Reset(::open(bootPath, O_RDONLY | O_CLOEXEC));
        if (boot.Get() < 0) {
            std::snprintf(text, sizeof text, "Cannot open the source ISO file \"%s\".", bootPath);
            Shown(wait, job.result, kBurnUserCanceled, text);
            return 2;
        }
    }
    if (wait.IsCancelled()) {
        job.result.Set(kBurnUserCanceled);
        return 1;
    }
    wait.BusyOn();

    BurnScope scope(wait, device);
    // The image is written beside its name and renamed over it once whole:
    // a failed or cancelled run never leaves part of an image under the name.
    UniqueFd held;
    ImageBeside beside;
    if (toFile) {
        // An existing image another burn is writing is left alone.
        held.Reset(::open(job.isoOutputPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        const bool busy = held.Get() >= 0 && ::flock(held.Get(), LOCK_EX | LOCK_NB) != 0;
        if (!busy && beside.Create(job.isoOutputPath))
            output.Reset(::dup(beside.fd));
        if (busy || output.Get() < 0) {
            std::snprintf(text, sizeof text, "Cannot open the ISO file to write \"%s\".",
                          job.isoOutputPath.c_str());
            Shown(wait, job.result, kBurnUserCanceled, text);
            return 2;
        }
        job.media = kMediaImageFile;
    }
    wait.SetStatusText(title, 0);

    LMmcDiscInfo disc;
    LDriveCapabilities capabilities;
    if (!toFile) {
        scope.touched = true;
        LCheckDriveAndMedia(job.result, wait, device, job.options, disc, job.media, job.discType,
                            capabilities);
        if (!job.result.Ok())
            return Finish(job);
        // The image starts where the drive will put its next block: the
        // start of an overwritable disc, the start of a disc about to be
        // erased, else the next writable address of the open track.
        job.startBlock = 0;
        if (!IsOverwritable(job.media) && !(disc.Erasable() && disc.Status() != 0) && disc.Status() != 0) {
            LMmcTrackInfo track;
            LBurnResult read;
            LMmcReadTrackInformation(read, wait, device, track, 255);
            if (read.Ok() && track.nextWritableValid)
                job.startBlock = track.nextWritable;
        }
    }
    // Counted before the generator's thread walks the tree.
    const uint32_t needed =
        uint32_t(std::min<uint64_t>((CompilationBytes(job.root) + 0x3D10FF) / 2048, 0xFFFFFFFFu));
    const uint32_t fileSystem =
        job.fileSystem != 0 ? job.fileSystem : LRefineDiscType(job.discType, job.media);
    scope.image =
        std::make_unique<LDiscImageWriter>(job.root, job.media, fileSystem, job.sourceIsoPath, bootPath);
    LDiscImageWriter& image = *scope.image;
    image.startSector = job.startBlock;
    if (!image.Start(LNormalPriority)) {
        job.result.Set(kBurnCreateIsoFailed, "The image generator could not be started");
        return 2;
    }

    if (!toFile) {
        LPrepareMedia(job.result, wait, device, job.options, disc, job.media, needed, job.discType,
                      capabilities);
        if (!job.result.Ok())
            return Finish(job);
        // After an erase the drive's next writable address must still be
        // where the image was laid out.
        if (!IsOverwritable(job.media)) {
            LMmcTrackInfo track;
            LBurnResult read;
            LMmcReadTrackInformation(read, wait, device, track, 255);
            if (read.Ok() && (!track.nextWritableValid || track.nextWritable != job.startBlock)) {
                std::snprintf(text, sizeof text,
                              "The disc's next writable address is %u, the image starts at %u",
                              track.nextWritable, job.startBlock);
                job.result.Set(kBurnCannotAppend, text);
                return 2;
            }
        }
    }

    if (const int layout = WaitForLayout(wait, job, image); layout != 0)
        return layout;

    if (!toFile) {
        if (!job.options.overburn) {
            uint32_t capacity = 0;
            LMmcGetWritableBlocks(job.result, wait, device, disc, job.media, capacity);
            if (!job.result.Ok())
                return Finish(job);
            const uint64_t blocks = uint64_t(job.lastBlock) + 1 - job.startBlock;
            if (blocks > capacity) {
                std::snprintf(text, sizeof text,
                              "The %s has a capacity of %4.2fMB and you are trying to write %4.2fMB. Please "
                              "insert a larger capacity disc or try fewer files.",
                              LMediaTypeName(job.media), capacity * 2048.0 / 1048576.0,
                              double(blocks) * 2048.0 / 1048576.0);
                Shown(wait, job.result, kBurnUserCanceled, text);
                return 2;
            }
        }
        LMmcSetSpeed(job.result, wait, device, capabilities.maxReadSpeed, capabilities.maxWriteSpeed,
                     job.media, job.lastBlock, int(job.options.speedFactor));
        if (!job.result.Ok())
            return Finish(job);
    }

    wait.SetStatusText(title, 0);
    wait.SetStatusText("Please Wait...", 1);
    wait.BusyOff();
    if (wait.IsCancelled()) {
        job.result.Set(kBurnUserCanceled);
        return 1;
    }
    wait.Progress(0);
    if (!toFile)
        scope.Lock();

    switch (job.media) {
    case kMediaCdR:
    case kMediaCdRw:
        LFinalizeCdTao(wait, device, -1, image);
        break;
    case kMediaDvdR:
    case kMediaDvdRDl:
        LFinalizeDvdR(wait, device, -1, image);
        break;
    case kMediaDvdRw:
        LFinalizeDvdRw(wait, device, -1, image);
        break;
    case kMediaDvdPlusR:
    case kMediaDvdPlusRDl:
    case kMediaHdDvdR:
    case kMediaBdR:
        LFinalizeSequential(wait, device, -1, image);
        break;
    case kMediaDvdPlusRw:
    case kMediaDvdRwDl:
    case kMediaBdRe:
        LFinalizeOverwrite(wait, device, -1, image);
        break;
    case kMediaHdDvdRam:
        LFinalizeRestrictedOverwrite(wait, device, -1, image);
        break;
    case kMediaImageFile:
        LWriteImageToTarget(wait, device, output.Get(), image, false);
        break;
    default:
        // No writer for this medium: the drive cannot write the family.
        job.result.SetFormat(LCannotWriteCodeForMedia(job.media), "%s", LMediaTypeName(job.media));
        return 2;
    }
    job.result = image.result;
    if (!job.result.Ok())
        return Finish(job);
    if (toFile) {
        if (!beside.Commit()) {
            job.result.SetFormat(kBurnWriteError, "The ISO file \"%s\" could not be completed: %s",
                                 job.isoOutputPath.c_str(), std::strerror(errno));
            return 2;
        }
        return 0;
    }

    LBurnResult ignored;
    LMmcSynchronizeCache(ignored, wait, device);
    bool ejected = false;
    if (job.options.loadEject) {
        scope.Unlock();
        ejected = LMmcLoadOrEject(wait, device, false) == 0;
    }
    if (!job.options.verify)
        return 0;

    wait.Progress(0);
    wait.SetStatusText("Verifying the burn", 0);
    wait.SetStatusText("Please close the drive if it stays open", 1);
    LMmcWaitOptions ready;
    ready.budgetMs = 60000;
    LMmcWaitUnitReady(job.result, wait, device, ready);
    if (job.result.code == kBurnUserCanceled)
        return 1;
    LMmcWaitMechanismReady(job.result, wait, device);
    if (job.result.code == kBurnUserCanceled)
        return 1;
    if (ejected)
        LMmcLoadOrEject(wait, device, true);
    LMmcWaitMechanismReady(job.result, wait, device);
    if (job.result.code == kBurnUserCanceled)
        return 1;

    // A drive left open or without its disc is asked again, within a bound.
    const uint64_t verifyStart = device.Clock().NowMs();
    bool askedToClose = false;
    for (;;) {
        LMmcWaitUnitReady(job.result, wait, device, ready);
        if (job.result.code == kBurnUserCanceled || wait.IsCancelled()) {
            job.result.Set(kBurnVerifyFailed);
            return 1;
        }
        const bool noDisc = job.result.code == kBurnNoDisc;
        if (noDisc || job.result.code == kBurnDriveNotReady) {
            if ((noDisc && !askedToClose) || job.result.code == kBurnDriveNotReady)
                wait.SetStatusText("Please close the drive if it stays open", 1);
            askedToClose = askedToClose || noDisc;
            if (device.Clock().NowMs() - verifyStart >= kMmcLongestWaitMs)
                return 2;
            if (device.Clock().Sleep(wait, 200)) {
                job.result.Set(kBurnVerifyFailed);
                return 1;
            }
            continue;
        }
        break;
    }
    wait.SetStatusText("Please Wait...", 1);
    LWriteImageToTarget(wait, device, -1, image, true);
    job.result = image.result;
    if (ejected)
        LMmcLoadOrEject(wait, device, false);
    return Finish(job);
}
