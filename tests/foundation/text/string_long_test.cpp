// Growable strings and the byte writer over them.

#include "foundation/text/LByteBuffer.h"
#include "foundation/text/LStringLong.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(StringLong, AppendToAnEmptyStringAllocates260)
{
    LStringLong s;
    s.Append("abc");
    EXPECT_EQ(s.capacity, 260u);
    EXPECT_EQ(s.length, 3u);
    EXPECT_STREQ(s.Text(), "abc");
}

TEST(StringLong, AppendGrowsToNeededPlusCapacity)
{
    LStringLong s(std::string(299, 'x').c_str()); // capacity 300
    ASSERT_EQ(s.capacity, 300u);
    s.Append("yz"); // needs 302
    EXPECT_EQ(s.capacity, 602u);
    EXPECT_EQ(s.length, 301u);
    EXPECT_EQ(s.data[301], '\0');
}

TEST(StringLong, AppendCharGrowsOnlyWhenTheTerminatorWouldNotFit)
{
    LStringLong s(std::string(300, 'x').c_str());
    ASSERT_EQ(s.capacity, 301u);
    s.AppendChar('y');
    EXPECT_EQ(s.capacity, 603u);
    EXPECT_EQ(std::string(s.Text()), std::string(300, 'x') + "y");

    LStringLong t(std::string(300, 'x').c_str());
    t.Reserve(302);
    t.AppendChar('y');
    EXPECT_EQ(t.capacity, 302u);
    EXPECT_EQ(t.length, 301u);
    EXPECT_EQ(t.data[301], '\0');
}

TEST(StringLong, ReserveKeepsTheTextAndNeverShrinks)
{
    LStringLong s("hello");
    s.Reserve(1000);
    EXPECT_EQ(s.capacity, 1000u);
    EXPECT_STREQ(s.Text(), "hello");
    s.Reserve(10);
    EXPECT_EQ(s.capacity, 1000u);
}

TEST(StringLong, CopiesAndAssignments)
{
    LStringLong empty;
    LStringLong copy(empty);
    EXPECT_EQ(copy.data, nullptr);
    EXPECT_EQ(copy.capacity, 0u);

    LStringLong s;
    s.Reserve(500);
    s.Append("text");
    LStringLong t(s);
    EXPECT_EQ(t.capacity, 5u);
    EXPECT_STREQ(t.Text(), "text");

    LStringLong u("other");
    u = s;
    EXPECT_EQ(u.capacity, 5u);
    EXPECT_STREQ(u.Text(), "text");
    u = empty;
    EXPECT_EQ(u.data, nullptr);

    t = t; // self-assignment keeps the text
    EXPECT_STREQ(t.Text(), "text");

    LStringLong moved(std::move(t));
    EXPECT_STREQ(moved.Text(), "text");
    EXPECT_EQ(t.data, nullptr);
}

TEST(StringLong, AssignAndAppendFromItself)
{
    LStringLong s("abcdef");
    s.Assign(s.data + 2);
    EXPECT_STREQ(s.Text(), "cdef");
    EXPECT_EQ(s.capacity, 5u);
    // Appending its own text forces a move of the block in the middle of the copy.
    s.Append(s.data);
    EXPECT_STREQ(s.Text(), "cdefcdef");
    s.Append(s.data + 4);
    EXPECT_STREQ(s.Text(), "cdefcdefcdef");
    s.Assign(nullptr);
    EXPECT_STREQ(s.Text(), "");
    EXPECT_EQ(s.length, 0u);
}

TEST(StringLong, AssignWide)
{
    const std::uint16_t units[] = {'G', 0xFC, 0x20AC, 0xD83D, 0xDE00, 0xDC00, 0};
    LStringLong s("old");
    s.AssignWide(units);
    EXPECT_STREQ(s.Text(), "G\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(s.length, 13u);
    s.AssignWide(nullptr);
    EXPECT_STREQ(s.Text(), "");
    std::vector<std::uint16_t> many(5000, 0x20AC);
    many.push_back(0);
    s.AssignWide(many.data());
    EXPECT_EQ(s.length, 15000u);
}

TEST(StringLong, FormatReplacesAndAppendFormatAppends)
{
    LStringLong s("old text");
    EXPECT_EQ(s.Format("%d-%s", 12, "ab"), 5u);
    EXPECT_STREQ(s.Text(), "12-ab");
    EXPECT_GE(s.capacity, 260u);
    s.AppendFormat("/%05.1f", 2.25);
    EXPECT_STREQ(s.Text(), "12-ab/002.2");
    std::string big(5000, 'q');
    s.AppendFormat("%s", big.c_str());
    EXPECT_EQ(s.length, 11u + 5000u);
    EXPECT_EQ(std::string(s.data + 11), big);
}

TEST(StringLong, FormatMayReadItsOwnText)
{
    LStringLong s("music");
    s.Format("%s/%s", s.Text(), "side a");
    EXPECT_STREQ(s.Text(), "music/side a");
    s.Format("[%s]", s.Text());
    EXPECT_STREQ(s.Text(), "[music/side a]");
    // Growth while the argument is read.
    LStringLong t("0123456789");
    for (int i = 0; i < 8; ++i)
        t.AppendFormat("%s", t.Text());
    EXPECT_EQ(t.length, 2560u);
    EXPECT_EQ(std::string(t.data, 20), "01234567890123456789");
    LStringLong big(std::string(1000, 'b').c_str());
    big.Format("<%s>", big.Text());
    EXPECT_EQ(std::string(big.Text()), "<" + std::string(1000, 'b') + ">");
}

TEST(StringLong, PutCharKeepsRoomForTheTerminator)
{
    LStringLong s;
    for (int i = 0; i < 2000; ++i) {
        LStringPutChar(&s, static_cast<char>('a' + i % 26));
        ASSERT_LT(s.length, s.capacity);
    }
    s.data[s.length] = '\0';
    EXPECT_EQ(s.length, 2000u);
    EXPECT_EQ(s.Text()[1999], static_cast<char>('a' + 1999 % 26));
}

TEST(ByteBuffer, GrowsFromNothing)
{
    LStringLong target;
    LByteBuffer writer(&target);
    writer.Append("abc", 3);
    EXPECT_EQ(target.length, 3u);
    EXPECT_GE(target.capacity, 260u);
    writer.Terminate();
    EXPECT_STREQ(target.Text(), "abc");
}

TEST(ByteBuffer, GrowsByFourThenDoubling)
{
    LStringLong target;
    target.Reserve(10);
    LByteBuffer writer(&target);
    writer.Append("123456789", 9); // 9 < 10: fits
    EXPECT_EQ(target.capacity, 10u);
    writer.Append("x", 1); // reaches 10
    EXPECT_EQ(target.capacity, 40u);
    std::string chunk(60, 'c');
    writer.Append(chunk.data(), chunk.size()); // 70: 160 is the first of 160, 320...
    EXPECT_EQ(target.capacity, 160u);
    std::string huge(1000, 'h');
    writer.Append(huge.data(), huge.size()); // 1070: 640, 1280
    EXPECT_EQ(target.capacity, 1280u);
    writer.Terminate();
    EXPECT_EQ(std::string(target.Text()), "123456789x" + chunk + huge);
}

TEST(ByteBuffer, AppendsItsOwnBytesAcrossAGrowth)
{
    LStringLong target;
    target.Reserve(8);
    LByteBuffer writer(&target);
    writer.Append("abcdefg", 7);
    writer.Append(target.data, 7);
    writer.Terminate();
    EXPECT_STREQ(target.Text(), "abcdefgabcdefg");
}

} // namespace
