// qd-image info IN: KEY=VALUE lines describing the picture.

#include "QdImageCommand.h"
#include "QdImageSupport.h"

#include "foundation/files/LBufferedFile.h"
#include "gui/graphics/LBmpDecoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {

const char* CompressionName(uint32_t compression)
{
    switch (compression) {
    case LBmpCompressionNone:
        return "none";
    case LBmpCompressionRle8:
        return "rle8";
    case LBmpCompressionRle4:
        return "rle4";
    default:
        return "bitfields";
    }
}

int RunInfo(int argc, char** argv)
{
    if (argc != 2)
        return QdFail("usage: info IN");
    const char* in = argv[1];
    LBitmap bitmap;
    QdDecoded decoded;
    if (!QdDecodeFile(in, QdDecoderChoice::Auto, bitmap, decoded))
        return QdFail("%s: %s", in, std::strerror(errno));
    if (decoded.result != 0)
        return QdImageRefused(in, decoded.failure.empty() ? "cannot decode the picture"
                                                          : decoded.failure.c_str());
    std::printf("decoder=%s\nwidth=%d\nheight=%d\nbits=%u\nxres=%u\nyres=%u\n",
                decoded.usedBmp ? "bmp" : "platform", bitmap.width, bitmap.height, decoded.bitsPerPixel,
                bitmap.resolutionX, bitmap.resolutionY);
    if (!decoded.usedBmp)
        return 0;
    LBufferedFile file;
    if (!file.Open(in, O_RDONLY))
        return QdFail("%s: %s", in, std::strerror(errno));
    LImageDecodeRequest request;
    request.file = &file;
    LBmpFileHeader fileHeader;
    LBmpInfoHeader header;
    if (LReadBmpFileHeader(request, fileHeader) != 0 || LBmpReadInfoHeader(request, header) != 0)
        return QdFail("%s: headers changed while reading", in);
    uint32_t masks[4] = {header.masks[0], header.masks[1], header.masks[2], header.masks[3]};
    if (header.compression == LBmpCompressionBitFields && header.headerSize == 40) {
        uint8_t extra[12];
        if (file.Read(extra, 12) != 12)
            return QdFail("%s: headers changed while reading", in);
        for (int i = 0; i < 3; ++i)
            masks[i] = extra[4 * i] | (uint32_t(extra[4 * i + 1]) << 8) | (uint32_t(extra[4 * i + 2]) << 16) |
                       (uint32_t(extra[4 * i + 3]) << 24);
    } else if (header.compression == LBmpCompressionNone) {
        masks[0] = masks[1] = masks[2] = masks[3] = 0;
        if (header.bitCount == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
    } else if (header.compression != LBmpCompressionBitFields) {
        masks[0] = masks[1] = masks[2] = masks[3] = 0;
    }
    std::printf("header=%u\ncompression=%s\ncolours=%u\ntopdown=%d\nmasks=0x%08x 0x%08x 0x%08x 0x%08x\n",
                header.headerSize, CompressionName(header.compression),
                header.bitCount <= 8 ? header.coloursUsed : 0, header.height < 0 ? 1 : 0, masks[0], masks[1],
                masks[2], masks[3]);
    return 0;
}

QdRegistrar reg("info", "info IN", &RunInfo);

} // namespace
