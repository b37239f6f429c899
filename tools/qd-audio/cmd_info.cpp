// qd-audio info FILE: one line describing the coding and length of an audio file.

#include "QdCommand.h"

#include "audio/formats/LAudioFileOpener.h"

#include <cinttypes>
#include <cstdio>

namespace {

int RunInfo(int argc, char** argv)
{
    if (argc < 2)
        return QdFail("usage: qd-audio info FILE");
    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, argv[1], &info);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFail("%s: %s (status %u)", argv[1], LSoundStatusText(source->GetStatus()),
                      source->GetStatus());
    std::printf("format=%d rate=%d channels=%u frames=%" PRId64 "\n", info.formatTag, source->GetRate(),
                source->GetChannels(), source->GetLength());
    return 0;
}

QdRegistrar reg("info", "info FILE", &RunInfo);

} // namespace
