// qd-disc options: the burn options as every burn reads them, one per line.

#include "QdCommand.h"

#include "burn/LBurnOptions.h"

#include <cstdio>

namespace {

int RunOptions(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    LBurnOptions options;
    LLoadBurnOptions(&options);
    std::printf("eraseRewritable=%d\noverburn=%d\ndriveIndex=%u\nloadEject=%d\nverify=%d\ncopies=%u\n"
                "speedFactor=%g\naudioPauseSeconds=%g\nsao=%d\ncdText=%d\nfinalize=%d\nfullErase=%d\n"
                "bufferUnderRun=%d\nbootable=%d\nbootImagePath=%s\n",
                options.eraseRewritable, options.overburn, options.driveIndex, options.loadEject,
                options.verify, options.copies, options.speedFactor, options.audioPauseSeconds, options.sao,
                options.cdText, options.finalize, options.fullErase, options.bufferUnderRun, options.bootable,
                options.bootImagePath);
    return 0;
}

QdRegistrar reg("options", "options", &RunOptions);

} // namespace
