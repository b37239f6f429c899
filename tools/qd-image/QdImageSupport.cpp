#include "QdImageSupport.h"

#include "foundation/files/LBufferedFile.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBmpDecoder.h"
#include "gui/qt/images/LQtImageDecode.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <vector>

bool QdDecodeFile(const char* path, QdDecoderChoice choice, LBitmap& bitmap, QdDecoded& out)
{
    LLocalProcessContext context;
    LBufferedFile file;
    if (!file.Open(path, O_RDONLY))
        return false;
    if (choice == QdDecoderChoice::Auto) {
        file.Close();
        char failure[160] = {};
        LPictureDecoder used = LPictureDecoder::None;
        out.result =
            LLoadPictureFile(context, path, bitmap, &used, failure, sizeof failure, &out.bitsPerPixel);
        out.usedBmp = used == LPictureDecoder::Bmp;
        out.failure = failure;
        return true;
    }
    LImageDecodeRequest request;
    request.file = &file;
    request.target = &bitmap;
    if (choice == QdDecoderChoice::Bmp) {
        out.result = LDecodeBmpFile(context, request);
        out.usedBmp = true;
    } else {
        out.result = LImageDecodeFromFile(context, request);
    }
    out.bitsPerPixel = request.bitsPerPixel;
    out.failure = request.failure;
    return true;
}

bool QdWritePicture(const LBitmap& bitmap, const std::string& path, std::string& error)
{
    const auto endsWith = [&](const char* suffix) {
        const size_t n = std::strlen(suffix);
        return path.size() >= n && path.compare(path.size() - n, n, suffix) == 0;
    };
    const bool pam = endsWith(".pam");
    if (!pam && !endsWith(".ppm")) {
        error = "OUT must end in .ppm or .pam";
        return false;
    }
    LPixelIterator it;
    it.Setup(bitmap, 0);
    std::vector<uint8_t> pixels;
    pixels.reserve(size_t(it.count) * (pam ? 4 : 3));
    const bool grey = bitmap.format == LPixelFormatGrey8;
    while (!it.Done()) {
        uint32_t c = it.Read();
        if (grey)
            c = 0xFF000000u | (c & 0xFF) * 0x010101u;
        pixels.push_back(uint8_t(c >> 16));
        pixels.push_back(uint8_t(c >> 8));
        pixels.push_back(uint8_t(c));
        if (pam)
            pixels.push_back(uint8_t(c >> 24));
        it.Advance();
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    if (pam)
        std::fprintf(f, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                     bitmap.width, bitmap.height);
    else
        std::fprintf(f, "P6\n%d %d\n255\n", bitmap.width, bitmap.height);
    const bool ok = std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    if (std::fclose(f) != 0 || !ok) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}
