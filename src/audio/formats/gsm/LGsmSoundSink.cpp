#include "audio/formats/gsm/LGsmSoundSink.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/wav/LWavHeaders.h"

#include <cerrno>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

LGsmSoundSink::LGsmSoundSink(const char* path, uint32_t rate) : LSoundSink(rate, 1)
{
    if (rate < 1 || rate > kWavMaxSampleRate) {
        SetFailed(EINVAL);
        return;
    }
    if (!file_.Open(path, false, true)) {
        SetFailed(file_.Error());
        return;
    }
    fd_ = file_.Descriptor();
    WriteHeader(false);
}

LGsmSoundSink::~LGsmSoundSink()
{
    Finish();
}

bool LGsmSoundSink::Finish()
{
    if (fd_ < 0)
        return !IsFailed();
    if (!IsFailed() && pendingCount_ > 0) {
        std::memset(pending_ + pendingCount_, 0, (kGsmBlockSamples - pendingCount_) * sizeof(int32_t));
        EncodeBlock(pending_);
        pendingCount_ = 0;
    }
    // Whatever a failed write left behind past the last whole block goes.
    if (ftruncate(fd_, kGsmWavHeaderBytes + static_cast<off_t>(dataSize_)) != 0)
        SetFailed();
    if (lseek(fd_, 0, SEEK_END) >= 0 && (dataSize_ & 1)) {
        const uint8_t pad = 0;
        WriteBytes(&pad, 1);
    }
    WriteHeader(true);
    if (!file_.Close(!IsFailed()))
        SetFailed(file_.Error());
    fd_ = -1;
    return !IsFailed();
}

bool LGsmSoundSink::WriteBytes(const void* bytes, size_t count)
{
    if (!LWriteFully(fd_, bytes, count)) {
        SetFailed(errno ? errno : EIO);
        return false;
    }
    return true;
}

void LGsmSoundSink::WriteHeader(bool final)
{
    // The RIFF size covers the pad byte after odd data; the data size does not.
    const uint32_t pad = dataSize_ & 1;
    uint8_t h[kGsmWavHeaderBytes];
    std::memcpy(h, "RIFF", 4);
    LPutLe32(h + 4, final ? dataSize_ + 40 + pad : 0xFFFFFFFFu);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    LPutLe32(h + 16, 20);
    LPutLe16(h + 20, 49);
    LPutLe16(h + 22, 1);
    LPutLe32(h + 24, rate_);
    LPutLe32(h + 28, static_cast<uint32_t>(static_cast<uint64_t>(rate_) * kGsmBlockBytes / kGsmBlockSamples));
    LPutLe16(h + 32, kGsmBlockBytes);
    LPutLe16(h + 34, 0);
    LPutLe16(h + 36, 2);
    LPutLe16(h + 38, kGsmBlockSamples);
    std::memcpy(h + 40, "data", 4);
    LPutLe32(h + 44, final ? dataSize_ : 0xFFFFFFD7u);
    if (lseek(fd_, 0, SEEK_SET) != 0) {
        SetFailed();
        return;
    }
    WriteBytes(h, sizeof h);
}

int16_t LGsmSoundSink::PrepareSample(int32_t x)
{
    // Offset compensation with a factor of 1023/1024 (the remainder keeps
    // the fraction), pre-emphasis with 880/1024, then down to the coder's
    // scale (internal / 32, i.e. 16-bit values halved), saturated to its
    // 16-bit range.
    const int64_t a = (static_cast<int64_t>(x) - previousInput_) * 1024 + remainder_;
    const int64_t y = (a + 512) >> 10;
    remainder_ = a - y;
    int64_t v = (y - ((previousFiltered_ * 880 + 512) >> 10) + 16) >> 5;
    previousInput_ = x;
    previousFiltered_ = y;
    v = v > 32767 ? 32767 : (v < -32768 ? -32768 : v);
    return static_cast<int16_t>(v);
}

void LGsmSoundSink::EncodeBlock(const int32_t* samples)
{
    LGsm0610Frame frames[2];
    for (int f = 0; f < 2; ++f) {
        int16_t prepared[160];
        for (int k = 0; k < 160; ++k)
            prepared[k] = PrepareSample(samples[f * 160 + k]);
        encoder_.EncodePrepared(prepared, frames[f]);
    }
    uint8_t block[kGsmBlockBytes];
    LGsmPackBlock(frames[0], frames[1], block);
    if (!IsFailed() && WriteBytes(block, sizeof block))
        dataSize_ += kGsmBlockBytes;
}

void LGsmSoundSink::Write(const int32_t* buffer, int64_t frames)
{
    if (frames <= 0)
        return;
    position_ += frames;
    if (fd_ < 0 || IsFailed())
        return;
    int64_t at = 0;
    if (pendingCount_ > 0) {
        int64_t n = kGsmBlockSamples - pendingCount_;
        n = n > frames ? frames : n;
        std::memcpy(pending_ + pendingCount_, buffer, static_cast<size_t>(n) * sizeof(int32_t));
        pendingCount_ += static_cast<int32_t>(n);
        at = n;
        if (pendingCount_ == kGsmBlockSamples) {
            EncodeBlock(pending_);
            pendingCount_ = 0;
        }
    }
    for (; frames - at >= kGsmBlockSamples; at += kGsmBlockSamples)
        EncodeBlock(buffer + at);
    if (at < frames) {
        std::memcpy(pending_ + pendingCount_, buffer + at,
                    static_cast<size_t>(frames - at) * sizeof(int32_t));
        pendingCount_ += static_cast<int32_t>(frames - at);
    }
}

void CreateGsmSoundSink(LSoundSinkPtr& out, const char* path, uint32_t rate)
{
    out = new LGsmSoundSink(path, rate);
}
