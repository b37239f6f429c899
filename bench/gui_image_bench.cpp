// Decoding a large BMP with our own decoder against Qt's BMP reader, in the
// same iterations: a 4000 x 3000 picture of 24-bit rows and one in RLE8.
// "ratio" is our time divided by Qt's: below 1 means faster.

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBitmap.h"
#include "gui/graphics/LBmpDecoder.h"

#include "BenchSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::vector<uint8_t> Headers(int bits, uint32_t compression, uint32_t colours, uint32_t pixelBytes)
{
    std::vector<uint8_t> out;
    const uint32_t offset = 14 + 40 + colours * 4;
    Put16(out, 0x4D42);
    Put32(out, offset + pixelBytes);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, kWidth);
    Put32(out, kHeight);
    Put16(out, 1);
    Put16(out, uint16_t(bits));
    Put32(out, compression);
    Put32(out, pixelBytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, 0);
    for (uint32_t i = 0; i < colours; ++i)
        Put32(out, (i * 0x010203u) & 0xFFFFFF);
    return out;
}

std::vector<uint8_t> Bmp24()
{
    const uint32_t rowBytes = (kWidth * 3 + 3) & ~3u;
    std::vector<uint8_t> out = Headers(24, 0, 0, rowBytes * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < rowBytes; ++x)
            out.push_back(uint8_t(x * 7 + y * 3));
    return out;
}

std::vector<uint8_t> Bmp8Rle()
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < kHeight; ++y) {
        // Runs of varied length, then an absolute stretch, as photos of
        // cover art posterised to 256 colours tend to give.
        int x = 0;
        while (x < kWidth) {
            const int run = std::min(kWidth - x, 3 + (x + y) % 60);
            if ((x / 97) % 3 == 2 && run >= 3) {
                pixels.push_back(0);
                pixels.push_back(uint8_t(run));
                for (int i = 0; i < run; ++i)
                    pixels.push_back(uint8_t(x + i + y));
                if (run & 1)
                    pixels.push_back(0);
            } else {
                pixels.push_back(uint8_t(run));
                pixels.push_back(uint8_t(y + x / 13));
            }
            x += run;
        }
        pixels.push_back(0);
        pixels.push_back(0);
    }
    pixels.push_back(0);
    pixels.push_back(1);
    std::vector<uint8_t> out = Headers(8, 1, 256, uint32_t(pixels.size()));
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

void Compare(benchmark::State& state, const std::vector<uint8_t>& file)
{
    LLocalProcessContext context;
    LBitmap bitmap;
    QByteArray bytes(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
    auto ours = [&] {
        LImageDecodeRequest request;
        request.memory = LImageMemorySource(file.data(), file.size());
        request.target = &bitmap;
        const bool ok = LDecodeBmpMemory(context, request) == 0;
        benchmark::DoNotOptimize(bitmap.buffer);
        return ok;
    };
    auto reference = [&] {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "bmp");
        reader.setAllocationLimit(0);
        QImage image;
        const bool ok = reader.read(&image);
        benchmark::DoNotOptimize(image.constBits());
        return ok;
    };
    // One untimed round each: both sides then work in memory that is
    // already mapped, as they do when pictures are decoded one after another.
    ours();
    reference();
    bench::CompareWithReference(state, ours, reference, {"qt"});
}

void BM_Bmp24_vs_QImageReader(benchmark::State& state)
{
    static const std::vector<uint8_t> file = Bmp24();
    Compare(state, file);
}

void BM_BmpRle8_vs_QImageReader(benchmark::State& state)
{
    static const std::vector<uint8_t> file = Bmp8Rle();
    Compare(state, file);
}

} // namespace

BENCHMARK(BM_Bmp24_vs_QImageReader)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpRle8_vs_QImageReader)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
