// qd-audio decode FILE OUT.raw [--s16]: the interleaved samples of an audio
// file, as signed 32-bit little-endian at the engine's internal scale or, with
// --s16, as 16-bit little-endian.

#include "QdCommand.h"
#include "QdMessages.h"

#include "audio/core/LSoundSamples.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/LAudioFileOpener.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kBlockFrames = 8192;

int RunDecode(int argc, char** argv)
{
    const bool s16 = QdFlag(argc, argv, "--s16");
    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, argv[1], &info);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFailSource(argv[1], source, info);
    // Written beside OUT and renamed over it at the end, so that OUT may be
    // FILE itself and a failed run leaves nothing under its name.
    LSinkFile file;
    if (!file.Open(argv[2], false, true))
        return QdFail("%s: cannot be written: %s", argv[2], std::strerror(file.Error()));
    FILE* out = fdopen(dup(file.Descriptor()), "wb");
    if (out == nullptr)
        return QdFail("%s: %s", argv[2], std::strerror(errno));
    const int channels = source->GetChannels();
    std::vector<int32_t> samples(static_cast<size_t>(kBlockFrames) * channels);
    std::vector<uint8_t> bytes(samples.size() * 4);
    bool ok = true;
    // The length is asked again each round: it follows a file still being written.
    while (ok && source->GetPosition() < source->GetLength()) {
        int64_t frames = source->GetLength() - source->GetPosition();
        if (frames > kBlockFrames)
            frames = kBlockFrames;
        source->Read(samples.data(), frames);
        int64_t count = frames * channels;
        size_t size;
        if (s16) {
            LInternalToPcm16(samples.data(), bytes.data(), count);
            size = static_cast<size_t>(count) * 2;
        } else {
            for (int64_t i = 0; i < count; ++i) {
                uint32_t v = static_cast<uint32_t>(samples[i]);
                bytes[4 * i] = static_cast<uint8_t>(v);
                bytes[4 * i + 1] = static_cast<uint8_t>(v >> 8);
                bytes[4 * i + 2] = static_cast<uint8_t>(v >> 16);
                bytes[4 * i + 3] = static_cast<uint8_t>(v >> 24);
            }
            size = static_cast<size_t>(count) * 4;
        }
        ok = std::fwrite(bytes.data(), 1, size, out) == size;
    }
    const int error = errno;
    if (std::fclose(out) != 0 || !ok) {
        file.Close(false);
        return QdFail("%s: write failed: %s", argv[2], std::strerror(ok ? errno : error));
    }
    if (!file.Close(true))
        return QdFail("%s: write failed: %s", argv[2], std::strerror(file.Error()));
    return 0;
}

QdRegistrar reg("decode", "decode FILE OUT.raw [--s16]", &RunDecode);

} // namespace
