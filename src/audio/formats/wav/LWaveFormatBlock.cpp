#include "audio/formats/wav/LWaveFormatBlock.h"

#include "audio/formats/wav/LWavHeaders.h"

#include <cstring>

void LSetWaveFormatBlock(LWaveFormatBlock& block, uint16_t tag, uint32_t rate, uint16_t channels,
                         uint16_t bits)
{
    block = LWaveFormatBlock{};
    std::memset(block.extra, 0, sizeof block.extra);
    block.formatTag = tag;
    block.channels = channels;
    block.sampleRate = rate;
    block.bitsPerSample = bits;
    switch (static_cast<int16_t>(tag)) {
    case kWavTagGsm610:
        block.blockAlign = 65;
        block.bytesPerSecond = static_cast<uint32_t>(uint64_t{rate} * 65 / 320);
        break;
    case kWavTagImaAdpcm:
        block.blockAlign = static_cast<uint16_t>(256 * (channels ? channels : 1));
        block.bytesPerSecond = static_cast<uint32_t>(uint64_t{rate} * channels / 2);
        break;
    default:
        block.blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
        block.bytesPerSecond = static_cast<uint32_t>(uint64_t{rate} * block.blockAlign);
        break;
    }
}
