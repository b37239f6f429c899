#pragma once
// A read-side file handle that serves small reads from an 8192-byte buffer.
// Its logical position is the descriptor's position less the bytes still
// unread in the buffer; code that seeks the descriptor itself calls Discard.

#include "foundation/files/LFile.h"

#include <cstddef>
#include <cstdint>

class LBufferedFile : public LFile
{
public:
    static constexpr std::size_t kBufferSize = 8192;
    // Reads of more bytes than this bypass an empty buffer.
    static constexpr std::size_t kSmallRead = 256;

    uint8_t buffer[kBufferSize];
    uint64_t position = 0; // next unread byte in the buffer
    uint64_t filled = 0;   // bytes valid in the buffer

    LBufferedFile() = default;
    explicit LBufferedFile(int descriptor) : LFile(descriptor) {}

    // Copies up to `count` bytes into dest; fewer only at the end of the file
    // or on a read error.
    std::size_t Read(void* dest, std::size_t count);

    // Drops the buffered bytes (after the descriptor was moved).
    void Discard() { position = filled = 0; }
};
