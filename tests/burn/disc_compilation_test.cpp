#include "burn/LDiscNode.h"
#include "burn/LRiffIsPcmWave.h"
#include "burn/unicode/LNfc.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

LDiscNode* AddFile(LDiscNode* folder, const std::string& name, uint64_t size = 1)
{
    auto* node = new LDiscNode("/src/file", false, nullptr, size, 0);
    node->SetName(name.c_str());
    return folder->AddChild(node);
}

LDiscNode* AddFolder(LDiscNode* folder, const std::string& name)
{
    auto* node = new LDiscNode(nullptr, true, nullptr, 12345, 0);
    node->SetName(name.c_str());
    return folder->AddChild(node);
}

std::vector<std::string> Names(const LDiscNode& folder)
{
    std::vector<std::string> names;
    for (const auto& [key, child] : folder.children)
        names.push_back(child->name);
    return names;
}

TEST(DiscCompilation, CollidingNamesGetNumbers)
{
    LDiscCompilation compilation("Disc");
    LDiscNode* root = compilation.Root();
    EXPECT_STREQ("a.txt", AddFile(root, "a.txt")->name);
    EXPECT_STREQ("a2.txt", AddFile(root, "a.txt")->name);
    EXPECT_STREQ("a3.txt", AddFile(root, "a.txt")->name);
    EXPECT_STREQ("Song2.wav", (AddFile(root, "Song.wav"), AddFile(root, "Song.wav"))->name);

    const std::string longName(255, 'n');
    AddFile(root, longName);
    EXPECT_EQ(std::string(249, 'n') + "2", AddFile(root, longName)->name);
}

TEST(DiscCompilation, NumberedNamesStayFreeEvenWhenTheyWereTaken)
{
    // Names that already look like variants: the search goes past them
    // instead of keeping a taken one.
    LDiscCompilation compilation("Disc");
    LDiscNode* root = compilation.Root();
    for (int n = 2; n <= 2100; ++n)
        AddFile(root, "x" + std::to_string(n) + ".txt");
    AddFile(root, "x.txt");
    EXPECT_STREQ("x2101.txt", AddFile(root, "x.txt")->name);
    EXPECT_EQ(2101u, root->children.size());
}

TEST(DiscCompilation, AddingToAFileFails)
{
    LDiscCompilation compilation("Disc");
    LDiscNode* file = AddFile(compilation.Root(), "f");
    EXPECT_EQ(nullptr, AddFile(file, "g"));
    EXPECT_TRUE(file->children.empty());
}

TEST(DiscCompilation, FolderSizesSumEverythingBelow)
{
    LDiscCompilation compilation("Disc");
    LDiscNode* a = AddFolder(compilation.Root(), "a");
    LDiscNode* b = AddFolder(a, "b");
    EXPECT_EQ(0u, a->size) << "a folder starts empty whatever size is given";
    AddFile(b, "one", 1);
    AddFile(b, "big", 5000);
    AddFile(a, "two", 2048);
    EXPECT_EQ(5001u, b->size);
    EXPECT_EQ(2048u + 6144u, b->allocatedSize);
    EXPECT_EQ(7049u, a->size);
    EXPECT_EQ(7049u, compilation.Root()->size);
    EXPECT_EQ(1u, a->subfolderCount);
}

TEST(DiscCompilation, ChildrenInByteOrder)
{
    LDiscCompilation compilation("Disc");
    for (const char* name : {"a", "B", "\xC3\xA9", "_", "Z"})
        AddFile(compilation.Root(), name);
    EXPECT_EQ((std::vector<std::string>{"B", "Z", "_", "a", "\xC3\xA9"}), Names(*compilation.Root()));
}

TEST(DiscCompilation, SourceMarkersAndLabel)
{
    LDiscNode dot(std::string(1, '\0').c_str(), false, nullptr, 0, 0);
    EXPECT_EQ(0, dot.source[0]);
    const char parent[] = {1, 'x', 0};
    LDiscNode dotdot(parent, false, nullptr, 0, 0);
    EXPECT_EQ(1, dotdot.source[0]);
    EXPECT_EQ(0, dotdot.source[1]);
    LDiscCompilation compilation("My Disc");
    EXPECT_STREQ("My Disc", compilation.Label());
    EXPECT_STREQ("My Disc", compilation.Root()->name);
}

TEST(DiscCompilation, AddPathReadsFoldersAndReportsMissingOnes)
{
    TempDir dir;
    mkdir(dir.Path("music").c_str(), 0755);
    WriteFileBytes(dir.Path("music/a.wav"), "abc");
    WriteFileBytes(dir.Path("music/b.wav"), "");
    LDiscCompilation compilation("Disc");
    std::string error;
    LDiscNode* music = compilation.AddPath(compilation.Root(), dir.Path("music").c_str(), &error);
    ASSERT_NE(nullptr, music) << error;
    EXPECT_EQ((std::vector<std::string>{"a.wav", "b.wav"}), Names(*music));
    EXPECT_EQ(3u, compilation.Root()->size);
    EXPECT_EQ(nullptr, compilation.AddPath(compilation.Root(), dir.Path("gone").c_str(), &error));
    EXPECT_NE(std::string::npos, error.find("gone"));
}

// A link back into a folder being added would repeat it without end: the
// loop is refused and named, as is a link that leads only to itself.
TEST(DiscCompilation, AddPathNamesASymbolicLinkLoop)
{
    TempDir dir;
    mkdir(dir.Path("top").c_str(), 0755);
    mkdir(dir.Path("top/sub").c_str(), 0755);
    WriteFileBytes(dir.Path("top/sub/a.txt"), "a");
    ASSERT_EQ(0, symlink("..", dir.Path("top/sub/back").c_str()));
    LDiscCompilation compilation("Disc");
    std::string error;
    EXPECT_EQ(nullptr, compilation.AddPath(compilation.Root(), dir.Path("top").c_str(), &error));
    EXPECT_NE(std::string::npos, error.find(dir.Path("top/sub/back") + ": a symbolic link loop")) << error;
    EXPECT_NE(std::string::npos, error.find("leads back to " + dir.Path("top"))) << error;

    mkdir(dir.Path("self").c_str(), 0755);
    ASSERT_EQ(0, symlink("me", dir.Path("self/me").c_str()));
    EXPECT_EQ(nullptr, compilation.AddPath(compilation.Root(), dir.Path("self").c_str(), &error));
    EXPECT_NE(std::string::npos, error.find(dir.Path("self/me") + ": a loop of symbolic links")) << error;

    // A link to a folder outside the one being added is no loop.
    mkdir(dir.Path("other").c_str(), 0755);
    WriteFileBytes(dir.Path("other/b.txt"), "b");
    mkdir(dir.Path("linked").c_str(), 0755);
    ASSERT_EQ(0, symlink(dir.Path("other").c_str(), dir.Path("linked/to-other").c_str()));
    ASSERT_EQ(0, symlink(dir.Path("other").c_str(), dir.Path("linked/again").c_str()));
    LDiscNode* linked = compilation.AddPath(compilation.Root(), dir.Path("linked").c_str(), &error);
    ASSERT_NE(nullptr, linked) << error;
    EXPECT_EQ((std::vector<std::string>{"again", "to-other"}), Names(*linked));
}

TEST(DiscCompilation, NamesThatAreNotUtf8BecomeWellFormedDiscNames)
{
    const struct
    {
        std::string local;
        std::string disc;
    } cases[] = {
        {"plain.txt", "plain.txt"},
        {"caf\xE9.txt", "caf\xC3\xA9.txt"},                      // Latin-1 at the end of a word
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},     // Windows Latin-1 quotes
        {"mixed \xC3\xA9 and \xE9", "mixed \xC3\xA9 and \xC3\xA9"}, // UTF-8 kept, the stray byte converted
        {"cut \xE2\x82", "cut \xC3\xA2\xE2\x80\x9A"},             // a sequence cut short
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.disc, LDiscNameFromLocal(c.local)) << c.local;
        LDiscNode node("/src/x", false, nullptr, 1, 0);
        node.SetName(c.local.c_str());
        EXPECT_EQ(c.disc, std::string(node.name)) << c.local;
    }
}

std::string Wave(uint16_t tag)
{
    std::string fmt("fmt \x12\0\0\0", 8);
    const char record[18] = {
        static_cast<char>(tag), 0, 2, 0, 0x44, static_cast<char>(0xAC), 0, 0, 0, 0, 0, 0, 4, 0, 16, 0, 0, 0};
    fmt.append(record, 18);
    std::string body = "WAVE" + std::string("LIST\x04\0\0\0abcd", 12) + fmt;
    const uint32_t size = static_cast<uint32_t>(body.size());
    return std::string("RIFF") + std::string(reinterpret_cast<const char*>(&size), 4) + body;
}

TEST(DiscCompilation, RiffIsPcmWave)
{
    TempDir dir;
    struct Case
    {
        const char* name;
        std::string bytes;
        bool pcm;
    };
    const Case cases[] = {
        {"pcm.wav", Wave(1), true},
        {"float.wav", Wave(3), false},
        {"short.wav", "RIFF\x10\0\0", false},
        {"noformat.wav", std::string("RIFF\x04\0\0\0WAVE", 12), false},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir.Path(c.name), c.bytes);
        LWaveFormatRecord format;
        EXPECT_EQ(c.pcm, LRiffIsPcmWave(&format, dir.Path(c.name).c_str())) << c.name;
        if (c.pcm) {
            EXPECT_EQ(2, format.channels);
            EXPECT_EQ(44100u, format.samplesPerSecond);
            EXPECT_EQ(16, format.bitsPerSample);
        }
    }
    LWaveFormatRecord format;
    EXPECT_FALSE(LRiffIsPcmWave(&format, dir.Path("missing.wav").c_str()));
}

// Every line of the Unicode normalisation conformance file: c2 == NFC(c1..c3)
// and c4 == NFC(c4, c5).
TEST(Nfc, MatchesTheUnicodeConformanceData)
{
    FILE* pipe = popen("bzcat /usr/share/unicode/NormalizationTest.txt.bz2 2>/dev/null", "r");
    ASSERT_NE(nullptr, pipe);
    char line[4096];
    int checked = 0;
    std::string failures;
    auto parse = [](const std::string& field) {
        std::u32string out;
        std::istringstream in(field);
        std::string hex;
        while (in >> hex)
            out.push_back(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
        return out;
    };
    while (fgets(line, sizeof line, pipe)) {
        if (line[0] == '#' || line[0] == '@' || line[0] == '\n')
            continue;
        std::vector<std::u32string> columns;
        std::string text = line;
        for (int i = 0; i < 5; ++i) {
            const std::size_t semi = text.find(';');
            columns.push_back(parse(text.substr(0, semi)));
            text = text.substr(semi + 1);
        }
        for (int source : {0, 1, 2})
            if (LNfcCompose(columns[source]) != columns[1] && failures.size() < 400)
                failures += std::string(line);
        for (int source : {3, 4})
            if (LNfcCompose(columns[source]) != columns[3] && failures.size() < 400)
                failures += std::string(line);
        ++checked;
    }
    pclose(pipe);
    if (checked == 0)
        GTEST_SKIP() << "NormalizationTest.txt.bz2 of unicode-data is not installed";
    EXPECT_GT(checked, 10000);
    EXPECT_EQ("", failures);
}

TEST(Nfc, ComposesUtf8Names)
{
    EXPECT_EQ("\xC3\xA9"
              "cole",
              LNfcComposeUtf8("e\xCC\x81"
                              "cole"));
    EXPECT_EQ("\xEA\xB0\x80", LNfcComposeUtf8("\xE1\x84\x80\xE1\x85\xA1")); // Hangul jamo to a syllable
    EXPECT_EQ("abc", LNfcComposeUtf8("abc"));
    EXPECT_EQ("\xEF\xBF\xBD"
              "a",
              LNfcComposeUtf8("\xFF"
                              "a"));
}

} // namespace
