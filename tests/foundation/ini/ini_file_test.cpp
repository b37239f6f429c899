// INI files: the written layout, loading, atomic saves, the cache, and the
// line reader of plain file handles.

#include "foundation/files/LFile.h"
#include "foundation/ini/LIniFile.h"

#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using quorin::test::FolderEntries;
using quorin::test::ReadFileBytes;
using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

TEST(IniFile, SavedLayout)
{
    TempDir dir;
    std::string path = dir.Path("a.ini");
    LIniFile ini(path.c_str());
    ini.SetValue("A", "x", "1");
    ini.sections.emplace_back();
    std::snprintf(ini.sections.back().name, 260, "B");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadFileBytes(path), "[A]\r\nx=1\r\n\r\n[B]\r\n\r\n");
    EXPECT_FALSE(ini.IsModified());
    EXPECT_FALSE(ini.ChangedOnDisk());
}

TEST(IniFile, LoadsWhatItSavedAndForeignFiles)
{
    TempDir dir;
    std::string path = dir.Path("b.ini");
    WriteFileBytes(path, "; comment\n[Main]\nName=Value with = sign\nEmpty=\n  [Second]\r\nKey\r\nk=v\n");
    LIniFile ini(path.c_str());
    ASSERT_TRUE(ini.Load());
    EXPECT_STREQ(ini.GetValue("Main", "Name", "?"), "Value with = sign");
    EXPECT_STREQ(ini.GetValue("Main", "Empty", "?"), "");
    EXPECT_STREQ(ini.GetValue("Second", "Key", "?"), "");
    EXPECT_STREQ(ini.GetValue("Second", "k", "?"), "v");
    EXPECT_STREQ(ini.GetValue("Second", "missing", "?"), "?");
    EXPECT_STREQ(ini.GetValue("None", "k", "?"), "?");

    ini.SetValue("Main", "Name", "changed");
    ini.RemoveValue("Second", "Key");
    ASSERT_TRUE(ini.Save());
    LIniFile again(path.c_str());
    ASSERT_TRUE(again.Load());
    EXPECT_STREQ(again.GetValue("Main", "Name", "?"), "changed");
    EXPECT_STREQ(again.GetValue("Second", "Key", "?"), "?");
    EXPECT_STREQ(again.GetValue("Second", "k", "?"), "v");
}

TEST(IniFile, SaveReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    TempDir dir;
    std::string path = dir.Path("c.ini");
    WriteFileBytes(path, "[Old]\r\nk=a much longer old value than the new one\r\n\r\n");
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    LIniFile ini(path.c_str());
    ASSERT_TRUE(ini.Load());
    ini.SetValue("Old", "k", "v");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadFileBytes(path), "[Old]\r\nk=v\r\n\r\n");
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino); // a new file took the name
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"c.ini"});
}

TEST(IniFile, FailedSaveLeavesTheOldFileAndKeepsTheChanges)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    std::string folder = dir.Path("locked");
    mkdir(folder.c_str(), 0755);
    std::string path = folder + "/d.ini";
    WriteFileBytes(path, "[S]\r\nk=old\r\n\r\n");
    chmod(folder.c_str(), 0555);
    LIniFile ini(path.c_str());
    ASSERT_TRUE(ini.Load());
    ini.SetValue("S", "k", "new");
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(ini.IsModified());
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk=old\r\n\r\n");
    chmod(folder.c_str(), 0755);
}

TEST(IniFile, LongKeysAndValuesAreCutAtCharacterBoundaries)
{
    TempDir dir;
    std::string path = dir.Path("e.ini");
    std::string value;
    for (int i = 0; i < 200; ++i)
        value += "\xC3\xA9"; // 400 bytes of two-byte characters
    LIniFile ini(path.c_str());
    ini.SetValue("S", "k", value.c_str());
    std::string stored = ini.GetValue("S", "k", "");
    EXPECT_EQ(stored.size(), 258u);
    EXPECT_EQ(stored, value.substr(0, 258));
}

TEST(IniFileCache, ReloadsAfterAnotherWriterChangedTheFile)
{
    TempDir dir;
    std::string path = dir.Path("shared.ini");
    WriteFileBytes(path, "[S]\r\nk=1\r\n\r\n");
    LIniFileCache& cache = LIniFileCache::Instance();
    std::lock_guard<std::recursive_mutex> guard(cache.Lock());
    LIniFile* ini = cache.Open(path.c_str());
    ASSERT_NE(ini, nullptr);
    EXPECT_STREQ(ini->GetValue("S", "k", "?"), "1");
    EXPECT_EQ(cache.Open(path.c_str()), ini);

    // Another program rewrites the file (same size, same second).
    LIniFile other(path.c_str());
    other.Load();
    other.SetValue("S", "k", "2");
    ASSERT_TRUE(other.Save());
    EXPECT_STREQ(cache.Open(path.c_str())->GetValue("S", "k", "?"), "2");

    // Unsaved changes are not thrown away by a reload; SaveAll writes them.
    ini->SetValue("S", "mine", "yes");
    other.SetValue("S", "k", "3");
    ASSERT_TRUE(other.Save());
    EXPECT_STREQ(cache.Open(path.c_str())->GetValue("S", "mine", "?"), "yes");
    cache.SaveAll();
    LIniFile check(path.c_str());
    check.Load();
    EXPECT_STREQ(check.GetValue("S", "mine", "?"), "yes");
}

TEST(FileLines, ReadLineTable)
{
    TempDir dir;
    std::string path = dir.Path("lines.txt");
    WriteFileBytes(path, std::string("a\r\nb\r\rc"));
    LFile file;
    ASSERT_TRUE(file.Open(path.c_str(), O_RDONLY));
    char line[260];
    std::vector<std::string> lines;
    while (LFile::ReadLine(&file, line, sizeof line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "", "c"}));
}

TEST(FileLines, LfCrIsOneLineEndAndLongLinesAreCut)
{
    TempDir dir;
    std::string path = dir.Path("lines2.txt");
    WriteFileBytes(path, std::string("one\n\rtwo\n") + std::string(50, 'x') + "\nlast\n");
    LFile file;
    ASSERT_TRUE(file.Open(path.c_str(), O_RDONLY));
    char line[10];
    std::vector<std::string> lines;
    while (LFile::ReadLine(&file, line, sizeof line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", std::string(9, 'x'), "last"}));
}

// A pipe cannot step back over the byte read after a lone line end: that
// byte must still begin the next line.
TEST(FileLines, ReadLineOverAPipeLosesNoByte)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string text = "a\nb\r\nc\rd\n\re";
    ASSERT_EQ(write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(ends[1]);
    LFile file(ends[0]);
    char line[260];
    std::vector<std::string> lines;
    while (LFile::ReadLine(&file, line, sizeof line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "e"}));
}

TEST(FileLines, NoDescriptor)
{
    LFile none;
    char line[8] = "junk";
    EXPECT_FALSE(LFile::ReadLine(&none, line, sizeof line));
    EXPECT_STREQ(line, "");
    EXPECT_TRUE(LFile::WriteString(&none, ""));
    EXPECT_FALSE(LFile::WriteString(&none, "x"));
}

TEST(FileLines, WriteStringWritesEverything)
{
    TempDir dir;
    std::string path = dir.Path("w.txt");
    LFile file;
    ASSERT_TRUE(file.Open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC));
    std::string big(1 << 20, 'q');
    EXPECT_TRUE(LFile::WriteString(&file, "head\r\n"));
    EXPECT_TRUE(LFile::WriteString(&file, big.c_str()));
    file.Close();
    EXPECT_EQ(ReadFileBytes(path), "head\r\n" + big);
}

} // namespace
