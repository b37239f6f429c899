#include "burn/LBurnDataDisc.h"

#include "burn/LBurnRunningFlag.h"
#include "burn/LDiscFileSystems.h"
#include "burn/LDiscImageWriter.h"
#include "burn/LMediaType.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LMmcDriveSectorWriter.h"
#include "foundation/threads/LProcessContext.h"

#include <cstring>

namespace {

constexpr int kBurnDiscNotEmpty = 2;
constexpr int kBurnEraseFailed = 25;

bool IsCd(uint32_t m)
{
    return m <= kMediaCdRom;
}
bool IsBd(uint32_t m)
{
    return m >= kMediaBdRom && m <= kMediaBdRe;
}
bool IsHdDvd(uint32_t m)
{
    return m >= kMediaHdDvdRom && m <= kMediaHdDvdRam;
}

bool DriveWrites(const LDriveCapabilities& c, uint32_t media)
{
    if (IsCd(media))
        return c.cdWrite;
    if (IsBd(media))
        return c.bdWrite;
    if (IsHdDvd(media))
        return c.hdDvdWrite;
    return c.dvdRWrite || c.dvdRDlWrite || c.dvdRwWrite || c.dvdPlusRWrite || c.dvdPlusRDlWrite ||
           c.dvdPlusRwWrite || c.dvdPlusRwDlWrite || c.dvdRamWrite;
}

// The drive is unlocked however the burn ends.
struct RemovalLock
{
    RemovalLock(LProcessContext& c, LScsiDevice& d) : context(c), device(d) {}
    ~RemovalLock()
    {
        if (locked)
            LMmcPreventRemoval(context, device, false);
    }
    void Lock()
    {
        LMmcPreventRemoval(context, device, true);
        locked = true;
    }
    LProcessContext& context;
    LScsiDevice& device;
    bool locked = false;
};

struct Burn
{
    LProcessContext& context;
    LScsiDevice& device;
    LDataDiscJob& job;
    LDiscImageWriter& image;
    LDriveCapabilities caps;

    uint32_t Needed() const { return job.lastBlock + 1 + 1 - job.startBlock; }

    void WriteImage(LBurnResult& out)
    {
        LMmcWaitOptions wait;
        LMmcWaitUnitReady(out, context, device, wait);
        if (!out.Ok())
            return;
        LMmcDriveSectorWriter writer(context, device, job.startBlock, LDiscBlockSectors(job.media), false);
        context.MessageLevel("Please Wait...", 1);
        image.WriteImage(&context, writer);
        out = image.result;
    }

    // Closes with `first`, then (when that did not fail hard) with `second`.
    void CloseTwice(LBurnResult& out, uint8_t first, bool firstWait, uint8_t second, const char* line)
    {
        LBurnResult close;
        LMmcCloseTrackSession(close, context, device, first, firstWait, 1);
        if (close.code < 2) {
            if (line != nullptr)
                context.MessageLevel(line, 1);
            LMmcCloseTrackSession(close, context, device, second, true, 1);
        }
        if (out.Ok())
            out = close;
    }

    void SetWriteMode(LBurnResult& out, uint8_t type, uint8_t trackMode, uint8_t blockType, uint8_t link = 0)
    {
        uint8_t page[56] = {};
        page[1] = 0x36;
        page[2] = type;
        page[3] = trackMode;
        page[4] = blockType;
        page[5] = link;
        page[14] = 0;
        page[15] = 150;
        LMmcSetWriteMode(out, context, device, page);
    }

    void Cd(LBurnResult& out)
    {
        SetWriteMode(out, 0x41, 0x06, 0x08);
        if (!out.Ok())
            return;
        LBurnResult ignored;
        LMmcReserveTrack(ignored, context, device, Needed(), 1);
        WriteImage(out);
        if (!out.Ok())
            return;
        context.MessageLevel("Finalizing this disc", 1);
        CloseTwice(out, 1, false, 2, nullptr);
    }

    void DvdR(LBurnResult& out)
    {
        SetWriteMode(out, 0x42, 0x05, 0x08);
        if (!out.Ok())
            return;
        LMmcReserveTrack(out, context, device, Needed(), 16);
        if (!out.Ok())
            return;
        WriteImage(out);
        if (!out.Ok())
            return;
        context.MessageLevel("Finalizing the disc. This could take several minutes...", 1);
        CloseTwice(out, 1, true, 2, nullptr);
    }

    void DvdRw(LBurnResult& out)
    {
        SetWriteMode(out, 0x42, 0x05, 0x08);
        if (!out.Ok())
            return;
        LMmcReserveTrack(out, context, device, Needed(), 16);
        if (!out.Ok())
            return;
        WriteImage(out);
        if (!out.Ok())
            return;
        context.MessageLevel("Finalizing the disc. This could take several minutes...", 1);
        LBurnResult close;
        LMmcCloseTrackSession(close, context, device, 1, true, 1);
        if (close.code >= 2) {
            LMmcCloseTrackSession(close, context, device, 2, true, 255);
            if (close.code >= 2)
                LMmcCloseTrackSession(close, context, device, 3, true, 255);
        }
        out = close;
    }

    void Sequential(LBurnResult& out)
    {
        LMmcReserveTrack(out, context, device, Needed(), 16);
        if (!out.Ok())
            return;
        WriteImage(out);
        if (!out.Ok())
            return;
        context.MessageLevel("Closing this disc", 1);
        if (job.media == kMediaBdR) {
            LMmcCloseTrackSession(out, context, device, 6, true, 1);
            return;
        }
        CloseTwice(out, 1, true, 5, "Finalizing this disc");
    }

    void Overwrite(LBurnResult& out)
    {
        WriteImage(out);
        if (!out.Ok())
            return;
        LBurnResult ignored;
        LMmcSynchronizeCache(ignored, context, device);
        if (job.media == kMediaBdRe)
            return;
        LMmcDiscInfo disc;
        LMmcReadDiscInformation(ignored, context, device, disc);
        if (ignored.Ok() && disc.BackgroundFormat() != 3) {
            context.MessageLevel("Waiting for drive to finish operation...", 1);
            LMmcCloseTrackSession(ignored, context, device, 3, true, 1);
            if (!ignored.Ok())
                LMmcCloseTrackSession(ignored, context, device, 1, true, 1);
        }
    }
};

int Finish(LDataDiscJob& job)
{
    if (job.result.code == kBurnUserCanceled)
        return 1;
    return job.result.Ok() ? 0 : 2;
}

} // namespace

int LCannotWriteCodeForMedia(uint32_t media)
{
    if (IsBd(media))
        return 19;
    if (IsHdDvd(media))
        return 18;
    if (IsCd(media) || media == kMediaNoDisc)
        return 16;
    return 17;
}

int LBurnDataDisc(LProcessContext& context, LScsiDevice& device, LDataDiscJob& job)
{
    LBurnRunningScope running;
    job.result.Clear();
    context.MessageLevel("Writing to Disc", 0);
    if (job.sourceIsoPath == nullptr && (job.root == nullptr || job.root->children.empty())) {
        job.result.Set(kBurnUserCanceled, "Disc Write failed because there are no files to write.");
        context.Message(job.result.message);
        return 2;
    }
    if (context.IsStopRequested()) {
        job.result.Set(kBurnUserCanceled);
        return 1;
    }

    // Drive and disc.
    context.MessageLevel("Checking drive and media", 1);
    LMmcWaitOptions ready;
    ready.budgetMs = 60000;
    LMmcWaitUnitReady(job.result, context, device, ready);
    if (!job.result.Ok())
        return Finish(job);
    LBurnResult ignored;
    LMmcReadTimeouts(ignored, context, device);
    LMmcIdentifyMedia(job.result, context, device, job.media);
    if (!job.result.Ok())
        return Finish(job);
    if (job.media == kMediaNoDisc) {
        job.result.Set(kBurnNoDisc);
        return 2;
    }
    LDriveCapabilities caps;
    LMmcGetDriveCapabilities(ignored, context, device, caps);
    if (!ignored.Ok()) {
        // A drive that will not say what it can do is taken for a CD writer.
        caps = LDriveCapabilities{};
        caps.cdWrite = true;
    }
    const uint32_t m = job.media;
    const bool hasWriter = m == kMediaCdR || m == kMediaCdRw || m == kMediaDvdR || m == kMediaDvdRDl ||
                           m == kMediaDvdRw || m == kMediaDvdPlusR || m == kMediaDvdPlusRDl ||
                           m == kMediaHdDvdR || m == kMediaBdR || m == kMediaDvdPlusRw ||
                           m == kMediaDvdRwDl || m == kMediaBdRe;
    if (!hasWriter || !DriveWrites(caps, m)) {
        job.result.SetFormat(LCannotWriteCodeForMedia(m), "%s", LMediaTypeName(m));
        return 2;
    }

    // Media preparation.
    LMmcDiscInfo disc;
    LMmcReadDiscInformation(job.result, context, device, disc);
    if (!job.result.Ok())
        return Finish(job);
    const bool overwritable = m == kMediaDvdPlusRw || m == kMediaDvdRwDl || m == kMediaBdRe;
    const bool needsFormat =
        overwritable && disc.Status() == 0 && disc.LastSessionState() == 0 && disc.BackgroundFormat() == 0;
    const bool usable = overwritable ? !needsFormat : disc.Status() == 0 || disc.Status() == 1;
    const bool wantErase =
        job.options.eraseRewritable && disc.Erasable() && !overwritable && disc.Status() != 0;
    if (!disc.Erasable() && !usable) {
        job.result.SetFormat(kBurnDiscNotEmpty, "The inserted disc is a %s and is not empty or erasable",
                             LMediaTypeName(m));
        return 2;
    }
    if (disc.Erasable() && (!usable || needsFormat || wantErase)) {
        if (!needsFormat && !job.options.eraseRewritable) {
            job.result.Set(kBurnDiscNotEmpty,
                           "To erase it, select the option \"Erase rewritable discs if they are not blank\"");
            return 2;
        }
        context.MessageLevel("Erasing the disc", 1);
        LMmcEraseDisc(job.result, context, device, m, job.options.fullErase ? 0 : 1);
        if (job.result.code == kBurnUserCanceled)
            return 1;
        if (!job.result.Ok()) {
            char text[kBurnMessageSize];
            job.result.Describe(text, sizeof text);
            job.result.SetFormat(kBurnEraseFailed, "%s. Please try another disc or try using a lower speed.",
                                 text);
            return 2;
        }
    } else {
        LMmcEnableWriteCache(ignored, context, device);
    }

    // The image starts where the drive will put the next block.
    LMmcTrackInfo track;
    LMmcReadTrackInformation(job.result, context, device, track, 255);
    if (!job.result.Ok())
        return Finish(job);
    if (!overwritable && !track.nextWritableValid) {
        job.result.Set(9, "The disc reports no next writable address");
        return 2;
    }
    job.startBlock = overwritable ? 0 : track.nextWritable;

    context.MessageLevel("Generating file system", 0);
    context.MessageLevel("Please Wait...", 1);
    LDiscImageWriter image(job.root, m, job.fileSystem, job.sourceIsoPath,
                           job.options.bootable && job.options.bootImagePath[0] ? job.options.bootImagePath
                                                                                : nullptr);
    image.startSector = job.startBlock;
    image.BuildLayout();
    if (!image.result.Ok()) {
        job.result = image.result;
        return Finish(job);
    }
    job.lastBlock = image.lastSector;
    Burn run{context, device, job, image, caps};

    if (!job.options.overburn) {
        uint32_t capacity = 0;
        LMmcGetWritableBlocks(job.result, context, device, capacity);
        if (!job.result.Ok())
            return Finish(job);
        const uint64_t blocks = uint64_t(job.lastBlock) + 1 - job.startBlock;
        if (blocks > capacity) {
            job.result.SetFormat(
                kBurnCapacityExceeded,
                "The %s has a capacity of %4.2fMB and you are trying to write %4.2fMB. Please "
                "insert a larger capacity disc or try fewer files.",
                LMediaTypeName(m), capacity * 2048.0 / 1048576.0, blocks * 2048.0 / 1048576.0);
            return 2;
        }
    }
    LMmcSetSpeed(job.result, context, device, caps.maxReadSpeed, caps.maxWriteSpeed, m, job.lastBlock,
                 int(job.options.speedFactor));
    if (!job.result.Ok())
        return Finish(job);

    context.MessageLevel("Writing to Disc", 0);
    context.MessageLevel("Please Wait...", 1);
    if (context.IsStopRequested()) {
        job.result.Set(kBurnUserCanceled);
        return 1;
    }
    context.Progress(0);
    RemovalLock lock(context, device);
    lock.Lock();
    LBurnResult written;
    switch (m) {
    case kMediaCdR:
    case kMediaCdRw:
        run.Cd(written);
        break;
    case kMediaDvdR:
    case kMediaDvdRDl:
        run.DvdR(written);
        break;
    case kMediaDvdRw:
        run.DvdRw(written);
        break;
    case kMediaDvdPlusR:
    case kMediaDvdPlusRDl:
    case kMediaHdDvdR:
    case kMediaBdR:
        run.Sequential(written);
        break;
    default:
        run.Overwrite(written);
        break;
    }
    job.result = written;
    if (!job.result.Ok())
        return Finish(job);
    LMmcSynchronizeCache(ignored, context, device);
    bool ejected = false;
    if (job.options.loadEject) {
        LMmcPreventRemoval(context, device, false);
        lock.locked = false;
        ejected = LMmcLoadOrEject(context, device, false) == 0;
    }
    if (!job.options.verify)
        return 0;

    context.Progress(0);
    context.MessageLevel("Verifying the burn", 0);
    context.MessageLevel("Please close the drive if it stays open", 1);
    if (ejected)
        LMmcLoadOrEject(context, device, true);
    // A drive left open is waited for, but not for ever.
    const uint64_t verifyStart = device.Clock().NowMs();
    for (;;) {
        LMmcWaitUnitReady(job.result, context, device, ready);
        if (job.result.code == kBurnUserCanceled || context.IsStopRequested()) {
            job.result.Set(kBurnVerifyFailed, "Verification was cancelled");
            return 1;
        }
        if ((job.result.code == kBurnNoDisc || job.result.code == kBurnDriveNotReady) &&
            device.Clock().NowMs() - verifyStart < kMmcLongestWaitMs)
            continue;
        if (!job.result.Ok())
            return Finish(job);
        break;
    }
    context.MessageLevel("Please Wait...", 1);
    LMmcDriveSectorWriter reader(context, device, job.startBlock, LDiscBlockSectors(m), true);
    image.WriteImage(&context, reader);
    job.result = image.result;
    if (ejected)
        LMmcLoadOrEject(context, device, false);
    return Finish(job);
}
