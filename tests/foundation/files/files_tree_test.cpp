// Folder trees copied, removed and opened up, with symbolic links in them.

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderTree.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
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
using quorin::test::WriteFileBytes;

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool IsLink(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(0, lstat(path.c_str(), &info)) << path;
    return info.st_mode & 07777;
}

std::string LinkTarget(const std::string& path)
{
    char target[4096] = {};
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

// Every path below a folder, relative to it, sorted; links are not followed.
void ListTree(const std::string& root, const std::string& relative, std::vector<std::string>& out)
{
    DIR* dir = opendir((root + "/" + relative).c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = relative.empty() ? name : relative + "/" + name;
        out.push_back(path);
        struct stat info;
        if (lstat((root + "/" + path).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            ListTree(root, path, out);
    }
    closedir(dir);
    std::sort(out.begin(), out.end());
}

std::vector<std::string> Tree(const std::string& root)
{
    std::vector<std::string> out;
    ListTree(root, "", out);
    return out;
}

// A tree with files, a hidden file, sub-folders and links: one to a file
// inside, one to a folder outside the tree, one to its own parent (a cycle)
// and one that points nowhere.
class TreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        src_ = dir_.Path("src");
        outside_ = dir_.Path("outside");
        ASSERT_EQ(0, mkdir(src_.c_str(), 0777));
        ASSERT_EQ(0, mkdir(outside_.c_str(), 0777));
        WriteFileBytes(outside_ + "/keep.txt", "keep", 0600);
        WriteFileBytes(src_ + "/a.txt", "a");
        WriteFileBytes(src_ + "/.hidden", "h");
        ASSERT_EQ(0, mkdir((src_ + "/sub").c_str(), 0777));
        WriteFileBytes(src_ + "/sub/b.txt", "b");
        ASSERT_EQ(0, mkdir((src_ + "/sub/deep").c_str(), 0777));
        WriteFileBytes(src_ + "/sub/deep/c.sh", "#!/bin/sh\n", 0700);
        ASSERT_EQ(0, symlink("a.txt", (src_ + "/to_file").c_str()));
        ASSERT_EQ(0, symlink(outside_.c_str(), (src_ + "/to_outside").c_str()));
        ASSERT_EQ(0, symlink("..", (src_ + "/sub/to_parent").c_str()));
        ASSERT_EQ(0, symlink("missing", (src_ + "/dangling").c_str()));
    }

    TempDir dir_;
    std::string src_;
    std::string outside_;
};

const std::vector<std::string> kSourceTree = {
    ".hidden",  "a.txt",         "dangling",      "sub",     "sub/b.txt",
    "sub/deep", "sub/deep/c.sh", "sub/to_parent", "to_file", "to_outside",
};

TEST_F(TreeTest, CopyKeepsLinksAsLinks)
{
    ASSERT_EQ(kSourceTree, Tree(src_));
    const std::string dest = dir_.Path("copy/of/src");
    EXPECT_TRUE(LCopyFolderTree(src_.c_str(), dest.c_str()));
    EXPECT_EQ(kSourceTree, Tree(dest));
    EXPECT_EQ("a", ReadFileBytes(dest + "/a.txt"));
    EXPECT_EQ("h", ReadFileBytes(dest + "/.hidden"));
    EXPECT_EQ("#!/bin/sh\n", ReadFileBytes(dest + "/sub/deep/c.sh"));
    EXPECT_EQ(0700u, ModeOf(dest + "/sub/deep/c.sh"));
    EXPECT_TRUE(IsLink(dest + "/to_outside"));
    EXPECT_EQ(outside_, LinkTarget(dest + "/to_outside"));
    EXPECT_EQ("..", LinkTarget(dest + "/sub/to_parent"));
    EXPECT_EQ("a.txt", LinkTarget(dest + "/to_file"));
    EXPECT_EQ("missing", LinkTarget(dest + "/dangling"));
}

TEST_F(TreeTest, CopyReplacesOrKeepsExistingFiles)
{
    const std::string dest = dir_.Path("dest");
    ASSERT_EQ(0, mkdir(dest.c_str(), 0777));
    ASSERT_EQ(0, mkdir((dest + "/sub").c_str(), 0777));
    WriteFileBytes(dest + "/a.txt", "old a");
    WriteFileBytes(dest + "/sub/b.txt", "old b");
    EXPECT_TRUE(LCopyFolderTreeKeepExisting(nullptr, src_.c_str(), dest.c_str()));
    EXPECT_EQ("old a", ReadFileBytes(dest + "/a.txt"));
    EXPECT_EQ("old b", ReadFileBytes(dest + "/sub/b.txt"));
    EXPECT_EQ("#!/bin/sh\n", ReadFileBytes(dest + "/sub/deep/c.sh"));
    EXPECT_EQ(kSourceTree, Tree(dest));

    EXPECT_TRUE(LCopyFolderTree(src_.c_str(), dest.c_str()));
    EXPECT_EQ("a", ReadFileBytes(dest + "/a.txt"));
    EXPECT_EQ("b", ReadFileBytes(dest + "/sub/b.txt"));
}

TEST_F(TreeTest, CopyIntoItselfStops)
{
    const std::string dest = src_ + "/sub/copy";
    EXPECT_TRUE(LCopyFolderTree(src_.c_str(), dest.c_str()));
    EXPECT_EQ("b", ReadFileBytes(dest + "/sub/b.txt"));
    EXPECT_FALSE(Exists(dest + "/sub/copy"));
    EXPECT_FALSE(LCopyFolderTree(src_.c_str(), src_.c_str()));
}

TEST_F(TreeTest, CopyNeedsAFolder)
{
    EXPECT_FALSE(LCopyFolderTree((src_ + "/a.txt").c_str(), dir_.Path("x").c_str()));
    EXPECT_FALSE(LCopyFolderTree(dir_.Path("missing").c_str(), dir_.Path("x").c_str()));
    EXPECT_FALSE(Exists(dir_.Path("x")));
    // A destination that is a file cannot be made a folder.
    WriteFileBytes(dir_.Path("file"), "f");
    EXPECT_FALSE(LCopyFolderTree(src_.c_str(), dir_.Path("file").c_str()));
    EXPECT_EQ("f", ReadFileBytes(dir_.Path("file")));
}

TEST_F(TreeTest, CopyGoesOnPastPathsTooLongForTheirBuffer)
{
    // A destination folder whose entries' paths pass 259 bytes for long names.
    std::string dest = dir_.Path("d");
    dest += "/" + std::string(250 - dest.size() - 1, 'd');
    ASSERT_EQ(250u, dest.size());
    WriteFileBytes(src_ + "/a_name_that_is_too_long_to_fit", "x");
    EXPECT_FALSE(LCopyFolderTree(src_.c_str(), dest.c_str()));
    EXPECT_EQ("a", ReadFileBytes(dest + "/a.txt"));
    EXPECT_FALSE(Exists(dest + "/a_name_that_is_too_long_to_fit"));
    // Nothing shortened was made in its place.
    for (const std::string& entry : Tree(dest))
        EXPECT_EQ(std::string::npos, entry.find("a_name")) << entry;
}

TEST_F(TreeTest, DeleteRemovesLinksNotWhatTheyPointAt)
{
    EXPECT_TRUE(LDeleteFolderTree(src_.c_str()));
    EXPECT_FALSE(Exists(src_));
    EXPECT_EQ("keep", ReadFileBytes(outside_ + "/keep.txt"));
    EXPECT_EQ(std::vector<std::string>{"keep.txt"}, Tree(outside_));
}

TEST_F(TreeTest, ForcedDeleteAlsoKeepsWhatLinksPointAt)
{
    EXPECT_TRUE(LDeleteFolderTreeForce(src_.c_str()));
    EXPECT_FALSE(Exists(src_));
    EXPECT_EQ(std::vector<std::string>{"keep.txt"}, Tree(outside_));
}

TEST_F(TreeTest, DeleteOfALinkToAFolderLeavesBoth)
{
    const std::string link = dir_.Path("link");
    ASSERT_EQ(0, symlink(outside_.c_str(), link.c_str()));
    EXPECT_FALSE(LDeleteFolderTree(link.c_str()));
    // A trailing separator makes the system resolve the link; still refused.
    EXPECT_FALSE(LDeleteFolderTree((link + "/").c_str()));
    EXPECT_FALSE(LDeleteFolderTree((link + "//").c_str()));
    EXPECT_FALSE(LDeleteFolder((link + "/").c_str()));
    EXPECT_TRUE(IsLink(link));
    EXPECT_EQ(std::vector<std::string>{"keep.txt"}, Tree(outside_));
}

TEST_F(TreeTest, DeleteEdgeCases)
{
    EXPECT_FALSE(LDeleteFolderTree(""));
    EXPECT_FALSE(LDeleteFolderTree(nullptr));
    // A plain file is not a folder: the removal fails and the file stays.
    EXPECT_FALSE(LDeleteFolderTree((src_ + "/a.txt").c_str()));
    EXPECT_EQ("a", ReadFileBytes(src_ + "/a.txt"));
    EXPECT_FALSE(LDeleteFolderTree(dir_.Path("missing").c_str()));
    // A trailing separator names the folder.
    EXPECT_TRUE(LDeleteFolderTree((src_ + "/sub/").c_str()));
    EXPECT_FALSE(Exists(src_ + "/sub"));
}

TEST(DeleteFolderTree, RemovesTreesDeeperThanAPathBuffer)
{
    TempDir dir;
    std::string path = dir.Path("top");
    const std::string top = path;
    ASSERT_EQ(0, mkdir(path.c_str(), 0777));
    for (int level = 0; level < 30; ++level) {
        path += "/" + std::string(20, static_cast<char>('a' + level % 26));
        ASSERT_EQ(0, mkdir(path.c_str(), 0777));
        WriteFileBytes(path + "/f", "x");
    }
    ASSERT_GT(path.size(), 600u);
    EXPECT_TRUE(LDeleteFolderTree(top.c_str()));
    EXPECT_FALSE(Exists(top));
}

TEST_F(TreeTest, DeleteFolderRemovesOnlyTheFilesDirectlyInside)
{
    EXPECT_FALSE(LDeleteFolder(src_.c_str()));
    EXPECT_EQ((std::vector<std::string>{"sub", "sub/b.txt", "sub/deep", "sub/deep/c.sh", "sub/to_parent"}),
              Tree(src_));
    const std::string flat = dir_.Path("flat");
    ASSERT_EQ(0, mkdir(flat.c_str(), 0777));
    WriteFileBytes(flat + "/x", "x");
    WriteFileBytes(flat + "/.y", "y");
    ASSERT_EQ(0, symlink(outside_.c_str(), (flat + "/to_outside").c_str()));
    EXPECT_TRUE(LDeleteFolder(flat.c_str()));
    EXPECT_FALSE(Exists(flat));
    EXPECT_EQ(std::vector<std::string>{"keep.txt"}, Tree(outside_));
}

TEST_F(TreeTest, ChmodFollowsTheUmaskAndNoLinks)
{
    const mode_t outsideMode = ModeOf(outside_);
    const mode_t old = umask(0);
    // Even with no umask at all nothing becomes writable by everyone.
    EXPECT_TRUE(LChmodFolderTree(src_.c_str()));
    EXPECT_EQ(0775u, ModeOf(src_));
    EXPECT_EQ(0664u, ModeOf(src_ + "/a.txt"));
    EXPECT_EQ(0775u, ModeOf(src_ + "/sub/deep"));
    EXPECT_EQ(0775u, ModeOf(src_ + "/sub/deep/c.sh"));
    umask(027);
    EXPECT_TRUE(LChmodFolderTree(src_.c_str()));
    EXPECT_EQ(0750u, ModeOf(src_));
    EXPECT_EQ(0640u, ModeOf(src_ + "/sub/b.txt"));
    EXPECT_EQ(0750u, ModeOf(src_ + "/sub/deep/c.sh"));
    umask(old);
    // What the links point at is left alone.
    EXPECT_EQ(0600u, ModeOf(outside_ + "/keep.txt"));
    EXPECT_EQ(outsideMode, ModeOf(outside_));
    EXPECT_FALSE(LChmodFolderTree((src_ + "/to_outside").c_str()));
}

} // namespace
