// Copies of single files.

#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using quorin::test::FolderEntries;
using quorin::test::ReadFileBytes;
using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131) ^ (i >> 9));
    return bytes;
}

struct stat StatOf(const std::string& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(0, lstat(path.c_str(), &info)) << path;
    return info;
}

TEST(FileCopy, CopiesDataPermissionsTimesAndAttributes)
{
    TempDir dir;
    const std::string source = dir.Path("source.wav");
    const std::string data = Pattern(1234567);
    WriteFileBytes(source, data, 0640);
    const timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, source.c_str(), times, 0));
    const bool haveAttributes = setxattr(source.c_str(), "user.quorin", "tag", 3, 0) == 0;

    const std::string dest = dir.Path("dest.wav");
    ASSERT_TRUE(LFileCopy(source.c_str(), dest.c_str()));
    EXPECT_EQ(data, ReadFileBytes(dest));
    const struct stat info = StatOf(dest);
    EXPECT_EQ(0640u, info.st_mode & 07777);
    EXPECT_EQ(1200000000, info.st_mtim.tv_sec);
    EXPECT_EQ(987654321, info.st_mtim.tv_nsec);
    if (haveAttributes) {
        char value[8] = {};
        EXPECT_EQ(3, getxattr(dest.c_str(), "user.quorin", value, sizeof value));
        EXPECT_STREQ("tag", value);
    }
}

TEST(FileCopy, CopiesAreNeverWritableByEveryoneNorSetId)
{
    TempDir dir;
    const std::string source = dir.Path("tool");
    WriteFileBytes(source, "#!/bin/sh\n", 04777);
    ASSERT_TRUE(LFileCopy(source.c_str(), dir.Path("copy").c_str()));
    EXPECT_EQ(0775u, StatOf(dir.Path("copy")).st_mode & 07777);
}

TEST(FileCopy, ReplacesAnExistingFileAsAWhole)
{
    TempDir dir;
    const std::string source = dir.Path("new");
    const std::string dest = dir.Path("old");
    WriteFileBytes(source, "short");
    WriteFileBytes(dest, Pattern(100000));
    // A reader of the old file keeps its contents.
    const int reader = open(dest.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_TRUE(LFileCopy(source.c_str(), dest.c_str()));
    EXPECT_EQ("short", ReadFileBytes(dest));
    char first[4];
    EXPECT_EQ(4, read(reader, first, 4));
    EXPECT_EQ(0, std::memcmp(first, Pattern(4).data(), 4));
    close(reader);
    EXPECT_EQ((std::vector<std::string>{"new", "old"}), FolderEntries(dir.Path()));

    // Copying a file onto itself keeps it whole.
    ASSERT_TRUE(LFileCopy(dest.c_str(), dest.c_str()));
    EXPECT_EQ("short", ReadFileBytes(dest));
}

// A copy that must not replace: the file that has the name stays as it
// was, nothing is left beside it, and the caller learns the name is taken.
TEST(FileCopy, ACopyWithoutReplacingLeavesAnExistingFileAlone)
{
    TempDir dir;
    const std::string source = dir.Path("new.wav");
    const std::string dest = dir.Path("take.wav");
    WriteFileBytes(source, "the new take");
    WriteFileBytes(dest, "the older take");
    errno = 0;
    EXPECT_FALSE(LFileCopyWithoutReplacing(source.c_str(), dest.c_str()));
    EXPECT_EQ(EEXIST, errno);
    EXPECT_EQ("the older take", ReadFileBytes(dest));
    EXPECT_EQ((std::vector<std::string>{"new.wav", "take.wav"}), FolderEntries(dir.Path()));

    ASSERT_TRUE(LFileCopyWithoutReplacing(source.c_str(), dir.Path("free.wav").c_str()));
    EXPECT_EQ("the new take", ReadFileBytes(dir.Path("free.wav")));
}

TEST(FileCopy, EmptyFilesAreCopied)
{
    TempDir dir;
    WriteFileBytes(dir.Path("empty"), "");
    ASSERT_TRUE(LFileCopy(dir.Path("empty").c_str(), dir.Path("copy").c_str()));
    EXPECT_EQ(0, StatOf(dir.Path("copy")).st_size);
}

TEST(FileCopy, SymbolicLinksAreCopiedAsLinks)
{
    TempDir dir;
    WriteFileBytes(dir.Path("target"), "data");
    ASSERT_EQ(0, symlink("target", dir.Path("link").c_str()));
    ASSERT_EQ(0, symlink("nowhere", dir.Path("dangling").c_str()));
    ASSERT_EQ(0, mkdir(dir.Path("out").c_str(), 0777));
    ASSERT_TRUE(LFileCopy(dir.Path("link").c_str(), dir.Path("out/link").c_str()));
    ASSERT_TRUE(LFileCopy(dir.Path("dangling").c_str(), dir.Path("out/dangling").c_str()));
    char target[64] = {};
    ASSERT_EQ(6, readlink(dir.Path("out/link").c_str(), target, sizeof target));
    EXPECT_STREQ("target", target);
    EXPECT_TRUE(S_ISLNK(StatOf(dir.Path("out/dangling")).st_mode));

    // A link at the destination is replaced, not written through.
    WriteFileBytes(dir.Path("other"), "other");
    ASSERT_EQ(0, symlink(dir.Path("target").c_str(), dir.Path("out/through").c_str()));
    ASSERT_TRUE(LFileCopy(dir.Path("other").c_str(), dir.Path("out/through").c_str()));
    EXPECT_EQ("data", ReadFileBytes(dir.Path("target")));
    EXPECT_EQ("other", ReadFileBytes(dir.Path("out/through")));
    EXPECT_TRUE(S_ISREG(StatOf(dir.Path("out/through")).st_mode));
}

TEST(FileCopy, RefusesWhatIsNotAFileAndLeavesNothingBehind)
{
    TempDir dir;
    ASSERT_EQ(0, mkdir(dir.Path("folder").c_str(), 0777));
    ASSERT_EQ(0, mkfifo(dir.Path("fifo").c_str(), 0600));
    ASSERT_EQ(0, mkdir(dir.Path("out").c_str(), 0777));
    // A FIFO would block a copy for ever.
    EXPECT_FALSE(LFileCopy(dir.Path("fifo").c_str(), dir.Path("out/fifo").c_str()));
    EXPECT_FALSE(LFileCopy(dir.Path("folder").c_str(), dir.Path("out/folder").c_str()));
    EXPECT_FALSE(LFileCopy(dir.Path("missing").c_str(), dir.Path("out/missing").c_str()));
    WriteFileBytes(dir.Path("file"), "x");
    EXPECT_FALSE(LFileCopy(dir.Path("file").c_str(), dir.Path("nofolder/file").c_str()));
    EXPECT_FALSE(LFileCopy(dir.Path("file").c_str(), ""));
    EXPECT_TRUE(FolderEntries(dir.Path("out")).empty());
}

TEST(FileCopy, CopiesFromPseudoFiles)
{
    // /proc files report a size of 0: the copy reads until the end instead.
    TempDir dir;
    ASSERT_TRUE(LFileCopy("/proc/self/status", dir.Path("status").c_str()));
    EXPECT_NE(std::string::npos, ReadFileBytes(dir.Path("status")).find("Umask:"));
}

TEST(FileCopyData, CopiesUpToALimitFromTheCurrentOffsets)
{
    TempDir dir;
    const std::string data = Pattern(200000);
    WriteFileBytes(dir.Path("in"), data);
    const int in = open(dir.Path("in").c_str(), O_RDONLY | O_CLOEXEC);
    const int out = open(dir.Path("out").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(100, lseek(in, 100, SEEK_SET));
    uint64_t copied = 0;
    ASSERT_TRUE(LCopyFileData(in, out, 1000, &copied));
    EXPECT_EQ(1000u, copied);
    ASSERT_TRUE(LCopyFileData(in, out, UINT64_MAX, &copied));
    EXPECT_EQ(data.size() - 1100, copied);
    close(in);
    close(out);
    EXPECT_EQ(data.substr(100), ReadFileBytes(dir.Path("out")));
}

} // namespace
