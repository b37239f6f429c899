#include "audio/formats/gsm/LGsmSoundSource.h"

#include "audio/formats/LAudioFileIo.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

LGsmSoundSource::LGsmSoundSource(int& descriptor, uint32_t dataSize, int32_t rate)
    : LSoundSource(rate, 1, kGsmPeakLimit), fd_(descriptor)
{
    descriptor = -1;
    if (fd_ < 0) {
        SetStatus(kSoundStatusCannotOpen);
        return;
    }
    const off_t here = lseek(fd_, 0, SEEK_CUR);
    firstBlock_ = here < 0 ? 0 : here;
    int64_t bytes = dataSize;
    struct stat st
    {
    };
    if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
        const int64_t inFile = st.st_size > firstBlock_ ? st.st_size - firstBlock_ : 0;
        if (dataSize >= 0xFFFFFF01u || bytes > inFile)
            bytes = inFile;
    }
    length_ = bytes / kGsmBlockBytes * kGsmBlockSamples;
    ResetDecoder();
}

LGsmSoundSource::~LGsmSoundSource()
{
    if (fd_ >= 0)
        close(fd_);
}

void LGsmSoundSource::ResetDecoder()
{
    decoder_.Reset();
    previousOutput_ = 0;
    readIndex_ = kGsmBlockSamples;
}

bool LGsmSoundSource::DecodeNextBlock(int32_t out[kGsmBlockSamples])
{
    const uint8_t* bytes = nullptr;
    if (fd_ < 0 || reader_.Next(fd_, kGsmBlockBytes, &bytes) != kGsmBlockBytes) {
        std::memset(out, 0, kGsmBlockSamples * sizeof(int32_t));
        return false;
    }
    LGsm0610Frame frames[2];
    LGsmUnpackBlock(bytes, frames[0], frames[1]);
    for (int f = 0; f < 2; ++f) {
        int16_t synthesis[160];
        decoder_.DecodeToSynthesis(frames[f], synthesis);
        int32_t* o = out + f * 160;
        for (int k = 0; k < 160; ++k) {
            // De-emphasis by 880/1024 and scaling to the internal scale.
            const int64_t emphasis = (static_cast<int64_t>(previousOutput_) * 880 + 512) >> 10;
            previousOutput_ = static_cast<int32_t>(emphasis + synthesis[k] * 32);
            o[k] = previousOutput_;
        }
    }
    return true;
}

int64_t LGsmSoundSource::Read(int32_t* buffer, int64_t frames)
{
    if (frames <= 0)
        return 0;
    const int64_t newPosition = position_ + frames;
    int32_t* out = buffer;
    int64_t wanted = frames;
    if (newPosition <= 0) {
        std::memset(buffer, 0, static_cast<size_t>(frames) * sizeof(int32_t));
        position_ = newPosition;
        return 0;
    }
    if (position_ < 0) {
        const int64_t zeros = -position_;
        std::memset(out, 0, static_cast<size_t>(zeros) * sizeof(int32_t));
        out += zeros;
        wanted -= zeros;
        position_ = 0;
    }
    int64_t real = length_ - position_;
    real = real < 0 ? 0 : (real > wanted ? wanted : real);
    int64_t left = real;
    // What the block buffer still holds, then whole blocks straight into
    // the caller's buffer, then one more block for a partial need.
    if (readIndex_ < kGsmBlockSamples && left > 0) {
        int64_t n = kGsmBlockSamples - readIndex_;
        n = n > left ? left : n;
        std::memcpy(out, block_ + readIndex_, static_cast<size_t>(n) * sizeof(int32_t));
        readIndex_ += static_cast<int32_t>(n);
        out += n;
        left -= n;
    }
    while (left >= kGsmBlockSamples) {
        DecodeNextBlock(out);
        out += kGsmBlockSamples;
        left -= kGsmBlockSamples;
    }
    if (left > 0) {
        DecodeNextBlock(block_);
        std::memcpy(out, block_, static_cast<size_t>(left) * sizeof(int32_t));
        readIndex_ = static_cast<int32_t>(left);
        out += left;
    }
    if (wanted > real)
        std::memset(out, 0, static_cast<size_t>(wanted - real) * sizeof(int32_t));
    position_ = newPosition;
    return real;
}

void LGsmSoundSource::Seek(int64_t frame)
{
    ResetDecoder();
    reader_.Reset();
    position_ = frame;
    if (fd_ < 0)
        return;
    if (frame < 1) {
        lseek(fd_, firstBlock_, SEEK_SET);
    } else if (frame < length_) {
        const int64_t block = frame / kGsmBlockSamples;
        lseek(fd_, firstBlock_ + block * kGsmBlockBytes, SEEK_SET);
        DecodeNextBlock(block_);
        readIndex_ = static_cast<int32_t>(frame % kGsmBlockSamples);
    } else {
        lseek(fd_, firstBlock_ + length_ / kGsmBlockSamples * kGsmBlockBytes, SEEK_SET);
    }
}

void CreateGsmSoundSource(LSoundSourcePtr& out, int& descriptor, uint32_t dataSize, int32_t rate)
{
    out = new LGsmSoundSource(descriptor, dataSize, rate);
}
