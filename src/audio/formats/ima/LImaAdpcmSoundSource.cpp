#include "audio/formats/ima/LImaAdpcmSoundSource.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/ima/LImaAdpcm.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

LImaAdpcmSoundSource::LImaAdpcmSoundSource(int& descriptor, uint32_t dataSize, int32_t rate, uint8_t channels,
                                           uint32_t blockAlign)
    : LSoundSource(rate, channels, kPcm16PeakLimit), fd_(descriptor)
{
    descriptor = -1;
    if (fd_ < 0) {
        SetStatus(kSoundStatusCannotOpen);
        return;
    }
    // Headers of every channel must fit; a block beyond 1 MB is not a real file.
    samplesPerBlock_ = blockAlign > (1u << 20) ? 0 : LImaAdpcmSamplesInBlock(blockAlign, channels_);
    if (samplesPerBlock_ == 0) {
        SetStatus(kSoundStatusBadParameters);
        return;
    }
    blockAlign_ = blockAlign;
    const off_t here = lseek(fd_, 0, SEEK_CUR);
    firstBlock_ = here < 0 ? 0 : here;
    dataBytes_ = dataSize;
    struct stat st
    {
    };
    if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
        const int64_t inFile = st.st_size > firstBlock_ ? st.st_size - firstBlock_ : 0;
        if (dataSize == 0xFFFFFFFFu || dataBytes_ > inFile)
            dataBytes_ = inFile;
    }
    const int64_t wholeBlocks = dataBytes_ / blockAlign_;
    const uint32_t rest = static_cast<uint32_t>(dataBytes_ % blockAlign_);
    length_ = wholeBlocks * samplesPerBlock_ + LImaAdpcmSamplesInBlock(rest, channels_);
    block_.resize(static_cast<size_t>(samplesPerBlock_) * channels_);
}

LImaAdpcmSoundSource::~LImaAdpcmSoundSource()
{
    if (fd_ >= 0)
        close(fd_);
}

int32_t LImaAdpcmSoundSource::DecodeNextBlock()
{
    blockFrames_ = 0;
    readIndex_ = 0;
    const int64_t start = nextBlock_ * blockAlign_;
    if (fd_ < 0 || start >= dataBytes_)
        return 0;
    const int64_t left = dataBytes_ - start;
    const size_t want = static_cast<size_t>(left < blockAlign_ ? left : blockAlign_);
    const uint8_t* bytes = nullptr;
    const size_t got = reader_.Next(fd_, want, &bytes);
    ++nextBlock_;
    // A block cut short by the end of the file still yields what it holds.
    blockFrames_ = LImaAdpcmDecodeBlock(bytes, static_cast<uint32_t>(got), channels_, block_.data());
    return blockFrames_;
}

int64_t LImaAdpcmSoundSource::Read(int32_t* buffer, int64_t frames)
{
    if (frames <= 0)
        return 0;
    const int64_t newPosition = position_ + frames;
    const size_t frameSamples = channels_;
    int32_t* out = buffer;
    int64_t wanted = frames;
    if (newPosition <= 0 || samplesPerBlock_ == 0) {
        std::memset(buffer, 0, static_cast<size_t>(frames) * frameSamples * sizeof(int32_t));
        position_ = newPosition;
        return 0;
    }
    if (position_ < 0) {
        const int64_t zeros = -position_;
        std::memset(out, 0, static_cast<size_t>(zeros) * frameSamples * sizeof(int32_t));
        out += zeros * frameSamples;
        wanted -= zeros;
        position_ = 0;
    }
    int64_t real = length_ - position_;
    real = real < 0 ? 0 : (real > wanted ? wanted : real);
    int64_t delivered = 0;
    while (delivered < real) {
        if (readIndex_ >= blockFrames_ && DecodeNextBlock() == 0)
            break;
        int64_t n = blockFrames_ - readIndex_;
        n = n > real - delivered ? real - delivered : n;
        std::memcpy(out, block_.data() + static_cast<size_t>(readIndex_) * frameSamples,
                    static_cast<size_t>(n) * frameSamples * sizeof(int32_t));
        readIndex_ += static_cast<int32_t>(n);
        out += n * frameSamples;
        delivered += n;
    }
    if (wanted > delivered)
        std::memset(out, 0, static_cast<size_t>(wanted - delivered) * frameSamples * sizeof(int32_t));
    position_ = newPosition;
    return delivered;
}

void LImaAdpcmSoundSource::Seek(int64_t frame)
{
    position_ = frame;
    blockFrames_ = 0;
    readIndex_ = 0;
    if (fd_ < 0 || samplesPerBlock_ == 0)
        return;
    int64_t block = 0;
    if (frame >= 1 && frame < length_)
        block = frame / samplesPerBlock_;
    else if (frame >= length_)
        block = (dataBytes_ + blockAlign_ - 1) / blockAlign_;
    nextBlock_ = block;
    lseek(fd_, firstBlock_ + block * blockAlign_, SEEK_SET);
    reader_.Reset();
    if (frame >= 1 && frame < length_) {
        // Decode the block holding the target and drop the frames before it.
        DecodeNextBlock();
        readIndex_ = static_cast<int32_t>(frame - block * samplesPerBlock_);
    }
}

void CreateImaAdpcmSoundSource(LSoundSourcePtr& out, int& descriptor, uint32_t dataSize, int32_t rate,
                               uint8_t channels, uint32_t blockAlign)
{
    if (channels == 0) {
        if (descriptor >= 0)
            close(descriptor);
        descriptor = -1;
        LSetFailedSource(out, kSoundStatusBadParameters);
        return;
    }
    out = new LImaAdpcmSoundSource(descriptor, dataSize, rate, channels, blockAlign);
}
