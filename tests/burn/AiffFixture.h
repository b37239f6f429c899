#pragma once
// Builds AIFF files byte by byte for the burner tests: any channel count,
// depth and rate word, extra chunks (odd-sized ones included), and sizes
// that lie.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quorin::test {

struct AiffSpec
{
    uint16_t channels = 2;
    uint16_t bits = 16;
    uint32_t rateWord = 0x400EAC44; // 44,100 Hz
    std::vector<int32_t> samples;   // interleaved, already at the file's depth
    int64_t commFrames = -1;        // -1: the real frame count
    int64_t ssndSize = -1;          // -1: the real size
    uint32_t ssndOffset = 0;
    std::vector<unsigned char> extraChunk; // an "ANNO" chunk before COMM when not empty
};

inline void PutBe(std::vector<unsigned char>& out, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xFF));
}

inline std::vector<unsigned char> MakeAiff(const AiffSpec& spec)
{
    const int bps = (spec.bits + 7) / 8;
    std::vector<unsigned char> data;
    for (int32_t s : spec.samples) {
        // Samples sit in the top bits of their bytes.
        const uint64_t shifted = static_cast<uint64_t>(static_cast<int64_t>(s) << (bps * 8 - spec.bits));
        PutBe(data, shifted, bps);
    }
    const uint64_t frames = spec.channels ? spec.samples.size() / spec.channels : 0;
    std::vector<unsigned char> out = {'F', 'O', 'R', 'M', 0, 0, 0, 0, 'A', 'I', 'F', 'F'};
    if (!spec.extraChunk.empty()) {
        out.insert(out.end(), {'A', 'N', 'N', 'O'});
        PutBe(out, spec.extraChunk.size(), 4);
        out.insert(out.end(), spec.extraChunk.begin(), spec.extraChunk.end());
        if (spec.extraChunk.size() & 1)
            out.push_back(0);
    }
    out.insert(out.end(), {'C', 'O', 'M', 'M', 0, 0, 0, 18});
    PutBe(out, spec.channels, 2);
    PutBe(out, spec.commFrames >= 0 ? static_cast<uint64_t>(spec.commFrames) : frames, 4);
    PutBe(out, spec.bits, 2);
    PutBe(out, spec.rateWord, 4);
    out.insert(out.end(), 6, 0);
    out.insert(out.end(), {'S', 'S', 'N', 'D'});
    PutBe(out, spec.ssndSize >= 0 ? static_cast<uint64_t>(spec.ssndSize) : data.size() + 8 + spec.ssndOffset,
          4);
    PutBe(out, spec.ssndOffset, 4);
    PutBe(out, 0, 4);
    out.insert(out.end(), spec.ssndOffset, 0xEE);
    out.insert(out.end(), data.begin(), data.end());
    const uint64_t form = out.size() - 8;
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<unsigned char>((form >> (8 * (3 - i))) & 0xFF);
    return out;
}

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return out;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return out;
}

// The little-endian stereo frame the producer must give for left and right.
inline void PutLeFrame(std::vector<unsigned char>& out, int16_t left, int16_t right)
{
    out.push_back(static_cast<unsigned char>(left & 0xFF));
    out.push_back(static_cast<unsigned char>((left >> 8) & 0xFF));
    out.push_back(static_cast<unsigned char>(right & 0xFF));
    out.push_back(static_cast<unsigned char>((right >> 8) & 0xFF));
}

} // namespace quorin::test
