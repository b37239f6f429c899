#pragma once
// Building WAV files byte by byte for the format tests, and small file helpers.

#include "support/TestData.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace wavtest {

using Bytes = std::vector<uint8_t>;

inline void PutLe16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutLe32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline uint32_t GetLe32(const Bytes& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

inline uint16_t GetLe16(const Bytes& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// A chunk: id, size (the payload's unless given), payload, pad byte when odd.
inline Bytes Chunk(const char* id, const Bytes& payload, int64_t sizeField = -1)
{
    Bytes b(id, id + 4);
    PutLe32(b, sizeField < 0 ? static_cast<uint32_t>(payload.size()) : static_cast<uint32_t>(sizeField));
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() & 1)
        b.push_back(0);
    return b;
}

inline Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign = 0,
                 int extraCount = -1)
{
    Bytes p;
    PutLe16(p, tag);
    PutLe16(p, channels);
    PutLe32(p, rate);
    if (blockAlign == 0)
        blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    PutLe32(p, rate * blockAlign);
    PutLe16(p, blockAlign);
    PutLe16(p, bits);
    if (extraCount >= 0)
        PutLe16(p, static_cast<uint32_t>(extraCount));
    return p;
}

// An extensible "fmt " payload with the published sub-format for subTag.
inline Bytes FmtExtensible(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    Bytes p = Fmt(0xFFFE, channels, rate, bits, 0, 22);
    PutLe16(p, bits);   // valid bits
    PutLe32(p, 0);      // channel mask
    PutLe16(p, subTag); // sub-format {tag, 0x0000, 0x0010, 80 00 00 AA 00 38 9B 71}
    const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    p.insert(p.end(), tail, tail + 14);
    return p;
}

// "RIFF" size "WAVE" followed by the chunks.
inline Bytes Riff(const std::vector<Bytes>& chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

inline Bytes Pcm16(const std::vector<int16_t>& samples)
{
    Bytes b;
    for (int16_t s : samples)
        PutLe16(b, static_cast<uint16_t>(s));
    return b;
}

inline bool WriteFile(const std::string& path, const Bytes& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline Bytes ReadFile(const std::string& path)
{
    Bytes b;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return b;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        b.insert(b.end(), buf, buf + n);
    std::fclose(f);
    return b;
}

inline std::vector<int32_t> ReadS32(const std::string& path)
{
    Bytes b = ReadFile(path);
    std::vector<int32_t> v(b.size() / 4);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<int32_t>(GetLe32(b, 4 * i));
    return v;
}

using quorin::test::Quote;

} // namespace wavtest
