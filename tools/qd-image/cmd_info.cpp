// qd-image info IN: KEY=VALUE lines describing the picture.

#include "QdImageCommand.h"
#include "QdImageSupport.h"

#include "foundation/files/LBufferedFile.h"
#include "gui/graphics/LBmpDecoder.h"

#include <QImage>
#include <QImageReader>
#include <QPixelFormat>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

// JPEG, PNG and GIF: what Qt's reader tells from the headers, without decoding.
int PlatformInfo(const char* in)
{
    QImageReader reader(QString::fromLocal8Bit(in));
    reader.setAutoTransform(false);
    const QByteArray kind = reader.format();
    if (kind != "jpeg" && kind != "png" && kind != "gif")
        return QdImageRefused(in, "not a BMP, JPEG, PNG or GIF picture");
    const QSize size = reader.size();
    if (!size.isValid())
        return QdImageRefused(in, reader.errorString().toUtf8().constData());
    const QPixelFormat format = QImage::toPixelFormat(reader.imageFormat());
    // The resolution is only known once the picture is decoded: not given.
    std::printf("decoder=platform\nwidth=%d\nheight=%d\nbits=%d\n", size.width(), size.height(),
                reader.imageFormat() == QImage::Format_Invalid ? 0 : int(format.bitsPerPixel()));
    return 0;
}

// Reads the headers only: a picture that claims an enormous size is described
// in no more time than a small one.
int RunInfo(int argc, char** argv)
{
    if (argc != 2)
        return QdFail("usage: info IN");
    const char* in = argv[1];
    LBufferedFile file;
    if (!file.Open(in, O_RDONLY))
        return QdFail("%s: %s", in, std::strerror(errno));
    uint8_t magic[2] = {};
    if (file.Read(magic, 2) != 2 || magic[0] != 'B' || magic[1] != 'M') {
        file.Close();
        return PlatformInfo(in);
    }
    lseek(file.fd, 0, SEEK_SET);
    file.Discard();
    LImageDecodeRequest request;
    request.file = &file;
    LBmpFileHeader fileHeader;
    LBmpInfoHeader header;
    if (LReadBmpFileHeader(request, fileHeader) != 0 || LBmpReadInfoHeader(request, header) != 0)
        return QdImageRefused(in, request.failure[0] ? request.failure : "the headers are cut short");
    std::printf("decoder=bmp\nwidth=%d\nheight=%lld\nbits=%u\nxres=%u\nyres=%u\n", header.width,
                header.height < 0 ? -static_cast<long long>(header.height)
                                  : static_cast<long long>(header.height),
                header.bitCount, header.xResolution, header.yResolution);
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
