// Whole-file readers and text files with byte-order marks, checked against
// files that iconv writes.

#include "foundation/ini/LFileReaders.h"

#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

std::string AsString(const LStringLongTemplate<char>& text)
{
    return std::string(text.Text(), text.length);
}

// Text with one-, two-, three- and four-byte characters.
const std::string kSample = "Vinyl \xC3\xA9t\xC3\xA9 \xE2\x82\xAC 5 \xF0\x9F\x8E\xB5 end\r\nsecond line";

TEST(ReadFileToString, ReadsEveryByteIncludingZeros)
{
    TempDir dir;
    std::string path = dir.Path("bin");
    std::string data;
    for (int i = 0; i < 300000; ++i)
        data.push_back(char(i * 7));
    WriteFileBytes(path, data);
    LStringLongTemplate<char> out;
    ASSERT_TRUE(LReadFileToString(path.c_str(), &out));
    EXPECT_EQ(out.length, data.size());
    EXPECT_EQ(AsString(out), data);
    EXPECT_EQ(out.data[out.length], 0);
}

TEST(ReadFileToString, FilesThatReportNoSize)
{
    LStringLongTemplate<char> out;
    ASSERT_TRUE(LReadFileToString("/proc/self/status", &out));
    EXPECT_NE(AsString(out).find("Name:"), std::string::npos);
}

TEST(ReadFileToString, PipeLongerThanOneRead)
{
    TempDir dir;
    std::string fifo = dir.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string data(1 << 20, 'p');
    std::thread writer([&] {
        int fd = open(fifo.c_str(), O_WRONLY);
        size_t done = 0;
        while (done < data.size()) {
            ssize_t n = write(fd, data.data() + done, std::min<size_t>(5000, data.size() - done));
            if (n <= 0)
                break;
            done += size_t(n);
        }
        close(fd);
    });
    LStringLongTemplate<char> out;
    bool ok = LReadFileToString(fifo.c_str(), &out);
    writer.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(out.length, data.size());
}

TEST(ReadFileToString, MissingFileAndEmptyFile)
{
    TempDir dir;
    LStringLongTemplate<char> out;
    EXPECT_FALSE(LReadFileToString(dir.Path("missing").c_str(), &out));
    WriteFileBytes(dir.Path("empty"), "");
    ASSERT_TRUE(LReadFileToString(dir.Path("empty").c_str(), &out));
    EXPECT_EQ(out.length, 0u);
    EXPECT_STREQ(out.Text(), "");
}

TEST(ReadTextFile, ByteOrderMarksFromIconv)
{
    QUORIN_REQUIRE_TOOL("iconv");
    TempDir dir;
    std::string plain = dir.Path("plain.txt");
    WriteFileBytes(plain, kSample);
    // iconv's UTF-16 writes a mark in the machine's order; the LE and BE forms
    // get their marks from a U+FEFF in front of the text.
    WriteFileBytes(dir.Path("marked.txt"), "\xEF\xBB\xBF" + kSample);
    const char* encodings[] = {"UTF-16LE", "UTF-16BE", "UTF-16"};
    for (const char* encoding : encodings) {
        std::string out = dir.Path(std::string(encoding) + ".txt");
        std::string command = "iconv -f UTF-8 -t " + std::string(encoding) + " '" +
                              (std::string(encoding) == "UTF-16" ? plain : dir.Path("marked.txt")) + "' > '" +
                              out + "'";
        ASSERT_EQ(quorin::test::RunCommand(command), 0) << command;
        LStringLongTemplate<char> text;
        ASSERT_TRUE(LReadTextFile(out.c_str(), &text)) << encoding;
        EXPECT_EQ(AsString(text), kSample) << encoding;
    }
    LStringLongTemplate<char> text;
    ASSERT_TRUE(LReadTextFile(dir.Path("marked.txt").c_str(), &text));
    EXPECT_EQ(AsString(text), kSample);
    ASSERT_TRUE(LReadTextFile(plain.c_str(), &text));
    EXPECT_EQ(AsString(text), kSample);
}

TEST(ReadTextFile, OddLengthUtf16DropsOnlyTheLoneByte)
{
    TempDir dir;
    const struct
    {
        std::string bytes;
        std::string text;
    } cases[] = {
        {std::string("\xFF\xFE"
                     "A\0B\0C",
                     7),
         "AB"},
        {std::string("\xFE\xFF\0A\0B\0", 7), "AB"},
        {std::string("\xFF\xFE"
                     "A",
                     3),
         ""},
        {std::string("\xFF\xFE", 2), ""},
        {std::string("\xFE\xFF\xD8\x3D", 4), "\xEF\xBF\xBD"}, // a lone high surrogate
    };
    for (const auto& c : cases) {
        std::string path = dir.Path("odd.txt");
        WriteFileBytes(path, c.bytes);
        LStringLongTemplate<char> text;
        ASSERT_TRUE(LReadTextFile(path.c_str(), &text));
        EXPECT_EQ(AsString(text), c.text);
    }
}

TEST(TextConversions, AssignWideAndLatin1)
{
    const uint16_t units[] = {'a', 0xE9, 0x20AC, 0xD83C, 0xDFB5, 0};
    LStringLongTemplate<char> out("old text");
    out.AssignWide(units);
    EXPECT_EQ(AsString(out), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5");

    LIconvLatin1ToUtf8(&out, "caf\xE9 \xFF!");
    EXPECT_EQ(AsString(out), "caf\xC3\xA9 \xC3\xBF!");
    LIconvLatin1ToUtf8(&out, "");
    EXPECT_EQ(AsString(out), "");
}

} // namespace
