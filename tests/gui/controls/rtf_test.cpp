// The RTF the edit view reads and writes: what we write reads back exactly,
// other programs' RTF shows its text and styles, and damaged input (deep
// groups, cut files, unknown destinations, \uN escapes) reads without a crash
// and never shows control words as text.

#include "gui/controls/LRtf.h"

#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace quorin::test;

namespace {

LStyledText Read(const std::string& rtf)
{
    LStyledText text;
    std::string error;
    EXPECT_TRUE(LRtfRead(rtf.data(), rtf.size(), &text, &error)) << error;
    return text;
}

LStyledText Sample()
{
    LStyledText text;
    text.paragraphs.clear();
    LStyledParagraph first;
    first.style.alignment = LParagraphStyle::kCentre;
    first.style.firstLineIndent = 12;
    first.style.spaceBefore = 6;
    first.style.spaceAfter = 3.5;
    LTextStyle bold;
    bold.bold = true;
    bold.fontSize = 14;
    bold.family = "DejaVu Sans";
    LTextStyle coloured;
    coloured.italic = true;
    coloured.underline = true;
    coloured.hasColor = true;
    coloured.color = LRGBColor::FromRGB8(200, 10, 20);
    coloured.hasBackground = true;
    coloured.background = LRGBColor::FromRGB8(255, 255, 0);
    first.runs = {{"Side A {1}", bold}, {" caf\xC3\xA9 \\ \xF0\x9F\x8E\xB5\ttab", coloured}};
    LStyledParagraph second;
    second.style.alignment = LParagraphStyle::kRight;
    LTextStyle struck;
    struck.strike = true;
    struck.family = "Serif;Odd";
    second.runs = {{"line one\xE2\x80\xA8line two", struck}};
    LStyledParagraph empty;
    text.paragraphs = {first, second, empty};
    return text;
}

TEST(Rtf, WhatWeWriteReadsBackIdentically)
{
    LStyledText original = Sample();
    const std::string rtf = LRtfWrite(original);
    LStyledText back = Read(rtf);
    // A font name cannot hold the table's separator.
    original.paragraphs[1].runs[0].style.family = "SerifOdd";
    EXPECT_EQ(back, original) << rtf;
    EXPECT_EQ(LRtfWrite(back), LRtfWrite(original));

    const LStyledText empty;
    EXPECT_EQ(Read(LRtfWrite(empty)), empty);
    EXPECT_EQ(Read(LRtfWrite(empty)).paragraphs.size(), 1u);
}

TEST(Rtf, OtherProgramsRtfShowsItsTextAndStyles)
{
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New "
        "Roman{\\*\\panose 02020603050405020304};}{\\f1\\fswiss Arial;}}\r\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\r\n"
        "{\\stylesheet{\\s0\\snext0 Normal;}}{\\info{\\title Secret title}{\\author Someone}}"
        "{\\*\\generator LibreOffice/7.4;}{\\*\\userprops {\\propname x}}\r\n"
        "\\pard\\plain \\qc\\sb240 {\\f1\\fs28\\b Bold Arial}\\par\r\n"
        "\\pard\\plain {\\i italic }{\\cf2 red }{\\ul under}{\\ulnone  plain}\\'e9\\~\\emdash\\par\r\n"
        "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link text}}\\par}";
    const LStyledText text = Read(rtf);
    ASSERT_EQ(text.paragraphs.size(), 3u);
    EXPECT_EQ(text.PlainText(), "Bold Arial\nitalic red under plain\xC3\xA9\xC2\xA0\xE2\x80\x94\nlink text");
    const LStyledParagraph& first = text.paragraphs[0];
    EXPECT_EQ(first.style.alignment, LParagraphStyle::kCentre);
    EXPECT_DOUBLE_EQ(first.style.spaceBefore, 12);
    ASSERT_EQ(first.runs.size(), 1u);
    EXPECT_TRUE(first.runs[0].style.bold);
    EXPECT_EQ(first.runs[0].style.family, "Arial");
    EXPECT_DOUBLE_EQ(first.runs[0].style.fontSize, 14);
    const LStyledParagraph& second = text.paragraphs[1];
    EXPECT_EQ(second.style.alignment, LParagraphStyle::kLeft) << "\\pard resets the paragraph";
    ASSERT_GE(second.runs.size(), 4u);
    EXPECT_TRUE(second.runs[0].style.italic);
    EXPECT_TRUE(second.runs[1].style.hasColor);
    EXPECT_EQ(second.runs[1].style.color, LRGBColor::FromRGB8(255, 0, 0));
    EXPECT_TRUE(second.runs[2].style.underline);
    EXPECT_FALSE(second.runs[3].style.underline);
}

TEST(Rtf, DamagedAndHostileInputReadsWithoutCrashOrControlWordsAsText)
{
    const struct
    {
        const char* why;
        std::string rtf;
        std::string plain;
    } cases[] = {
        {"unicode with the skip count and a surrogate pair",
         "{\\rtf1\\uc1\\u233?t\\uc2\\u-10179??\\u-8704??}", "\xC3\xA9t\xF0\x9F\x98\x80"},
        {"a lone low surrogate", "{\\rtf1 a\\u-8704?b}",
         "a\xEF\xBF\xBD"
         "b"},
        {"unknown destinations are skipped", "{\\rtf1 {\\*\\unknownthing secret}shown{\\*\\x{\\y deep}}}",
         "shown"},
        {"unknown control words vanish", "{\\rtf1 \\foo\\barbaz12 text\\qux-4 more}", "textmore"},
        {"a truncated file keeps what it has", "{\\rtf1 {\\b bold", "bold"},
        {"an unterminated hex escape", "{\\rtf1 x\\'4", "x4"},
        {"binary data is skipped", "{\\rtf1 a\\bin3 {}\\b}", "ab"},
        {"a huge parameter", "{\\rtf1\\fs99999999999999999 big\\u99999999999?}",
         std::string("big") + "\xEF\xBF\xBF"},
        {"control bytes are not text",
         std::string("{\\rtf1 a\x01\\'02"
                     "b\\u23?\\tab c}"),
         "ab\tc"},
        {"text after the document ends", "{\\rtf1 in}out", "in"},
        {"a backslash newline is a paragraph", "{\\rtf1 one\\\ntwo}", "one\ntwo"},
    };
    for (const auto& c : cases) {
        LStyledText text;
        ASSERT_TRUE(LRtfRead(c.rtf.data(), c.rtf.size(), &text)) << c.why;
        EXPECT_EQ(text.PlainText(), c.plain) << c.why;
    }

    // Groups nested far deeper than any document: bounded, text outside kept.
    std::string deep = "{\\rtf1 before";
    for (int i = 0; i < 100000; ++i)
        deep += "{\\b x";
    deep += "after";
    LStyledText text;
    ASSERT_TRUE(LRtfRead(deep.data(), deep.size(), &text));
    EXPECT_EQ(text.PlainText().substr(0, 6), "before");
    EXPECT_LT(text.PlainText().size(), 400u);

    std::string error;
    EXPECT_FALSE(LRtfRead("plain text", 10, &text, &error));
    EXPECT_NE(error.find("not RTF"), std::string::npos);

    // Paragraphs up to the bound read; one more refuses the text whole.
    std::string many = "{\\rtf1 ";
    for (size_t i = 0; i < kRtfMaxParagraphs; ++i)
        many += "\\par";
    ASSERT_TRUE(LRtfRead(many.data(), many.size(), &text));
    EXPECT_EQ(text.paragraphs.size(), kRtfMaxParagraphs);
    many += " x}";
    error.clear();
    EXPECT_FALSE(LRtfRead(many.data(), many.size(), &text, &error));
    EXPECT_NE(error.find("more than 200000 paragraphs"), std::string::npos) << error;
    EXPECT_EQ(text, LStyledText());
}

TEST(Rtf, BytesTheCodePageDoesNotDefineBecomeReplacementsAndTheTextGoesOn)
{
    const std::string kReplacement = "\xEF\xBF\xBD";
    const struct
    {
        const char* why;
        std::string rtf;
        std::string plain;
    } cases[] = {
        {"a lead byte of code page 932 before a blank", "{\\rtf1\\ansicpg932 abc\\'82 def}",
         "abc" + kReplacement + " def"},
        {"a whole character of code page 932 still converts", "{\\rtf1\\ansicpg932 \\'82\\'a0x\\'82 y}",
         "\xE3\x81\x82x" + kReplacement + " y"},
        {"a lead byte at the end of the run", "{\\rtf1\\ansicpg932 abc\\'82}", "abc" + kReplacement},
        {"a byte that starts no UTF-8 character", "{\\rtf1\\ansicpg65001 abc\\'e9 def}",
         "abc" + kReplacement + " def"},
        {"UTF-8 written as escapes", "{\\rtf1\\ansicpg65001 caf\\'c3\\'a9!}", "caf\xC3\xA9!"},
        {"a NUL byte in a run with a byte above 127", "{\\rtf1 a\\'00b c\\'e9}", "ab c\xC3\xA9"},
        {"a NUL byte in code page 932", "{\\rtf1\\ansicpg932 a\\'00b\\'82\\'a0}", "ab\xE3\x81\x82"},
    };
    for (const auto& c : cases) {
        LStyledText text;
        ASSERT_TRUE(LRtfRead(c.rtf.data(), c.rtf.size(), &text)) << c.why;
        EXPECT_EQ(text.PlainText(), c.plain) << c.why;
    }
}

TEST(Rtf, ALibreOfficeDocumentReads)
{
    if (!HaveTool("soffice"))
        GTEST_SKIP() << "LibreOffice is not installed: the RTF made by it is not checked";
    TempDir dir;
    const std::string html = dir.Path("doc.html");
    std::ofstream(html) << "<html><body><p align=center><b>Centre bold</b></p><p><i>Italic</i> caf&eacute; "
                           "&#x1F3B5;</p></body></html>";
    ASSERT_EQ(RunCommand("cd " + Quote(dir.Path()) + " && HOME=" + Quote(dir.Path()) +
                         " soffice --headless --convert-to rtf doc.html >/dev/null 2>&1"),
              0);
    std::ifstream in(dir.Path("doc.rtf"), std::ios::binary);
    ASSERT_TRUE(in.good());
    std::stringstream bytes;
    bytes << in.rdbuf();
    const LStyledText text = Read(bytes.str());
    const std::string plain = text.PlainText();
    EXPECT_NE(plain.find("Centre bold"), std::string::npos) << plain;
    EXPECT_NE(plain.find("Italic caf\xC3\xA9"), std::string::npos) << plain;
    EXPECT_EQ(plain.find('\\'), std::string::npos) << "no control word shows as text: " << plain;
}

} // namespace
