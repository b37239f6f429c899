// qd-disc burn --drive D [--fs CODE] [--label NAME] [--image ISO] [--verify]
// [--speed N|max] [--erase|--full-erase] [--eject] [--overburn] [--trace FILE]
// PATH...: burns a data disc. Exit 0 done, 1 cancelled (SIGINT), 2 failed.

#include "QdBurnDrive.h"
#include "QdCommand.h"
#include "QdScsiDrive.h"

#include "burn/LBurnDataDisc.h"
#include "burn/LProgressWait.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

int RunBurn(int argc, char** argv)
{
    const char* driveText = nullptr;
    const char* tracePath = nullptr;
    const char* label = "Disc";
    const char* image = nullptr;
    long fileSystem = 0;
    LDataDiscJob job;
    job.options.verify = false;
    job.options.speedFactor = -1;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--drive") {
            driveText = value();
        } else if (arg == "--trace") {
            tracePath = value();
        } else if (arg == "--label") {
            label = value();
        } else if (arg == "--image") {
            image = value();
        } else if (arg == "--fs") {
            if (!QdNumber(value(), 1, 25, fileSystem))
                return QdFail("--fs takes a file-system code from 1 to 25");
        } else if (arg == "--speed") {
            const char* speed = value();
            long factor = 0;
            if (speed != nullptr && std::strcmp(speed, "max") == 0)
                job.options.speedFactor = -1;
            else if (QdNumber(speed, 1, 255, factor))
                job.options.speedFactor = double(factor);
            else
                return QdFail("--speed takes a factor from 1 to 255 or \"max\"");
        } else if (arg == "--verify") {
            job.options.verify = true;
        } else if (arg == "--erase") {
            job.options.eraseRewritable = true;
        } else if (arg == "--full-erase") {
            job.options.eraseRewritable = true;
            job.options.fullErase = true;
        } else if (arg == "--eject") {
            job.options.loadEject = true;
        } else if (arg == "--overburn") {
            job.options.overburn = true;
        } else if (arg.rfind("--", 0) == 0) {
            return QdFail("unknown option %s", arg.c_str());
        } else {
            paths.push_back(argv[i]);
        }
        if (i >= argc)
            return QdFail("%s needs a value", arg.c_str());
    }
    if (label == nullptr || (paths.empty() && image == nullptr))
        return QdFail("usage: qd-disc burn --drive D [options] PATH...");
    LDiscCompilation compilation(label);
    for (const char* path : paths) {
        std::string error;
        if (compilation.AddPath(compilation.Root(), path, &error) == nullptr)
            return QdFail("%s: %s", path, error.c_str());
    }
    QdScsiDrive drive;
    if (const int bad = QdOpenScsiDrive(driveText, tracePath, drive))
        return bad;
    // The drive was chosen by --drive; the index only tells the burn there is one.
    job.options.driveIndex = 0;
    job.root = compilation.Root();
    job.fileSystem = uint32_t(fileSystem);
    job.sourceIsoPath = image;
    // The message boxes of the burn are printed by the report below.
    LConsoleProgressWait wait(QdFlag(argc, argv, "--verbose"), nullptr);
    const int status = LBurnDataDisc(wait, *drive.device, job);
    if (status == 1)
        return 1;
    return QdReportScsiResult(job.result);
}

QdRegistrar reg("burn",
                "burn --drive D [--fs CODE] [--label NAME] [--image ISO] [--verify] [--speed N|max] "
                "[--erase|--full-erase] [--eject] [--overburn] [--trace FILE] PATH...",
                &RunBurn);

} // namespace
