// Folder scans with their name filter, and private temporary copies.

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderScan.h"
#include "foundation/files/LFolderTree.h"
#include "foundation/files/LTempCopyTable.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using quorin::test::ReadFileBytes;
using quorin::test::TempDir;
using quorin::test::TempHome;
using quorin::test::WriteFileBytes;

std::vector<std::string> ScanAll(LFolderScan& scan, const std::string& path)
{
    std::vector<std::string> names;
    for (bool more = scan.Start(path.c_str()); more; more = scan.Next())
        names.push_back(scan.Name());
    std::sort(names.begin(), names.end());
    return names;
}

class FolderScanTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::setlocale(LC_ALL, "C.UTF-8");
        folder_ = dir_.Path("music");
        ASSERT_EQ(0, mkdir(folder_.c_str(), 0777));
        for (const char* name : {"Side A.WAV", "side b.wav", "notes.txt", ".hidden.wav", "__MACOSX",
                                 "__MACOSX.wav", "__macosx.wav", "ÄRGER.wav"})
            WriteFileBytes(folder_ + "/" + name, name);
        ASSERT_EQ(0, mkdir((folder_ + "/sub").c_str(), 0777));
    }

    TempDir dir_;
    std::string folder_;
};

TEST_F(FolderScanTest, ListsAFolderWithoutHiddenAndArchiveEntries)
{
    LFolderScan scan;
    EXPECT_EQ((std::vector<std::string>{"Side A.WAV", "__macosx.wav", "notes.txt", "side b.wav", "sub",
                                        "ÄRGER.wav"}),
              ScanAll(scan, folder_));
    EXPECT_EQ(nullptr, scan.dir);
    EXPECT_STREQ("", scan.Name());
    EXPECT_STREQ("*", scan.pattern);
    EXPECT_EQ(folder_, scan.folder);
}

TEST_F(FolderScanTest, AFilePathScansItsFolderForThatNameIgnoringCase)
{
    LFolderScan scan;
    ASSERT_TRUE(scan.Start((folder_ + "/side b.wav").c_str()));
    EXPECT_STREQ("side b.wav", scan.Name());
    EXPECT_EQ(folder_, scan.folder);
    EXPECT_STREQ("side b.wav", scan.pattern);
    EXPECT_FALSE(scan.Next());

    EXPECT_EQ(std::vector<std::string>{"Side A.WAV"}, ScanAll(scan, folder_ + "/Side A.WAV"));
}

TEST_F(FolderScanTest, PatternsMatchIgnoringCase)
{
    LFolderScan scan;
    const struct
    {
        const char* pattern;
        const char* name;
        bool accepted;
    } cases[] = {
        {"*.wav", "Side A.WAV", true},      {"*.WAV", "side b.wav", true},   {"*.wav", "notes.txt", false},
        {"side ?.wav", "SIDE C.WAV", true}, {"*.wav", ".hidden.wav", false}, {"*", "__MACOSX.wav", false},
        {"ä*", "ÄRGER.wav", true},
    };
    for (const auto& c : cases) {
        std::strcpy(scan.pattern, c.pattern);
        EXPECT_EQ(c.accepted, scan.Accept(c.name)) << c.pattern << " " << c.name;
    }
}

TEST_F(FolderScanTest, ScanAllTakesEveryEntry)
{
    LFolderScanAll scan;
    const std::vector<std::string> names = ScanAll(scan, folder_);
    EXPECT_EQ(11u, names.size());
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "."));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), ".hidden.wav"));
}

TEST_F(FolderScanTest, NothingToScan)
{
    LFolderScan scan;
    EXPECT_FALSE(scan.Start(dir_.Path("missing").c_str()));
    EXPECT_FALSE(scan.Start(""));
    EXPECT_FALSE(scan.Start(nullptr));
    EXPECT_FALSE(scan.Start((folder_ + "/sub").c_str())); // empty folder
    EXPECT_FALSE(scan.Next());
    // A folder whose path does not fit a path buffer is refused.
    std::string deep = folder_;
    while (deep.size() < 300) {
        deep += "/" + std::string(50, 'd');
        ASSERT_EQ(0, mkdir(deep.c_str(), 0777));
    }
    WriteFileBytes(deep + "/f", "f");
    EXPECT_FALSE(scan.Start(deep.c_str()));
    // A scan can start again while one is open.
    ASSERT_TRUE(scan.Start(folder_.c_str()));
    ASSERT_TRUE(scan.Start(folder_.c_str()));
}

TEST(TempCopy, CopiesIntoAPrivateFolderOfTheCaches)
{
    TempHome home;
    TempDir dir;
    WriteFileBytes(dir.Path("cover.jpg"), "JPEG bytes");
    WriteFileBytes(dir.Path("back.png"), "PNG bytes");
    LTempCopyTable table;
    ASSERT_TRUE(LMakeTempCopy(&table, "IMAGE", dir.Path("cover.jpg").c_str()));
    const std::string folder = table.tempFolder;
    EXPECT_EQ(0u, folder.rfind(home.Path(".cache/Quorin/0"), 0)) << folder;
    struct stat info
    {
    };
    ASSERT_EQ(0, stat(folder.c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 07777);
    const std::string copy = table.copies.Get("IMAGE", "");
    EXPECT_EQ(0u, copy.rfind(folder + "/0", 0)) << copy;
    EXPECT_EQ(".jpg", copy.substr(copy.size() - 4));
    EXPECT_EQ("JPEG bytes", ReadFileBytes(copy));

    // A later copy under the same key goes to the same folder and replaces the entry.
    ASSERT_TRUE(LMakeTempCopy(&table, "IMAGE", dir.Path("back.png").c_str()));
    EXPECT_EQ(folder, table.tempFolder);
    const std::string second = table.copies.Get("IMAGE", "");
    EXPECT_NE(copy, second);
    EXPECT_EQ("PNG bytes", ReadFileBytes(second));

    // A failed copy records nothing and leaves no empty file behind.
    EXPECT_FALSE(LMakeTempCopy(&table, "OTHER", dir.Path("missing.jpg").c_str()));
    EXPECT_STREQ("none", table.copies.Get("OTHER", "none"));
    std::size_t files = 0;
    LFolderScanAll scan;
    for (bool more = scan.Start(folder.c_str()); more; more = scan.Next())
        files += scan.Name()[0] != '.';
    EXPECT_EQ(2u, files);

    EXPECT_TRUE(LDeleteFolder(table.tempFolder));
}

} // namespace
