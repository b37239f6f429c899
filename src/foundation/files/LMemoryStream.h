#pragma once
// A growable in-memory byte stream with a write position and a high-water
// mark (the largest end position ever written).

#include <cstddef>
#include <cstdint>

class LMemoryStream
{
public:
    uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t capacity = 0;
    uint64_t position = 0;
    uint64_t highWater = 0;

    LMemoryStream() = default;
    ~LMemoryStream();
    LMemoryStream(const LMemoryStream&) = delete;
    LMemoryStream& operator=(const LMemoryStream&) = delete;

    // Writes `count` bytes at the position and advances it. Past the end the
    // size doubles until the bytes fit (new bytes are zero). `bytes` may point
    // into the stream itself. False, with nothing written, when memory runs out.
    bool Write(const void* bytes, uint64_t count);

    // Sets the size; a larger capacity is max(2 * capacity, size). New bytes
    // are zero. False when memory runs out (the stream is then unchanged).
    bool SetSize(uint64_t newSize);

    // Allocates exactly n bytes (none for 0) and keeps min(size, n) of the old
    // ones, which also becomes the size. False when memory runs out (the stream
    // is then unchanged).
    bool SetCapacity(uint64_t n);
};
