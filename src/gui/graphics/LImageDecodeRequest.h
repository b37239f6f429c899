#pragma once
// What a picture decoder is asked to do: where the bytes come from (an open
// buffered file or a block of memory), which bitmap receives the picture, and
// what it reports back (the source's bits per pixel, and why it failed).

#include <cstddef>
#include <cstdint>

class LBufferedFile;
struct LBitmap;

// Decoder results.
enum : int {
    LImageDecoded = 0,
    LImageStopped = 1,
    LImageFailed = 2,
};

// Reads copy min(remaining, n) bytes and advance.
struct LImageMemorySource
{
    const uint8_t* base = nullptr;
    uint64_t size = 0;
    const uint8_t* current = nullptr;
    uint64_t remaining = 0;

    LImageMemorySource() = default;
    LImageMemorySource(const void* data, uint64_t length)
        : base(static_cast<const uint8_t*>(data)), size(length), current(base), remaining(length)
    {
    }
    uint64_t Position() const { return uint64_t(current - base); }
};

struct LImageDecodeRequest
{
    LBufferedFile* file = nullptr; // the file forms read here, from its position
    LImageMemorySource memory;     // the memory forms read here
    // BMP only: absolute position of the pixel data in the source, 0 = right
    // after the colour table.
    uint64_t pixelDataOffset = 0;
    LBitmap* target = nullptr;
    // Pictures of more pixels are refused before anything is allocated; 0 =
    // LBitmapMaxPixels. Callers that know their pictures are small lower it.
    uint64_t maxPixels = 0;
    uint32_t bitsPerPixel = 0; // out: bits per pixel of the source picture
    char failure[160] = {};    // out: why the decoder answered 2

    // Records the first cause of a failure; returns LImageFailed.
    int Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
};
