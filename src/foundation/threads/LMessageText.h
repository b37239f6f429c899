#pragma once
// Cutting status texts to a byte limit without splitting a UTF-8 character:
// a broken character at the end of a message would reach the user as garbage.

#include <cstddef>

// The largest length <= limit at which text (of length bytes) can be cut so
// that no multi-byte character is split. Malformed input is cut at the limit
// once more than three continuation bytes in a row are seen.
inline size_t LMessageCutLength(const char* text, size_t length, size_t limit)
{
    if (length <= limit)
        return length;
    size_t cut = limit;
    for (int steps = 0; cut > 0 && steps < 3; ++steps) {
        if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80)
            return cut;
        --cut;
    }
    return (static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80 ? cut : limit;
}
