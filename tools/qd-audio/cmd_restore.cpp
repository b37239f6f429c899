// qd-audio restore IN OUT [--dc] [--highpass HZ] [--riaa] [--clicks]
//   [--noise FLOOR_DB] [--normalize PERCENT] [--speed 45to33|78to45]:
// runs exactly the chosen restoration tools, in the chain's order, and
// writes the result as a 16-bit PCM WAV.

#include "QdCommand.h"
#include "QdMessages.h"

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

const char* const kUsage = "restore IN OUT [--dc] [--highpass HZ] [--riaa] [--clicks] [--noise FLOOR_DB] "
                           "[--normalize PERCENT] [--speed 45to33|78to45]";

int RunRestore(int argc, char** argv)
{
    LRestorationTools tools;
    tools.dcOffset = QdFlag(argc, argv, "--dc");
    tools.riaa = QdFlag(argc, argv, "--riaa");
    tools.clickPop = QdFlag(argc, argv, "--clicks");
    long value = 0;
    if (const char* text = QdOption(argc, argv, "--highpass")) {
        if (!QdNumber(text, 1, 20000, value))
            return QdFail("--highpass needs a cutoff from 1 to 20000 Hz");
        tools.highPass = true;
        tools.highPassCutoff = static_cast<int32_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--noise")) {
        if (!QdNumber(text, -127, 127, value))
            return QdFail("--noise needs a floor from -127 to 127 dB");
        tools.noiseReduction = true;
        tools.noiseFloor = static_cast<int32_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--normalize")) {
        if (!QdNumber(text, 1, 1000, value))
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
    LAudioFileInfo info;
    LOpenAudioFileSource(source, argv[1], &info);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFailSource(argv[1], source, info);
    LLocalProcessContext context;
    const int chain = ApplyRestorationTools(&context, source, tools);
    if (chain != 0)
        return QdFail("%s: the restoration chain failed (result %d)", argv[1], chain);

    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, static_cast<uint32_t>(source->GetRate()), source->GetChannels(), 16);
    LSoundSinkPtr sink;
    CreateSoundSinkForFormat(sink, argv[2], format);
    if (sink->IsFailed())
        return QdFailSink(argv[2], sink, "16-bit PCM WAV");
    LSoundProcessJob job;
    job.title = "Restore";
    job.input = source;
    job.output = sink;
    const int result = ProcessSoundToSink(&context, job);
    job.output.Reset();
    if (result != 0 && !sink->IsFailed()) {
        sink->Abandon();
        return QdFail("%s: processing failed (result %d)", argv[1], result);
    }
    if (!sink->Finish())
        return QdFailSink(argv[2], sink, "16-bit PCM WAV");
    return 0;
}

QdRegistrar reg("restore", kUsage, &RunRestore);

} // namespace
