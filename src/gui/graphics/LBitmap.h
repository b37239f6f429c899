#pragma once
// The in-memory picture: a rectangle of pixels in one of twelve formats, with
// owned, 64-byte aligned storage that is reused when a new picture of a
// similar size is decoded into the same bitmap, and LPixelIterator, the
// cursor that reads and writes every format's pixels as 0xAARRGGBB colours in
// any of eight orientations.

#include <cstddef>
#include <cstdint>

class LProcessContext;

// Pixel format codes.
enum : int32_t {
    LPixelFormatNone = -1,
    LPixelFormatBGRA32 = 0,   // bytes B, G, R, A
    LPixelFormatBGR24 = 1,    // bytes B, G, R
    LPixelFormatRGB565 = 2,   // 16-bit word, red high
    LPixelFormatARGB1555 = 3, // 16-bit word, alpha bit 15
    LPixelFormatRGB555 = 4,   // 16-bit word, bit 15 ignored
    LPixelFormatRGBA32 = 5,   // bytes R, G, B, A
    LPixelFormatRaw32 = 6,    // 32-bit word as stored
    LPixelFormatRaw16 = 7,
    LPixelFormatPlanar12A = 8,
    LPixelFormatPlanar12B = 9,
    LPixelFormatRaw4 = 10,
    LPixelFormatGrey8 = 11,
};

// Decoders refuse any picture of more pixels than this before allocating:
// 64 megapixels (8192 x 8192), far beyond any cover art or window picture,
// so that a few bytes of header cannot claim gigabytes.
constexpr uint64_t LBitmapMaxPixels = uint64_t(1) << 26;

class LBitmapBuffer
{
public:
    uint8_t* data = nullptr; // first byte of plane 0, 64-byte aligned
    uint8_t* raw = nullptr;  // the allocation itself
    uint64_t capacity = 0;

    // A buffer of `size` bytes; data stays null when size is 0 or memory runs out.
    explicit LBitmapBuffer(uint64_t size);
    virtual ~LBitmapBuffer();
    LBitmapBuffer(const LBitmapBuffer&) = delete;
    LBitmapBuffer& operator=(const LBitmapBuffer&) = delete;

    // Mode 1 keeps the buffer for any size between half its capacity and all of it.
    virtual bool CanReuse(int mode, uint64_t size) const;
    virtual bool OwnsStorage() const { return true; }
};

struct LBitmap
{
    int32_t format = LPixelFormatNone;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t resolutionX = 0; // pixels per metre, 0 when unknown
    uint32_t resolutionY = 0;
    uint64_t stride = 0;
    uint8_t bottomUp = 0;
    uint64_t stride1 = 0;
    uint64_t stride2 = 0;
    uint32_t chromaWidth[2] = {0, 0};
    uint32_t chromaHeight[2] = {0, 0};
    uint32_t planeMode = 0; // 1: the buffer's data holds three plane pointers
    LBitmapBuffer* buffer = nullptr;

    LBitmap() = default;
    ~LBitmap();
    // Bitmaps own their buffer: they are moved, never copied. Descriptors (the
    // geometry alone) are plain LBitmap values without a buffer.
    LBitmap(const LBitmap&) = delete;
    LBitmap& operator=(const LBitmap&) = delete;

    // Format, geometry and buffer back to empty.
    void Reset();
    uint8_t* Plane(int index) const;
    // Row r of plane 0 in memory order.
    uint8_t* Row(int32_t r) const { return Plane(0) + uint64_t(r) * stride; }
};

// Bits per pixel (0 for unknown codes) and the iterator's bytes per pixel.
uint32_t LPixelFormatBits(int32_t format);
uint32_t LPixelFormatBytes(int32_t format);
bool LPixelFormatIsPlanar(int32_t format);

bool LBitmapIsValid(const LBitmap& bitmap);
// Whole storage of all planes; the 32-bit form answers 0 when it does not fit.
uint64_t LBitmapByteSize(const LBitmap& bitmap);
uint32_t LBitmapByteSize32(const LBitmap& bitmap);
// Bytes of a row of `width` pixels rounded up to 4; 0 when it does not fit in 64 bits.
uint64_t LBitmapRowStride(int32_t format, int32_t width);

// Completes a descriptor whose format, width and height are set.
void LBitmapInitLayout(LBitmap& descriptor);
void LBitmapInitPlanes(LBitmap& descriptor, uint64_t stride0, uint64_t stride1, uint64_t stride2);
// Gives the bitmap the descriptor's geometry and storage for it. The bitmap
// ends up empty (invalid) when the size is out of range or memory runs out.
void LBitmapAllocate(LBitmap& bitmap, const LBitmap& descriptor);
// Same-format, same-size copy in memory row order.
void LBitmapCopy(LBitmap& destination, const LBitmap& source);
// 0 done (or nothing to do), 1 stopped.
int LBitmapFill(LBitmap& bitmap, LProcessContext& context, uint32_t colour);

// A bit-field channel of a pixel value: the lowest and highest bit of its mask.
struct LPixelChannel
{
    int32_t lowBit = 33;
    int32_t highBit = 0;
    uint32_t mask = 0;
};
LPixelChannel LPixelChannelFromMask(uint32_t mask);
// The masked bits of value scaled to 0..255, rounding halves up.
uint8_t LPixelChannelTo8Bit(const LPixelChannel& channel, uint32_t value);

struct LPixelIterator;
using LPixelReadFunction = uint32_t (*)(const LPixelIterator& iterator);
using LPixelWriteFunction = void (*)(LPixelIterator& iterator, const uint8_t colour[4]);

// Orientations: 0 rows top to bottom, left to right; 1 columns right to left,
// top to bottom; 2 rows bottom to top, right to left; 3 columns left to right,
// bottom to top; 4 columns left to right, top to bottom; 5 rows bottom to top,
// left to right; 6 columns right to left, bottom to top; 7 rows top to
// bottom, right to left. All in picture terms (bottomUp storage is allowed for).
struct LPixelIterator
{
    uint32_t count = 0;
    uint32_t rowLength = 0;
    int32_t rowAdvance = 0;
    int32_t pixelStep = 0;
    int32_t rowStep = 0;
    int32_t index = 0;
    int32_t offset = 0;
    uint32_t column = 0;
    LPixelReadFunction read = nullptr;
    uint8_t* base = nullptr;
    LPixelWriteFunction write = nullptr;
    uint8_t* writeBase = nullptr;

    LPixelIterator();

    void Setup(const LBitmap& bitmap, uint32_t orientation);
    void Setup(const LBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t orientation);
    void SetupWrite(LBitmap& bitmap, uint32_t orientation);
    void SetupWrite(LBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t orientation);

    bool Done() const { return index < 0 || uint32_t(index) >= count; }
    uint32_t Read() const { return read(*this); }
    void Write(const uint8_t colour[4]) { write(*this, colour); }
    // The colour as 0xAARRGGBB rather than memory-order bytes.
    void WriteColour(uint32_t colour);
    void Advance();

private:
    void Core(uint8_t* first, int32_t format, uint64_t stride, int32_t w, int32_t h, uint32_t orientation,
              bool withWriter);
    void SetupRect(const LBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t orientation,
                   bool withWriter);
};

// The geometry of `from` (format to chromaHeight) into a descriptor without storage.
void LBitmapCopyGeometry(LBitmap& descriptor, const LBitmap& from);
