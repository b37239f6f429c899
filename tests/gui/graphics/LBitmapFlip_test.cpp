// Flips: every mode for each pixel width, copies between bitmaps with
// different strides, in place, planar formats and refusals.

#include "gui/graphics/LBitmapFlip.h"

#include "foundation/threads/LLocalProcessContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Allocate(LBitmap& bitmap, int32_t format, int32_t w, int32_t h, uint64_t extraStride = 0)
{
    LBitmap d;
    d.format = format;
    d.width = w;
    d.height = h;
    LBitmapInitLayout(d);
    if (!LPixelFormatIsPlanar(format))
        d.stride += extraStride;
    LBitmapAllocate(bitmap, d);
    std::memset(bitmap.Plane(0), 0, LBitmapByteSize(bitmap));
}

// Pixel (x, y) holds a value that names it, in each format's own bytes.
void Number(LBitmap& b)
{
    const uint32_t bytes = LPixelFormatBytes(b.format);
    for (int32_t y = 0; y < b.height; ++y)
        for (int32_t x = 0; x < b.width; ++x)
            for (uint32_t i = 0; i < bytes; ++i)
                b.Row(y)[x * bytes + i] = uint8_t(16 * y + x + 64 * i);
}

std::vector<uint8_t> PixelAt(const LBitmap& b, int32_t x, int32_t y)
{
    const uint32_t bytes = LPixelFormatBytes(b.format);
    return std::vector<uint8_t>(b.Row(y) + x * bytes, b.Row(y) + (x + 1) * bytes);
}

class StopNow : public LLocalProcessContext
{
public:
    bool IsStopRequested() override { return true; }
};

TEST(LBitmapFlipCopy, EveryModeForEachPixelWidthCopyAndInPlace)
{
    for (int32_t format : {0, 1, 2, 3, 4, 5, 6}) {
        for (int mode = 0; mode <= 3; ++mode) {
            for (int32_t h : {1, 3, 4}) {
                const int32_t w = 5;
                LBitmap source, copy, inPlace;
                Allocate(source, format, w, h);
                Allocate(copy, format, w, h, 24); // a wider stride than the source's
                Allocate(inPlace, format, w, h);
                Number(source);
                Number(inPlace);
                LLocalProcessContext context;
                ASSERT_EQ(0, LBitmapFlipCopy(mode, context, copy, source));
                ASSERT_EQ(0, LBitmapFlipCopy(mode, context, inPlace, inPlace));
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x) {
                        const int32_t sx = (mode & 1) ? w - 1 - x : x;
                        const int32_t sy = (mode & 2) ? h - 1 - y : y;
                        EXPECT_EQ(PixelAt(source, sx, sy), PixelAt(copy, x, y))
                            << "format " << format << " mode " << mode << " at " << x << "," << y;
                        EXPECT_EQ(PixelAt(source, sx, sy), PixelAt(inPlace, x, y))
                            << "in place, format " << format << " mode " << mode;
                    }
                // Nothing written in the wider destination's padding.
                for (int32_t y = 0; y < h; ++y)
                    for (uint64_t i = uint64_t(w) * LPixelFormatBytes(format); i < copy.stride; ++i)
                        ASSERT_EQ(0, copy.Row(y)[i]);
            }
        }
    }
}

TEST(LBitmapFlipCopy, HalfTurnInPlaceKeepsTheCentre)
{
    LBitmap b;
    Allocate(b, 0, 3, 3);
    Number(b);
    const auto corner = PixelAt(b, 0, 0);
    const auto centre = PixelAt(b, 1, 1);
    LLocalProcessContext context;
    ASSERT_EQ(0, LBitmapFlipCopy(3, context, b, b));
    EXPECT_EQ(corner, PixelAt(b, 2, 2));
    EXPECT_EQ(centre, PixelAt(b, 1, 1));
}

TEST(LBitmapFlipCopy, ThreeBytePixelsKeepTheirByteOrder)
{
    LBitmap source, dest;
    Allocate(source, 1, 3, 1);
    Allocate(dest, 1, 3, 1);
    const uint8_t row[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::memcpy(source.Row(0), row, 9);
    LLocalProcessContext context;
    ASSERT_EQ(0, LBitmapFlipCopy(1, context, dest, source));
    const uint8_t expected[9] = {7, 8, 9, 4, 5, 6, 1, 2, 3};
    EXPECT_EQ(0, std::memcmp(expected, dest.Row(0), 9));
}

TEST(LBitmapFlipCopy, RefusesUnknownModesFormatsAndMismatchedDestinations)
{
    LLocalProcessContext context;
    for (int32_t format : {0, 1, 2, 3, 4, 5, 6}) {
        LBitmap b;
        Allocate(b, format, 2, 2);
        EXPECT_EQ(2, LBitmapFlipCopy(4, context, b, b)) << format;
        EXPECT_EQ(2, LBitmapFlipCopy(-1, context, b, b)) << format;
    }
    for (int32_t format : {7, 10, 11})
        for (int mode = 0; mode <= 3; ++mode) {
            LBitmap b;
            Allocate(b, format, 2, 2);
            EXPECT_EQ(2, LBitmapFlipCopy(mode, context, b, b)) << format;
        }
    LBitmap small, large;
    Allocate(small, 0, 2, 2);
    Allocate(large, 0, 3, 2);
    EXPECT_EQ(2, LBitmapFlipCopy(1, context, large, small));
    LBitmap other;
    Allocate(other, 1, 2, 2);
    EXPECT_EQ(2, LBitmapFlipCopy(1, context, other, small));
}

TEST(LBitmapFlipCopy, AStopRequestWritesNothing)
{
    LBitmap source, dest;
    Allocate(source, 0, 2, 2);
    Allocate(dest, 0, 2, 2);
    Number(source);
    StopNow stop;
    EXPECT_EQ(1, LBitmapFlipCopy(1, stop, dest, source));
    EXPECT_EQ(std::vector<uint8_t>(4, 0), PixelAt(dest, 0, 0));
}

TEST(LBitmapFlipCopy, PlanarPlanesMirrorIntoAnotherBitmapAndInPlace)
{
    const int32_t w = 5, h = 3;
    auto fill = [](LBitmap& b) {
        const uint64_t sizes[3][2] = {{uint64_t(b.width), uint64_t(b.height)}, {3, 2}, {3, 2}};
        const uint64_t strides[3] = {b.stride, b.stride1, b.stride2};
        for (int p = 0; p < 3; ++p)
            for (uint64_t y = 0; y < sizes[p][1]; ++y)
                for (uint64_t x = 0; x < sizes[p][0]; ++x)
                    b.Plane(p)[y * strides[p] + x] = uint8_t(100 * p + 10 * y + x);
    };
    for (int mode = 0; mode <= 4; ++mode) {
        LBitmap source, copy, inPlace;
        Allocate(source, 8, w, h);
        Allocate(copy, 8, w, h);
        Allocate(inPlace, 8, w, h);
        fill(source);
        fill(inPlace);
        LLocalProcessContext context;
        ASSERT_EQ(0, LBitmapFlipCopy(mode, context, copy, source)) << mode;
        ASSERT_EQ(0, LBitmapFlipCopy(mode, context, inPlace, inPlace)) << mode;
        const uint64_t pw[3] = {5, 3, 3}, ph[3] = {3, 2, 2};
        const uint64_t strides[3] = {source.stride, source.stride1, source.stride2};
        for (int p = 0; p < 3; ++p)
            for (uint64_t y = 0; y < ph[p]; ++y)
                for (uint64_t x = 0; x < pw[p]; ++x) {
                    uint64_t sx = x, sy = y;
                    if (mode == 1 || mode == 3)
                        sx = pw[p] - 1 - x;
                    if (mode == 2 || mode == 3)
                        sy = ph[p] - 1 - y;
                    const uint8_t want =
                        mode == 4 ? uint8_t(100 * p + 10 * y + x) : source.Plane(p)[sy * strides[p] + sx];
                    EXPECT_EQ(want, inPlace.Plane(p)[y * strides[p] + x])
                        << "mode " << mode << " plane " << p;
                    if (mode != 4) {
                        EXPECT_EQ(want, copy.Plane(p)[y * strides[p] + x])
                            << "mode " << mode << " plane " << p;
                    }
                }
    }
}

TEST(LBitmapFlipCopy, OneRowOrOneColumnStaysAsItIs)
{
    LLocalProcessContext context;
    LBitmap row, column;
    Allocate(row, 0, 4, 1);
    Allocate(column, 0, 1, 4);
    Number(row);
    Number(column);
    const auto first = PixelAt(row, 0, 0);
    ASSERT_EQ(0, LBitmapFlipCopy(2, context, row, row));
    EXPECT_EQ(first, PixelAt(row, 0, 0));
    const auto top = PixelAt(column, 0, 0);
    ASSERT_EQ(0, LBitmapFlipCopy(1, context, column, column));
    EXPECT_EQ(top, PixelAt(column, 0, 0));
}

} // namespace
