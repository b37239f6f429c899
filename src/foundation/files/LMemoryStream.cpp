#include "foundation/files/LMemoryStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

LMemoryStream::~LMemoryStream()
{
    std::free(data);
}

bool LMemoryStream::SetCapacity(uint64_t n)
{
    if (n > SIZE_MAX)
        return false;
    uint8_t* fresh = nullptr;
    if (n > 0) {
        fresh = static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(n)));
        if (!fresh)
            return false;
    }
    const uint64_t kept = std::min(size, n);
    if (kept > 0)
        std::memcpy(fresh, data, static_cast<std::size_t>(kept));
    std::free(data);
    data = fresh;
    capacity = n;
    size = kept;
    return true;
}

bool LMemoryStream::SetSize(uint64_t newSize)
{
    if (capacity < newSize) {
        const uint64_t doubled = capacity > UINT64_MAX / 2 ? UINT64_MAX : 2 * capacity;
        if (!SetCapacity(std::max(doubled, newSize)))
            return false;
    }
    if (newSize > size)
        std::memset(data + size, 0, static_cast<std::size_t>(newSize - size));
    size = newSize;
    return true;
}

bool LMemoryStream::Write(const void* bytes, uint64_t count)
{
    if (count == 0)
        return true;
    if (position > UINT64_MAX - count)
        return false;
    const uint64_t end = position + count;
    if (end > size) {
        // Doubling from an empty stream would never get anywhere: an empty
        // stream grows straight to the needed size.
        uint64_t newSize = size;
        while (newSize < end)
            newSize = (newSize == 0 || newSize > UINT64_MAX / 2) ? end : newSize * 2;
        const uint8_t* source = static_cast<const uint8_t*>(bytes);
        const bool fromSelf = data && source >= data && source < data + capacity;
        const uint64_t offset = fromSelf ? static_cast<uint64_t>(source - data) : 0;
        if (!SetSize(newSize))
            return false;
        if (fromSelf)
            bytes = data + offset;
    }
    std::memmove(data + position, bytes, static_cast<std::size_t>(count));
    position = end;
    highWater = std::max(highWater, position);
    return true;
}
