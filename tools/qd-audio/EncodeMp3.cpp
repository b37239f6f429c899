// Writes any readable audio file as MP3 through the engine's MP3 sink and the
// processing pump, with encoder settings from the command line (the defaults
// of the MP3 encoder settings otherwise).

#include "EncodeMp3.h"

#include "QdCommand.h"
#include "QdMessages.h"

#include "audio/effects/LProcessingPump.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/mp3/LMp3EncoderSink.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

bool QdIsMp3Path(const char* path)
{
    const size_t length = path ? std::strlen(path) : 0;
    return length >= 4 && strcasecmp(path + length - 4, ".mp3") == 0;
}

int QdEncodeMp3(int argc, char** argv)
{
    LMp3EncoderOptions options;
    // The options the user chose in the program, before any given here.
    if (QdFlag(argc, argv, "--settings"))
        options.Load();
    long value = 0;
    if (const char* text = QdOption(argc, argv, "--bitrate")) {
        if (!QdNumber(text, 8, 320, value))
            return QdFail("--bitrate needs kbps from 8 to 320");
        options.ConstantBitRate = true;
        options.CBRBitRate = static_cast<uint16_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--vbr")) {
        if (!QdNumber(text, 0, 9, value))
            return QdFail("--vbr needs a quality from 0 (highest) to 9 (lowest)");
        options.ConstantBitRate = false;
        options.VBRQuality = static_cast<uint8_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--abr")) {
        if (!QdNumber(text, 8, 255, value))
            return QdFail("--abr needs an average of 8 to 255 kbps");
        options.ConstantBitRate = false;
        options.ABRBitRate = static_cast<uint8_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--min")) {
        if (!QdNumber(text, 8, 320, value))
            return QdFail("--min needs kbps from 8 to 320");
        options.VBRMinBitRate = static_cast<uint16_t>(value);
    }
    if (const char* text = QdOption(argc, argv, "--max")) {
        if (!QdNumber(text, 8, 320, value))
            return QdFail("--max needs kbps from 8 to 320");
        options.VBRMaxBitRate = static_cast<uint16_t>(value);
    }
    if (const char* mode = QdOption(argc, argv, "--mode")) {
        static const char* const kModes[] = {"stereo", "joint", "force", "mono"};
        int found = -1;
        for (int i = 0; i < 4; ++i)
            if (std::strcmp(mode, kModes[i]) == 0)
                found = i;
        if (found < 0)
            return QdFail("--mode needs stereo, joint, force or mono");
        options.ChannelMode = static_cast<uint8_t>(found);
    }
    options.ErrorProtection = QdFlag(argc, argv, "--crc");
    switch (options.Validate()) {
    case kMp3OptionsVbrTooFarApart:
        return QdFail("%s", kMp3VbrTooFarApartText);
    case kMp3OptionsVbrMaxBelowMin:
        return QdFail("%s", kMp3VbrMaxBelowMinText);
    default:
        break;
    }

    LSoundProcessJob job;
    LAudioFileInfo info;
    LOpenAudioFileSource(job.input, argv[1], &info);
    if (job.input->GetStatus() != kSoundStatusOk)
        return QdFailSource(argv[1], job.input, info);
    CreateMp3SoundSink(job.output, argv[2], options, job.input->GetRate(), job.input->GetChannels());
    if (job.output->IsFailed()) {
        if (job.output->GetError() != 0)
            return QdFailSink(argv[2], job.output, "MP3");
        return QdFail("%s: cannot write MP3 here (no encoder component \"%s\")", argv[2],
                      kMp3EncoderComponentName);
    }
    LLocalProcessContext context;
    if (ProcessSoundToSink(&context, job) != kPumpDone && !job.output->IsFailed()) {
        job.output->Abandon();
        return QdFail("%s: encoding failed", argv[2]);
    }
    if (!job.output->Finish())
        return QdFailSink(argv[2], job.output, "MP3");
    return 0;
}
