#pragma once
// Writes mono WAVE format 49 (GSM 06.10) files. Samples at the internal
// scale go through the program's own offset compensation and pre-emphasis
// into the standard coder; every 320 samples make one 65-byte block. The
// header is written at open with streaming sizes and rewritten with the real
// ones when the last handle releases the sink. A write that fails marks the
// sink failed; the finished file then holds only the blocks written whole.

#include "audio/core/LSoundSink.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/gsm/LGsm0610.h"

#include <cstddef>

class LGsmSoundSink : public LSoundSink
{
public:
    LGsmSoundSink(const char* path, uint32_t rate);
    ~LGsmSoundSink() override;

    void Write(const int32_t* buffer, int64_t frames) override;
    // The coded stream cannot be cut back.
    void Truncate(int64_t) override {}
    // Codes the samples still pending (padded with silence to a whole
    // block), rewrites the header with the final sizes and closes.
    bool Finish() override;

    uint32_t GetDataSize() const { return dataSize_; }

private:
    void EncodeBlock(const int32_t* samples);
    int16_t PrepareSample(int32_t x);
    bool WriteBytes(const void* bytes, size_t count);
    void WriteHeader(bool final);

    LSinkFile file_;
    int fd_ = -1;
    LGsm0610Encoder encoder_;
    int32_t pending_[kGsmBlockSamples] = {};
    int32_t pendingCount_ = 0;
    uint32_t dataSize_ = 0;
    // Input filter memory (offset compensation, pre-emphasis).
    int64_t previousInput_ = 0;
    int64_t previousFiltered_ = 0;
    int64_t remainder_ = 0;
};

constexpr int kGsmWavHeaderBytes = 48;

// Builds a GSM sink for path into out (count 1); a file that cannot be
// opened gives a sink with its failed flag set.
void CreateGsmSoundSink(LSoundSinkPtr& out, const char* path, uint32_t rate);
