// Quorin: records vinyl and tape, splits and restores the tracks, writes WAV, MP3 and discs.
#include "foundation/process/LProcessStartup.h"

#include <cstdio>

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (!LProcessStartup(argc, argv, &exitCode))
        return exitCode;
    std::fputs("quorin: start-up done; the window layer is not built yet\n", stderr);
    return 0;
}
