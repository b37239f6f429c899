// The "Copy File" operation with progress, stop requests and refusals.

#include "foundation/files/LCopyFileWithProgress.h"
#include "foundation/threads/LProcessContext.h"
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
#include <utility>
#include <vector>

namespace {

using quorin::test::FolderEntries;
using quorin::test::ReadFileBytes;
using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

// Records what the copy reports; asks for a stop at the n-th stop test.
class RecordingContext : public LProcessContext
{
public:
    explicit RecordingContext(int stopAt = -1) : stopAt_(stopAt) {}
    bool IsStopRequested() override { return ++stopTests == stopAt_; }
    bool WaitForStop(uint32_t) override { return false; }
    int WaitForStopOrSignal(const LSignalObject*, uint32_t) override { return LWaitTimedOut; }
    int WaitForStopOrPollSet(LPollSet*, uint32_t) override { return LWaitTimedOut; }
    void MessageLevel(const char* text, int level) override { messages.emplace_back(level, text); }
    void Progress(double fraction) override { progress.push_back(fraction); }

    std::vector<std::pair<int, std::string>> messages;
    std::vector<double> progress;
    int stopTests = 0;

private:
    int stopAt_;
};

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 37) ^ (i >> 10));
    return bytes;
}

LCopyFileRequest Request(const std::string& source, const std::string& destination)
{
    LCopyFileRequest request{};
    std::snprintf(request.source, sizeof request.source, "%s", source.c_str());
    std::snprintf(request.destination, sizeof request.destination, "%s", destination.c_str());
    return request;
}

TEST(CopyFileWithProgress, CopiesAndReportsEveryPercentAtMost)
{
    TempDir dir;
    const std::string data = Pattern(5 * 1024 * 1024 + 123);
    WriteFileBytes(dir.Path("take.wav"), data);
    const timespec times[2] = {{1000000000, 0}, {1300000000, 5000}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, dir.Path("take.wav").c_str(), times, 0));
    ASSERT_EQ(0, mkdir(dir.Path("out").c_str(), 0777));

    RecordingContext context;
    EXPECT_EQ(0, LCopyFileWithProgress(&context, Request(dir.Path("take.wav"), dir.Path("out/copy.wav"))));
    EXPECT_EQ(data, ReadFileBytes(dir.Path("out/copy.wav")));
    const std::vector<std::pair<int, std::string>> expected = {{0, "Copy File"}, {1, "copy.wav"}};
    EXPECT_EQ(expected, context.messages);
    ASSERT_GE(context.progress.size(), 3u);
    EXPECT_EQ(0.0, context.progress.front());
    EXPECT_EQ(1.0, context.progress.back());
    EXPECT_TRUE(std::is_sorted(context.progress.begin(), context.progress.end()));
    // 161 pieces of 32768 bytes, but at most one report per percent.
    EXPECT_LE(context.progress.size(), 102u);
    for (std::size_t i = 1; i + 1 < context.progress.size(); ++i)
        EXPECT_GE(context.progress[i] - context.progress[i - 1], 0.01 - 1e-12);
    // One stop test per piece.
    EXPECT_EQ(static_cast<int>((data.size() + 32767) / 32768), context.stopTests);

    struct stat info
    {
    };
    ASSERT_EQ(0, stat(dir.Path("out/copy.wav").c_str(), &info));
    EXPECT_EQ(1300000000, info.st_mtim.tv_sec);
    EXPECT_EQ(5000, info.st_mtim.tv_nsec);
    EXPECT_EQ(std::vector<std::string>{"copy.wav"}, FolderEntries(dir.Path("out")));
}

TEST(CopyFileWithProgress, EmptyFilesTakeTheSourceTime)
{
    TempDir dir;
    WriteFileBytes(dir.Path("empty"), "");
    const timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, dir.Path("empty").c_str(), times, 0));
    RecordingContext context;
    EXPECT_EQ(0, LCopyFileWithProgress(&context, Request(dir.Path("empty"), dir.Path("copy"))));
    struct stat info
    {
    };
    ASSERT_EQ(0, stat(dir.Path("copy").c_str(), &info));
    EXPECT_EQ(0, info.st_size);
    EXPECT_EQ(1100000000, info.st_mtim.tv_sec);
    EXPECT_EQ((std::vector<double>{0.0, 1.0}), context.progress);
}

TEST(CopyFileWithProgress, LongNamesAreShortenedInTheMiddle)
{
    TempDir dir;
    WriteFileBytes(dir.Path("s"), "x");
    const std::string name = std::string(40, 'a') + std::string(40, 'b') + ".wav";
    RecordingContext context;
    EXPECT_EQ(0, LCopyFileWithProgress(&context, Request(dir.Path("s"), dir.Path(name))));
    ASSERT_EQ(2u, context.messages.size());
    EXPECT_EQ(std::string(23, 'a') + "..." + std::string(19, 'b') + ".wav", context.messages[1].second);
}

TEST(CopyFileWithProgress, AStopLeavesTheDestinationAsItWas)
{
    TempDir dir;
    const std::string data = Pattern(1024 * 1024);
    WriteFileBytes(dir.Path("source"), data);
    RecordingContext first(3);
    EXPECT_EQ(1, LCopyFileWithProgress(&first, Request(dir.Path("source"), dir.Path("new"))));
    EXPECT_EQ(std::vector<std::string>{"source"}, FolderEntries(dir.Path()));

    WriteFileBytes(dir.Path("old"), "old contents", 0600);
    RecordingContext second(5);
    EXPECT_EQ(1, LCopyFileWithProgress(&second, Request(dir.Path("source"), dir.Path("old"))));
    EXPECT_EQ("old contents", ReadFileBytes(dir.Path("old")));
    EXPECT_EQ((std::vector<std::string>{"old", "source"}), FolderEntries(dir.Path()));

    // Without a stop the old file is replaced and keeps its permissions.
    RecordingContext third;
    EXPECT_EQ(0, LCopyFileWithProgress(&third, Request(dir.Path("source"), dir.Path("old"))));
    EXPECT_EQ(data, ReadFileBytes(dir.Path("old")));
    struct stat info
    {
    };
    ASSERT_EQ(0, stat(dir.Path("old").c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 07777);
}

TEST(CopyFileWithProgress, RefusesToCopyAFileOntoItself)
{
    TempDir dir;
    const std::string data = Pattern(100000);
    const std::string source = dir.Path("song.wav");
    WriteFileBytes(source, data);
    ASSERT_EQ(0, symlink(source.c_str(), dir.Path("link.wav").c_str()));
    ASSERT_EQ(0, link(source.c_str(), dir.Path("hard.wav").c_str()));
    ASSERT_EQ(0, mkdir(dir.Path("sub").c_str(), 0777));
    const std::string names[] = {source, dir.Path("link.wav"), dir.Path("hard.wav"),
                                 dir.Path("sub/../song.wav")};
    for (const std::string& destination : names) {
        RecordingContext context;
        EXPECT_EQ(2, LCopyFileWithProgress(&context, Request(source, destination))) << destination;
        EXPECT_EQ(data, ReadFileBytes(source)) << destination;
    }
    EXPECT_EQ((std::vector<std::string>{"hard.wav", "link.wav", "song.wav", "sub"}),
              FolderEntries(dir.Path()));
}

TEST(CopyFileWithProgress, FailsWithoutTouchingAnything)
{
    TempDir dir;
    WriteFileBytes(dir.Path("file"), "x");
    ASSERT_EQ(0, mkdir(dir.Path("folder").c_str(), 0777));
    ASSERT_EQ(0, mkfifo(dir.Path("fifo").c_str(), 0600));
    const std::pair<std::string, std::string> cases[] = {
        {dir.Path("missing"), dir.Path("out")},
        {dir.Path("file"), dir.Path("nofolder/out")},
        {dir.Path("folder"), dir.Path("out")},
        {dir.Path("fifo"), dir.Path("out")},
        {dir.Path("file"), ""},
        {dir.Path("file"), dir.Path("folder")},
    };
    for (const auto& [source, destination] : cases) {
        RecordingContext context;
        EXPECT_EQ(2, LCopyFileWithProgress(&context, Request(source, destination)))
            << source << " " << destination;
    }
    EXPECT_EQ((std::vector<std::string>{"fifo", "file", "folder"}), FolderEntries(dir.Path()));
    EXPECT_TRUE(FolderEntries(dir.Path("folder")).empty());
}

TEST(CopyFileWithProgress, RefusesRequestsWithoutTerminators)
{
    TempDir dir;
    WriteFileBytes(dir.Path("file"), "x");
    LCopyFileRequest request = Request(dir.Path("file"), dir.Path("out"));
    std::memset(request.destination, 'a', sizeof request.destination);
    RecordingContext context;
    EXPECT_EQ(2, LCopyFileWithProgress(&context, request));
    request = Request(dir.Path("file"), dir.Path("out"));
    std::memset(request.source, '/', sizeof request.source);
    EXPECT_EQ(2, LCopyFileWithProgress(&context, request));
    EXPECT_EQ(std::vector<std::string>{"file"}, FolderEntries(dir.Path()));
}

TEST(CopyFileWithProgress, ARelativeDestinationLandsInTheWorkingFolder)
{
    TempDir dir;
    WriteFileBytes(dir.Path("file"), "data");
    char old[4096];
    ASSERT_NE(nullptr, getcwd(old, sizeof old));
    ASSERT_EQ(0, chdir(dir.Path().c_str()));
    RecordingContext context;
    const int result = LCopyFileWithProgress(&context, Request("file", "copy"));
    ASSERT_EQ(0, chdir(old));
    EXPECT_EQ(0, result);
    EXPECT_EQ("data", ReadFileBytes(dir.Path("copy")));
}

} // namespace
