// qd-audio tracks IN [--floor DB] [--min-silence MS]: the regions of sound
// the silence detector finds, one line "start_frame end_frame" each.

#include "QdCommand.h"
#include "QdMessages.h"

#include "audio/effects/LSilenceDetector.h"
#include "audio/formats/LAudioFileOpener.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

bool ParseNumber(const char* text, long long low, long long high, long long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

int RunTracks(int argc, char** argv)
{
    SilenceSplitParams params; // -25 dB and 2000 ms, as the settings default to
    long long value = 0;
    if (const char* text = QdOption(argc, argv, "--floor")) {
        if (!ParseNumber(text, -127, 127, value))
            return QdFail("--floor needs a level from -127 to 127 dB");
        params.noiseFloor = static_cast<int8_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--min-silence")) {
        if (!ParseNumber(text, 0, 86400000, value))
            return QdFail("--min-silence needs a time in milliseconds");
        params.minimumSilence = value;
    }
    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, argv[1], &info);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFailSource(argv[1], source, info);
    LLocalProcessContext context;
    SoundRegion* regions = nullptr;
    FindSilentRegions(&context, params, source, &regions);
    for (SoundRegion* r = regions; r != nullptr; r = r->next)
        std::printf("%" PRId64 " %" PRId64 "\n", r->start, r->end);
    FreeSoundRegions(&regions);
    return 0;
}

QdRegistrar reg("tracks", "tracks IN [--floor DB] [--min-silence MS]", &RunTracks);

} // namespace
