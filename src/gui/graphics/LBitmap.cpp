#include "gui/graphics/LBitmap.h"

#include "foundation/threads/LProcessContext.h"

#include <cstring>
#include <new>

// ---------------------------------------------------------------- storage

LBitmapBuffer::LBitmapBuffer(uint64_t size) : capacity(size)
{
    if (size == 0 || size > UINT64_MAX - 64)
        return;
    raw = new (std::nothrow) uint8_t[size + 64];
    if (raw == nullptr)
        return;
    const uintptr_t address = reinterpret_cast<uintptr_t>(raw);
    data = raw + ((64 - (address & 63)) & 63);
}

LBitmapBuffer::~LBitmapBuffer()
{
    delete[] raw;
}

bool LBitmapBuffer::CanReuse(int mode, uint64_t size) const
{
    return mode == 1 && capacity >= size && capacity / 2 <= size;
}

LBitmap::~LBitmap()
{
    delete buffer;
}

void LBitmap::Reset()
{
    format = LPixelFormatNone;
    width = height = 0;
    resolutionX = resolutionY = 0;
    stride = stride1 = stride2 = 0;
    bottomUp = 0;
    chromaWidth[0] = chromaWidth[1] = 0;
    chromaHeight[0] = chromaHeight[1] = 0;
    planeMode = 0;
    delete buffer;
    buffer = nullptr;
}

uint8_t* LBitmap::Plane(int index) const
{
    if (buffer == nullptr || buffer->data == nullptr)
        return nullptr;
    if (planeMode == 1)
        return reinterpret_cast<uint8_t**>(buffer->data)[index];
    uint8_t* plane = buffer->data;
    if (index >= 1)
        plane += stride * uint64_t(height);
    if (index >= 2)
        plane += stride1 * uint64_t((height + 1) / 2);
    return plane;
}

void LBitmapCopyGeometry(LBitmap& descriptor, const LBitmap& from)
{
    descriptor.format = from.format;
    descriptor.width = from.width;
    descriptor.height = from.height;
    descriptor.resolutionX = from.resolutionX;
    descriptor.resolutionY = from.resolutionY;
    descriptor.stride = from.stride;
    descriptor.bottomUp = from.bottomUp;
    descriptor.stride1 = from.stride1;
    descriptor.stride2 = from.stride2;
    descriptor.chromaWidth[0] = from.chromaWidth[0];
    descriptor.chromaWidth[1] = from.chromaWidth[1];
    descriptor.chromaHeight[0] = from.chromaHeight[0];
    descriptor.chromaHeight[1] = from.chromaHeight[1];
}

// ---------------------------------------------------------------- formats

uint32_t LPixelFormatBits(int32_t format)
{
    static const uint32_t bits[12] = {32, 24, 16, 16, 16, 32, 32, 16, 12, 12, 4, 8};
    return format >= 0 && format < 12 ? bits[format] : 0;
}

uint32_t LPixelFormatBytes(int32_t format)
{
    static const uint32_t bytes[12] = {4, 3, 2, 2, 2, 4, 4, 1, 1, 1, 1, 1};
    return format >= 0 && format < 12 ? bytes[format] : 1;
}

bool LPixelFormatIsPlanar(int32_t format)
{
    return format == 8 || format == 9;
}

bool LBitmapIsValid(const LBitmap& bitmap)
{
    if (bitmap.buffer == nullptr || bitmap.format == LPixelFormatNone || bitmap.width < 1 ||
        bitmap.height < 1 || bitmap.stride == 0)
        return false;
    if (LPixelFormatIsPlanar(bitmap.format) && (bitmap.stride1 == 0 || bitmap.stride2 == 0))
        return false;
    return true;
}

namespace {

// a * b + c without wrapping; UINT64_MAX when it would not fit.
uint64_t SaturatingMulAdd(uint64_t a, uint64_t b, uint64_t c)
{
    unsigned __int128 r = static_cast<unsigned __int128>(a) * b + c;
    return r > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(r);
}

} // namespace

uint64_t LBitmapByteSize(const LBitmap& bitmap)
{
    if (bitmap.height < 0)
        return 0;
    uint64_t h = bitmap.chromaHeight[0];
    if (h == 0 && bitmap.height != 0)
        h = (uint64_t(bitmap.height) + 1) / 2;
    const uint64_t planes = SaturatingMulAdd(h, bitmap.stride1, 0);
    const uint64_t chroma = SaturatingMulAdd(h, bitmap.stride2, planes);
    return SaturatingMulAdd(bitmap.stride, uint64_t(bitmap.height), chroma);
}

uint32_t LBitmapByteSize32(const LBitmap& bitmap)
{
    const uint64_t size = LBitmapByteSize(bitmap);
    return size > UINT32_MAX ? 0 : uint32_t(size);
}

uint64_t LBitmapRowStride(int32_t format, int32_t width)
{
    if (width <= 0)
        return 0;
    const uint64_t bits = uint64_t(LPixelFormatBits(format)) * uint64_t(width);
    const uint64_t bytes = (bits + 7) / 8;
    return (bytes + 3) & ~uint64_t(3);
}

void LBitmapInitPlanes(LBitmap& d, uint64_t stride0, uint64_t stride1, uint64_t stride2)
{
    if (d.width != 0 && d.height != 0) {
        if (LPixelFormatIsPlanar(d.format)) {
            const uint32_t cw = (uint32_t(d.width) + 1) >> 1;
            const uint32_t ch = (uint32_t(d.height) + 1) >> 1;
            d.chromaWidth[0] = d.chromaWidth[1] = cw;
            d.chromaHeight[0] = d.chromaHeight[1] = ch;
            d.stride = stride0 ? stride0 : uint64_t(uint32_t(d.width));
            d.stride1 = stride1 ? stride1 : cw;
            d.stride2 = stride2 ? stride2 : cw;
            return;
        }
    } else if (LPixelFormatIsPlanar(d.format)) {
        d.stride = 0;
    }
    d.stride1 = d.stride2 = 0;
    d.chromaWidth[0] = d.chromaWidth[1] = 0;
    d.chromaHeight[0] = d.chromaHeight[1] = 0;
}

void LBitmapInitLayout(LBitmap& d)
{
    if (LPixelFormatIsPlanar(d.format)) {
        LBitmapInitPlanes(d, 0, 0, 0);
        return;
    }
    d.stride = LBitmapRowStride(d.format, d.width);
    LBitmapInitPlanes(d, 0, 0, 0);
}

void LBitmapAllocate(LBitmap& bitmap, const LBitmap& descriptor)
{
    if (bitmap.planeMode == 1)
        bitmap.Reset();
    LBitmapCopyGeometry(bitmap, descriptor);
    bitmap.planeMode = 0;
    const uint64_t size = LBitmapByteSize(bitmap);
    const bool tooLarge =
        size > 0xFFFFFFFEull || descriptor.width < 0 || descriptor.height < 0 ||
        uint64_t(uint32_t(descriptor.width)) * uint64_t(uint32_t(descriptor.height)) > LBitmapMaxPixels;
    if (tooLarge) {
        bitmap.Reset();
        return;
    }
    if (bitmap.buffer == nullptr || !bitmap.buffer->CanReuse(1, size)) {
        LBitmapBuffer* fresh = new (std::nothrow) LBitmapBuffer(size);
        delete bitmap.buffer;
        bitmap.buffer = fresh;
    }
    if (bitmap.buffer == nullptr || bitmap.buffer->data == nullptr)
        bitmap.Reset();
}

void LBitmapCopy(LBitmap& destination, const LBitmap& source)
{
    if (!LBitmapIsValid(destination) || !LBitmapIsValid(source) || destination.buffer == source.buffer ||
        destination.format != source.format || destination.width != source.width ||
        destination.height != source.height)
        return;
    if (destination.bottomUp == source.bottomUp && destination.stride == source.stride &&
        destination.stride1 == source.stride1 && destination.stride2 == source.stride2 &&
        destination.planeMode == 0 && source.planeMode == 0) {
        std::memcpy(destination.Plane(0), source.Plane(0), LBitmapByteSize(source));
        return;
    }
    auto copyRows = [](uint8_t* to, uint64_t toStride, const uint8_t* from, uint64_t fromStride,
                       uint64_t bytes, uint64_t rows) {
        for (uint64_t r = 0; r < rows; ++r)
            std::memcpy(to + r * toStride, from + r * fromStride, bytes);
    };
    const uint64_t w = uint32_t(source.width);
    const uint64_t h = uint32_t(source.height);
    if (LPixelFormatIsPlanar(source.format)) {
        copyRows(destination.Plane(0), destination.stride, source.Plane(0), source.stride, w, h);
        copyRows(destination.Plane(1), destination.stride1, source.Plane(1), source.stride1, (w + 1) / 2,
                 (h + 1) / 2);
        copyRows(destination.Plane(2), destination.stride2, source.Plane(2), source.stride2, (w + 1) / 2,
                 (h + 1) / 2);
        return;
    }
    // Whole bytes of a row, a partly used last byte included.
    const uint64_t rowBytes = (uint64_t(LPixelFormatBits(source.format)) * w + 7) / 8;
    copyRows(destination.Plane(0), destination.stride, source.Plane(0), source.stride, rowBytes, h);
}

int LBitmapFill(LBitmap& bitmap, LProcessContext& context, uint32_t colour)
{
    if (!LBitmapIsValid(bitmap))
        return 0;
    LPixelIterator it;
    it.SetupWrite(bitmap, 0, 0, bitmap.width, 1, 0);
    if (it.count == 0)
        return 0;
    while (!it.Done()) {
        it.WriteColour(colour);
        it.Advance();
    }
    const int32_t filled = bitmap.bottomUp ? bitmap.height - 1 : 0;
    const uint8_t* source = bitmap.Row(filled);
    for (int32_t r = 0; r < bitmap.height; ++r) {
        if (r == filled)
            continue;
        if (context.IsStopRequested())
            return 1;
        std::memcpy(bitmap.Row(r), source, bitmap.stride);
    }
    return 0;
}

// ---------------------------------------------------------------- channels

LPixelChannel LPixelChannelFromMask(uint32_t mask)
{
    LPixelChannel channel;
    channel.mask = mask;
    if (mask != 0) {
        channel.lowBit = __builtin_ctz(mask);
        channel.highBit = 31 - __builtin_clz(mask);
    }
    return channel;
}

uint8_t LPixelChannelTo8Bit(const LPixelChannel& channel, uint32_t value)
{
    if (channel.mask == 0)
        return 0;
    const uint64_t field = uint64_t(channel.mask) >> channel.lowBit;
    if ((field & (field + 1)) == 0) {
        // One run of bits, the usual case: no gathering needed.
        const uint64_t v = uint64_t(value & channel.mask) >> channel.lowBit;
        if (field == 255)
            return uint8_t(v);
        return uint8_t((v * 255 + field / 2) / field);
    }
    uint64_t v = 0;
    int n = 0;
    for (int bit = channel.lowBit; bit <= channel.highBit && bit < 32; ++bit) {
        if (channel.mask & (uint32_t(1) << bit)) {
            if (value & (uint32_t(1) << bit))
                v |= uint64_t(1) << n;
            ++n;
        }
    }
    const uint64_t m = (uint64_t(1) << n) - 1;
    return uint8_t((v * 255 + m / 2) / m);
}

// ---------------------------------------------------------------- iterator

namespace {

inline uint8_t* At(const LPixelIterator& it)
{
    return it.base + it.offset;
}

inline uint32_t Widen5(uint32_t v)
{
    return (v * 255 + 15) / 31;
}
inline uint32_t Widen6(uint32_t v)
{
    return (v * 255 + 31) / 63;
}

uint32_t ReadDefault(const LPixelIterator&)
{
    return 0xFFFF00FFu;
}
uint32_t ReadWord32(const LPixelIterator& it)
{
    uint32_t v;
    std::memcpy(&v, At(it), 4);
    return v;
}
uint32_t ReadBGR24(const LPixelIterator& it)
{
    const uint8_t* p = At(it);
    return p[0] + (uint32_t(p[1]) << 8) + (uint32_t(p[2]) << 16) + 0xFF000000u;
}
uint16_t Word16(const LPixelIterator& it)
{
    uint16_t v;
    std::memcpy(&v, At(it), 2);
    return v;
}
uint32_t ReadRGB565(const LPixelIterator& it)
{
    const uint32_t v = Word16(it);
    return 0xFF000000u | (Widen5(v >> 11) << 16) | (Widen6((v >> 5) & 63) << 8) | Widen5(v & 31);
}
uint32_t Read555(uint32_t v)
{
    return (Widen5((v >> 10) & 31) << 16) | (Widen5((v >> 5) & 31) << 8) | Widen5(v & 31);
}
uint32_t ReadARGB1555(const LPixelIterator& it)
{
    const uint32_t v = Word16(it);
    return Read555(v) | ((v & 0x8000) ? 0xFF000000u : 0);
}
uint32_t ReadRGB555(const LPixelIterator& it)
{
    return Read555(Word16(it)) | 0xFF000000u;
}
uint32_t ReadRGBA32(const LPixelIterator& it)
{
    const uint32_t v = ReadWord32(it);
    return (v & 0xFF00FF00u) | ((v >> 16) & 0xFF) | ((v & 0xFF) << 16);
}
uint32_t ReadGrey8(const LPixelIterator& it)
{
    return *At(it);
}

void WriteNothing(LPixelIterator&, const uint8_t*) {}
void WriteWord32(LPixelIterator& it, const uint8_t* c)
{
    std::memcpy(it.writeBase + it.offset, c, 4);
}
void WriteBGR24(LPixelIterator& it, const uint8_t* c)
{
    std::memcpy(it.writeBase + it.offset, c, 3);
}
void Store16(LPixelIterator& it, uint16_t v)
{
    std::memcpy(it.writeBase + it.offset, &v, 2);
}
void WriteRGB565(LPixelIterator& it, const uint8_t* c)
{
    Store16(it, uint16_t((c[0] >> 3) + ((c[1] >> 2) << 5) + ((c[2] >> 3) << 11)));
}
void Write1555(LPixelIterator& it, const uint8_t* c)
{
    Store16(it, uint16_t((c[0] >> 3) + ((c[1] >> 3) << 5) + ((c[2] >> 3) << 10) + ((c[3] >> 7) << 15)));
}
void WriteRGBA32(LPixelIterator& it, const uint8_t* c)
{
    const uint8_t swapped[4] = {c[2], c[1], c[0], c[3]};
    std::memcpy(it.writeBase + it.offset, swapped, 4);
}
void WriteGrey8(LPixelIterator& it, const uint8_t* c)
{
    it.writeBase[it.offset] = c[0];
}

LPixelReadFunction ReaderFor(int32_t format)
{
    switch (format) {
    case 0:
    case 6:
        return ReadWord32;
    case 1:
        return ReadBGR24;
    case 2:
        return ReadRGB565;
    case 3:
        return ReadARGB1555;
    case 4:
        return ReadRGB555;
    case 5:
        return ReadRGBA32;
    case 11:
        return ReadGrey8;
    default:
        return ReadDefault;
    }
}

LPixelWriteFunction WriterFor(int32_t format)
{
    switch (format) {
    case 0:
    case 6:
        return WriteWord32;
    case 1:
        return WriteBGR24;
    case 2:
        return WriteRGB565;
    case 3:
    case 4:
        return Write1555;
    case 5:
        return WriteRGBA32;
    case 11:
        return WriteGrey8;
    default:
        return WriteNothing;
    }
}

// The picture's own orientation seen through rows stored bottom row first.
uint32_t BottomUpOrientation(uint32_t o)
{
    static const uint32_t map[8] = {5, 6, 7, 4, 3, 0, 1, 2};
    return o < 8 ? map[o] : 0;
}

} // namespace

LPixelIterator::LPixelIterator() : read(ReadDefault) {}

void LPixelIterator::WriteColour(uint32_t colour)
{
    const uint8_t bytes[4] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16),
                              uint8_t(colour >> 24)};
    write(*this, bytes);
}

void LPixelIterator::Advance()
{
    if (index < 0 || uint32_t(index) >= count)
        return;
    offset += pixelStep;
    ++column;
    ++index;
    if (column >= rowLength) {
        column = 0;
        offset += rowAdvance;
    }
}

void LPixelIterator::Core(uint8_t* first, int32_t format, uint64_t stride, int32_t w, int32_t h,
                          uint32_t orientation, bool withWriter)
{
    const int32_t b = int32_t(LPixelFormatBytes(format));
    const int32_t s = int32_t(stride);
    count = uint32_t(w) * uint32_t(h);
    int32_t startX = 0, startY = 0;
    pixelStep = rowStep = 0;
    rowLength = uint32_t(w);
    switch (orientation) {
    case 0:
        pixelStep = b, rowStep = s, rowLength = w;
        break;
    case 1:
        startX = w - 1, pixelStep = s, rowStep = -b, rowLength = h;
        break;
    case 2:
        startX = w - 1, startY = h - 1, pixelStep = -b, rowStep = -s, rowLength = w;
        break;
    case 3:
        startY = h - 1, pixelStep = -s, rowStep = b, rowLength = h;
        break;
    case 4:
        pixelStep = s, rowStep = b, rowLength = h;
        break;
    case 5:
        startY = h - 1, pixelStep = b, rowStep = -s, rowLength = w;
        break;
    case 6:
        startX = w - 1, startY = h - 1, pixelStep = -s, rowStep = -b, rowLength = h;
        break;
    case 7:
        startX = w - 1, pixelStep = -b, rowStep = s, rowLength = w;
        break;
    default:
        break;
    }
    rowAdvance = rowStep - pixelStep * int32_t(rowLength);
    index = 0;
    column = 0;
    base = first;
    offset = startY * s + startX * b;
    read = ReaderFor(format);
    write = withWriter ? WriterFor(format) : WriteNothing;
    writeBase = first;
}

void LPixelIterator::SetupRect(const LBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h,
                               uint32_t orientation, bool withWriter)
{
    *this = LPixelIterator();
    write = WriteNothing;
    if (!LBitmapIsValid(bitmap) || LBitmapByteSize(bitmap) >= 0x7FFFFFFFu)
        return;
    if (x < 0 || y < 0 || w < 1 || h < 1 || int64_t(x) + w > bitmap.width || int64_t(y) + h > bitmap.height)
        return;
    if (bitmap.bottomUp) {
        y = bitmap.height - (y + h);
        orientation = BottomUpOrientation(orientation);
    }
    uint8_t* first =
        bitmap.Plane(0) + uint64_t(y) * bitmap.stride + uint64_t(x) * LPixelFormatBytes(bitmap.format);
    Core(first, bitmap.format, bitmap.stride, w, h, orientation, withWriter);
}

void LPixelIterator::Setup(const LBitmap& bitmap, uint32_t orientation)
{
    SetupRect(bitmap, 0, 0, bitmap.width, bitmap.height, orientation, false);
}

void LPixelIterator::Setup(const LBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h,
                           uint32_t orientation)
{
    SetupRect(bitmap, x, y, w, h, orientation, false);
}

void LPixelIterator::SetupWrite(LBitmap& bitmap, uint32_t orientation)
{
    SetupRect(bitmap, 0, 0, bitmap.width, bitmap.height, orientation, true);
}

void LPixelIterator::SetupWrite(LBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h,
                                uint32_t orientation)
{
    SetupRect(bitmap, x, y, w, h, orientation, true);
}
