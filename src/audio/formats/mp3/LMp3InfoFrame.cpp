#include "audio/formats/mp3/LMp3InfoFrame.h"

#include <cstring>

namespace {

// "Xing" and its four fields (flags, frames, bytes, 100-entry seek table,
// quality), then the 36-byte encoder extension.
constexpr int kInfoBytes = 4 + 4 + 4 + 4 + 100 + 4;
constexpr int kExtensionBytes = 36;

void PutBe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

} // namespace

uint16_t LMp3TagCrc(const uint8_t* bytes, size_t count, uint16_t crc)
{
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

bool LMp3BuildInfoFrame(const LMp3InfoFrameFacts& facts, std::vector<uint8_t>& frame)
{
    LMp3FrameHeader first;
    if (!LMp3ParseHeader(facts.firstHeader, &first))
        return false;
    // No CRC in the tag frame, no padding slot, no mode extension.
    const uint32_t base = (facts.firstHeader | 0x00010000u) & ~(0x0000F000u | 0x00000200u | 0x00000030u);
    const int32_t needed = 4 + first.sideInfoBytes + kInfoBytes + kExtensionBytes;
    LMp3FrameHeader chosen;
    bool found = false;
    for (uint32_t index = 1; index < 15 && !found; ++index) {
        found = LMp3ParseHeader(base | (index << 12), &chosen) && chosen.frameBytes >= needed;
        if (found)
            frame.assign(size_t(chosen.frameBytes), 0);
    }
    if (!found)
        return false;

    uint8_t* p = frame.data();
    PutBe32(p, base | (uint32_t(chosen.bitrateIndex) << 12));
    uint8_t* info = p + 4 + chosen.sideInfoBytes;
    std::memcpy(info, "Xing", 4);
    PutBe32(info + 4, 0x0F); // frames, bytes, seek table and quality follow
    PutBe32(info + 8, uint32_t(facts.audioFrames));
    const int64_t total = int64_t(frame.size()) + facts.audioBytes;
    PutBe32(info + 12, uint32_t(total));
    // A constant bitrate seeks in proportion.
    for (int i = 0; i < 100; ++i)
        info[16 + i] = uint8_t(i * 256 / 100);
    PutBe32(info + 116, 0);

    uint8_t* ext = info + kInfoBytes;
    std::memset(ext, ' ', 9);
    std::memcpy(ext, facts.encoder, strnlen(facts.encoder, 9));
    ext[9] = 0x01; // tag revision 0, constant bitrate
    ext[20] = uint8_t(facts.bitrateKbps > 255 ? 255 : facts.bitrateKbps);
    const uint32_t delay = uint32_t(facts.encoderDelay > 4095 ? 4095 : facts.encoderDelay);
    const uint32_t padding = uint32_t(facts.padding > 4095 ? 4095 : facts.padding);
    ext[21] = uint8_t(delay >> 4);
    ext[22] = uint8_t(((delay & 15) << 4) | (padding >> 8));
    ext[23] = uint8_t(padding);
    PutBe32(ext + 28, uint32_t(total));
    ext[32] = uint8_t(facts.musicCrc >> 8);
    ext[33] = uint8_t(facts.musicCrc);
    // The tag CRC covers the frame up to the CRC itself.
    const uint16_t tagCrc = LMp3TagCrc(p, size_t(ext + 34 - p));
    ext[34] = uint8_t(tagCrc >> 8);
    ext[35] = uint8_t(tagCrc);
    return true;
}
