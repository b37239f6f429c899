#pragma once
// A growable byte array whose allocations never throw: when memory runs out
// the array is left empty.

#include <cstddef>
#include <cstdint>

class LByteArray
{
public:
    uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t capacity = 0;

    LByteArray() = default;
    ~LByteArray();
    LByteArray(const LByteArray&) = delete;
    LByteArray& operator=(const LByteArray&) = delete;

    // Sets the size; a larger capacity is max(2 * capacity, n). New bytes are
    // zero. False (and the array empty) when memory runs out.
    bool SetSize(uint64_t n);

    // Allocates n bytes and keeps min(n, size) of the old ones, which also
    // becomes the size. False (and the array empty) when memory runs out.
    bool SetCapacity(uint64_t n);
};
