// qd-audio split IN [--floor DB] [--min-silence MS]: splits a recorded side
// into one file per stretch of sound that the silence detector finds,
// beside the input and in its format, and prints the path of each file
// written.

#include "QdCommand.h"

#include "app/queue/SplitJoinJobs.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/effects/LSilenceDetector.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdio>

namespace {

// Reports the job's failure messages on standard error.
class SplitContext : public LLocalProcessContext
{
public:
    void Message(const char* text) override { std::fprintf(stderr, "qd-audio: %s\n", text); }
};

int RunSplit(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return QdFail("usage: qd-audio split IN [--floor DB] [--min-silence MS]");
    SilenceSplitParams params; // -25 dB and 2000 ms, as the settings default to
    long value = 0;
    if (const char* text = QdOption(argc, argv, "--floor")) {
        if (!QdNumber(text, -127, 127, value))
            return QdFail("--floor needs a level from -127 to 127 dB");
        params.noiseFloor = static_cast<int8_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--min-silence")) {
        if (!QdNumber(text, 0, 86400000, value))
            return QdFail("--min-silence needs a time in milliseconds");
        params.minimumSilence = value;
    }
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, argv[1]);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFail("%s: %s (status %u)", argv[1], LSoundStatusText(source->GetStatus()),
                      source->GetStatus());
    SplitContext context;
    SoundRegion* regions = nullptr;
    FindSilentRegions(&context, params, source, &regions);
    std::vector<SoundSpan> tracks;
    for (SoundRegion* r = regions; r != nullptr; r = r->next)
        tracks.push_back({r->start, r->end});
    FreeSoundRegions(&regions);
    source.Reset();

    std::vector<std::string> written;
    const int result = SplitFileIntoTracks(&context, argv[1], tracks, &written);
    for (const std::string& path : written)
        std::printf("%s\n", path.c_str());
    if (result != kSplitDone)
        return QdFail("%s could not be split", argv[1]);
    return 0;
}

QdRegistrar reg("split", "split IN [--floor DB] [--min-silence MS]", &RunSplit);

} // namespace
