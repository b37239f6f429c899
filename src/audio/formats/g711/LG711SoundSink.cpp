#include "audio/formats/g711/LG711SoundSink.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/g711/LG711.h"
#include "audio/formats/wav/LWavHeaders.h"

#include <unistd.h>

uint32_t LWriteG711Header(LFileSoundSink& sink, bool, uint16_t tag)
{
    uint8_t header[kG711WavHeaderBytes];
    const int64_t position = sink.GetPosition();
    const uint32_t frames = position > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(position);
    LBuildG711WavHeader(header, tag, sink.GetRate(), sink.GetChannels(), frames);
    sink.WriteBytes(header, sizeof header);
    return kG711WavHeaderBytes;
}

LG711SoundSink::LG711SoundSink(const char* path, uint32_t rate, uint8_t channels, int64_t startFrame,
                               uint16_t tag, Encoder encoder)
    : LFileSoundSink(path, rate, channels, 1, startFrame,
                     [tag](LFileSoundSink& sink, bool final) { return LWriteG711Header(sink, final, tag); }),
      encoder_(encoder)
{
}

LG711SoundSink::~LG711SoundSink()
{
    // The base destructor would finish without the pad byte.
    Finish();
}

void LG711SoundSink::Encode(const int32_t* buffer, int64_t frames)
{
    encoder_(buffer, buffer_.data(), static_cast<size_t>(frames) * channels_);
}

bool LG711SoundSink::Finish()
{
    const int fd = GetDescriptor();
    if (fd >= 0 && IsFailed()) {
        // After a short write the header tells the whole frames the file
        // really holds, not the frames that were offered.
        const int64_t size = LDescriptorSize(fd);
        const int64_t held = size > GetHeaderLength() ? (size - GetHeaderLength()) / GetFrameBytes() : 0;
        if (held < position_) {
            position_ = held;
            if (ftruncate(fd, GetHeaderLength() + held * GetFrameBytes()) != 0)
                SetFailed();
        }
    } else if (fd >= 0) {
        const uint64_t dataBytes = static_cast<uint64_t>(position_) * channels_;
        if ((dataBytes & 1) && lseek(fd, GetHeaderLength() + static_cast<off_t>(dataBytes), SEEK_SET) >= 0) {
            const uint8_t pad = 0;
            WriteBytes(&pad, 1);
        }
    }
    return LFileSoundSink::Finish();
}

LAlawSoundSink::LAlawSoundSink(const char* path, uint32_t rate, uint8_t channels, int64_t startFrame)
    : LG711SoundSink(path, rate, channels, startFrame, 6, LEncodeALaw)
{
}

LMulawSoundSink::LMulawSoundSink(const char* path, uint32_t rate, uint8_t channels, int64_t startFrame)
    : LG711SoundSink(path, rate, channels, startFrame, 7, LEncodeMuLaw)
{
}
