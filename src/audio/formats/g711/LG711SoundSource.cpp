#include "audio/formats/g711/LG711SoundSource.h"

#include "audio/core/LSoundSink.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/g711/LG711.h"

#include <cstring>
#include <unistd.h>

LG711SoundSource::LG711SoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t dataBytes,
                                   Decoder decoder)
    : LFileSoundSource(fd, rate, channels, kG711PeakLimit, 1, dataBytes), decoder_(decoder)
{
    bytes_.resize(static_cast<size_t>(channels_) * kSoundBlockFrames);
}

LG711SoundSource::~LG711SoundSource() = default;

int64_t LG711SoundSource::Read(int32_t* buffer, int64_t frames)
{
    if (frames <= 0)
        return 0;
    const int64_t oldPosition = position_;
    const int64_t newPosition = position_ + frames;
    position_ = newPosition;
    const size_t channels = channels_;
    if (newPosition <= 0) {
        std::memset(buffer, 0, static_cast<size_t>(frames) * channels * sizeof(int32_t));
        return 0;
    }
    int32_t* out = buffer;
    int64_t wanted = frames;
    if (oldPosition < 0) {
        std::memset(out, 0, static_cast<size_t>(-oldPosition) * channels * sizeof(int32_t));
        out += -oldPosition * static_cast<int64_t>(channels);
        wanted = newPosition;
    }
    const int64_t from = oldPosition < 0 ? 0 : oldPosition;
    int64_t toRead = wanted;
    const int64_t length = GetLength();
    if (from + toRead > length)
        toRead = length > from ? length - from : 0;

    int64_t samplesDone = 0;
    int64_t framesLeft = toRead;
    while (framesLeft > 0 && fd_ >= 0) {
        const int64_t n = framesLeft < kSoundBlockFrames ? framesLeft : kSoundBlockFrames;
        const size_t want = static_cast<size_t>(n) * channels;
        const size_t got = LReadFully(fd_, bytes_.data(), want);
        decoder_(bytes_.data(), out + samplesDone, got);
        samplesDone += static_cast<int64_t>(got);
        if (got < want) {
            // Keep the descriptor on a frame boundary, so that data arriving
            // later (a file still being written) is read in step.
            const size_t partial = got % channels;
            if (partial)
                lseek(fd_, -static_cast<off_t>(partial), SEEK_CUR);
            break;
        }
        framesLeft -= n;
    }
    const int64_t total = wanted * static_cast<int64_t>(channels);
    if (samplesDone < total)
        std::memset(out + samplesDone, 0, static_cast<size_t>(total - samplesDone) * sizeof(int32_t));
    return samplesDone / static_cast<int64_t>(channels);
}

LAlawSoundSource::LAlawSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t dataBytes)
    : LG711SoundSource(fd, rate, channels, dataBytes, LDecodeALaw)
{
}

LMulawSoundSource::LMulawSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t dataBytes)
    : LG711SoundSource(fd, rate, channels, dataBytes, LDecodeMuLaw)
{
}
