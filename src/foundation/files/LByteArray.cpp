#include "foundation/files/LByteArray.h"

#include <algorithm>
#include <cstring>
#include <new>

LByteArray::~LByteArray()
{
    delete[] data;
}

bool LByteArray::SetCapacity(uint64_t n)
{
    uint8_t* fresh =
        n > 0 && n <= SIZE_MAX ? new (std::nothrow) uint8_t[static_cast<std::size_t>(n)] : nullptr;
    const bool failed = n > 0 && !fresh;
    // The size follows the capacity down: a size above the capacity would let
    // the next access run off the end of the block.
    const uint64_t kept = failed ? 0 : std::min(n, size);
    if (kept > 0)
        std::memcpy(fresh, data, static_cast<std::size_t>(kept));
    delete[] data;
    data = fresh;
    capacity = failed ? 0 : n;
    size = kept;
    return !failed;
}

bool LByteArray::SetSize(uint64_t n)
{
    if (n == size)
        return true;
    if (capacity < n) {
        const uint64_t doubled = capacity > UINT64_MAX / 2 ? UINT64_MAX : 2 * capacity;
        if (!SetCapacity(std::max(doubled, n)))
            return false;
    }
    if (capacity == 0) {
        size = 0;
        return n == 0;
    }
    if (n > size)
        std::memset(data + size, 0, static_cast<std::size_t>(n - size));
    size = n;
    return true;
}
