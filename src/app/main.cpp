// Quorin: records vinyl and tape, splits and restores the tracks, writes WAV, MP3 and discs.
#include "foundation/files/LAppDataSubfolder.h"
#include "foundation/process/LProcessStartup.h"

#include <cstdio>

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (!LProcessStartup(argc, argv, &exitCode))
        return exitCode;

    // The per-user components folder, where components the user adds are loaded from.
    char components[260];
    if (!LCreateAppDataSubfolder("Components", components))
        std::fputs("quorin: cannot create the components folder\n", stderr);

    std::fputs("quorin: start-up done; the window layer is not built yet\n", stderr);
    return 0;
}
