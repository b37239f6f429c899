// Bitmaps: strides and sizes, storage reuse, the pixel readers and writers of
// every format, the eight orientations and channel scaling.

#include "gui/graphics/LBitmap.h"

#include "foundation/threads/LLocalProcessContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

// A context whose stop test fires after a number of questions.
class StopAfter : public LLocalProcessContext
{
public:
    explicit StopAfter(int n) : left_(n) {}
    bool IsStopRequested() override { return left_-- <= 0; }

private:
    int left_;
};

TEST(LBitmapLayout, StridesRoundRowBytesUpToFour)
{
    struct Case
    {
        int32_t format, width;
        uint64_t stride;
    } cases[] = {
        {1, 3, 12}, {0, 3, 12}, {2, 3, 8},  {11, 3, 4}, {11, 5, 8}, {10, 9, 8},      {10, 8, 4},
        {10, 1, 4}, {1, 1, 4},  {1, 4, 12}, {7, 3, 8},  {5, 1, 4},  {0, 1000, 4000}, {10, 17, 12},
    };
    for (const Case& c : cases) {
        LBitmap d;
        d.format = c.format;
        d.width = c.width;
        d.height = 2;
        LBitmapInitLayout(d);
        EXPECT_EQ(c.stride, d.stride) << "format " << c.format << " width " << c.width;
        EXPECT_EQ(c.stride * 2, LBitmapByteSize(d));
    }
    // Wide rows are computed in 64 bits.
    EXPECT_EQ(uint64_t(0x7FFFFFFF) * 4, LBitmapRowStride(0, 0x7FFFFFFF));
}

TEST(LBitmapLayout, PlanarFormatsGetHalfSizeChromaPlanes)
{
    LBitmap d;
    d.format = 8;
    d.width = 5;
    d.height = 3;
    LBitmapInitLayout(d);
    EXPECT_EQ(5u, d.stride);
    EXPECT_EQ(3u, d.stride1);
    EXPECT_EQ(3u, d.stride2);
    EXPECT_EQ(3u, d.chromaWidth[0]);
    EXPECT_EQ(2u, d.chromaHeight[1]);
    EXPECT_EQ(15u + 2 * 3 + 2 * 3, LBitmapByteSize(d));
    LBitmap planar;
    LBitmapAllocate(planar, d);
    ASSERT_TRUE(LBitmapIsValid(planar));
    EXPECT_EQ(planar.Plane(0) + 15, planar.Plane(1));
    EXPECT_EQ(planar.Plane(1) + 6, planar.Plane(2));
}

TEST(LBitmapAllocate, ReusesStorageBetweenHalfAndAllOfItsCapacity)
{
    LBitmap b;
    Allocate(b, 0, 100, 100);
    ASSERT_TRUE(LBitmapIsValid(b));
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(b.buffer->data) % 64);
    LBitmapBuffer* first = b.buffer;
    Allocate(b, 0, 100, 100);
    EXPECT_EQ(first, b.buffer);
    Allocate(b, 0, 100, 50); // exactly half
    EXPECT_EQ(first, b.buffer);
    Allocate(b, 0, 100, 49); // less than half
    EXPECT_NE(first, b.buffer);
    LBitmapBuffer* second = b.buffer;
    Allocate(b, 0, 100, 60); // more than the capacity
    EXPECT_NE(second, b.buffer);
    EXPECT_EQ(60, b.height);
}

TEST(LBitmapAllocate, RefusesPicturesOverThePixelCapBeforeAllocating)
{
    LBitmap b;
    Allocate(b, 11, 1 << 15, (1 << 13) + 1); // just over 2^28 pixels, under 4 GiB
    EXPECT_FALSE(LBitmapIsValid(b));
    EXPECT_EQ(nullptr, b.buffer);
    EXPECT_EQ(LPixelFormatNone, b.format);
    Allocate(b, 0, 70000, 70000); // over 4 GiB
    EXPECT_FALSE(LBitmapIsValid(b));
    Allocate(b, 0, 0, 5);
    EXPECT_FALSE(LBitmapIsValid(b));
}

TEST(LBitmapValidity, InvalidBitmapsMakeEveryOperationANoOp)
{
    LBitmap none;
    LPixelIterator it;
    it.Setup(none, 0);
    EXPECT_EQ(0u, it.count);
    EXPECT_EQ(0xFFFF00FFu, it.Read());
    LLocalProcessContext context;
    EXPECT_EQ(0, LBitmapFill(none, context, 0xFFFFFFFF));
    LBitmap planar;
    Allocate(planar, 9, 4, 4);
    ASSERT_TRUE(LBitmapIsValid(planar));
    planar.stride2 = 0;
    EXPECT_FALSE(LBitmapIsValid(planar));
}

TEST(LPixelIterator, FiveAndSixBitFieldsWidenByRounding)
{
    LBitmap b;
    Allocate(b, 4, 1, 1);
    struct Case
    {
        uint16_t v;
        uint8_t widened;
    } five[] = {{0, 0}, {3, 25}, {7, 58}, {16, 132}, {24, 197}, {28, 230}, {31, 255}};
    for (const Case& c : five) {
        const uint16_t word = uint16_t(c.v); // blue field
        std::memcpy(b.Row(0), &word, 2);
        LPixelIterator it;
        it.Setup(b, 0);
        EXPECT_EQ(c.widened, it.Read() & 0xFF) << c.v;
    }
    LBitmap b565;
    Allocate(b565, 2, 1, 1);
    for (uint16_t v = 0; v < 64; ++v) {
        const uint16_t word = uint16_t(v << 5);
        std::memcpy(b565.Row(0), &word, 2);
        LPixelIterator it;
        it.Setup(b565, 0);
        EXPECT_EQ(uint32_t((v * 255 + 31) / 63), (it.Read() >> 8) & 0xFF) << v;
    }
}

TEST(LPixelIterator, ReadersAndWritersOfEachFormat)
{
    struct Case
    {
        int32_t format;
        uint32_t written, readBack;
    } cases[] = {
        {0, 0x80112233, 0x80112233},  {6, 0x80112233, 0x80112233}, {1, 0x80112233, 0xFF112233},
        {5, 0x80112233, 0x80112233},  {2, 0xFFFFFFFF, 0xFFFFFFFF}, {2, 0x00000000, 0xFF000000},
        {3, 0x80FFFFFF, 0xFFFFFFFF},  {3, 0x7FFFFFFF, 0x00FFFFFF}, {4, 0x00FFFFFF, 0xFFFFFFFF},
        {11, 0x12345678, 0x00000078}, {7, 0x12345678, 0xFFFF00FF},
    };
    for (const Case& c : cases) {
        LBitmap b;
        Allocate(b, c.format, 2, 1);
        ASSERT_TRUE(LBitmapIsValid(b)) << c.format;
        LPixelIterator w;
        w.SetupWrite(b, 0);
        w.WriteColour(c.written);
        LPixelIterator r;
        r.Setup(b, 0);
        EXPECT_EQ(c.readBack, r.Read()) << "format " << c.format;
    }
    // Format 5 keeps R, G, B, A in memory.
    LBitmap rgba;
    Allocate(rgba, 5, 1, 1);
    LPixelIterator w;
    w.SetupWrite(rgba, 0);
    w.WriteColour(0x80112233);
    EXPECT_EQ(0x11, rgba.Row(0)[0]);
    EXPECT_EQ(0x33, rgba.Row(0)[2]);
}

// A 3 x 2 picture whose pixels are numbered 1..6 row by row, top row first;
// stored bottom row first.
TEST(LPixelIterator, EightOrientationsOnABottomUpBitmap)
{
    LBitmap b;
    Allocate(b, 0, 3, 2, true);
    ASSERT_TRUE(LBitmapIsValid(b));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint32_t v = uint32_t(1 + y * 3 + x);
            std::memcpy(b.Row(1 - y) + x * 4, &v, 4); // stored bottom row first
        }
    const std::vector<uint32_t> expected[8] = {
        {1, 2, 3, 4, 5, 6}, {3, 6, 2, 5, 1, 4}, {6, 5, 4, 3, 2, 1}, {4, 1, 5, 2, 6, 3},
        {1, 4, 2, 5, 3, 6}, {4, 5, 6, 1, 2, 3}, {6, 3, 5, 2, 4, 1}, {3, 2, 1, 6, 5, 4},
    };
    for (uint32_t o = 0; o < 8; ++o) {
        LPixelIterator it;
        it.Setup(b, o);
        std::vector<uint32_t> seen;
        while (!it.Done()) {
            seen.push_back(it.Read());
            it.Advance();
        }
        EXPECT_EQ(expected[o], seen) << "orientation " << o;
    }
    // A rectangle: the bottom-right 2 x 1 of the picture.
    LPixelIterator rect;
    rect.Setup(b, 1, 1, 2, 1, 0);
    ASSERT_EQ(2u, rect.count);
    EXPECT_EQ(5u, rect.Read());
    rect.Advance();
    EXPECT_EQ(6u, rect.Read());
}

TEST(LPixelIterator, RectanglesOutsideTheBitmapGiveAnEmptyIterator)
{
    LBitmap b;
    Allocate(b, 1, 4, 3);
    struct Case
    {
        int32_t x, y, w, h;
    } cases[] = {{1, 0, 4, 1}, {0, 0, 5, 1}, {-1, 0, 1, 1}, {0, 0, 0, 1}, {0, 2, 1, 2}, {0, 0, 1, 0}};
    for (const Case& c : cases) {
        LPixelIterator it;
        it.Setup(b, c.x, c.y, c.w, c.h, 0);
        EXPECT_EQ(0u, it.count);
    }
    LPixelIterator whole;
    whole.Setup(b, 0, 0, 4, 3, 0);
    EXPECT_EQ(12u, whole.count);
}

TEST(LPixelChannelTo8Bit, ScalesEveryMaskWidth)
{
    struct Case
    {
        uint32_t mask, value;
        uint8_t expected;
    } cases[] = {
        {0x7C00, 16u << 10, 132},      {0x00FF0000, 0x00AB0000, 0xAB}, {0xF000, 0xF000, 255},
        {0xF000, 0x1000, 17},          {0x8000, 0x8000, 255},          {0x8000, 0, 0},
        {0xFFFFFFFF, 0xFFFFFFFF, 255}, {0xFFFFFFFF, 0x80000000, 128},  {0x01FFFFFF, 0x01FFFFFF, 255},
        {0x01FFFFFF, 0x00FFFFFF, 127}, {0x00000505, 0x00000505, 255},  {0x00000505, 0x00000100, 68},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, LPixelChannelTo8Bit(LPixelChannelFromMask(c.mask), c.value))
            << std::hex << c.mask << " " << c.value;
}

TEST(LBitmapFill, FillsEveryRowAndStopsWhenAsked)
{
    LBitmap b;
    Allocate(b, 1, 5, 4, true);
    LLocalProcessContext context;
    EXPECT_EQ(0, LBitmapFill(b, context, 0xFF102030));
    LPixelIterator it;
    it.Setup(b, 0);
    while (!it.Done()) {
        EXPECT_EQ(0xFF102030u, it.Read());
        it.Advance();
    }
    StopAfter stop(1);
    EXPECT_EQ(1, LBitmapFill(b, stop, 0xFF000000));
}

TEST(LBitmapCopy, CopiesRowsAcrossDifferentStrides)
{
    LBitmap a, b;
    Allocate(a, 1, 3, 2);
    LBitmap d;
    LBitmapCopyGeometry(d, a);
    d.stride = 40;
    LBitmapAllocate(b, d);
    for (int i = 0; i < 24; ++i)
        a.Plane(0)[i] = uint8_t(i + 1);
    std::memset(b.Plane(0), 0xEE, 80);
    LBitmapCopy(b, a);
    EXPECT_EQ(0, std::memcmp(b.Row(0), a.Row(0), 9));
    EXPECT_EQ(0, std::memcmp(b.Row(1), a.Row(1), 9));
    EXPECT_EQ(0xEE, b.Row(0)[9]); // only the row's pixels, not the padding
    // Different sizes copy nothing.
    LBitmap c;
    Allocate(c, 1, 3, 3);
    std::memset(c.Plane(0), 0, LBitmapByteSize(c));
    LBitmapCopy(c, a);
    EXPECT_EQ(0, c.Row(0)[0]);
}

} // namespace
