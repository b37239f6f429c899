// qd-audio encode IN OUT.wav --tag T [--rate R] [--channels C] [--bits B]:
// converts any readable audio file into a WAV of the given format tag through
// the engine's sink factory; an OUT.mp3 goes to the MP3 writer (EncodeMp3.cpp).

#include "EncodeMp3.h"
#include "QdCommand.h"
#include "QdMessages.h"

#include "audio/core/LSoundSink.h"
#include "audio/effects/LConversionEffects.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWavHeaders.h"
#include "audio/formats/wav/LWaveFormatBlock.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The sample size a tag is written with when --bits is not given.
long DefaultBits(long tag)
{
    switch (tag) {
    case kWavTagAlaw:
    case kWavTagMulaw:
        return 8;
    case kWavTagImaAdpcm:
        return 4;
    case kWavTagGsm610:
        return 0;
    case kWavTagFloat:
        return 32;
    default:
        return 16;
    }
}

int RunEncode(int argc, char** argv)
{
    if (QdIsMp3Path(argv[2]))
        return QdEncodeMp3(argc, argv);
    long tag = 0;
    if (!QdNumber(QdOption(argc, argv, "--tag"), 1, 65535, tag))
        return QdFail(
            "--tag needs a WAVE format tag (1 PCM, 3 float, 6 A-law, 7 mu-law, 17 IMA ADPCM, 49 GSM)");

    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, argv[1], &info);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFailSource(argv[1], source, info);

    long rate = source->GetRate();
    long channels = source->GetChannels();
    long bits = DefaultBits(tag);
    const char* rateText = QdOption(argc, argv, "--rate");
    const char* channelsText = QdOption(argc, argv, "--channels");
    const char* bitsText = QdOption(argc, argv, "--bits");
    if (rateText && !QdNumber(rateText, 1, 1000000, rate))
        return QdFail("--rate needs a sample rate in Hz");
    if (channelsText && !QdNumber(channelsText, 1, 255, channels))
        return QdFail("--channels needs a channel count from 1 to 255");
    if (bitsText && !QdNumber(bitsText, 0, 64, bits))
        return QdFail("--bits needs a sample size from 0 to 64");
    // A different rate or channel count goes through the engine's converters.
    if (rate != source->GetRate() || channels != source->GetChannels()) {
        AdaptSoundSource(static_cast<int32_t>(rate), static_cast<uint8_t>(channels), source);
        if (source->GetStatus() != kSoundStatusOk)
            return QdFail("%s: cannot convert to %ld Hz, %ld channels", argv[1], rate, channels);
    }

    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, static_cast<uint16_t>(tag), static_cast<uint32_t>(rate),
                        static_cast<uint16_t>(channels), static_cast<uint16_t>(bits));
    LSoundSinkPtr sink;
    CreateSoundSinkForFormat(sink, argv[2], format);
    char described[128];
    std::snprintf(described, sizeof described, "format tag %ld at %ld Hz, %ld channels, %ld bits", tag, rate,
                  channels, bits);
    if (sink->IsFailed())
        return QdFailSink(argv[2], sink, described);

    constexpr int64_t kBlockFrames = 8192;
    std::vector<int32_t> samples(static_cast<size_t>(kBlockFrames) * channels);
    while (!sink->IsFailed() && source->GetPosition() < source->GetLength()) {
        int64_t frames = source->GetLength() - source->GetPosition();
        if (frames > kBlockFrames)
            frames = kBlockFrames;
        source->Read(samples.data(), frames);
        sink->Write(samples.data(), frames);
    }
    if (!sink->Finish())
        return QdFailSink(argv[2], sink, described);
    return 0;
}

QdRegistrar
    reg("encode",
        "encode IN OUT.wav --tag T [--rate R] [--channels C] [--bits B]\n"
        "  qd-audio encode IN OUT.mp3 [--bitrate K | --vbr Q | --abr K] [--settings] [--min K] [--max K]"
        " [--mode stereo|joint|force|mono] [--crc]",
        &RunEncode);

} // namespace
