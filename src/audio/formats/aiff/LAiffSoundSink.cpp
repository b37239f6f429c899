#include "audio/formats/aiff/LAiffSoundSink.h"

#include "audio/core/LSoundSamples.h"
#include "audio/formats/LAudioFileIo.h"

#include <cstring>

LPcm16BeFileSoundSink::LPcm16BeFileSoundSink(const char* path, uint32_t rate, uint8_t channels,
                                             int64_t startFrame, LFileSinkHeaderCallback header)
    : LFileSoundSink(path, rate, channels, 2, startFrame, std::move(header))
{
}

LPcm16BeFileSoundSink::~LPcm16BeFileSoundSink() = default;

void LPcm16BeFileSoundSink::Encode(const int32_t* buffer, int64_t frames)
{
    LInternalToPcm16Be(buffer, buffer_.data(), frames * channels_);
}

void LAiffExtendedRate(uint8_t out[10], uint32_t rate)
{
    std::memset(out, 0, 10);
    if (rate == 0)
        return;
    int exponent = 31;
    uint32_t mantissa = rate;
    while ((mantissa & 0x80000000u) == 0) {
        mantissa <<= 1;
        --exponent;
    }
    LPutBe16(out, static_cast<uint32_t>(16383 + exponent));
    LPutBe32(out + 2, mantissa);
}

uint32_t LWriteAiffHeader(LFileSoundSink& sink, bool final, uint32_t bits)
{
    uint64_t frames = static_cast<uint64_t>(sink.GetPosition());
    uint64_t dataBytes = frames * sink.GetFrameBytes();
    auto clamp32 = [](uint64_t v) { return v > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(v); };
    uint8_t h[kAiffHeaderBytes];
    std::memcpy(h, "FORM", 4);
    LPutBe32(h + 4, clamp32(dataBytes + 46));
    std::memcpy(h + 8, "AIFFCOMM", 8);
    LPutBe32(h + 16, 18);
    LPutBe16(h + 20, sink.GetChannels());
    LPutBe32(h + 22, clamp32(frames));
    LPutBe16(h + 26, bits);
    LAiffExtendedRate(h + 28, sink.GetRate());
    std::memcpy(h + 38, "SSND", 4);
    LPutBe32(h + 42, final ? clamp32(dataBytes + 8) : 0xFFFFFFFF);
    LPutBe32(h + 46, 0);
    LPutBe32(h + 50, 0);
    sink.WriteBytes(h, sizeof h);
    return kAiffHeaderBytes;
}

void CreateAiffSoundSink(LSoundSinkPtr& out, const char* path, uint32_t rate, uint8_t channels)
{
    out = new LPcm16BeFileSoundSink(path, rate, channels, 0, [](LFileSoundSink& sink, bool final) {
        return LWriteAiffHeader(sink, final, 16);
    });
}
