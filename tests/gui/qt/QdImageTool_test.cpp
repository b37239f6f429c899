// The qd-image tool: its exit codes, its info lines, and flips (copy and in
// place, through formats 0 to 5) against ImageMagick's -flop, -flip and
// -rotate 180.

#include "PictureTestSupport.h"

#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace quorin::test {
namespace {

class QdImageTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUORIN_REQUIRE_TOOL("convert");
        tool_ = Quote(BuildDir() + "/tools/qd-image/qd-image");
        ASSERT_TRUE(PathExists(BuildDir() + "/tools/qd-image/qd-image"));
        source_ = dir_.Path("source.png");
        ASSERT_EQ(0,
                  RunCommand("convert -size 23x13 gradient:'#ff2000'-'#0030ff' -fill '#20e040' "
                             "-draw 'rectangle 2,3 8,7' \\( -size 13x23 gradient:white-black -rotate 90 \\) "
                             "-compose copyopacity -composite " +
                             Quote(source_)));
    }

    int Run(const std::string& arguments, std::string* out = nullptr)
    {
        int status = 0;
        const std::string text =
            CaptureCommand(tool_ + " " + arguments + " 2>" + Quote(dir_.Path("err")), &status);
        if (out)
            *out = text;
        return status;
    }
    std::string Errors() { return ReadFileBytes(dir_.Path("err")); }

    TempDir dir_;
    std::string tool_;
    std::string source_;
};

TEST_F(QdImageTool, ExitCodesAndMessages)
{
    const std::string bmp = dir_.Path("a.bmp");
    ASSERT_EQ(0, RunCommand("convert " + Quote(source_) + " -alpha off bmp3:" + Quote(bmp)));
    EXPECT_EQ(0, Run("decode " + Quote(bmp) + " " + Quote(dir_.Path("a.ppm"))));
    const std::string ppm = ReadFileBytes(dir_.Path("a.ppm"));
    EXPECT_EQ(0u, ppm.find("P6\n23 13\n255\n"));
    Rgba mine, magick;
    ASSERT_TRUE(ParseNetpbm(ppm, mine));
    ASSERT_TRUE(MagickPixels(bmp, magick));
    EXPECT_EQ("", Difference(magick, mine));

    std::string damaged = ReadFileBytes(bmp);
    damaged[14] = 20;
    WriteFileBytes(dir_.Path("bad.bmp"), damaged);
    EXPECT_EQ(1, Run("decode " + Quote(dir_.Path("bad.bmp")) + " " + Quote(dir_.Path("b.ppm"))));
    EXPECT_EQ("qd-image: " + dir_.Path("bad.bmp") + ": header size 20\n", Errors());
    EXPECT_EQ(1, Run("info " + Quote(dir_.Path("bad.bmp"))));

    EXPECT_EQ(2, Run("decode " + Quote(bmp) + " " + Quote(dir_.Path("a.png"))));
    EXPECT_EQ(2, Run("decode " + Quote(dir_.Path("missing.bmp")) + " " + Quote(dir_.Path("m.ppm"))));
    EXPECT_EQ(2, Run("decode " + Quote(bmp) + " " + Quote(dir_.Path("a.ppm")) + " --flip 4"));
    EXPECT_EQ(2, Run("decode " + Quote(bmp) + " " + Quote(dir_.Path("a.ppm")) + " --via 7"));
    EXPECT_EQ(2, Run("decode " + Quote(bmp) + " " + Quote(dir_.Path("a.ppm")) + " --decoder gif"));
    EXPECT_EQ(2, Run("frobnicate"));
    // The platform decoder alone does not take a BMP.
    EXPECT_EQ(1, Run("decode " + Quote(bmp) + " " + Quote(dir_.Path("a.ppm")) + " --decoder platform"));
    EXPECT_EQ(1, Run("decode " + Quote(source_) + " " + Quote(dir_.Path("a.ppm")) + " --decoder bmp"));
}

TEST_F(QdImageTool, InfoLinesInTheirOrder)
{
    const std::string bmp = dir_.Path("v5.bmp");
    ASSERT_EQ(
        0, RunCommand("convert " + Quote(source_) + " -density 72 -units PixelsPerInch bmp:" + Quote(bmp)));
    std::string out;
    ASSERT_EQ(0, Run("info " + Quote(bmp), &out));
    EXPECT_EQ(
        "decoder=bmp\nwidth=23\nheight=13\nbits=32\nxres=2834\nyres=2834\nheader=124\ncompression=bitfields\n"
        "colours=0\ntopdown=0\nmasks=0x00ff0000 0x0000ff00 0x000000ff 0xff000000\n",
        out);
    ASSERT_EQ(0, Run("info " + Quote(source_), &out));
    EXPECT_EQ(0u, out.find("decoder=platform\nwidth=23\nheight=13\nbits=")) << out;
    EXPECT_EQ(std::string::npos, out.find("header="));
}

// A tiny RLE8 file that claims 16000 x 16000 pixels: info reads its headers
// and no more; decoding refuses it before allocating anything.
TEST_F(QdImageTool, AHugeClaimIsDescribedFromItsHeadersAndRefusedBeforeDecoding)
{
    std::string file = "BM";
    auto le = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<char>(v >> (8 * i)));
    };
    le(14 + 40 + 8 + 2, 4);
    le(0, 4);
    le(14 + 40 + 8, 4);
    le(40, 4);
    le(16000, 4);
    le(16000, 4);
    le(1, 2);
    le(8, 2);
    le(1, 4); // RLE8
    le(2, 4);
    le(2835, 4);
    le(2835, 4);
    le(2, 4);
    le(0, 4);
    le(0x000000, 4);
    le(0xFFFFFF, 4);
    file += std::string("\0\1", 2); // end of bitmap
    const std::string path = dir_.Path("claim.bmp");
    WriteFileBytes(path, file);
    std::string out;
    ASSERT_EQ(0, Run("info " + Quote(path), &out)) << Errors();
    EXPECT_EQ(0u, out.find("decoder=bmp\nwidth=16000\nheight=16000\nbits=8\n")) << out;
    EXPECT_NE(std::string::npos, out.find("compression=rle8")) << out;
    EXPECT_EQ(1, Run("decode " + Quote(path) + " " + Quote(dir_.Path("claim.ppm"))));
    EXPECT_NE(std::string::npos, Errors().find("16000 x 16000 pixels is more than the limit")) << Errors();
}

TEST_F(QdImageTool, FlipsEqualImageMagickForEachFormat)
{
    const std::string alpha = dir_.Path("alpha.bmp");
    const std::string opaque = dir_.Path("opaque.bmp");
    ASSERT_EQ(0, RunCommand("convert " + Quote(source_) + " bmp:" + Quote(alpha)));
    ASSERT_EQ(0, RunCommand("convert " + Quote(source_) + " -alpha off bmp3:" + Quote(opaque)));
    struct Case
    {
        const char* file;
        const char* via; // "" keeps the decoder's own format (0 for alpha, 1 opaque)
    } cases[] = {{"alpha", ""},        {"opaque", ""},       {"alpha", "--via 2"},
                 {"alpha", "--via 3"}, {"alpha", "--via 4"}, {"alpha", "--via 5"}};
    const char* operations[4] = {"", "-flop", "-flip", "-rotate 180"};
    // ImageMagick turns each file once per mode; we decode its result the
    // same way as the flipped original.
    for (const char* file : {"alpha", "opaque"})
        for (int mode = 1; mode <= 3; ++mode)
            ASSERT_EQ(0,
                      RunCommand("convert " + Quote(dir_.Path(std::string(file) + ".bmp")) + " " +
                                 operations[mode] + " " + (file == std::string("alpha") ? "bmp:" : "bmp3:") +
                                 Quote(dir_.Path(std::string(file) + std::to_string(mode) + ".bmp"))));
    for (const Case& c : cases) {
        const std::string in = dir_.Path(std::string(c.file) + ".bmp");
        for (int mode = 1; mode <= 3; ++mode) {
            const std::string turned = dir_.Path(std::string(c.file) + std::to_string(mode) + ".bmp");
            ASSERT_EQ(0, Run("decode " + Quote(turned) + " " + Quote(dir_.Path("want.pam")) + " " + c.via));
            Rgba want;
            ASSERT_TRUE(ParseNetpbm(ReadFileBytes(dir_.Path("want.pam")), want));
            for (const char* inPlace : {"", " --in-place"}) {
                ASSERT_EQ(0, Run("decode " + Quote(in) + " " + Quote(dir_.Path("got.pam")) + " " + c.via +
                                 " --flip " + std::to_string(mode) + inPlace))
                    << Errors();
                Rgba got;
                ASSERT_TRUE(ParseNetpbm(ReadFileBytes(dir_.Path("got.pam")), got));
                EXPECT_EQ("", Difference(want, got)) << c.file << " " << c.via << " mode " << mode << inPlace;
            }
        }
    }
}

} // namespace
} // namespace quorin::test
