#pragma once
// Most-significant-bit-first reader over a byte buffer. The buffer must be
// followed by at least 8 readable bytes (zeros), so that peeking near the end
// never reads outside it; the caller bounds reads by bit positions.

#include <cstddef>
#include <cstdint>
#include <cstring>

class LMp3BitReader
{
public:
    LMp3BitReader(const uint8_t* data, size_t bitLimit) : data_(data), limit_(bitLimit) {}

    // The next 32 bits, left-aligned, without consuming them. Positions past
    // the limit read whatever padding follows (zeros).
    uint32_t Peek32() const
    {
        uint64_t v;
        std::memcpy(&v, data_ + (pos_ >> 3), 8);
        v = __builtin_bswap64(v);
        return uint32_t((v << (pos_ & 7)) >> 32);
    }
    void Skip(unsigned bits) { pos_ += bits; }
    // Reads up to 24 bits.
    uint32_t Read(unsigned bits)
    {
        if (bits == 0)
            return 0;
        const uint32_t v = Peek32() >> (32 - bits);
        pos_ += bits;
        return v;
    }
    bool ReadBit() { return Read(1) != 0; }

    size_t Position() const { return pos_; }
    void SetPosition(size_t pos) { pos_ = pos; }
    size_t Limit() const { return limit_; }
    bool Overrun() const { return pos_ > limit_; }

private:
    const uint8_t* data_;
    size_t limit_;
    size_t pos_ = 0;
};
