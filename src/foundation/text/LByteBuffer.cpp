#include "foundation/text/LByteBuffer.h"

#include "foundation/text/LStringLong.h"

#include <cstring>

void LByteBuffer::Append(const void* bytes, std::uint64_t count)
{
    if (!buffer || count == 0)
        return;
    LStringLongTemplate<char>& b = *buffer;
    std::uint64_t end = b.length + count;
    if (end >= b.capacity) {
        // Four times the capacity, then doubling: 4x, 8x, 16x ... until the bytes fit.
        std::uint64_t grown = b.capacity ? b.capacity * 4 : 260;
        while (grown <= end)
            grown *= 2;
        // Bytes taken from the target itself must survive the move.
        auto src = reinterpret_cast<std::uintptr_t>(bytes);
        auto base = reinterpret_cast<std::uintptr_t>(b.data);
        if (b.data && src >= base && src < base + b.capacity) {
            std::uint64_t offset = src - base;
            b.Reserve(grown);
            bytes = b.data + offset;
        } else {
            b.Reserve(grown);
        }
    }
    std::memmove(b.data + b.length, bytes, count);
    b.length = end;
}

void LByteBuffer::AppendText(const char* text)
{
    if (text)
        Append(text, std::strlen(text));
}

void LByteBuffer::Terminate()
{
    if (!buffer)
        return;
    if (!buffer->data)
        buffer->Reserve(1);
    buffer->data[buffer->length] = '\0';
}
