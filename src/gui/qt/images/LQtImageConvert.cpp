#include "gui/qt/images/LQtImageConvert.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LProcessContext.h"
#include "gui/graphics/LBitmap.h"
#include "gui/graphics/LBitmapFlip.h"

#include <cstring>

namespace {

bool EnsureTarget(LBitmap& target, int32_t w, int32_t h)
{
    if (LBitmapIsValid(target) && target.format == LPixelFormatBGRA32 && target.width == w &&
        target.height == h && target.planeMode == 0)
        return true;
    LBitmap descriptor;
    descriptor.format = LPixelFormatBGRA32;
    descriptor.width = w;
    descriptor.height = h;
    LBitmapInitLayout(descriptor);
    LBitmapAllocate(target, descriptor);
    return LBitmapIsValid(target);
}

} // namespace

int LBitmapFromQImage(LProcessContext& context, LBitmap& target, const QImage& image)
{
    if (context.IsStopRequested())
        return 1;
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return 2;
    const int32_t w = image.width();
    const int32_t h = image.height();
    if (uint64_t(w) * uint64_t(h) > LBitmapMaxPixels)
        return 2;
    // Format 0 is QImage's ARGB32 in memory (straight alpha, little-endian
    // 0xAARRGGBB); every other layout, premultiplied, indexed, 16 bits a
    // channel or CMYK, goes through Qt's own conversion.
    QImage converted;
    const QImage* source = &image;
    const QImage::Format format = image.format();
    if (format == QImage::Format_RGBX64 || format == QImage::Format_RGBA64 ||
        format == QImage::Format_RGBA64_Premultiplied) {
        // Qt's own narrowing of 16-bit samples truncates; round them instead.
        const QImage straight = format == QImage::Format_RGBA64_Premultiplied
                                    ? image.convertToFormat(QImage::Format_RGBA64)
                                    : image;
        if (straight.isNull() || !EnsureTarget(target, w, h))
            return 2;
        target.bottomUp = 0;
        target.resolutionX = image.dotsPerMeterX() > 0 ? uint32_t(image.dotsPerMeterX()) : 0;
        target.resolutionY = image.dotsPerMeterY() > 0 ? uint32_t(image.dotsPerMeterY()) : 0;
        const bool opaque = format == QImage::Format_RGBX64;
        for (int32_t r = 0; r < h; ++r) {
            if (context.IsStopRequested())
                return 1;
            const auto* in = reinterpret_cast<const uint16_t*>(straight.constScanLine(r));
            uint8_t* out = target.Row(r);
            for (int32_t x = 0; x < w; ++x, in += 4, out += 4) {
                out[0] = uint8_t((uint32_t(in[2]) + 128) / 257);
                out[1] = uint8_t((uint32_t(in[1]) + 128) / 257);
                out[2] = uint8_t((uint32_t(in[0]) + 128) / 257);
                out[3] = opaque ? 0xFF : uint8_t((uint32_t(in[3]) + 128) / 257);
            }
        }
        return 0;
    }
    if (format != QImage::Format_ARGB32 && format != QImage::Format_RGB32) {
        converted =
            image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (converted.isNull())
            return 2;
        source = &converted;
    }
    if (!EnsureTarget(target, w, h))
        return 2;
    target.bottomUp = 0;
    target.resolutionX = image.dotsPerMeterX() > 0 ? uint32_t(image.dotsPerMeterX()) : 0;
    target.resolutionY = image.dotsPerMeterY() > 0 ? uint32_t(image.dotsPerMeterY()) : 0;
    const bool opaque = source->format() == QImage::Format_RGB32;
    for (int32_t r = 0; r < h; ++r) {
        if (context.IsStopRequested())
            return 1;
        uint8_t* out = target.Row(r);
        std::memcpy(out, source->constScanLine(r), uint64_t(w) * 4);
        if (opaque)
            for (int32_t x = 0; x < w; ++x)
                out[uint64_t(x) * 4 + 3] = 0xFF;
    }
    return 0;
}

QImage LBitmapCreateQImage(const LBitmap& bitmap, bool opaque)
{
    if (!LBitmapIsValid(bitmap))
        return QImage();
    QImage::Format format;
    switch (bitmap.format) {
    case LPixelFormatBGRA32:
    case LPixelFormatRaw32:
        format = opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32;
        break;
    case LPixelFormatBGR24:
        format = QImage::Format_BGR888;
        break;
    case LPixelFormatRGB555:
        format = QImage::Format_RGB555;
        break;
    case LPixelFormatRGBA32:
        format = opaque ? QImage::Format_RGBX8888 : QImage::Format_RGBA8888;
        break;
    default:
        // Formats without a matching image layout (5-6-5, alpha bit, raw,
        // planar and grey samples) have no image form.
        return QImage();
    }
    QImage image(bitmap.width, bitmap.height, format);
    if (image.isNull())
        return image;
    const uint64_t rowBytes = uint64_t(bitmap.width) * LPixelFormatBytes(bitmap.format);
    for (int32_t r = 0; r < bitmap.height; ++r) {
        uchar* out = image.scanLine(r);
        std::memcpy(out, bitmap.Row(r), rowBytes);
        if (format == QImage::Format_RGB32)
            for (int32_t x = 0; x < bitmap.width; ++x)
                out[x * 4 + 3] = 0xFF;
        else if (format == QImage::Format_RGBX8888)
            for (int32_t x = 0; x < bitmap.width; ++x)
                out[x * 4 + 3] = 0xFF;
        else if (format == QImage::Format_RGB555)
            for (int32_t x = 0; x < bitmap.width; ++x)
                out[x * 2 + 1] &= 0x7F; // Qt wants the unused top bit clear
    }
    return image;
}

QImage LImageToQImage(const LBitmap& bitmap, bool opaque)
{
    if (!bitmap.bottomUp)
        return LBitmapCreateQImage(bitmap, opaque);
    LBitmap upright;
    LBitmapAllocate(upright, bitmap);
    if (!LBitmapIsValid(upright))
        return QImage();
    LLocalProcessContext never;
    if (LBitmapFlipCopy(LFlipVertical, never, upright, bitmap) != 0)
        return QImage();
    upright.bottomUp = 0;
    return LBitmapCreateQImage(upright, opaque);
}
