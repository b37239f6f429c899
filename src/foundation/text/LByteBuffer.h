#pragma once
// An append-only writer over a growable text it does not own (XML, tag and
// HTTP request writers). It writes no terminator; its users terminate when
// they finish, and there is always room for that NUL.

#include <cstddef>
#include <cstdint>

template <typename T> class LStringLongTemplate;

class LByteBuffer
{
public:
    LStringLongTemplate<char>* buffer = nullptr;

    LByteBuffer() = default;
    explicit LByteBuffer(LStringLongTemplate<char>* target) : buffer(target) {}

    // Appends `count` bytes, growing the target fourfold (or more) when they
    // would reach its capacity. A target without a block starts at 260 bytes.
    void Append(const void* bytes, std::uint64_t count);
    void AppendText(const char* text);
    // Writes the NUL after the current length.
    void Terminate();
};
