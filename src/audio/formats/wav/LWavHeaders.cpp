#include "audio/formats/wav/LWavHeaders.h"

#include "audio/formats/LAudioFileIo.h"

#include <cstring>

void LBuildPcmWavHeader(uint8_t h[kPcmWavHeaderBytes], uint32_t rate, uint32_t channels,
                        uint32_t bytesPerSample, uint64_t dataBytes, bool final)
{
    std::memcpy(h, "RIFF", 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    LPutLe32(h + 16, 18);
    LPutLe16(h + 20, 1);
    LPutLe16(h + 22, channels);
    LPutLe32(h + 24, rate);
    LPutLe32(h + 28, static_cast<uint32_t>(uint64_t{rate} * channels * bytesPerSample));
    LPutLe16(h + 32, channels * bytesPerSample);
    LPutLe16(h + 34, 8 * bytesPerSample);
    LPutLe16(h + 36, 0);
    std::memcpy(h + 38, "data", 4);
    if (!final) {
        LPutLe32(h + 4, kWavStreamingRiffSize);
        LPutLe32(h + 42, kWavStreamingDataSize);
        return;
    }
    if (dataBytes > kWavFirstChunkMaxBytes) {
        LPutLe32(h + 4, kWavFirstChunkMaxBytes + 38);
        LPutLe32(h + 42, kWavFirstChunkMaxBytes);
    } else {
        LPutLe32(h + 4, static_cast<uint32_t>(dataBytes + 38 + (dataBytes & 1)));
        LPutLe32(h + 42, static_cast<uint32_t>(dataBytes));
    }
}

void LBuildG711WavHeader(uint8_t h[kG711WavHeaderBytes], uint16_t tag, uint32_t rate, uint32_t channels,
                         uint32_t frames)
{
    uint64_t data = uint64_t{frames} * channels;
    uint64_t riff = data + 50 + (data & 1);
    std::memcpy(h, "RIFF", 4);
    LPutLe32(h + 4, riff > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<uint32_t>(riff));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    LPutLe32(h + 16, 18);
    LPutLe16(h + 20, tag);
    LPutLe16(h + 22, channels);
    LPutLe32(h + 24, rate);
    LPutLe32(h + 28, static_cast<uint32_t>(uint64_t{rate} * channels));
    LPutLe16(h + 32, channels);
    LPutLe16(h + 34, 8);
    LPutLe16(h + 36, 0);
    std::memcpy(h + 38, "fact", 4);
    LPutLe32(h + 42, 4);
    LPutLe32(h + 46, frames);
    std::memcpy(h + 50, "data", 4);
    LPutLe32(h + 54, data > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<uint32_t>(data));
}

int64_t LWavPcmDataOffset(uint64_t dataByte)
{
    if (dataByte <= kWavFirstChunkMaxBytes)
        return kPcmWavHeaderBytes + static_cast<int64_t>(dataByte);
    uint64_t rest = dataByte - kWavFirstChunkMaxBytes;
    // Chunks passed: a count that exactly fills a continuation stays in it.
    uint64_t chunk = (rest - 1) / kWavContinuationMaxBytes; // 0 = first continuation
    return kPcmWavHeaderBytes + static_cast<int64_t>(dataByte + 8 * (chunk + 1));
}

uint64_t LWavPcmDataBytesBefore(int64_t fileOffset)
{
    if (fileOffset <= static_cast<int64_t>(kPcmWavHeaderBytes))
        return 0;
    uint64_t raw = static_cast<uint64_t>(fileOffset) - kPcmWavHeaderBytes;
    if (raw <= kWavFirstChunkMaxBytes)
        return raw;
    raw -= kWavFirstChunkMaxBytes;
    uint64_t total = kWavFirstChunkMaxBytes;
    const uint64_t span = uint64_t{kWavContinuationMaxBytes} + 8;
    while (raw > 0) {
        // Each continuation: 8 header bytes (no audio), then up to its payload.
        if (raw <= 8)
            return total;
        uint64_t inChunk = raw - 8 < kWavContinuationMaxBytes ? raw - 8 : kWavContinuationMaxBytes;
        total += inChunk;
        raw = raw > span ? raw - span : 0;
    }
    return total;
}
