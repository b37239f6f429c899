// qd-image decode IN OUT [--decoder auto|bmp|platform] [--flip MODE] [--in-place] [--via FORMAT]

#include "QdImageCommand.h"
#include "QdImageSupport.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBitmapFlip.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {

bool ParseDecoder(const char* text, QdDecoderChoice& choice)
{
    if (text == nullptr || std::strcmp(text, "auto") == 0)
        choice = QdDecoderChoice::Auto;
    else if (std::strcmp(text, "bmp") == 0)
        choice = QdDecoderChoice::Bmp;
    else if (std::strcmp(text, "platform") == 0)
        choice = QdDecoderChoice::Platform;
    else
        return false;
    return true;
}

// The pixels written into a bitmap of the given format by the iterator's
// writer; the result is that bitmap.
bool ConvertVia(LBitmap& bitmap, int32_t format)
{
    LBitmap via;
    LBitmap descriptor;
    descriptor.format = format;
    descriptor.width = bitmap.width;
    descriptor.height = bitmap.height;
    LBitmapInitLayout(descriptor);
    LBitmapAllocate(via, descriptor);
    if (!LBitmapIsValid(via))
        return false;
    LPixelIterator from, to;
    from.Setup(bitmap, 0);
    to.SetupWrite(via, 0);
    while (!from.Done() && !to.Done()) {
        to.WriteColour(from.Read());
        from.Advance();
        to.Advance();
    }
    via.resolutionX = bitmap.resolutionX;
    via.resolutionY = bitmap.resolutionY;
    std::swap(bitmap.buffer, via.buffer);
    LBitmapCopyGeometry(bitmap, via);
    return true;
}

int RunDecode(int argc, char** argv)
{
    if (argc < 3 || argv[1][0] == '-' || argv[2][0] == '-')
        return QdFail("usage: decode IN OUT [--decoder auto|bmp|platform] [--flip MODE] [--in-place] "
                           "[--via FORMAT]");
    const char* in = argv[1];
    const std::string out = argv[2];
    QdDecoderChoice choice;
    if (!ParseDecoder(QdOption(argc, argv, "--decoder"), choice))
        return QdFail("--decoder takes auto, bmp or platform");
    long flip = -1, via = -1;
    const char* flipText = QdOption(argc, argv, "--flip");
    if (flipText && !QdNumber(flipText, 0, 3, flip))
        return QdFail("--flip takes 0, 1, 2 or 3");
    const char* viaText = QdOption(argc, argv, "--via");
    if (viaText && (!QdNumber(viaText, 1, 11, via) || (via > 5 && via != 11)))
        return QdFail("--via takes a format 1 to 5 or 11");
    const bool inPlace = QdFlag(argc, argv, "--in-place");
    if (inPlace && flip < 0)
        return QdFail("--in-place needs --flip");

    LBitmap bitmap;
    QdDecoded decoded;
    if (!QdDecodeFile(in, choice, bitmap, decoded))
        return QdFail("%s: %s", in, std::strerror(errno));
    if (decoded.result != 0)
        return QdImageRefused(in, decoded.failure.empty() ? "cannot decode the picture"
                                                          : decoded.failure.c_str());
    if (via >= 0 && !ConvertVia(bitmap, int32_t(via)))
        return QdFail("no memory for the format-%ld copy", via);
    if (flip >= 0) {
        LLocalProcessContext context;
        if (inPlace) {
            if (LBitmapFlipCopy(int(flip), context, bitmap, bitmap) != 0)
                return QdFail("flip %ld is not supported for format %d", flip, bitmap.format);
        } else {
            // A destination with a wider stride than the source's, so that a
            // flip that steps by the wrong one shows.
            LBitmap descriptor;
            LBitmapCopyGeometry(descriptor, bitmap);
            descriptor.stride = bitmap.stride + 20;
            LBitmap flipped;
            LBitmapAllocate(flipped, descriptor);
            if (!LBitmapIsValid(flipped))
                return QdFail("no memory for the flipped copy");
            if (LBitmapFlipCopy(int(flip), context, flipped, bitmap) != 0)
                return QdFail("flip %ld is not supported for format %d", flip, bitmap.format);
            std::swap(bitmap.buffer, flipped.buffer);
            LBitmapCopyGeometry(bitmap, flipped);
        }
    }
    std::string error;
    if (!QdWritePicture(bitmap, out, error))
        return QdFail("%s: %s", out.c_str(), error.c_str());
    return 0;
}

QdRegistrar reg("decode",
                     "decode IN OUT [--decoder auto|bmp|platform] [--flip MODE] [--in-place] [--via FORMAT]",
                     &RunDecode);

} // namespace
