#pragma once
// Reads WAVE format 49 (GSM 06.10, 65-byte blocks of 320 samples, mono).
// Decoded samples go through the program's own de-emphasis straight at the
// internal scale: finer than the standard's 13-bit output, not saturated,
// hence the peak limit of about twice 16-bit full scale.

#include "audio/core/LSoundSource.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/gsm/LGsm0610.h"

class LGsmSoundSource : public LSoundSource
{
public:
    // Takes over descriptor (the caller's copy becomes -1), positioned at the
    // first block. A data size of 0xFFFFFF01 or more means unknown: the
    // blocks run to the end of the file. A size beyond the end of the file
    // counts only the blocks the file holds.
    LGsmSoundSource(int& descriptor, uint32_t dataSize, int32_t rate);
    ~LGsmSoundSource() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return length_; }
    void Seek(int64_t frame) override;

private:
    // Reads and decodes the next block into out; false (and silence) when
    // the block cannot be read whole.
    bool DecodeNextBlock(int32_t out[kGsmBlockSamples]);
    void ResetDecoder();

    int fd_ = -1;
    LRecordReader reader_;
    int64_t firstBlock_ = 0;
    int64_t position_ = 0;
    int64_t length_ = 0;
    LGsm0610Decoder decoder_;
    int32_t previousOutput_ = 0; // de-emphasis memory
    int32_t block_[kGsmBlockSamples] = {};
    int32_t readIndex_ = kGsmBlockSamples; // kGsmBlockSamples: used up
};

constexpr uint32_t kGsmPeakLimit = 0xFFFE0;

// Builds a GSM source over descriptor into out (count 1).
void CreateGsmSoundSource(LSoundSourcePtr& out, int& descriptor, uint32_t dataSize, int32_t rate);
