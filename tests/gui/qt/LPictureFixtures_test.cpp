// Pictures written by ImageMagick and by our variant writer decode to the
// pixels ImageMagick itself sees; PNG and JPEG through Qt likewise; damaged
// files are refused with a cause and leave nothing behind.

#include "PictureTestSupport.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBmpDecoder.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace quorin::test {
namespace {

class PictureFixtures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUORIN_REQUIRE_TOOL("convert");
        // Gradients, a hard-edged square and an alpha ramp from left to right.
        source_ = dir_.Path("source.png");
        ASSERT_EQ(0,
                  RunCommand("convert -size 29x17 gradient:'#ff2000'-'#0030ff' -fill '#20e040' "
                             "-draw 'rectangle 4,3 10,9' \\( -size 17x29 gradient:white-black -rotate 90 \\) "
                             "-compose copyopacity -composite " +
                             Quote(source_)));
    }

    // Writes the source through convert with these options into name.
    std::string Make(const std::string& name, const std::string& options, const std::string& coder)
    {
        const std::string path = dir_.Path(name);
        EXPECT_EQ(0,
                  RunCommand("convert " + Quote(source_) + " " + options + " " + coder + ":" + Quote(path)))
            << name;
        return path;
    }

    TempDir dir_;
    std::string source_;
};

struct Variant
{
    const char* name;
    const char* coder;
    const char* options;
    int bits[4]; // bit-field widths ImageMagick shifts (0: exact)
    const char* compression;
};

TEST_F(PictureFixtures, ImageMagickBitmapsDecodeToItsOwnPixels)
{
    const Variant variants[] = {
        {"bmp2-1.bmp", "bmp2", "-monochrome", {}, "none"},
        {"bmp2-4.bmp", "bmp2", "-colors 16 -type palette -depth 4", {}, "none"},
        {"bmp2-8.bmp", "bmp2", "-colors 200 -type palette", {}, "none"},
        {"bmp2-24.bmp", "bmp2", "-type truecolor", {}, "none"},
        {"bmp3-1.bmp", "bmp3", "-monochrome", {}, "none"},
        {"bmp3-4.bmp", "bmp3", "-colors 16 -type palette -depth 4", {}, "none"},
        {"bmp3-8.bmp", "bmp3", "-colors 200 -type palette -compress none", {}, "none"},
        {"bmp3-8-rle.bmp", "bmp3", "-colors 200 -type palette -compress RLE", {}, "rle8"},
        {"bmp3-24.bmp", "bmp3", "-type truecolor -alpha off", {}, "none"},
        {"bmp-1.bmp", "bmp", "-monochrome", {}, "none"},
        {"bmp-4.bmp", "bmp", "-colors 16 -type palette -depth 4", {}, "none"},
        {"bmp-8-rle.bmp", "bmp", "-colors 200 -type palette -compress RLE", {}, "rle8"},
        {"bmp-24.bmp", "bmp", "-type truecolor -alpha off", {}, "none"},
        {"bmp-32-alpha.bmp", "bmp", "", {}, "bitfields"},
        {"bmp4-32-alpha.bmp", "bmp", "-define bmp:format=bmp4", {}, "bitfields"},
        {"rgb555.bmp", "bmp", "-alpha off -define bmp:subtype=RGB555", {5, 5, 5, 0}, "bitfields"},
        {"rgb565.bmp", "bmp", "-alpha off -define bmp:subtype=RGB565", {5, 6, 5, 0}, "bitfields"},
        {"argb1555.bmp", "bmp", "-define bmp:subtype=ARGB1555", {5, 5, 5, 1}, "bitfields"},
        {"argb4444.bmp", "bmp", "-define bmp:subtype=ARGB4444", {4, 4, 4, 4}, "bitfields"},
    };
    for (const Variant& v : variants) {
        const std::string path = Make(v.name, v.options, v.coder);
        Rgba expected;
        ASSERT_TRUE(MagickPixels(path, expected)) << v.name;
        ScaleMagickFields(expected, v.bits);
        const LoadedPicture ours = LoadPicture(path);
        ASSERT_EQ(0, ours.result) << v.name << ": " << ours.failure;
        EXPECT_EQ(LPictureDecoder::Bmp, ours.decoder) << v.name;
        EXPECT_EQ("", Difference(expected, ours.pixels)) << v.name;
        // The file really is the kind the case is about.
        const std::string info =
            CaptureCommand(Quote(BuildDir() + "/tools/qd-image/qd-image") + " info " + Quote(path));
        EXPECT_NE(std::string::npos, info.find(std::string("compression=") + v.compression)) << v.name << "\n"
                                                                                             << info;
    }
}

TEST_F(PictureFixtures, VariantsOfOurWriterMatchImageMagickOrTheirMeaning)
{
    const std::string folder = dir_.Path("variants");
    int status = 0;
    const std::string names = CaptureCommand(
        "python3 " + Quote(SourceDir() + "/tests/gui/qt/write_bmp_variants.py") + " " + Quote(folder),
        &status);
    ASSERT_EQ(0, status);
    std::istringstream list(names);
    std::string name;
    int count = 0;
    while (list >> name) {
        ++count;
        const std::string path = folder + "/" + name + ".bmp";
        const LoadedPicture ours = LoadPicture(path);
        ASSERT_EQ(0, ours.result) << name << ": " << ours.failure;
        Rgba meant;
        ASSERT_TRUE(ParseNetpbm(ReadFileBytes(folder + "/" + name + ".meant.pam"), meant)) << name;
        EXPECT_EQ("", Difference(meant, ours.pixels)) << name << " against the pixels it was written with";
        Rgba magick;
        if (MagickPixels(path, magick)) {
            if (name == "v52_565") {
                const int bits[4] = {5, 6, 5, 0};
                ScaleMagickFields(magick, bits);
                // ImageMagick takes an alpha mask from beyond the 52 bytes
                // of this header, which hold none: its alpha is not the
                // file's.
                for (size_t i = 3; i < magick.pixels.size(); i += 4)
                    magick.pixels[i] = 255;
            }
            EXPECT_EQ("", Difference(magick, ours.pixels)) << name << " against ImageMagick";
        }
    }
    EXPECT_GE(count, 7);
}

TEST_F(PictureFixtures, PngThroughQtEqualsImageMagick)
{
    const Variant variants[] = {
        {"grey.png", "png", "-colorspace Gray -alpha off -depth 8", {}, ""},
        {"palette.png", "png8", "", {}, ""},
        {"rgb.png", "png24", "-alpha off", {}, ""},
        {"rgba.png", "png32", "", {}, ""},
        {"rgba16.png", "png64", "-depth 16", {}, ""},
        {"rgb16.png", "png48", "-alpha off -depth 16", {}, ""},
    };
    for (const Variant& v : variants) {
        const std::string path = Make(v.name, v.options, v.coder);
        Rgba expected;
        // 16-bit samples are compared rounded to 8 bits (ImageMagick's own
        // narrowing truncates some of them).
        ASSERT_TRUE(MagickPixels(path, expected, "", 16)) << v.name;
        const LoadedPicture ours = LoadPicture(path);
        ASSERT_EQ(0, ours.result) << v.name << ": " << ours.failure;
        EXPECT_EQ(LPictureDecoder::Platform, ours.decoder) << v.name;
        EXPECT_EQ("", Difference(expected, ours.pixels)) << v.name;
    }
}

TEST_F(PictureFixtures, JpegWithinOneAndCmykJpegWithinAStatedTolerance)
{
    const std::string rgb = Make("photo.jpg", "-alpha off -quality 92", "jpg");
    Rgba expected;
    ASSERT_TRUE(MagickPixels(rgb, expected));
    LoadedPicture ours = LoadPicture(rgb);
    ASSERT_EQ(0, ours.result) << ours.failure;
    EXPECT_EQ("", Difference(expected, ours.pixels, 1));

    // Neither side colour-manages a CMYK picture without a profile; the
    // two conversions to RGB round differently by a few levels.
    const std::string cmyk = Make("cmyk.jpg", "-alpha off -colorspace CMYK -quality 92", "jpg");
    ASSERT_TRUE(MagickPixels(cmyk, expected, "-colorspace sRGB"));
    ours = LoadPicture(cmyk);
    ASSERT_EQ(0, ours.result) << ours.failure;
    EXPECT_EQ("", Difference(expected, ours.pixels, 4));
}

TEST_F(PictureFixtures, DamagedFilesAreRefusedWithACauseAndLeaveNoPixels)
{
    const Variant variants[] = {
        {"cut-24.bmp", "bmp3", "-type truecolor -alpha off", {}, ""},
        {"cut-rle.bmp", "bmp3", "-colors 200 -type palette -compress RLE", {}, ""},
        {"cut-8.bmp", "bmp2", "-colors 200 -type palette", {}, ""},
        {"cut-32.bmp", "bmp", "", {}, ""},
        {"cut-4444.bmp", "bmp", "-define bmp:subtype=ARGB4444", {}, ""},
    };
    for (const Variant& v : variants) {
        const std::string whole = ReadFileBytes(Make(v.name, v.options, v.coder));
        ASSERT_FALSE(whole.empty());
        LBitmap bitmap;
        LLocalProcessContext context;
        for (size_t cut = 0; cut < whole.size(); cut += (cut < 200 ? 1 : 7)) {
            // A good decode first, so that a failure could leave its pixels.
            LImageDecodeRequest good;
            good.memory = LImageMemorySource(whole.data(), whole.size());
            good.target = &bitmap;
            ASSERT_EQ(0, LDecodeBmpMemory(context, good)) << good.failure;
            LImageDecodeRequest damaged;
            damaged.memory = LImageMemorySource(whole.data(), cut);
            damaged.target = &bitmap;
            ASSERT_EQ(2, LDecodeBmpMemory(context, damaged)) << v.name << " cut at " << cut;
            EXPECT_NE('\0', damaged.failure[0]) << v.name << " cut at " << cut;
            EXPECT_FALSE(LBitmapIsValid(bitmap));
            ASSERT_NE(nullptr, bitmap.buffer);
            for (uint64_t i = 0; i < bitmap.buffer->capacity; ++i)
                ASSERT_EQ(0, bitmap.buffer->data[i]) << v.name << " cut at " << cut;
        }
    }
    // A 54-byte file claiming a huge picture allocates nothing.
    std::string huge = ReadFileBytes(Make("huge.bmp", "-type truecolor -alpha off", "bmp3")).substr(0, 54);
    for (const uint32_t side : {30000u, 16000u, 0x7FFFFFFFu}) {
        std::memcpy(&huge[18], &side, 4);
        std::memcpy(&huge[22], &side, 4);
        WriteFileBytes(dir_.Path("huge.bmp"), huge);
        LBitmap bitmap;
        const LoadedPicture ours = LoadPicture(dir_.Path("huge.bmp"), bitmap);
        EXPECT_EQ(2, ours.result);
        EXPECT_FALSE(ours.failure.empty());
        EXPECT_EQ(nullptr, bitmap.buffer) << side;
    }
}

TEST_F(PictureFixtures, ArtworkInMemoryDecodesByContent)
{
    struct Case
    {
        const char* name;
        const char* coder;
        int result;
        int tolerance;
    } cases[] = {{"art.png", "png32", 0, 0},
                 {"art.jpg", "jpg", 0, 1},
                 {"art.gif", "gif", 0, 0},
                 {"art.bmp", "bmp", 2, 0}};
    for (const Case& c : cases) {
        const std::string path = Make(c.name, "-alpha off", c.coder);
        const std::string bytes = ReadFileBytes(path);
        LBitmap bitmap;
        LLocalProcessContext context;
        LImageDecodeRequest request;
        request.memory = LImageMemorySource(bytes.data(), bytes.size());
        request.target = &bitmap;
        ASSERT_EQ(c.result, LImageDecodeFromMemory(context, request)) << c.name << ": " << request.failure;
        if (c.result != 0) {
            // A bitmap file is left to our own decoder.
            EXPECT_STREQ("not a JPEG, PNG or GIF picture", request.failure);
            LImageDecodeRequest bmp;
            bmp.memory = LImageMemorySource(bytes.data(), bytes.size());
            bmp.target = &bitmap;
            ASSERT_EQ(0, LDecodeBmpMemory(context, bmp)) << bmp.failure;
        }
        Rgba expected;
        ASSERT_TRUE(MagickPixels(path, expected)) << c.name;
        EXPECT_EQ("", Difference(expected, BitmapPixels(bitmap), c.tolerance)) << c.name;
    }
}

TEST_F(PictureFixtures, LoadSequenceGoesByContentNotByName)
{
    const std::string png = Make("really-a-png.bmp", "", "png32");
    LoadedPicture ours = LoadPicture(png);
    ASSERT_EQ(0, ours.result) << ours.failure;
    EXPECT_EQ(LPictureDecoder::Platform, ours.decoder);
    const std::string bmp = Make("really-a-bmp.jpg", "-alpha off", "bmp3");
    ours = LoadPicture(bmp);
    ASSERT_EQ(0, ours.result) << ours.failure;
    EXPECT_EQ(LPictureDecoder::Bmp, ours.decoder);
    WriteFileBytes(dir_.Path("notes.txt"), "not a picture at all\n");
    ours = LoadPicture(dir_.Path("notes.txt"));
    EXPECT_EQ(2, ours.result);
    EXPECT_EQ("not a BMP file", ours.failure);
    // A PNG cut short keeps Qt's reason rather than "not a BMP file".
    const std::string whole = ReadFileBytes(png);
    WriteFileBytes(dir_.Path("cut.png"), whole.substr(0, whole.size() / 2));
    ours = LoadPicture(dir_.Path("cut.png"));
    EXPECT_EQ(2, ours.result);
    EXPECT_EQ(0u, ours.failure.find("png: ")) << ours.failure;
    ours = LoadPicture(dir_.Path("missing.png"));
    EXPECT_EQ(2, ours.result);
    EXPECT_FALSE(ours.failure.empty());
}

} // namespace
} // namespace quorin::test
