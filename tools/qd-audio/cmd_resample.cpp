// qd-audio resample IN OUT --rate R [--channels C]: converts any readable
// audio file to a 16-bit PCM WAV at another rate and channel count through
// the engine's converters and processing pump.

#include "QdCommand.h"
#include "QdMessages.h"

#include "audio/effects/LProcessingPump.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdlib>

namespace {

int RunResample(int argc, char** argv)
{
    long rate = 0;
    if (!QdNumber(QdOption(argc, argv, "--rate"), 1, 196000, rate))
        return QdFail("--rate needs a sample rate from 1 to 196000 Hz");

    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, argv[1], &info);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFailSource(argv[1], source, info);

    long channels = source->GetChannels();
    const char* channelsText = QdOption(argc, argv, "--channels");
    if (channelsText != nullptr && !QdNumber(channelsText, 1, 255, channels))
        return QdFail("--channels needs a channel count from 1 to 255");

    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, static_cast<uint32_t>(rate), static_cast<uint16_t>(channels), 16);
    LSoundProcessJob job;
    job.title = argv[1];
    job.input = source;
    CreateSoundSinkForFormat(job.output, argv[2], format);
    if (job.output->IsFailed())
        return QdFailSink(argv[2], job.output, "16-bit PCM WAV");

    LLocalProcessContext context;
    const int32_t result = ProcessSoundToSink(&context, job);
    if (result != kPumpDone && !job.output->IsFailed()) {
        job.output->Abandon();
        return QdFail("%s: conversion failed (result %d)", argv[1], result);
    }
    if (!job.output->Finish())
        return QdFailSink(argv[2], job.output, "16-bit PCM WAV");
    return 0;
}

QdRegistrar reg("resample", "resample IN OUT --rate R [--channels C]", &RunResample);

} // namespace
