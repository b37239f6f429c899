// qd-disc audio-cd: burns recordings as an audio CD, or with --dry-run
// writes the bytes the drive would receive to OUT.raw with OUT.cue beside it.

#include "QdBurnDrive.h"
#include "QdCommand.h"

#include "audio/formats/LAudioFileOpener.h"
#include "burn/LAudioCdBurner.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool ParseSeconds(const char* text, double low, double high, double& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (*end != '\0' || !(v >= low && v <= high))
        return false;
    value = v;
    return true;
}

int RunAudioCd(int argc, char** argv)
{
    const char* driveText = nullptr;
    const char* dryRun = nullptr;
    LAudioCdBurnJob job;
    job.normalizePercent = 0;
    job.disc.discWaitMs = 0;
    bool verbose = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* flag) -> const char* {
            if (i + 1 >= argc) {
                QdFail("%s needs a value", flag);
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--drive") {
            if (!(driveText = value("--drive")))
                return 2;
        } else if (arg == "--dry-run") {
            if (!(dryRun = value("--dry-run")))
                return 2;
        } else if (arg == "--pause") {
            const char* v = value("--pause");
            if (!v || !ParseSeconds(v, 0, 60, job.pauseSeconds))
                return QdFail("--pause takes seconds from 0 to 60");
        } else if (arg == "--wait") {
            const char* v = value("--wait");
            double s = 0;
            if (!v || !ParseSeconds(v, 0, 3600, s))
                return QdFail("--wait takes seconds from 0 to 3600");
            job.disc.discWaitMs = static_cast<int32_t>(s * 1000);
        } else if (arg == "--tao") {
            job.tao = true;
        } else if (arg == "--erase") {
            job.disc.eraseRewritable = true;
        } else if (arg == "--full-erase") {
            job.disc.eraseRewritable = true;
            job.disc.fullErase = true;
        } else if (arg == "--speed") {
            const char* v = value("--speed");
            long n = 0;
            if (v && std::strcmp(v, "max") == 0)
                job.speedFactor = -1;
            else if (v && QdNumber(v, 1, 100, n))
                job.speedFactor = static_cast<double>(n);
            else
                return QdFail("--speed takes N (1 to 100) or max");
        } else if (arg == "--normalize") {
            const char* v = value("--normalize");
            long n = 0;
            if (!v || !QdNumber(v, 0, 100, n))
                return QdFail("--normalize takes a percentage from 0 to 100");
            job.normalizePercent = static_cast<int32_t>(n);
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return QdFail("unknown option '%s'", arg.c_str());
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.empty())
        return QdFail("no TRACK given");
    if (paths.size() > 99)
        return QdFail("an audio CD holds at most 99 tracks");
    QdBurnDrive drive;
    if (const int bad = QdParseBurnDrive(driveText, dryRun != nullptr, drive))
        return bad;
    for (const std::string& path : paths) {
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, path.c_str());
        if (source->GetStatus() != kSoundStatusOk)
            return QdFail("%s: %s", path.c_str(), LSoundStatusText(source->GetStatus()));
        job.tracks.emplace_back(source);
    }
    if (drive.fake) {
        // A scripted drive answers at once: no need to give it minutes
        // before taking it for hung.
        job.disc.bounds.stallMs = 2000;
        job.disc.bounds.idleWaitMs = 1000;
    }
    job.driveIndex = drive.index;
    if (dryRun)
        job.dryRunPath = dryRun;
    QdSignalContext context(verbose);
    LBurnBackend* backend = drive.backend ? drive.backend : &LGetLibburnBackend();
    LBurnAudioCd(&context, *backend, job);
    for (size_t n = 0; n < job.layout.size() && n < paths.size(); ++n)
        std::printf("%02d\t%lld\t%lld\t%s\n", static_cast<int>(n + 1),
                    static_cast<long long>(job.layout[n].startBlock),
                    static_cast<long long>(job.layout[n].blocks), paths[n].c_str());
    std::fflush(stdout);
    return QdReportBurnResult(job.result);
}

QdRegistrar reg("audio-cd",
                "audio-cd --drive D [--pause SEC] [--tao] [--erase|--full-erase] [--speed N|max] "
                "[--normalize PCT] [--wait SEC] [--verbose] [--dry-run OUT.raw] TRACK...",
                &RunAudioCd);

} // namespace
