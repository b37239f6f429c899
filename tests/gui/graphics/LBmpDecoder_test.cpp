// Our BMP decoder on small hand-made files: every header kind, pixel depth
// and compression, the run-length codes, refusals with their causes, reuse of
// the target, progress and stop requests, and the file and memory forms.

#include "gui/graphics/LBmpDecoder.h"

#include "foundation/files/LBufferedFile.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

struct Info
{
    uint32_t size = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t colours = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    uint32_t xres = 2835, yres = 3780;
};

Bytes InfoHeader(const Info& i)
{
    Bytes b;
    Put32(b, i.size);
    if (i.size == 12) {
        Put16(b, uint32_t(i.width));
        Put16(b, uint32_t(i.height));
        Put16(b, 1);
        Put16(b, i.bits);
        return b;
    }
    Put32(b, uint32_t(i.width));
    Put32(b, uint32_t(i.height));
    Put16(b, 1);
    Put16(b, i.bits);
    if (i.size == 16)
        return b;
    Put32(b, i.compression);
    Put32(b, 0);
    Put32(b, i.xres);
    Put32(b, i.yres);
    Put32(b, i.colours);
    Put32(b, 0);
    if (i.size >= 52 && i.size != 64)
        for (int m = 0; m < (i.size >= 56 ? 4 : 3); ++m)
            Put32(b, i.masks[m]);
    b.resize(i.size, 0);
    return b;
}

// A whole file: file header, information header, what follows it (masks,
// colour table) and the pixel data.
Bytes File(const Info& info, const Bytes& table, const Bytes& pixels, int32_t offsetDelta = 0)
{
    Bytes head = InfoHeader(info);
    head.insert(head.end(), table.begin(), table.end());
    Bytes b;
    Put16(b, 0x4D42);
    Put32(b, uint32_t(14 + head.size() + pixels.size()));
    Put32(b, 0);
    Put32(b, uint32_t(int32_t(14 + head.size()) + offsetDelta));
    b.insert(b.end(), head.begin(), head.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes Table(std::initializer_list<uint32_t> colours, int entrySize = 4)
{
    Bytes b;
    for (uint32_t c : colours) {
        b.push_back(uint8_t(c));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c >> 16));
        if (entrySize == 4)
            b.push_back(0);
    }
    return b;
}

struct Decoded
{
    int result = -1;
    std::string failure;
    std::vector<uint32_t> pixels; // top row first, 0xAARRGGBB
    uint32_t bits = 0;
};

Decoded Decode(const Bytes& file, LBitmap& bitmap, LProcessContext* context = nullptr)
{
    LLocalProcessContext local;
    LImageDecodeRequest request;
    request.memory = LImageMemorySource(file.data(), file.size());
    request.target = &bitmap;
    Decoded d;
    d.result = LDecodeBmpMemory(context ? *context : local, request);
    d.failure = request.failure;
    d.bits = request.bitsPerPixel;
    LPixelIterator it;
    it.Setup(bitmap, 0);
    while (!it.Done()) {
        d.pixels.push_back(it.Read());
        it.Advance();
    }
    return d;
}

Decoded Decode(const Bytes& file)
{
    LBitmap bitmap;
    return Decode(file, bitmap);
}

// Rows of 24-bit pixels, bottom row first, padded.
Bytes Rows24(const std::vector<std::vector<uint32_t>>& rowsTopFirst)
{
    Bytes b;
    for (auto r = rowsTopFirst.rbegin(); r != rowsTopFirst.rend(); ++r) {
        size_t n = 0;
        for (uint32_t c : *r) {
            b.push_back(uint8_t(c));
            b.push_back(uint8_t(c >> 8));
            b.push_back(uint8_t(c >> 16));
            n += 3;
        }
        while (n++ % 4)
            b.push_back(0);
    }
    return b;
}

class Recorder : public LLocalProcessContext
{
public:
    std::vector<std::pair<std::string, int>> messages;
    std::vector<double> progress;
    int stopAfter = -1;
    bool IsStopRequested() override
    {
        return stopAfter >= 0 && stopAfter-- == 0 ? (stopped = true) : stopped;
    }
    void MessageLevel(const char* text, int level) override { messages.emplace_back(text, level); }
    void Progress(double f) override { progress.push_back(f); }
    bool stopped = false;
};

constexpr uint32_t Red = 0xFFFF0000, Green = 0xFF00FF00, Blue = 0xFF0000FF, White = 0xFFFFFFFF;

TEST(LBmpDecode, BottomUpRowsComeOutTopRowFirst)
{
    Info info;
    info.width = 2;
    info.height = 2;
    const Bytes file = File(info, {}, Rows24({{Blue, White}, {Red, Green}}));
    const Decoded d = Decode(file);
    ASSERT_EQ(0, d.result) << d.failure;
    EXPECT_EQ((std::vector<uint32_t>{Blue, White, Red, Green}), d.pixels);
    EXPECT_EQ(24u, d.bits);
    info.height = -2;
    const Bytes topDown = File(info, {}, Rows24({{Red, Green}, {Blue, White}}));
    EXPECT_EQ((std::vector<uint32_t>{Blue, White, Red, Green}), Decode(topDown).pixels);
}

TEST(LBmpDecode, ThirtyTwoBitAlphaOnlyWhenAnyFourthByteIsSet)
{
    Info info;
    info.width = 2;
    info.bits = 32;
    Bytes zero = {1, 2, 3, 0, 4, 5, 6, 0};
    EXPECT_EQ((std::vector<uint32_t>{0xFF030201, 0xFF060504}), Decode(File(info, {}, zero)).pixels);
    Bytes some = {1, 2, 3, 0, 4, 5, 6, 9};
    EXPECT_EQ((std::vector<uint32_t>{0x00030201, 0x09060504}), Decode(File(info, {}, some)).pixels);
}

TEST(LBmpDecode, PaletteDepthsAndTheirPadding)
{
    // 1 bit, 9 pixels: 2 bytes of pixels and 2 of padding per row.
    Info info;
    info.width = 9;
    info.height = 2;
    info.bits = 1;
    const Bytes pixels = {0xAA, 0x80, 0xEE, 0xEE, 0x55, 0x00, 0x00, 0x00};
    const Decoded d = Decode(File(info, Table({0x000000, 0xFFFFFF}), pixels));
    ASSERT_EQ(0, d.result) << d.failure;
    const uint32_t K = 0xFF000000, Wh = White;
    EXPECT_EQ((std::vector<uint32_t>{K, Wh, K, Wh, K, Wh, K, Wh, K, Wh, K, Wh, K, Wh, K, Wh, K, Wh}),
              d.pixels);
    // 4 bits with a 12-byte header: three-byte table entries.
    Info os2;
    os2.size = 12;
    os2.width = 3;
    os2.bits = 4;
    Bytes table = Table({0x112233, 0x445566}, 3);
    table.resize(16 * 3, 0);
    const Decoded d4 = Decode(File(os2, table, {0x01, 0x00, 0, 0}));
    ASSERT_EQ(0, d4.result) << d4.failure;
    EXPECT_EQ((std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF112233}), d4.pixels);
}

TEST(LBmpDecode, ShortOs2HeaderReadsNoFieldsBeyondItsSixteenBytes)
{
    Info info;
    info.size = 16;
    info.width = 2;
    info.bits = 1;
    // The palette's first bytes would read as compression 0x00FF00FF if the
    // header were read as 40 bytes.
    const Decoded d = Decode(File(info, Table({0xFF00FF, 0x00FF00}), {0x40, 0, 0, 0}));
    ASSERT_EQ(0, d.result) << d.failure;
    EXPECT_EQ((std::vector<uint32_t>{0xFFFF00FF, 0xFF00FF00}), d.pixels);
}

TEST(LBmpDecode, SixteenBitsAndBitFields)
{
    Info info;
    info.bits = 16;
    EXPECT_EQ(White, Decode(File(info, {}, {0xFF, 0x7F, 0, 0})).pixels.at(0));
    // 5-6-5 masks after a 40-byte header.
    info.compression = 3;
    Bytes masks;
    Put32(masks, 0xF800);
    Put32(masks, 0x07E0);
    Put32(masks, 0x001F);
    EXPECT_EQ(Red, Decode(File(info, masks, {0x00, 0xF8, 0, 0})).pixels.at(0));
    // A 52-byte header carries its own masks: nothing follows it.
    Info v52 = info;
    v52.size = 52;
    v52.masks[0] = 0xF800;
    v52.masks[1] = 0x07E0;
    v52.masks[2] = 0x001F;
    EXPECT_EQ(0xFF00FF00, Decode(File(v52, {}, {0xE0, 0x07, 0, 0})).pixels.at(0));
    // A 108-byte header with alpha keeps the alpha (ARGB 4-4-4-4).
    Info v4 = info;
    v4.size = 108;
    v4.masks[0] = 0x0F00;
    v4.masks[1] = 0x00F0;
    v4.masks[2] = 0x000F;
    v4.masks[3] = 0xF000;
    EXPECT_EQ(0x110000FFu, Decode(File(v4, {}, {0x0F, 0x10, 0, 0})).pixels.at(0));
}

TEST(LBmpDecode, RunLengthCodes)
{
    Info info;
    info.width = 4;
    info.height = 2;
    info.bits = 8;
    info.compression = 1;
    info.colours = 3;
    const Bytes table = Table({0x000000, 0xFF0000, 0x0000FF});
    const uint32_t K = 0xFF000000;
    // Bottom row: run of 4 x 1; top row: absolute run of 3 (padded), then 1 x 2.
    const Bytes rle = {4, 1, 0, 0, 0, 3, 2, 1, 2, 0, 1, 2, 0, 0, 0, 1};
    Decoded d = Decode(File(info, table, rle));
    ASSERT_EQ(0, d.result) << d.failure;
    EXPECT_EQ((std::vector<uint32_t>{Blue, Red, Blue, Blue, Red, Red, Red, Red}), d.pixels);
    // End of bitmap early, and a delta: skipped pixels show entry 0.
    d = Decode(File(info, table, {2, 1, 0, 1}));
    ASSERT_EQ(0, d.result) << d.failure;
    EXPECT_EQ((std::vector<uint32_t>{K, K, K, K, Red, Red, K, K}), d.pixels);
    d = Decode(File(info, table, {1, 2, 0, 2, 2, 1, 1, 1, 0, 1}));
    ASSERT_EQ(0, d.result) << d.failure;
    EXPECT_EQ((std::vector<uint32_t>{K, K, K, Red, Blue, K, K, K}), d.pixels);
    // Runs that cover the row's padding (rows are stored in multiples of
    // four bytes) are cut at the width; a run past the padding is damage.
    Info five = info;
    five.width = 5;
    d = Decode(File(five, table, {8, 1, 0, 0, 8, 2, 0, 0, 0, 1}));
    ASSERT_EQ(0, d.result) << d.failure;
    EXPECT_EQ((std::vector<uint32_t>{Blue, Blue, Blue, Blue, Blue, Red, Red, Red, Red, Red}), d.pixels);
    d = Decode(File(five, table, {9, 1, 0, 0, 8, 2, 0, 0, 0, 1}));
    EXPECT_EQ(2, d.result);
    EXPECT_NE(d.failure.find("past the end of row 0 (width 5)"), std::string::npos) << d.failure;
    d = Decode(File(info, table, {4, 1, 0, 0, 2, 2, 0, 3, 1, 1, 1, 0, 0, 1}));
    EXPECT_EQ(2, d.result) << "an absolute run of 3 after 2 pixels in a row of 4";
    EXPECT_NE(d.failure.find("past the end of row 1"), std::string::npos) << d.failure;
    // RLE4: high nibble first; an absolute run of 3 (two bytes) has no padding.
    Info four = info;
    four.bits = 4;
    four.compression = 2;
    d = Decode(File(four, table, {0, 3, 0x12, 0x10, 1, 0x22, 0, 0, 4, 0x21, 0, 0, 0, 1}));
    ASSERT_EQ(0, d.result) << d.failure;
    EXPECT_EQ((std::vector<uint32_t>{Blue, Red, Blue, Red, Red, Blue, Red, Blue}), d.pixels);
    d = Decode(File(four, table, {9, 0x12, 0, 0, 4, 0x21, 0, 0, 0, 1}));
    EXPECT_EQ(2, d.result) << "an RLE4 run of 9 in a row of 4 stored in 8";
    EXPECT_NE(d.failure.find("past the end of row 0"), std::string::npos) << d.failure;
}

TEST(LBmpDecode, RefusalsNameTheirCause)
{
    Info base;
    base.width = 2;
    base.height = 2;
    base.bits = 8;
    base.colours = 2;
    const Bytes table = Table({0, 0xFFFFFF});
    const Bytes pixels(8, 0);
    struct Case
    {
        const char* name;
        Bytes file;
        const char* cause;
    };
    std::vector<Case> cases;
    auto with = [&](auto change, Bytes tbl, Bytes px, int32_t delta = 0) {
        Info i = base;
        change(i);
        return File(i, tbl, px, delta);
    };
    Bytes bad = File(base, table, pixels);
    bad[14] = 20; // header size
    cases.push_back({"header size", bad, "header size 20"});
    cases.push_back({"colours", with([](Info& i) { i.colours = 257; }, table, pixels), "colours used 257"});
    cases.push_back(
        {"index", with([](Info&) {}, table, {0, 2, 0, 0, 0, 0, 0, 0}), "palette index 2 >= 2 colours"});
    cases.push_back({"width", with([](Info& i) { i.width = 0; }, table, pixels), "width 0"});
    cases.push_back({"negative width", with([](Info& i) { i.width = -3; }, table, pixels), "width -3"});
    cases.push_back({"height", with([](Info& i) { i.height = 0; }, table, pixels), "height 0"});
    cases.push_back(
        {"height min", with([](Info& i) { i.height = INT_MIN; }, table, pixels), "height -2147483648"});
    cases.push_back({"bits", with([](Info& i) { i.bits = 7; }, table, pixels), "bit count 7"});
    cases.push_back(
        {"compression", with([](Info& i) { i.compression = 9; }, table, pixels), "compression 9"});
    cases.push_back({"rle8 bits", with([](Info& i) { i.compression = 1, i.bits = 4; }, table, pixels),
                     "RLE8 compression"});
    cases.push_back({"rle top-down", with([](Info& i) { i.compression = 1, i.height = -2; }, table, {0, 1}),
                     "top-down rows with run-length"});
    cases.push_back({"huffman",
                     with([](Info& i) { i.size = 64, i.compression = 3, i.bits = 1; }, table, pixels),
                     "OS/2 Huffman"});
    cases.push_back({"rle24",
                     with([](Info& i) { i.size = 64, i.compression = 4, i.bits = 24; }, table, pixels),
                     "OS/2 RLE24"});
    cases.push_back({"offset past end", with([](Info&) {}, table, pixels, 1000), "lies beyond the end"});
    cases.push_back({"offset in headers", with([](Info&) {}, table, pixels, -4), "lies inside the headers"});
    cases.push_back({"rows missing", with([](Info&) {}, table, Bytes(7, 0)), "pixel data needs 8 bytes, 7"});
    cases.push_back({"huge", with([](Info& i) { i.width = 8000, i.height = 8000; }, table, {0}),
                     "pixel data needs 64000000 bytes"});
    cases.push_back({"past 64 megapixels",
                     with([](Info& i) { i.width = 16000, i.height = 16000; }, table, {0}),
                     "16000 x 16000 pixels is more than the limit of 67108864"});
    cases.push_back({"over the cap", with([](Info& i) { i.width = 100000, i.height = 100000; }, table, {}),
                     "is more than the limit"});
    cases.push_back({"rle cut", with([](Info& i) { i.compression = 1; }, table, {2, 1, 0, 0, 2, 1}),
                     "run-length data ends in row 1"});
    cases.push_back({"rle no end", with([](Info& i) { i.compression = 1; }, table, {2, 1, 0, 0, 2, 1, 0, 0}),
                     "run-length data ends in row 2"});
    cases.push_back({"rle past last row",
                     with([](Info& i) { i.compression = 1; }, table, {2, 1, 0, 0, 2, 1, 0, 0, 2, 1, 0, 1}),
                     "past the last row"});
    Info bf = base;
    bf.bits = 16;
    bf.compression = 3;
    bf.size = 56;
    bf.masks[0] = 0xF800;
    bf.masks[1] = 0x0FE0;
    cases.push_back({"masks overlap", File(bf, {}, pixels), "overlap"});
    bf.masks[1] = 0x07E0;
    bf.masks[3] = 0x10000;
    cases.push_back({"mask too wide", File(bf, {}, pixels), "wider than 16 bits"});
    Bytes notBmp = File(base, table, pixels);
    notBmp[0] = 'X';
    cases.push_back({"type", notBmp, "not a BMP file"});
    for (const Case& c : cases) {
        LBitmap bitmap;
        const Decoded d = Decode(c.file, bitmap);
        EXPECT_EQ(2, d.result) << c.name;
        EXPECT_NE(std::string::npos, d.failure.find(c.cause)) << c.name << ": " << d.failure;
        EXPECT_FALSE(LBitmapIsValid(bitmap)) << c.name;
    }
}

TEST(LBmpDecode, AFailureLeavesNoPixelOfTheEarlierPicture)
{
    Info info;
    info.width = 4;
    info.height = 4;
    const Bytes good = File(info, {}, Rows24(std::vector<std::vector<uint32_t>>(4, {Red, Red, Red, Red})));
    LBitmap bitmap;
    ASSERT_EQ(0, Decode(good, bitmap).result);
    LBitmapBuffer* buffer = bitmap.buffer;
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const Bytes damaged(good.begin(), good.begin() + long(cut));
        const Decoded d = Decode(damaged, bitmap);
        EXPECT_EQ(2, d.result) << cut;
        EXPECT_FALSE(d.failure.empty()) << cut;
        EXPECT_FALSE(LBitmapIsValid(bitmap));
        if (bitmap.buffer) {
            for (uint64_t i = 0; i < bitmap.buffer->capacity; ++i)
                ASSERT_EQ(0, bitmap.buffer->data[i]) << "stale byte after a cut at " << cut;
        }
        ASSERT_EQ(0, Decode(good, bitmap).result);
    }
    EXPECT_EQ(buffer, bitmap.buffer); // the storage was reused all along
}

TEST(LBmpDecode, ShortReadFromAPipeFailsNamingTheRow)
{
    Info info;
    info.width = 2;
    info.height = 3;
    Bytes file = File(info, {}, Rows24({{Red, Red}, {Green, Green}, {Blue, Blue}}));
    file.resize(file.size() - 4); // the last stored row, the picture's top, is cut
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    std::thread writer([&] {
        EXPECT_EQ(ssize_t(file.size()), write(fds[1], file.data(), file.size()));
        close(fds[1]);
    });
    LBufferedFile reader(fds[0]);
    LBitmap bitmap;
    LImageDecodeRequest request;
    request.file = &reader;
    request.target = &bitmap;
    LLocalProcessContext context;
    EXPECT_EQ(2, LDecodeBmpFile(context, request));
    writer.join();
    EXPECT_STREQ("pixel data ends in row 2", request.failure);
    EXPECT_FALSE(LBitmapIsValid(bitmap));
}

TEST(LBmpDecode, FileAndMemoryFormsAgree)
{
    Info info;
    info.width = 3;
    info.height = 2;
    const Bytes file = File(info, {}, Rows24({{Red, Green, Blue}, {White, Red, Green}}));
    char path[] = "/tmp/quorin-bmp-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ssize_t(file.size()), write(fd, file.data(), file.size()));
    lseek(fd, 0, SEEK_SET);
    LBufferedFile reader(fd);
    LBitmap fromFile;
    LImageDecodeRequest request;
    request.file = &reader;
    request.target = &fromFile;
    LLocalProcessContext context;
    ASSERT_EQ(0, LDecodeBmpFile(context, request)) << request.failure;
    unlink(path);
    LBitmap fromMemory;
    const Decoded d = Decode(file, fromMemory);
    ASSERT_EQ(0, d.result);
    EXPECT_EQ(0, std::memcmp(fromFile.Plane(0), fromMemory.Plane(0), LBitmapByteSize(fromMemory)));
    EXPECT_EQ(2835u, fromFile.resolutionX);
    EXPECT_EQ(3780u, fromFile.resolutionY);
}

TEST(LBmpDecode, StatusProgressAndStop)
{
    Info info;
    info.width = 2;
    info.height = 200;
    const Bytes file = File(info, {}, Bytes(200 * 8, 0x40));
    Recorder recorder;
    LBitmap bitmap;
    ASSERT_EQ(0, Decode(file, bitmap, &recorder).result);
    ASSERT_EQ(2u, recorder.messages.size());
    EXPECT_EQ(std::make_pair(std::string("Decoding BMP image"), 0), recorder.messages[0]);
    EXPECT_EQ(std::make_pair(std::string("Decoding DIB image"), 1), recorder.messages[1]);
    ASSERT_GE(recorder.progress.size(), 50u);
    EXPECT_DOUBLE_EQ(1.0, recorder.progress.back());
    for (size_t i = 1; i + 1 < recorder.progress.size(); ++i)
        EXPECT_GE(recorder.progress[i] - recorder.progress[i - 1], 0.0099);

    Recorder stopNow;
    stopNow.stopAfter = 0;
    LBitmap untouched;
    EXPECT_EQ(1, Decode(file, untouched, &stopNow).result);
    Recorder stopLater;
    stopLater.stopAfter = 3;
    EXPECT_EQ(1, Decode(file, untouched, &stopLater).result);
    EXPECT_FALSE(LBitmapIsValid(untouched));
}

TEST(LBmpReadInfoHeader, EachHeaderSizeEndsWhereItSays)
{
    for (uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        Info info;
        info.size = size;
        info.width = 5;
        info.height = -7;
        info.bits = 8;
        info.masks[0] = 0xF00;
        Bytes header = InfoHeader(info);
        header.push_back(0xAB);
        LImageDecodeRequest request;
        request.memory = LImageMemorySource(header.data(), header.size());
        LBmpInfoHeader out;
        ASSERT_EQ(0, LBmpReadInfoHeader(request, out)) << size << request.failure;
        EXPECT_EQ(size, request.memory.Position());
        EXPECT_EQ(5, out.width);
        EXPECT_EQ(256u, out.coloursUsed);
        EXPECT_EQ(size >= 52 && size != 64 ? 0xF00u : 0u, out.masks[0]) << size;
        if (size != 12) {
            EXPECT_EQ(-7, out.height);
        }
    }
    Bytes shortHeader = InfoHeader(Info());
    shortHeader.resize(30);
    LImageDecodeRequest request;
    request.memory = LImageMemorySource(shortHeader.data(), shortHeader.size());
    LBmpInfoHeader out;
    EXPECT_EQ(2, LBmpReadInfoHeader(request, out));
}

} // namespace
