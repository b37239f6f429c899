#include "burn/LAudioCdBurner.h"

#include "audio/effects/LNormalize.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/formats/aiff/LAiffSoundSink.h"
#include "burn/LAiffTrackReader.h"
#include "burn/LAudioTrackSource.h"
#include "burn/LBurnOptions.h"
#include "burn/LBurnRunningFlag.h"
#include "burn/LMediaProfileTable.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderTree.h"
#include "foundation/files/LWorkingFolder.h"
#include "foundation/log/LLog.h"
#include "foundation/threads/LProcessContext.h"

#include <libburn/libburn.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace {

constexpr int kBurnNoDisc = 14;
constexpr int kBurnConvertFailed = 26;
constexpr int kBurnNotCd = 21;
constexpr int kBurnTooManyTracks = 27;

// The folder's AIFF files in ascending name order.
std::vector<std::string> ListTrackFiles(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || std::strncmp(name, "._", 2) == 0)
            continue;
        const char* dot = std::strrchr(name, '.');
        if (dot == nullptr || (strcasecmp(dot, ".aiff") != 0 && strcasecmp(dot, ".aif") != 0))
            continue;
        names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

LAudioTrackSources::~LAudioTrackSources()
{
    Release();
}

void LAudioTrackSources::Release()
{
    for (burn::burn_source* source : sources)
        LReleaseBurnSource(source);
    sources.clear();
}

int32_t LBuildAudioTrackList(LBurnResult& result, const std::string& folder, LAudioCdBurnJob& job,
                             LAudioTrackSources& out)
{
    const std::vector<std::string> names = ListTrackFiles(folder);
    if (names.empty() || names.size() < job.convertedTracks) {
        result.Set(kBurnFileNotFound);
        return result.code;
    }
    const uint32_t pause = LPauseBlocks(job.pauseSeconds);
    int64_t start = 0;
    job.layout.clear();
    for (size_t n = 0; n < names.size(); ++n) {
        const std::string path = folder + "/" + names[n];
        LAiffTrackFormat format;
        if (!LReadAiffTrackFormat(path.c_str(), format)) {
            result.Set(kBurnFileNotFound, names[n].c_str());
            return result.code;
        }
        const bool last = n + 1 == names.size();
        LAudioCdTrackLayout layout;
        layout.frames = format.Frames();
        layout.blocks = LAudioTrackBlocks(layout.frames, last ? 0 : pause);
        layout.startBlock = start;
        start += layout.blocks;
        burn::burn_source* source =
            LNewAudioTrackSource(std::make_unique<LAiffTrackProducer>(path, format, layout.blocks));
        if (source == nullptr) {
            result.Set(kBurnFileNotFound, names[n].c_str());
            return result.code;
        }
        out.sources.push_back(source);
        job.layout.push_back(layout);
    }
    return kBurnNoError;
}

namespace {

std::string CuePathFor(const std::string& rawPath)
{
    const size_t slash = rawPath.rfind('/');
    const size_t dot = rawPath.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return rawPath.substr(0, dot) + ".cue";
    return rawPath + ".cue";
}

// Reads every source as the drive would and keeps the bytes in a file.
int32_t WriteDryRun(LBurnResult& result, LProcessContext* context, LAudioCdBurnJob& job,
                    LAudioTrackSources& tracks)
{
    const int fd = open(job.dryRunPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        result.SetFormat(kBurnDiskFull, "%s: %s", job.dryRunPath.c_str(), std::strerror(errno));
        return result.code;
    }
    int64_t totalBlocks = 0;
    for (const LAudioCdTrackLayout& t : job.layout)
        totalBlocks += t.blocks;
    int64_t done = 0;
    std::vector<unsigned char> buffer(kCdBlockBytes * 32);
    int32_t code = kBurnNoError;
    for (size_t n = 0; n < tracks.sources.size() && code == kBurnNoError; ++n) {
        context->MessageLevelF(1, "Writing track %d ...", static_cast<int>(n + 1));
        burn::burn_source* source = tracks.sources[n];
        const int64_t size = source->get_size(source);
        int64_t got = 0;
        for (;;) {
            const int r = LReadBurnSource(source, buffer.data(), static_cast<int>(buffer.size()));
            if (r < 0) {
                result.Set(kBurnScsiError, "A track's file could not be read");
                code = result.code;
                break;
            }
            if (r == 0)
                break;
            if (write(fd, buffer.data(), static_cast<size_t>(r)) != r) {
                result.SetFormat(kBurnDiskFull, "%s: %s", job.dryRunPath.c_str(), std::strerror(errno));
                code = result.code;
                break;
            }
            got += r;
            done += r / kCdBlockBytes;
            context->Progress(totalBlocks > 0 ? static_cast<double>(done) / totalBlocks : 1.0);
            if (context->IsStopRequested()) {
                result.Set(kBurnUserCanceled);
                code = result.code;
                break;
            }
        }
        if (code == kBurnNoError && got != size) {
            result.Set(kBurnScsiError, "A track gave fewer bytes than its length");
            code = result.code;
        }
    }
    if (close(fd) != 0 && code == kBurnNoError) {
        result.SetFormat(kBurnDiskFull, "%s: %s", job.dryRunPath.c_str(), std::strerror(errno));
        code = result.code;
    }
    if (code == kBurnNoError) {
        const size_t slash = job.dryRunPath.rfind('/');
        const std::string rawName =
            slash == std::string::npos ? job.dryRunPath : job.dryRunPath.substr(slash + 1);
        const std::string cue = CuePathFor(job.dryRunPath);
        if (!LWriteAudioCueSheet(cue, rawName, job.layout)) {
            result.SetFormat(kBurnDiskFull, "%s: %s", cue.c_str(), std::strerror(errno));
            code = result.code;
        }
    }
    return code;
}

// Waits until the drive reports a disc again (it may have been reloaded by
// an erase), within the job's bound and while the user does not cancel.
int32_t WaitForMediaPresent(LProcessContext* context, LBurnDrive& drive, uint32_t boundMs)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (drive.DiscStatus() != LBurnDiscStatus::Unready)
            return kBurnNoError;
        if (!drive.Reassess())
            return kBurnDriveMissing;
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        if (waited >= boundMs)
            return kBurnNoDisc;
        if (context->WaitForStop(std::min<uint32_t>(250, boundMs - static_cast<uint32_t>(waited))))
            return kBurnUserCanceled;
    }
}

int32_t WriteToDisc(LBurnResult& result, LProcessContext* context, LBurnDrive& drive, LAudioCdBurnJob& job,
                    LAudioTrackSources& tracks)
{
    const int32_t present = WaitForMediaPresent(context, drive, job.mediaWaitMs);
    if (present != kBurnNoError) {
        result.Set(present);
        return present;
    }
    // Better said now than by the drive after minutes of writing.
    int64_t blocks = 0;
    for (const LAudioCdTrackLayout& t : job.layout)
        blocks += t.blocks;
    const int64_t room = drive.FreeBlocks();
    if (room > 0 && blocks > room) {
        result.SetFormat(kBurnCapacityExceeded, "%lld blocks needed, %lld free",
                         static_cast<long long>(blocks), static_cast<long long>(room));
        return result.code;
    }
    LBurnWriteRequest request;
    request.sao = !job.tao && drive.Identity().writeCdSao;
    request.speed = job.speedFactor > 0 ? static_cast<int32_t>(std::ceil(job.speedFactor * 176.4)) : 0;
    for (burn::burn_source* source : tracks.sources)
        request.tracks.push_back(LBurnWriteTrack{source, true});
    context->MessageLevel("Recording CD Audio", 0);
    if (!drive.StartWrite(request)) {
        result.Set(kBurnScsiError, drive.LastMessage().c_str());
        return result.code;
    }
    // The drive holds its own references now.
    tracks.Release();
    const LBurnJobOutcome outcome = LRunBurnJob(context, drive, job.disc.bounds, true);
    if (outcome.idle)
        drive.FinishWrite();
    else
        LLogError("The burner did not come back; its track data stays allocated");
    if (outcome.status == 1)
        result.Set(kBurnUserCanceled);
    else if (outcome.status != 0)
        result.Set(kBurnScsiError, outcome.message.c_str());
    return result.code;
}

} // namespace

uint32_t LPauseBlocks(double seconds)
{
    if (!(seconds > 0))
        return 0;
    const double blocks = seconds * kCdBlocksPerSecond;
    return blocks >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(blocks);
}

bool LWriteAudioCueSheet(const std::string& cuePath, const std::string& rawName,
                         const std::vector<LAudioCdTrackLayout>& layout)
{
    FILE* file = std::fopen(cuePath.c_str(), "we");
    if (file == nullptr)
        return false;
    std::fprintf(file, "FILE \"%s\" BINARY\n", rawName.c_str());
    for (size_t n = 0; n < layout.size(); ++n) {
        const int64_t start = layout[n].startBlock;
        std::fprintf(file, "  TRACK %02d AUDIO\n    INDEX 01 %02lld:%02lld:%02lld\n", static_cast<int>(n + 1),
                     static_cast<long long>(start / (60 * 75)), static_cast<long long>(start / 75 % 60),
                     static_cast<long long>(start % 75));
    }
    return std::fclose(file) == 0;
}

int LConvertTracksToAiff(LProcessContext* context, LAudioCdBurnJob& job, const std::string& folder)
{
    int n = 1;
    for (LAudioCdTrack& track : job.tracks) {
        char name[32];
        std::snprintf(name, sizeof name, "track%.2d.aiff", n);
        const std::string path = folder + "/" + name;
        LSoundSourcePtr source = track.source;
        if (source->GetStatus() != kSoundStatusOk)
            return 2;
        if (job.normalizePercent < 0) {
            NormalizeSoundWithSettings(context, source);
        } else if (job.normalizePercent > 0) {
            LNormalizeParams params;
            params.peakLevel = job.normalizePercent;
            params.source = source;
            if (NormalizeSound(context, params) == 0)
                source = params.source;
        }
        if (context->IsStopRequested())
            return 1;
        context->MessageLevel("Converting", 0);
        context->MessageLevelF(1, "Converting Audio Files %d", n);
        context->Progress(0.0);
        source->Seek(0);
        int32_t status;
        {
            LSoundProcessJob process;
            process.title = name;
            process.input = source;
            CreateAiffSoundSink(process.output, path.c_str(), 44100, 2);
            if (process.output->IsFailed())
                return 2;
            status = ProcessSoundToSink(context, process);
            // The job's handles go here; the file is finished with the last one.
        }
        if (status != kPumpDone)
            return status == kPumpCancelled ? 1 : 2;
        ++n;
        ++job.convertedTracks;
    }
    return 0;
}

void LApplyBurnOptions(const LBurnOptions& options, LAudioCdBurnJob& job)
{
    job.driveIndex = options.driveIndex;
    job.disc.eraseRewritable = options.eraseRewritable;
    job.disc.fullErase = options.fullErase;
    job.pauseSeconds = options.audioPauseSeconds;
    job.speedFactor = options.speedFactor;
    job.tao = false;
}

int LBurnAudioCd(LProcessContext* context, LBurnBackend& backend, LAudioCdBurnJob& job)
{
    LBurnRunningScope running;
    LBurnResult& result = job.result;
    result.Clear();
    job.convertedTracks = 0;
    job.layout.clear();
    const bool dryRun = !job.dryRunPath.empty();
    if (job.tracks.empty()) {
        result.Set(kBurnFileNotFound);
        return 0;
    }
    if (job.tracks.size() > kAudioCdMaxTracks) {
        result.Set(kBurnTooManyTracks);
        return 0;
    }

    std::unique_ptr<LBurnDrive> drive;
    if (job.driveIndex != kBurnNoDrive || !dryRun) {
        std::string message;
        drive = job.driveIndex == kBurnNoDrive ? nullptr : LGetBurnDevice(backend, job.driveIndex, &message);
        if (!drive) {
            result.Set(kBurnDriveMissing, message.c_str());
            return 0;
        }
        context->MessageLevel("Checking disc and drive", 0);
        context->BeginIndeterminateProgress();
        LDiscWaitOptions wait = job.disc;
        wait.checkOnly = dryRun;
        const int32_t code = LWaitForUsableDisc(result, context, *drive, wait);
        context->EndIndeterminateProgress();
        if (code != kBurnNoError) {
            if (code != result.code || result.code == kBurnNoError)
                result.Set(code);
            return 0;
        }
        if (!LIsAudioCdMedia(LMediaTypeCode(*drive))) {
            result.Set(kBurnNotCd);
            return 0;
        }
    }

    // Its marker keeps a later start from removing it while the burn runs,
    // and lets one remove it after a kill.
    const LWorkingFolder working;
    const std::string& folder = working.Path();
    if (folder.empty()) {
        char caches[kLPathSize] = {};
        LGetCachesFolder(caches);
        result.Set(kBurnIsoStructureFailed, caches);
        return 0;
    }

    context->MessageLevel("Recording CD Audio", 0);
    {
        LAudioTrackSources tracks;
        const int converted = LConvertTracksToAiff(context, job, folder);
        if (converted == 1 || context->IsStopRequested())
            result.Set(kBurnUserCanceled);
        else if (converted != 0)
            result.Set(kBurnConvertFailed);
        else if (LBuildAudioTrackList(result, folder, job, tracks) == kBurnNoError) {
            if (dryRun)
                WriteDryRun(result, context, job, tracks);
            else
                WriteToDisc(result, context, *drive, job, tracks);
        }
    }
    // Tracks left with a drive that never came back still hold their files
    // open; removing the folder (as `working` goes) only unlinks them.
    return 0;
}
