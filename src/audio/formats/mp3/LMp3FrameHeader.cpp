#include "audio/formats/mp3/LMp3FrameHeader.h"

#include "audio/formats/mp3/LMp3Tables.h"

bool LMp3ParseHeader(uint32_t word, LMp3FrameHeader* header)
{
    if ((word & 0xFFE00000u) != 0xFFE00000u)
        return false;
    const uint32_t versionBits = (word >> 19) & 3;
    const uint32_t layerBits = (word >> 17) & 3;
    const uint32_t bitrateIndex = (word >> 12) & 15;
    const uint32_t rateIndex = (word >> 10) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 15 || rateIndex == 3)
        return false;

    LMp3FrameHeader h;
    h.version = versionBits == 3 ? kMp3VersionMpeg1 : versionBits == 2 ? kMp3VersionMpeg2 : kMp3VersionMpeg25;
    h.hasCrc = ((word >> 16) & 1) == 0;
    h.bitrateIndex = uint8_t(bitrateIndex);
    h.bitrate = h.version == kMp3VersionMpeg1 ? kMp3BitratesV1[bitrateIndex] : kMp3BitratesV2[bitrateIndex];
    h.rateIndex = uint8_t(rateIndex);
    h.sampleRate = kMp3SampleRatesV1[rateIndex] >> h.version;
    h.rateTableIndex = uint8_t(h.version * 3 + rateIndex);
    h.padding = uint8_t((word >> 9) & 1);
    h.mode = uint8_t((word >> 6) & 3);
    h.modeExtension = uint8_t((word >> 4) & 3);
    h.channels = h.mode == kMp3ModeSingleChannel ? 1 : 2;
    const bool lsf = h.version != kMp3VersionMpeg1;
    h.samplesPerFrame = lsf ? 576 : 1152;
    h.sideInfoBytes = lsf ? (h.channels == 1 ? 9 : 17) : (h.channels == 1 ? 17 : 32);
    h.frameBytes = h.bitrate == 0 ? 0 : (lsf ? 72000 : 144000) * h.bitrate / h.sampleRate + h.padding;
    *header = h;
    return true;
}

bool LMp3SameStream(const LMp3FrameHeader& a, const LMp3FrameHeader& b)
{
    return a.version == b.version && a.rateIndex == b.rateIndex && a.channels == b.channels;
}
