// qd-gui tone 364|365 OUT.wav: writes the start or stop tone the recording
// windows play, as the program finds it (resources/wav beside the program).
#include "QdGuiCommand.h"

#include "audio/devices/LResourceSound.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

int Tone(int argc, char** argv)
{
    if (argc != 2 || (std::strcmp(argv[0], "364") != 0 && std::strcmp(argv[0], "365") != 0)) {
        std::fprintf(stderr, "usage: qd-gui tone 364|365 OUT.wav   (364 start, 365 stop)\n");
        return 2;
    }
    const std::filesystem::path source = LGetResourceSoundFolder() + "/" + argv[0] + ".wav";
    std::error_code error;
    std::filesystem::copy_file(source, argv[1], std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        std::fprintf(stderr, "qd-gui: cannot copy %s to %s: %s\n", source.c_str(), argv[1],
                     error.message().c_str());
        return 1;
    }
    std::printf("%s\n", argv[1]);
    return 0;
}

QdGuiCommandRegistrar registrar("tone", Tone);

} // namespace
