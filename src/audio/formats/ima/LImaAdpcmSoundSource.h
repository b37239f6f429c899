#pragma once
// Reads WAVE format 17 (IMA ADPCM) data, any number of channels. A whole
// block is decoded at a time, so seeking lands exactly on its target however
// large the blocks are.

#include "audio/core/LSoundSource.h"
#include "audio/formats/LAudioFileIo.h"

#include <vector>

class LImaAdpcmSoundSource : public LSoundSource
{
public:
    // Takes over descriptor (the caller's copy becomes -1), positioned at the
    // first block. Data size 0xFFFFFFFF means the bytes to the end of the
    // file; a size beyond the end of the file counts what the file holds. A
    // block align too small for the channels' headers gives status 3.
    LImaAdpcmSoundSource(int& descriptor, uint32_t dataSize, int32_t rate, uint8_t channels,
                         uint32_t blockAlign);
    ~LImaAdpcmSoundSource() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return length_; }
    void Seek(int64_t frame) override;

    int32_t GetSamplesPerBlock() const { return samplesPerBlock_; }

private:
    // Reads and decodes the next block; returns its frames (0 at the end).
    int32_t DecodeNextBlock();

    int fd_ = -1;
    int64_t firstBlock_ = 0;
    int64_t dataBytes_ = 0;
    uint32_t blockAlign_ = 0;
    int32_t samplesPerBlock_ = 0;
    int64_t position_ = 0;
    int64_t length_ = 0;
    int64_t nextBlock_ = 0; // index of the block the file offset is at
    LRecordReader reader_;
    std::vector<int32_t> block_; // decoded frames, interleaved
    int32_t blockFrames_ = 0;
    int32_t readIndex_ = 0; // frames of block_ already delivered
};

// Builds an IMA ADPCM source over descriptor into out (count 1); 0 channels
// give a null source with status 3.
void CreateImaAdpcmSoundSource(LSoundSourcePtr& out, int& descriptor, uint32_t dataSize, int32_t rate,
                               uint8_t channels, uint32_t blockAlign);
