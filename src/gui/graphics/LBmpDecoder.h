#pragma once
// Our own decoder of Windows and OS/2 bitmaps (BMP files and the DIB bodies
// that audio tags embed): every header kind, 1 to 32 bits per pixel, palettes,
// bit fields, RLE8 and RLE4, top-down rows. It reads a file through its
// buffered reader or a block of memory, checks every size against the data
// before allocating, and names the cause of each refusal in the request.

#include "gui/graphics/LImageDecodeRequest.h"

#include <cstdint>

class LProcessContext;

struct LBmpFileHeader
{
    uint16_t type = 0; // "BM"
    uint32_t fileSize = 0;
    uint32_t pixelDataOffset = 0; // from the start of the file header
};

constexpr uint16_t LBmpFileType = 0x4D42;

enum : uint32_t {
    LBmpCompressionNone = 0,
    LBmpCompressionRle8 = 1,
    LBmpCompressionRle4 = 2,
    LBmpCompressionBitFields = 3,
};

struct LBmpInfoHeader
{
    uint32_t headerSize = 0; // 12, 16, 40, 52, 56, 64, 108 or 124
    int32_t width = 0;
    int32_t height = 0; // negative: rows stored top row first
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    uint32_t xResolution = 0; // pixels per metre
    uint32_t yResolution = 0;
    uint32_t coloursUsed = 0; // 2^bitCount when the file leaves it 0 at 8 bits or less
    uint32_t coloursImportant = 0;
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha: only headers that carry them
};

// The 14-byte file header at the current position: file reader, memory. 0, or
// 2 on a short read.
int LReadBmpFileHeader(LImageDecodeRequest& request, LBmpFileHeader& header);
int LBmpReadFileHeader(LImageDecodeRequest& request, LBmpFileHeader& header);

// The information header at the current position, read from the request's
// file when it has one, else from its memory; the position ends after the
// header's declared size. 0, or 2 for a short read or an unknown header size.
int LBmpReadInfoHeader(LImageDecodeRequest& request, LBmpInfoHeader& header);

// The decoder over a file reader and over memory, from the information
// header at the current position: 0 decoded, 1 stopped, 2 refused (the
// request's failure names why). The target becomes format 0 (32 bits, or bit
// fields with alpha) or format 1; after a failure it holds no pixel at all.
int LBmpDecode(LProcessContext& context, LImageDecodeRequest& request);
int LBmpDecodeFromMemory(LProcessContext& context, LImageDecodeRequest& request);

// A whole BMP file from the reader's position: file header, then the decoder.
int LDecodeBmpFile(LProcessContext& context, LImageDecodeRequest& request);
// The same for a BMP file held in memory (artwork of audio tags).
int LDecodeBmpMemory(LProcessContext& context, LImageDecodeRequest& request);

// Clears a target after a failed decode: no pixel of the earlier picture
// stays, the storage is kept for the next decode, the bitmap reads as empty.
struct LBitmap;
void LBitmapDiscardPixels(LBitmap& bitmap);
