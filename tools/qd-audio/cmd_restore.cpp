// qd-audio restore IN OUT [--dc] [--highpass HZ] [--riaa] [--clicks]
//   [--noise FLOOR_DB] [--normalize PERCENT] [--speed 45to33|78to45]:
// runs exactly the chosen restoration tools, in the chain's order, and
// writes the result as a 16-bit PCM WAV.

#include "QdCommand.h"

#include "audio/core/LSoundSink.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/effects/LRestorationChain.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdlib>
#include <cstring>

namespace {

bool ParseNumber(const char* text, long low, long high, long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

const char* const kUsage = "restore IN OUT [--dc] [--highpass HZ] [--riaa] [--clicks] [--noise FLOOR_DB] "
                           "[--normalize PERCENT] [--speed 45to33|78to45]";

int RunRestore(int argc, char** argv)
{
    if (argc < 3 || argv[1][0] == '-' || argv[2][0] == '-')
        return QdFail("usage: qd-audio %s", kUsage);
    // Every argument after IN and OUT must be a known option.
    static const char* const kFlags[] = {"--dc", "--riaa", "--clicks"};
    static const char* const kValued[] = {"--highpass", "--noise", "--normalize", "--speed"};
    for (int i = 3; i < argc; ++i) {
        bool known = false;
        for (const char* f : kFlags)
            known = known || std::strcmp(argv[i], f) == 0;
        for (const char* f : kValued)
            if (std::strcmp(argv[i], f) == 0) {
                known = true;
                if (++i >= argc)
                    return QdFail("%s needs a value", f);
            }
        if (!known)
            return QdFail("unknown option '%s' (usage: qd-audio %s)", argv[i], kUsage);
    }

    LRestorationTools tools;
    tools.dcOffset = QdFlag(argc, argv, "--dc");
    tools.riaa = QdFlag(argc, argv, "--riaa");
    tools.clickPop = QdFlag(argc, argv, "--clicks");
    long value = 0;
    if (const char* text = QdOption(argc, argv, "--highpass")) {
        if (!ParseNumber(text, 1, 20000, value))
            return QdFail("--highpass needs a cutoff from 1 to 20000 Hz");
        tools.highPass = true;
        tools.highPassCutoff = static_cast<int32_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--noise")) {
        if (!ParseNumber(text, -127, 127, value))
            return QdFail("--noise needs a floor from -127 to 127 dB");
        tools.noiseReduction = true;
        tools.noiseFloor = static_cast<int32_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--normalize")) {
        if (!ParseNumber(text, 1, 1000, value))
            return QdFail("--normalize needs a peak level from 1 to 1000 %%");
        tools.normalize = true;
        tools.normalizePercent = static_cast<int32_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--speed")) {
        if (std::strcmp(text, "45to33") == 0)
            tools.speed = kRecordingSpeed33At45;
        else if (std::strcmp(text, "78to45") == 0)
            tools.speed = kRecordingSpeed78At45;
        else
            return QdFail("--speed needs 45to33 or 78to45");
    }

    LSoundSourcePtr source;
    LOpenAudioFileSource(source, argv[1]);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFail("%s: %s (status %u)", argv[1], LSoundStatusText(source->GetStatus()),
                      source->GetStatus());
    LLocalProcessContext context;
    const int chain = ApplyRestorationTools(&context, source, tools);
    if (chain != 0)
        return QdFail("%s: the restoration chain failed (result %d)", argv[1], chain);

    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, static_cast<uint32_t>(source->GetRate()), source->GetChannels(), 16);
    LSoundSinkPtr sink;
    CreateSoundSinkForFormat(sink, argv[2], format);
    if (sink->IsFailed())
        return QdFail("%s: cannot be written", argv[2]);
    LSoundProcessJob job;
    job.title = "Restore";
    job.input = source;
    job.output = sink;
    const int result = ProcessSoundToSink(&context, job);
    job.output.Reset();
    if (result != 0)
        return QdFail("%s: processing failed (result %d)", argv[2], result);
    if (!sink->Finish())
        return QdFail("%s: write failed (disk full or I/O error)", argv[2]);
    return 0;
}

QdRegistrar reg("restore", kUsage, &RunRestore);

} // namespace
