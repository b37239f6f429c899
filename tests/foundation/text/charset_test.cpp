// Latin-1, code pages, iconv and platform strings.

#include "foundation/text/LCharsetConvert.h"
#include "foundation/text/LPlatformString.h"
#include "foundation/text/LStringLong.h"
#include "foundation/text/LUtf8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iconv.h>
#include <string>
#include <vector>

namespace {

std::string IconvWhole(const std::string& bytes, const char* to, const char* from, bool* ok)
{
    iconv_t cd = iconv_open(to, from);
    std::vector<char> out(bytes.size() * 4 + 8);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    *ok = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return std::string(out.data(), out.size() - outLeft);
}

TEST(Latin1, FromUtf8)
{
    char buf[32];
    EXPECT_EQ(LUtf8ToLatin1(buf, "caf\xC3\xA9 \xC3\xBF", sizeof buf), 6u);
    EXPECT_STREQ(buf, "caf\xE9 \xFF");
    // Not representable: empty.
    EXPECT_EQ(LUtf8ToLatin1(buf, "price \xE2\x82\xAC", sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    // Bounded by the buffer.
    EXPECT_EQ(LUtf8ToLatin1(buf, "\xC3\xA9\xC3\xA9\xC3\xA9", 3), 2u);
    EXPECT_STREQ(buf, "\xE9\xE9");
    // Ill-formed input converts up to the bad byte.
    EXPECT_EQ(LUtf8ToLatin1(buf,
                            "ab\xFF"
                            "cd",
                            sizeof buf),
              2u);
    EXPECT_STREQ(buf, "ab");
}

TEST(WindowsLatin1, EveryDefinedByteAgreesWithIconv)
{
    for (int b = 1; b < 256; ++b) {
        char in[2] = {static_cast<char>(b), 0};
        char ours[8];
        LWindowsLatin1ToUtf8(ours, in, sizeof ours);
        bool ok = false;
        std::string theirs = IconvWhole(std::string(1, static_cast<char>(b)), "UTF-8", "CP1252", &ok);
        if (ok)
            EXPECT_EQ(std::string(ours), theirs) << "byte " << b;
        else // undefined in the code page: the C1 control of that value
            EXPECT_EQ(std::string(ours), std::string("\xC2") + static_cast<char>(b)) << "byte " << b;
    }
}

TEST(WindowsLatin1, BoundedByTheCallersBuffer)
{
    // Each 0x80 is the euro sign, three bytes of UTF-8.
    char buf[8];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(LWindowsLatin1ToUtf8(buf, "\x80\x80\x80\x80", 7), 6u);
    EXPECT_STREQ(buf, "\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(buf[7], 'Z');
    EXPECT_EQ(LWindowsLatin1ToUtf8(buf, "a\x80", 4), 1u);
    EXPECT_STREQ(buf, "a");
}

TEST(CodePage, ConvertsThroughIconv)
{
    struct Case
    {
        unsigned codePage;
        std::string src;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {1252, "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},
        {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {10000, "\x8A\xA5", "\xC3\xA4\xE2\x80\xA2"},
        {932, "\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
        {65001, "already \xC3\xA9", "already \xC3\xA9"},
        {437, "\x81", "\xC3\xBC"},
    };
    for (const auto& c : cases) {
        LStringLong src(c.src.c_str());
        LStringLong dest("old");
        EXPECT_EQ(LCodePageToUtf8(c.codePage, &dest, &src), c.utf8.size()) << c.codePage;
        EXPECT_EQ(std::string(dest.Text()), c.utf8) << c.codePage;
    }
}

TEST(CodePage, LongTextsAreNotCut)
{
    std::string src(2000, '\xE9');
    LStringLong in(src.c_str());
    LStringLong out;
    EXPECT_EQ(LCodePageToUtf8(1252, &out, &in), 4000u);
    EXPECT_TRUE(LUtf8IsValid(out.Text()));
}

TEST(CodePage, FailuresGiveTheEmptyText)
{
    LStringLong src("text");
    LStringLong dest("old");
    EXPECT_EQ(LCodePageToUtf8(4242, &dest, &src), 0u);
    EXPECT_STREQ(dest.Text(), "");
    // 0x81 alone is a cut double-byte character in Shift-JIS.
    LStringLong bad("ok\x81");
    dest.Assign("old");
    EXPECT_EQ(LCodePageToUtf8(932, &dest, &bad), 0u);
    EXPECT_STREQ(dest.Text(), "");
    // Converting in place.
    LStringLong same("\xE9t\xE9");
    EXPECT_EQ(LCodePageToUtf8(1252, &same, &same), 5u);
    EXPECT_STREQ(same.Text(), "\xC3\xA9t\xC3\xA9");
}

TEST(Iconv, ConvertsAndTerminates)
{
    char buf[32];
    EXPECT_EQ(LIconvConvert(buf, "caf\xC3\xA9", sizeof buf, "ISO-8859-1", "UTF-8"), 4);
    EXPECT_STREQ(buf, "caf\xE9");
    EXPECT_EQ(LIconvConvert(buf, "caf\xE9", sizeof buf, "UTF-8", "ISO-8859-1"), 5);
    EXPECT_STREQ(buf, "caf\xC3\xA9");
}

TEST(Iconv, UnknownEncodingLeavesAnEmptyDestination)
{
    char buf[16] = "garbage";
    EXPECT_EQ(LIconvConvert(buf, "abc", sizeof buf, "NO-SUCH-CODE", "UTF-8"), -1);
    EXPECT_STREQ(buf, "");
}

TEST(Iconv, FullBufferStillTerminatesBetweenCharacters)
{
    char buf[8];
    std::memset(buf, 'Z', sizeof buf);
    // Latin-1 0xE9 is two bytes of UTF-8: three fit in 7 bytes, the fourth does not.
    EXPECT_EQ(LIconvConvert(buf, "\xE9\xE9\xE9\xE9\xE9", sizeof buf, "UTF-8", "ISO-8859-1"), 6);
    EXPECT_STREQ(buf, "\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_TRUE(LUtf8IsValid(buf));
    // A buffer of one byte holds the terminator only.
    EXPECT_EQ(LIconvConvert(buf, "abc", 1, "UTF-8", "UTF-8"), 0);
    EXPECT_EQ(buf[0], '\0');
}

TEST(Iconv, BadInputKeepsWhatCameBefore)
{
    char buf[16];
    EXPECT_EQ(LIconvConvert(buf,
                            "ab\xFF"
                            "cd",
                            sizeof buf, "UTF-16LE", "UTF-8"),
              4);
    EXPECT_EQ(std::memcmp(buf, "a\0b\0\0\0", 6), 0);
}

TEST(Iconv, BytesThatDoNotConvertBecomeReplacementsAndTheRestConverts)
{
    const struct
    {
        const char* why;
        std::string source;
        const char* from;
        const char* to;
        std::string converted;
    } cases[] = {
        {"a lead byte before a blank", "abc\x82 def", "CP932", "UTF-8", "abc\xEF\xBF\xBD def"},
        {"a lead byte at the end", "abc\x82", "CP932", "UTF-8", "abc\xEF\xBF\xBD"},
        {"each bad byte on its own", "\xFF\xFEok", "UTF-8", "UTF-8", "\xEF\xBF\xBD\xEF\xBF\xBDok"},
        {"NUL bytes are characters", std::string("a\0b\xE9", 4), "ISO-8859-1", "UTF-8",
         std::string("a\0b\xC3\xA9", 5)},
        {"a wide target gets the replacement in its own form", "a\xFF", "UTF-8", "UTF-16LE",
         std::string("a\0\xFD\xFF", 4)},
        {"a target without U+FFFD gets a question mark",
         "a\xFF"
         "b",
         "UTF-8", "ASCII", "a?b"},
    };
    for (const auto& c : cases) {
        char buf[64];
        const long n = LIconvConvertBytes(buf, sizeof buf, c.source.data(), c.source.size(), c.to, c.from);
        ASSERT_GE(n, 0) << c.why;
        EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), c.converted) << c.why;
    }
    // A full buffer still ends between characters.
    char small[6];
    EXPECT_EQ(LIconvConvertBytes(small, sizeof small, "\xFF\xFF\xFF", 3, "UTF-8", "UTF-8"), 3);
    EXPECT_STREQ(small, "\xEF\xBF\xBD");
}

TEST(WindowsLatin1, ABytesSourceGoesOnPastNulBytes)
{
    char buf[16];
    EXPECT_EQ(LWindowsLatin1BytesToUtf8(buf, sizeof buf, "a\0\x80", 3), 5u);
    EXPECT_EQ(std::string(buf, 5), std::string("a\0\xE2\x82\xAC", 5));
}

TEST(Iconv, WideTargetsGetAWideTerminator)
{
    char buf[10];
    std::memset(buf, 'Z', sizeof buf);
    // Four UTF-16 units do not fit with their 2-byte terminator in 9 bytes: three do.
    EXPECT_EQ(LIconvConvert(buf, "abcd", 9, "UTF-16LE", "UTF-8"), 6);
    EXPECT_EQ(std::memcmp(buf, "a\0b\0c\0\0\0", 8), 0);
    EXPECT_EQ(buf[8], 'Z');
    // A character beyond U+FFFF as a surrogate pair, never half of one.
    char pair[16];
    EXPECT_EQ(LIconvConvert(pair, "\xF0\x9F\x98\x80", 5, "UTF-16LE", "UTF-8"), 0);
    EXPECT_EQ(LIconvConvert(pair, "\xF0\x9F\x98\x80", 6, "UTF-16LE", "UTF-8"), 4);
    EXPECT_EQ(std::memcmp(pair, "\x3D\xD8\x00\xDE\0\0", 6), 0);
    // A UTF-16 source is read by its length.
    char back[16];
    EXPECT_EQ(LIconvConvertBytes(back, sizeof back, pair, 4, "UTF-8", "UTF-16LE"), 4);
    EXPECT_STREQ(back, "\xF0\x9F\x98\x80");
    // With a byte-order mark the terminator is still two bytes wide.
    char bom[16];
    std::memset(bom, 'Z', sizeof bom);
    EXPECT_EQ(LIconvConvert(bom, "a", sizeof bom, "UTF-16", "UTF-8"), 4);
    EXPECT_EQ(bom[4], '\0');
    EXPECT_EQ(bom[5], '\0');
}

TEST(PlatformString, HolderKeepsTheWellFormedPart)
{
    LCFString s;
    EXPECT_TRUE(s.IsNull());
    char buf[16] = "x";
    EXPECT_EQ(s.GetText(buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    s.Set("ok\xC3\xA9\xFFtail");
    EXPECT_FALSE(s.IsNull());
    EXPECT_EQ(s.String(), "ok\xC3\xA9");
    EXPECT_EQ(s.GetText(buf, 4), 2u);
    EXPECT_STREQ(buf, "ok");
    s.Set(nullptr);
    EXPECT_TRUE(s.IsNull());
}

TEST(PlatformString, MakeNeverFails)
{
    EXPECT_EQ(LMakeNSString(nullptr), "");
    EXPECT_EQ(LMakeNSString("plain \xE2\x82\xAC"), "plain \xE2\x82\xAC");
    // 259 bytes that end inside a three-byte character: that character goes,
    // the two-byte one before it stays.
    std::string cut = std::string(255, 'a') + "\xC3\xA9" + "\xE2\x82";
    ASSERT_EQ(cut.size(), 259u);
    EXPECT_EQ(LMakeNSString(cut.c_str()), std::string(255, 'a') + "\xC3\xA9");
    // Not UTF-8 at all: read as Mac OS Roman.
    EXPECT_EQ(LMakeNSString("\x8A\xA5 x"), "\xC3\xA4\xE2\x80\xA2 x");
    // An ill-formed byte in the middle is not a cut: Mac OS Roman too.
    EXPECT_EQ(LMakeNSString("a\xE2\x82"
                            "b"),
              "a\xE2\x80\x9A\xC3\x87"
              "b");
}

} // namespace
