// qd-disc erase: blanks a rewritable disc.

#include "QdBurnDrive.h"
#include "QdCommand.h"

#include "burn/LDiscServices.h"

namespace {

int RunErase(int argc, char** argv)
{
    QdBurnDrive drive;
    if (const int bad = QdParseBurnDrive(QdOption(argc, argv, "--drive"), false, drive))
        return bad;
    LDiscWaitOptions options;
    options.fullErase = QdFlag(argc, argv, "--full");
    options.discWaitMs = 0;
    QdSignalContext context(QdFlag(argc, argv, "--verbose"));
    LBurnResult result;
    LEraseDisc(result, &context, *drive.backend, drive.index, options);
    return QdReportBurnResult(result);
}

QdRegistrar reg("erase", "erase --drive D [--full] [--verbose]", &RunErase);

} // namespace
