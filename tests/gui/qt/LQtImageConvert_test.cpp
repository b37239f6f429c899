// Bitmaps to Qt images and back: each format's round trip, bottom-up rows
// shown top row first, target reuse, stop requests, and the image layouts
// Qt's decoders hand over.

#include "gui/qt/images/LQtImageConvert.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBitmap.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

void Allocate(LBitmap& bitmap, int32_t format, int32_t w, int32_t h, bool bottomUp = false)
{
    LBitmap d;
    d.format = format;
    d.width = w;
    d.height = h;
    d.bottomUp = bottomUp ? 1 : 0;
    LBitmapInitLayout(d);
    LBitmapAllocate(bitmap, d);
}

uint32_t Colour(int x, int y)
{
    return (uint32_t(0x30 + 40 * x) << 24) | uint32_t(x * 50) << 16 | uint32_t(y * 60) << 8 |
           uint32_t(200 - x * 20 - y);
}

void Paint(LBitmap& b)
{
    LPixelIterator it;
    it.SetupWrite(b, 0);
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            it.WriteColour(Colour(x, y));
            it.Advance();
        }
}

uint32_t ReadAt(const LBitmap& b, int x, int y)
{
    LPixelIterator it;
    it.Setup(b, x, y, 1, 1, 0);
    return it.Read();
}

class StopNow : public LLocalProcessContext
{
public:
    bool IsStopRequested() override { return true; }
};

TEST(LQtImageConvert, RoundTripsPerFormat)
{
    struct Case
    {
        int32_t format;
        bool hasImage;
        int tolerance; // Qt widens 5-bit fields by repeating bits, we by rounding
    } cases[] = {{0, true, 0},  {1, true, 0},  {4, true, 1},  {5, true, 0},  {6, true, 0},
                 {2, false, 0}, {3, false, 0}, {7, false, 0}, {11, false, 0}};
    for (const Case& c : cases) {
        LBitmap b;
        Allocate(b, c.format, 4, 3);
        Paint(b);
        const QImage image = LImageToQImage(b, false);
        ASSERT_EQ(c.hasImage, !image.isNull()) << c.format;
        if (!c.hasImage)
            continue;
        EXPECT_EQ(4, image.width());
        LBitmap back;
        LLocalProcessContext context;
        ASSERT_EQ(0, LBitmapFromQImage(context, back, image)) << c.format;
        EXPECT_EQ(LPixelFormatBGRA32, back.format);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                const uint32_t want = ReadAt(b, x, y), got = ReadAt(back, x, y);
                for (int shift = 0; shift < 32; shift += 8)
                    EXPECT_LE(std::abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF)), c.tolerance)
                        << "format " << c.format << " at " << x << "," << y << std::hex << " " << want << " "
                        << got;
            }
    }
}

TEST(LQtImageConvert, BottomUpExportShowsTheTopRowFirst)
{
    LBitmap b;
    Allocate(b, 0, 1, 2, true);
    LPixelIterator it;
    it.SetupWrite(b, 0);
    it.WriteColour(0xFFFF0000); // the picture's top row: red
    it.Advance();
    it.WriteColour(0xFF0000FF);
    const QImage image = LImageToQImage(b, false);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(0xFFFF0000u, image.pixel(0, 0));
    EXPECT_EQ(0xFF0000FFu, image.pixel(0, 1));
    // Without the orientation step the rows come in memory order.
    EXPECT_EQ(0xFF0000FFu, LBitmapCreateQImage(b, false).pixel(0, 0));
    // Opaque ignores the alpha bytes.
    LBitmap clear;
    Allocate(clear, 0, 1, 1);
    std::memset(clear.Plane(0), 0x40, 4);
    EXPECT_EQ(0xFF404040u, LImageToQImage(clear, true).pixel(0, 0));
    EXPECT_EQ(0x40404040u, LImageToQImage(clear, false).pixel(0, 0));
}

TEST(LQtImageConvert, ImportKeepsAMatchingTargetAndStopsBeforeTouchingIt)
{
    QImage image(5, 4, QImage::Format_RGBA8888);
    image.fill(QColor(10, 20, 30, 40));
    LBitmap target;
    Allocate(target, 0, 5, 4);
    LBitmapBuffer* buffer = target.buffer;
    LLocalProcessContext context;
    ASSERT_EQ(0, LBitmapFromQImage(context, target, image));
    EXPECT_EQ(buffer, target.buffer);
    EXPECT_EQ(0x280A141Eu, ReadAt(target, 4, 3));
    const uint8_t* bytes = target.Row(0);
    EXPECT_EQ(30, bytes[0]); // B, G, R, A in memory
    EXPECT_EQ(40, bytes[3]);
    QImage other(5, 4, QImage::Format_RGB32);
    other.fill(Qt::white);
    StopNow stop;
    EXPECT_EQ(1, LBitmapFromQImage(stop, target, other));
    EXPECT_EQ(0x280A141Eu, ReadAt(target, 0, 0));
    EXPECT_EQ(2, LBitmapFromQImage(context, target, QImage()));
}

TEST(LQtImageConvert, EveryDecoderLayoutArrivesAsStraightAlpha)
{
    struct Case
    {
        QImage::Format format;
        QColor colour;
        uint32_t expected;
    } cases[] = {
        {QImage::Format_Mono, Qt::white, 0xFFFFFFFF},
        {QImage::Format_Indexed8, QColor(1, 2, 3), 0xFF010203},
        {QImage::Format_Grayscale8, QColor(77, 77, 77), 0xFF4D4D4D},
        {QImage::Format_RGB888, QColor(9, 8, 7), 0xFF090807},
        {QImage::Format_ARGB32_Premultiplied, QColor(255, 0, 0, 128), 0x80FF0000},
        {QImage::Format_RGBA64, QColor(0, 0, 255, 255), 0xFF0000FF},
        {QImage::Format_RGBX64, QColor(1, 2, 3), 0xFF010203},
    };
    for (const Case& c : cases) {
        QImage image(2, 2, c.format);
        if (c.format == QImage::Format_Indexed8)
            image.setColorTable({c.colour.rgba()});
        if (c.format == QImage::Format_Mono)
            image.setColorTable({QColor(Qt::black).rgba(), QColor(Qt::white).rgba()});
        if (c.format == QImage::Format_Indexed8 || c.format == QImage::Format_Mono)
            image.fill(c.format == QImage::Format_Mono ? 1 : 0);
        else
            image.fill(c.colour);
        LBitmap target;
        LLocalProcessContext context;
        ASSERT_EQ(0, LBitmapFromQImage(context, target, image)) << c.format;
        EXPECT_EQ(c.expected, ReadAt(target, 1, 1)) << c.format;
    }
}

} // namespace
