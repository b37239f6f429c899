#include "gui/graphics/LBmpDecoder.h"

#include "foundation/files/LBufferedFile.h"
#include "foundation/threads/LProcessContext.h"
#include "foundation/threads/LProgressRangeContext.h"
#include "gui/graphics/LBitmap.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The decoder's view of its source, file or memory.
class BmpInput
{
public:
    virtual ~BmpInput() = default;
    virtual size_t Read(void* dest, size_t count) = 0;
    virtual uint64_t Position() = 0;
    // Absolute; false when the position cannot be reached.
    virtual bool SeekTo(uint64_t position) = 0;
    // Total bytes of the source; UINT64_MAX when unknown (a pipe).
    virtual uint64_t Size() = 0;

    bool ReadAll(void* dest, size_t count) { return Read(dest, count) == count; }
    bool U8(uint8_t& v) { return ReadAll(&v, 1); }
    bool U16(uint16_t& v)
    {
        uint8_t b[2];
        if (!ReadAll(b, 2))
            return false;
        v = uint16_t(b[0] | (b[1] << 8));
        return true;
    }
    bool U32(uint32_t& v)
    {
        uint8_t b[4];
        if (!ReadAll(b, 4))
            return false;
        v = b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        return true;
    }
    bool I32(int32_t& v)
    {
        uint32_t u;
        if (!U32(u))
            return false;
        v = int32_t(u);
        return true;
    }
};

class FileInput : public BmpInput
{
public:
    explicit FileInput(LBufferedFile& file) : file_(file)
    {
        const off_t at = lseek(file_.fd, 0, SEEK_CUR);
        seekable_ = at >= 0;
        // A pipe counts from where the decoder started reading it.
        position_ = seekable_ ? uint64_t(at) - (file_.filled - file_.position) : 0;
    }
    size_t Read(void* dest, size_t count) override
    {
        const size_t n = file_.Read(dest, count);
        position_ += n;
        return n;
    }
    uint64_t Position() override { return position_; }
    bool SeekTo(uint64_t position) override
    {
        if (!seekable_) {
            // Forward only, by reading what lies between.
            uint8_t scratch[4096];
            while (position_ < position) {
                const uint64_t n = std::min<uint64_t>(sizeof scratch, position - position_);
                if (Read(scratch, size_t(n)) != n)
                    return false;
            }
            return position_ == position;
        }
        const off_t at = lseek(file_.fd, off_t(position), SEEK_SET);
        file_.Discard();
        position_ = at >= 0 ? uint64_t(at) : position_;
        return at >= 0 && uint64_t(at) == position;
    }
    uint64_t Size() override
    {
        struct stat info;
        if (fstat(file_.fd, &info) != 0 || !S_ISREG(info.st_mode))
            return UINT64_MAX;
        return uint64_t(info.st_size);
    }

private:
    LBufferedFile& file_;
    uint64_t position_ = 0;
    bool seekable_ = false;
};

class MemoryInput : public BmpInput
{
public:
    explicit MemoryInput(LImageMemorySource& source) : s_(source) {}
    size_t Read(void* dest, size_t count) override
    {
        const uint64_t n = count < s_.remaining ? count : s_.remaining;
        if (n > 0)
            std::memcpy(dest, s_.current, n);
        s_.current += n;
        s_.remaining -= n;
        return size_t(n);
    }
    uint64_t Position() override { return s_.Position(); }
    bool SeekTo(uint64_t position) override
    {
        // A seek past the end stops at the end of the data.
        const uint64_t at = position < s_.size ? position : s_.size;
        s_.current = s_.base + at;
        s_.remaining = s_.size - at;
        return at == position;
    }
    uint64_t Size() override { return s_.size; }

private:
    LImageMemorySource& s_;
};

int ReadFileHeader(BmpInput& in, LImageDecodeRequest& request, LBmpFileHeader& header)
{
    uint8_t reserved[4];
    if (!in.U16(header.type) || !in.U32(header.fileSize) || !in.ReadAll(reserved, 4) ||
        !in.U32(header.pixelDataOffset))
        return request.Fail("file header ends early");
    return 0;
}

bool KnownHeaderSize(uint32_t size)
{
    switch (size) {
    case 12:
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        return true;
    default:
        return false;
    }
}

int ReadInfoHeader(BmpInput& in, LImageDecodeRequest& request, LBmpInfoHeader& h)
{
    h = LBmpInfoHeader();
    const uint64_t start = in.Position();
    if (!in.U32(h.headerSize))
        return request.Fail("information header ends early");
    if (!KnownHeaderSize(h.headerSize))
        return request.Fail("header size %u", h.headerSize);
    bool ok = true;
    if (h.headerSize == 12) {
        uint16_t w = 0, hh = 0;
        ok = in.U16(w) && in.U16(hh) && in.U16(h.planes) && in.U16(h.bitCount);
        h.width = w;
        h.height = hh;
    } else {
        ok = in.I32(h.width) && in.I32(h.height) && in.U16(h.planes) && in.U16(h.bitCount);
        // A 16-byte header (short OS/2 2.x) stops here; every longer one
        // carries the Windows fields, and all but the OS/2 64-byte one carry
        // their own colour masks after them.
        if (ok && h.headerSize >= 40)
            ok = in.U32(h.compression) && in.U32(h.imageSize) && in.U32(h.xResolution) &&
                 in.U32(h.yResolution) && in.U32(h.coloursUsed) && in.U32(h.coloursImportant);
        if (ok && h.headerSize >= 52 && h.headerSize != 64)
            ok = in.U32(h.masks[0]) && in.U32(h.masks[1]) && in.U32(h.masks[2]);
        if (ok && h.headerSize >= 56 && h.headerSize != 64)
            ok = in.U32(h.masks[3]);
    }
    if (!ok)
        return request.Fail("information header ends early");
    if (h.coloursUsed == 0 && h.bitCount <= 8)
        h.coloursUsed = uint32_t(1) << h.bitCount;
    const uint64_t end = start + h.headerSize;
    if (in.Position() < end && !in.SeekTo(end))
        return request.Fail("information header ends early");
    return 0;
}

// Progress by rows done; the stop test comes before each report.
class Progress
{
public:
    explicit Progress(LProcessContext& context) : context_(context) {}
    // False when a stop was requested.
    bool Report(double fraction)
    {
        if (fraction - last_ < 0.01)
            return true;
        if (context_.IsStopRequested())
            return false;
        context_.Progress(fraction);
        last_ = fraction;
        return true;
    }

private:
    LProcessContext& context_;
    double last_ = 0.0;
};

struct Decoder
{
    BmpInput& in;
    LProcessContext& context;
    LImageDecodeRequest& request;
    LBmpInfoHeader h;
    LBitmap* target = nullptr;
    uint32_t palette[256] = {};
    uint32_t paletteSize = 0;
    LPixelChannel channels[4];
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    bool allocated = false;

    Decoder(BmpInput& input, LProcessContext& ctx, LImageDecodeRequest& req)
        : in(input), context(ctx), request(req), target(req.target)
    {
    }

    uint8_t* PictureRow(int32_t fileRow) const
    {
        // Target rows are stored top row first.
        return target->Row(topDown ? fileRow : height - 1 - fileRow);
    }

    void Put(uint8_t* row, int32_t x, uint32_t colour) const
    {
        if (target->format == LPixelFormatBGRA32) {
            std::memcpy(row + uint64_t(x) * 4, &colour, 4);
        } else {
            uint8_t* p = row + uint64_t(x) * 3;
            p[0] = uint8_t(colour);
            p[1] = uint8_t(colour >> 8);
            p[2] = uint8_t(colour >> 16);
        }
    }

    int Run();
    int Validate();
    int ReadColourTable();
    int Allocate();
    int WholeRows(Progress& progress);
    int PixelRows(Progress& progress);
    int RunLength(Progress& progress);
};

int Decoder::Validate()
{
    const uint32_t c = h.compression;
    if (h.headerSize == 64 && c == 3)
        return request.Fail("OS/2 Huffman compression is not supported");
    if (h.headerSize == 64 && c == 4)
        return request.Fail("OS/2 RLE24 compression is not supported");
    if (c == 4 || c == 5)
        return request.Fail("compression %u (an embedded %s picture) is not supported", c,
                            c == 4 ? "JPEG" : "PNG");
    if (c > 3)
        return request.Fail("compression %u is not supported", c);
    if (h.coloursUsed > 256)
        return request.Fail("colours used %u is more than 256", h.coloursUsed);
    if (c == 1 && h.bitCount != 8)
        return request.Fail("RLE8 compression with %u bits per pixel", h.bitCount);
    if (c == 2 && h.bitCount != 4)
        return request.Fail("RLE4 compression with %u bits per pixel", h.bitCount);
    if (c == 3 && h.bitCount != 16 && h.bitCount != 32)
        return request.Fail("bit fields with %u bits per pixel", h.bitCount);
    if (c == 0) {
        switch (h.bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return request.Fail("bit count %u", h.bitCount);
        }
    }
    if (h.width < 1)
        return request.Fail("width %d", h.width);
    if (h.height == 0 || h.height == INT_MIN)
        return request.Fail("height %d", h.height);
    topDown = h.height < 0;
    width = h.width;
    height = topDown ? -h.height : h.height;
    if (topDown && (c == 1 || c == 2))
        return request.Fail("top-down rows with run-length compression");
    const uint64_t limit = request.maxPixels ? request.maxPixels : LBitmapMaxPixels;
    if (uint64_t(width) * uint64_t(height) > limit)
        return request.Fail("%d x %d pixels is more than the limit of %llu", width, height,
                            static_cast<unsigned long long>(limit));
    return 0;
}

int CheckMasks(LImageDecodeRequest& request, const uint32_t masks[4], uint32_t bitCount)
{
    for (int i = 0; i < 4; ++i) {
        if (bitCount == 16 && masks[i] > 0xFFFF)
            return request.Fail("bit-field mask 0x%08X is wider than 16 bits", masks[i]);
        for (int j = i + 1; j < 4; ++j)
            if (masks[i] & masks[j])
                return request.Fail("bit-field masks 0x%08X and 0x%08X overlap", masks[i], masks[j]);
    }
    return 0;
}

int Decoder::ReadColourTable()
{
    if (h.compression == 3 && h.headerSize == 40) {
        // A plain Windows header is followed by its three colour masks.
        if (!in.U32(h.masks[0]) || !in.U32(h.masks[1]) || !in.U32(h.masks[2]))
            return request.Fail("bit-field masks end early");
    }
    if (h.compression == 3) {
        if (CheckMasks(request, h.masks, h.bitCount) != 0)
            return LImageFailed;
        for (int i = 0; i < 4; ++i)
            channels[i] = LPixelChannelFromMask(h.masks[i]);
    } else if (h.bitCount == 16) {
        channels[0] = LPixelChannelFromMask(0x7C00);
        channels[1] = LPixelChannelFromMask(0x03E0);
        channels[2] = LPixelChannelFromMask(0x001F);
        channels[3] = LPixelChannel();
    }
    if (h.bitCount > 8)
        return 0; // a table there only suggests colours for old displays: skipped below
    const uint32_t entrySize = h.headerSize == 12 ? 3 : 4;
    paletteSize = h.coloursUsed;
    for (uint32_t i = 0; i < paletteSize; ++i) {
        uint8_t e[4] = {0, 0, 0, 0};
        if (!in.ReadAll(e, entrySize))
            return request.Fail("colour table ends early at entry %u of %u", i, paletteSize);
        palette[i] = e[0] | (uint32_t(e[1]) << 8) | (uint32_t(e[2]) << 16) | (uint32_t(e[3]) << 24);
    }
    return 0;
}

int Decoder::Allocate()
{
    LBitmap descriptor;
    const bool alpha = h.bitCount == 32 || (h.compression == 3 && h.masks[3] != 0);
    descriptor.format = alpha ? LPixelFormatBGRA32 : LPixelFormatBGR24;
    descriptor.width = width;
    descriptor.height = height;
    LBitmapInitLayout(descriptor);
    LBitmapAllocate(*target, descriptor);
    allocated = true;
    if (!LBitmapIsValid(*target))
        return request.Fail("no memory for %d x %d pixels", width, height);
    return 0;
}

int Decoder::WholeRows(Progress& progress)
{
    const uint64_t rowBytes = LBitmapRowStride(target->format, width);
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = PictureRow(r);
        if (!in.ReadAll(row, rowBytes))
            return request.Fail("pixel data ends in row %d", r);
        if (!progress.Report(double(r + 1) / height))
            return LImageStopped;
    }
    return 0;
}

int Decoder::PixelRows(Progress& progress)
{
    const uint32_t bits = h.bitCount;
    const uint64_t rowBytes = ((uint64_t(width) * bits + 31) / 32) * 4;
    std::vector<uint8_t> line(rowBytes);
    uint32_t colour = 0xFF000000u;
    for (int32_t r = 0; r < height; ++r) {
        if (!in.ReadAll(line.data(), rowBytes))
            return request.Fail("pixel data ends in row %d", r);
        uint8_t* row = PictureRow(r);
        const uint8_t* p = line.data();
        if (bits <= 8) {
            const uint32_t perByte = 8 / bits;
            const uint32_t mask = (1u << bits) - 1;
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t shift = 8 - bits * (x % perByte + 1);
                const uint32_t index = (p[x / perByte] >> shift) & mask;
                if (index >= paletteSize)
                    return request.Fail("palette index %u >= %u colours", index, paletteSize);
                Put(row, x, palette[index]);
            }
        } else {
            const uint32_t bytes = bits / 8;
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* q = p + uint64_t(x) * bytes;
                uint32_t value = q[0] | (uint32_t(q[1]) << 8);
                if (bytes == 4)
                    value |= (uint32_t(q[2]) << 16) | (uint32_t(q[3]) << 24);
                static const int kShift[4] = {16, 8, 0, 24}; // red, green, blue, alpha
                for (int c = 0; c < 4; ++c) {
                    if (channels[c].mask == 0)
                        continue;
                    colour = (colour & ~(0xFFu << kShift[c])) |
                             (uint32_t(LPixelChannelTo8Bit(channels[c], value)) << kShift[c]);
                }
                Put(row, x, colour);
            }
        }
        if (!progress.Report(double(r + 1) / height))
            return LImageStopped;
    }
    return 0;
}

int Decoder::RunLength(Progress& progress)
{
    const bool rle4 = h.compression == 2;
    if (paletteSize == 0)
        return request.Fail("run-length picture without a colour table");
    // Areas a writer skips (delta, early end of line or of bitmap) show
    // palette entry 0.
    for (int32_t x = 0; x < width; ++x)
        Put(target->Row(0), x, palette[0]);
    for (int32_t r = 1; r < height; ++r)
        std::memcpy(target->Row(r), target->Row(0), uint64_t(width) * 3);
    // The pixels a row's stored bytes (a multiple of four) hold.
    const int32_t paddedWidth = int32_t(((uint64_t(width) * (rle4 ? 4 : 8) + 31) / 32) * 32 / (rle4 ? 4 : 8));
    int32_t x = 0, y = 0;
    uint8_t* row = PictureRow(0);
    const auto put = [&](uint32_t index) -> bool {
        if (index >= paletteSize) {
            request.Fail("palette index %u >= %u colours", index, paletteSize);
            return false;
        }
        // Writers encode each row's padding too: what lies in the padding is
        // dropped; a run past it is damage, not a picture cut to fit.
        if (x >= paddedWidth) {
            request.Fail("a run goes past the end of row %d (width %d)", y, width);
            return false;
        }
        if (x < width) {
            uint8_t* p = row + uint64_t(x) * 3;
            const uint32_t c = palette[index];
            p[0] = uint8_t(c);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c >> 16);
        }
        ++x;
        return true;
    };
    while (y <= height) {
        uint8_t pair[2];
        if (!in.ReadAll(pair, 2))
            return request.Fail("run-length data ends in row %d", y);
        const uint32_t n = pair[0], v = pair[1];
        if (n > 0 || v >= 3) {
            if (y >= height)
                return request.Fail("run-length data goes past the last row");
        }
        if (n > 0) {
            if (!rle4) {
                if (v >= paletteSize)
                    return request.Fail("palette index %u >= %u colours", v, paletteSize);
                if (x + int32_t(n) > paddedWidth)
                    return request.Fail("a run goes past the end of row %d (width %d)", y, width);
                const int32_t end = std::min<int32_t>(width, x + int32_t(n));
                const uint32_t c = palette[v];
                for (int32_t i = x; i < end; ++i) {
                    uint8_t* p = row + uint64_t(i) * 3;
                    p[0] = uint8_t(c);
                    p[1] = uint8_t(c >> 8);
                    p[2] = uint8_t(c >> 16);
                }
                x += int32_t(n); // the padding's pixels are dropped, still counted
            } else {
                for (uint32_t i = 0; i < n; ++i)
                    if (!put((i % 2 == 0) ? v >> 4 : v & 15))
                        return LImageFailed;
            }
        } else if (v == 0) {
            // End of line; pixels a writer left out of the row stay at entry 0.
            if (y >= height)
                return request.Fail("end of line after the last row");
            ++y;
            x = 0;
            if (y < height)
                row = PictureRow(y);
        } else if (v == 1) {
            return 0;
        } else if (v == 2) {
            uint8_t d[2];
            if (!in.ReadAll(d, 2))
                return request.Fail("run-length data ends in row %d", y);
            x += d[0];
            y += d[1];
            if (x > width || y > height || (y == height && x > 0))
                return request.Fail("delta moves outside the picture to (%d, %d)", x, y);
            if (y < height)
                row = PictureRow(y);
        } else {
            uint8_t data[256];
            const uint32_t bytes = rle4 ? (v + 1) / 2 : v;
            // Absolute runs keep the codes on 16-bit boundaries.
            const uint32_t padded = bytes + (bytes & 1);
            if (!in.ReadAll(data, padded))
                return request.Fail("run-length data ends in row %d", y);
            for (uint32_t i = 0; i < v; ++i)
                if (!put(rle4 ? ((i % 2 == 0) ? data[i / 2] >> 4 : data[i / 2] & 15) : data[i]))
                    return LImageFailed;
        }
        if (!progress.Report(double(y) / height))
            return LImageStopped;
    }
    return request.Fail("run-length data has no end of bitmap");
}

int Decoder::Run()
{
    context.MessageLevelF(0, "Decoding %s image", "DIB");
    if (ReadInfoHeader(in, request, h) != 0)
        return LImageFailed;
    if (Validate() != 0 || ReadColourTable() != 0)
        return LImageFailed;
    const uint64_t size = in.Size();
    uint64_t position = in.Position();
    if (request.pixelDataOffset != 0) {
        if (size != UINT64_MAX && request.pixelDataOffset >= size)
            return request.Fail("pixel data offset %llu lies beyond the end of the data (%llu bytes)",
                                static_cast<unsigned long long>(request.pixelDataOffset),
                                static_cast<unsigned long long>(size));
        if (position > request.pixelDataOffset)
            return request.Fail("pixel data offset %llu lies inside the headers (which end at %llu)",
                                static_cast<unsigned long long>(request.pixelDataOffset),
                                static_cast<unsigned long long>(position));
        if (position < request.pixelDataOffset && !in.SeekTo(request.pixelDataOffset))
            return request.Fail("cannot reach the pixel data at %llu",
                                static_cast<unsigned long long>(request.pixelDataOffset));
        position = request.pixelDataOffset;
    }
    if (h.compression == 0 || h.compression == 3) {
        const uint64_t rowBytes = ((uint64_t(width) * h.bitCount + 31) / 32) * 4;
        const uint64_t needed = rowBytes * uint64_t(height);
        if (size != UINT64_MAX && (position > size || needed > size - position))
            return request.Fail("pixel data needs %llu bytes, %llu are there",
                                static_cast<unsigned long long>(needed),
                                static_cast<unsigned long long>(position > size ? 0 : size - position));
    } else if (size != UINT64_MAX && (position >= size || size - position < 2)) {
        return request.Fail("run-length data is missing");
    }
    if (Allocate() != 0)
        return LImageFailed;
    Progress progress(context);
    context.Progress(0.0);
    if (context.IsStopRequested())
        return LImageStopped;
    int result;
    // Bit fields that describe plain B, G, R, A bytes are whole rows too.
    const bool plainFields = h.compression == 3 && h.bitCount == 32 && h.masks[0] == 0x00FF0000 &&
                             h.masks[1] == 0x0000FF00 && h.masks[2] == 0x000000FF && h.masks[3] == 0xFF000000;
    if ((h.compression == 0 && (h.bitCount == 24 || h.bitCount == 32)) || plainFields)
        result = WholeRows(progress);
    else if (h.compression == 0 || h.compression == 3)
        result = PixelRows(progress);
    else
        result = RunLength(progress);
    if (result != 0)
        return result;
    context.Progress(1.0);
    target->resolutionX = h.xResolution;
    target->resolutionY = h.yResolution;
    if (target->format == LPixelFormatBGRA32) {
        // A 32-bit picture whose fourth bytes are all zero is opaque.
        bool anyAlpha = false;
        for (int32_t r = 0; r < height && !anyAlpha; ++r) {
            const uint8_t* row = target->Row(r);
            for (int32_t x = 0; x < width; ++x)
                if (row[uint64_t(x) * 4 + 3] != 0) {
                    anyAlpha = true;
                    break;
                }
        }
        if (!anyAlpha)
            for (int32_t r = 0; r < height; ++r) {
                uint8_t* row = target->Row(r);
                for (int32_t x = 0; x < width; ++x)
                    row[uint64_t(x) * 4 + 3] = 0xFF;
            }
    }
    request.bitsPerPixel = h.bitCount;
    return 0;
}

int Decode(BmpInput& in, LProcessContext& context, LImageDecodeRequest& request)
{
    request.failure[0] = '\0';
    if (request.target == nullptr)
        return request.Fail("no target bitmap");
    Decoder decoder(in, context, request);
    const int result = decoder.Run();
    if (result != 0)
        LBitmapDiscardPixels(*request.target);
    return result;
}

int DecodeBmpFileFrom(BmpInput& in, LProcessContext& context, LImageDecodeRequest& request)
{
    context.MessageLevelF(0, "Decoding %s image", "BMP");
    request.failure[0] = '\0';
    const uint64_t start = in.Position();
    LBmpFileHeader header;
    if (ReadFileHeader(in, request, header) != 0 || header.type != LBmpFileType) {
        if (header.type != LBmpFileType)
            request.Fail("not a BMP file");
        if (request.target)
            LBitmapDiscardPixels(*request.target);
        return LImageFailed;
    }
    request.pixelDataOffset = start + header.pixelDataOffset;
    LProgressRangeContext range(&context, 0.0, 1.0);
    const uint32_t bits = request.bitsPerPixel;
    // The same input goes on: a pipe's position is known only to it.
    const int result = Decode(in, range, request);
    if (result != 0)
        request.bitsPerPixel = bits;
    return result;
}

} // namespace

void LBitmapDiscardPixels(LBitmap& bitmap)
{
    if (bitmap.buffer != nullptr && bitmap.buffer->data != nullptr && bitmap.planeMode == 0)
        std::memset(bitmap.buffer->data, 0, bitmap.buffer->capacity);
    LBitmapBuffer* keep = bitmap.planeMode == 0 ? bitmap.buffer : nullptr;
    if (keep)
        bitmap.buffer = nullptr;
    bitmap.Reset();
    bitmap.buffer = keep;
}

int LReadBmpFileHeader(LImageDecodeRequest& request, LBmpFileHeader& header)
{
    if (request.file == nullptr)
        return request.Fail("no file");
    FileInput in(*request.file);
    return ReadFileHeader(in, request, header);
}

int LBmpReadFileHeader(LImageDecodeRequest& request, LBmpFileHeader& header)
{
    MemoryInput in(request.memory);
    return ReadFileHeader(in, request, header);
}

int LBmpReadInfoHeader(LImageDecodeRequest& request, LBmpInfoHeader& header)
{
    if (request.file != nullptr) {
        FileInput in(*request.file);
        return ReadInfoHeader(in, request, header);
    }
    MemoryInput in(request.memory);
    return ReadInfoHeader(in, request, header);
}

int LBmpDecode(LProcessContext& context, LImageDecodeRequest& request)
{
    if (request.file == nullptr)
        return request.Fail("no file");
    FileInput in(*request.file);
    return Decode(in, context, request);
}

int LBmpDecodeFromMemory(LProcessContext& context, LImageDecodeRequest& request)
{
    MemoryInput in(request.memory);
    return Decode(in, context, request);
}

int LDecodeBmpFile(LProcessContext& context, LImageDecodeRequest& request)
{
    if (request.file == nullptr)
        return request.Fail("no file");
    FileInput in(*request.file);
    return DecodeBmpFileFrom(in, context, request);
}

int LDecodeBmpMemory(LProcessContext& context, LImageDecodeRequest& request)
{
    MemoryInput in(request.memory);
    return DecodeBmpFileFrom(in, context, request);
}
