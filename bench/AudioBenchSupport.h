#pragma once
// What the audio benchmarks share beyond BenchSupport.h: our side of a
// decode, written the way the reference tools write theirs.

#include "audio/core/LSoundSamples.h"
#include "audio/core/LSoundSource.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Reads the source from its position to its end and writes its samples to
// `out` as 16-bit raw PCM. False when the source is not usable or the file
// cannot be written.
inline bool DecodeToRaw16(LSoundSource& source, const std::string& out)
{
    if (source.GetStatus() != kSoundStatusOk)
        return false;
    FILE* file = std::fopen(out.c_str(), "wb");
    if (!file)
        return false;
    constexpr int64_t kBlock = 8192;
    const int channels = source.GetChannels();
    std::vector<int32_t> samples(static_cast<size_t>(kBlock) * channels);
    std::vector<int16_t> pcm(samples.size());
    while (source.GetPosition() < source.GetLength()) {
        const int64_t left = source.GetLength() - source.GetPosition();
        const int64_t n = left < kBlock ? left : kBlock;
        source.Read(samples.data(), n);
        LInternalToPcm16(samples.data(), pcm.data(), n * channels);
        std::fwrite(pcm.data(), 2, static_cast<size_t>(n * channels), file);
    }
    return std::fclose(file) == 0;
}

} // namespace bench
