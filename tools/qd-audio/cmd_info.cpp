// qd-audio info FILE: one line describing the coding and length of an audio file.

#include "QdCommand.h"
#include "QdMessages.h"

#include "audio/formats/LAudioFileOpener.h"

#include <cinttypes>
#include <cstdio>

namespace {

int RunInfo(int, char** argv)
{
    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, argv[1], &info);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFailSource(argv[1], source, info);
    std::printf("format=%d rate=%d channels=%u frames=%" PRId64 "\n", info.formatTag, source->GetRate(),
                source->GetChannels(), source->GetLength());
    return 0;
}

QdRegistrar reg("info", "info FILE", &RunInfo);

} // namespace
