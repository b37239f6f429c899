// Feeds arbitrary bytes through the audio file opener and the whole
// restoration chain into a sink that only counts. The first byte picks the
// tools (and the second and third their settings), so every combination of
// the chain meets damaged WAV and MP3 data: samples far beyond full scale,
// infinities, NaN, phantom MP3 frames. Anything may come out; nothing may
// crash, overflow or hang.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/effects/LRestorationChain.h"
#include "audio/formats/LAudioFileOpener.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Longer sources take too long per input to fuzz well; they add nothing the
// first seconds do not already reach.
constexpr int64_t kMaximumSeconds = 2;

std::string TempPath()
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/fuzz-chain-" + std::to_string(getpid()) +
           ".bin";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t pick = data[0];
    const uint8_t first = data[1];
    const uint8_t second = data[2];
    LRestorationTools tools;
    tools.dcOffset = (pick & 0x01) != 0;
    tools.highPass = (pick & 0x02) != 0;
    tools.highPassCutoff = 1 + first * 80;
    tools.clickPop = (pick & 0x04) != 0;
    tools.noiseReduction = (pick & 0x08) != 0;
    tools.noiseFloor = static_cast<int8_t>(second);
    tools.riaa = (pick & 0x10) != 0;
    tools.normalize = (pick & 0x20) != 0;
    tools.normalizePercent = 1 + (first * 4) % 1000;
    tools.speed = (pick & 0xC0) == 0x40   ? kRecordingSpeed33At45
                  : (pick & 0xC0) == 0x80 ? kRecordingSpeed78At45
                                          : kRecordingSpeedNormal;

    static const std::string path = TempPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data + 3, 1, size - 3, file);
    std::fclose(file);

    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    if (source->GetStatus() == kSoundStatusOk && source->GetLength() <= kMaximumSeconds * source->GetRate()) {
        LLocalProcessContext context;
        if (ApplyRestorationTools(&context, source, tools) == 0) {
            LSoundProcessJob job;
            job.input = source;
            job.output =
                new LCountingSoundSink(static_cast<uint32_t>(source->GetRate()), source->GetChannels());
            ProcessSoundToSink(&context, job);
        }
    }
    unlink(path.c_str());
    return 0;
}
