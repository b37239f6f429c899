// The daily log: file names and line layout, day changes, whole long lines,
// and many writers (threads and processes) sharing one day's file.

#include "foundation/log/LLog.h"

#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using quorin::test::PathExists;
using quorin::test::ReadFileBytes;
using quorin::test::TempHome;

// Lines split at CR LF; a line without its CR LF ends the list with a marker.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back("<unterminated>" + text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Local time is UTC for these tests, so stamps are predictable.
class DailyLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        savedTz_ = tz ? tz : "";
        hadTz_ = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
        folder_ = home_.Path("logs");
        log_.SetFolder(folder_.c_str());
    }
    void TearDown() override
    {
        if (hadTz_)
            setenv("TZ", savedTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::string DayFile(const char* date) const
    {
        return folder_ + "/" + date + " Quorin Dizer od OD Udivezeve Log.txt";
    }

    TempHome home_;
    std::string folder_;
    LLog log_;
    std::string savedTz_;
    bool hadTz_ = false;
};

constexpr time_t k2026Dec10At235959 = 1796947199; // 2026-12-10 23:59:59 UTC

TEST_F(DailyLogTest, LineLayoutAndFileName)
{
    log_.WriteAt("Recording saved", kLogInfo, k2026Dec10At235959 - 3600 * 10 - 60 * 5 - 30);
    EXPECT_EQ(ReadFileBytes(DayFile("2026-12-10")), "13:54:29 Recording saved\r\n");
}

TEST_F(DailyLogTest, MidnightStartsANewFile)
{
    log_.WriteAt("last of the day", kLogInfo, k2026Dec10At235959);
    log_.WriteAt("first of the next", kLogInfo, k2026Dec10At235959 + 1);
    EXPECT_EQ(ReadFileBytes(DayFile("2026-12-10")), "23:59:59 last of the day\r\n");
    EXPECT_EQ(ReadFileBytes(DayFile("2026-12-11")), "00:00:00 first of the next\r\n");
}

TEST_F(DailyLogTest, EmptyTextWritesNothing)
{
    log_.WriteAt("", kLogError, k2026Dec10At235959);
    log_.WriteAt(nullptr, kLogError, k2026Dec10At235959);
    EXPECT_FALSE(PathExists(DayFile("2026-12-10")));
}

TEST_F(DailyLogTest, LongTextIsWrittenWholeOnOneLine)
{
    std::string text(10000, 'x');
    text[5000] = '%'; // not a format
    log_.WriteAt(text.c_str(), kLogInfo, k2026Dec10At235959);
    EXPECT_EQ(ReadFileBytes(DayFile("2026-12-10")), "23:59:59 " + text + "\r\n");
}

// A quoted file name cannot forge a line: its line breaks and other control
// characters are written escaped, the rest of the text as it is.
TEST_F(DailyLogTest, ControlCharactersAreEscapedSoATextStaysOneLine)
{
    struct Case
    {
        std::string text;
        std::string line;
    };
    const Case cases[] = {
        {"File /m/a\n12:00:00 File conversion succeeded.wav added",
         "File /m/a\\n12:00:00 File conversion succeeded.wav added"},
        {"cr\r\nlf", "cr\\r\\nlf"},
        {"tab\tbell\x07"
         "del\x7F"
         "esc\x1B[2J",
         "tab\\tbell\\x07del\\x7Fesc\\x1B[2J"},
        {"Caf\xC3\xA9 \\ 100%", "Caf\xC3\xA9 \\ 100%"},
    };
    std::string expected;
    for (const Case& c : cases) {
        log_.WriteAt(c.text.c_str(), kLogInfo, k2026Dec10At235959);
        expected += "23:59:59 " + c.line + "\r\n";
    }
    EXPECT_EQ(ReadFileBytes(DayFile("2026-12-10")), expected);
}

class RecordingObserver : public LLogObserver
{
public:
    void OnLogLine(const char* stamp, const char* text, int level) override
    {
        seen.push_back(std::string(stamp) + "|" + text + "|" + std::to_string(level));
    }
    std::vector<std::string> seen;
};

TEST_F(DailyLogTest, LevelsGiveIdenticalLinesAndReachTheObserver)
{
    RecordingObserver observer;
    log_.SetObserver(&observer);
    for (int level : {kLogInfo, kLogWarning, kLogError})
        log_.WriteAt("same", level, k2026Dec10At235959);
    log_.SetObserver(nullptr);
    EXPECT_EQ(ReadFileBytes(DayFile("2026-12-10")), "23:59:59 same\r\n23:59:59 same\r\n23:59:59 same\r\n");
    EXPECT_EQ(observer.seen,
              (std::vector<std::string>{"23:59:59|same|0", "23:59:59|same|1", "23:59:59|same|2"}));
}

TEST_F(DailyLogTest, FolderRemovedWhileRunningIsMadeAgain)
{
    log_.WriteAt("one", kLogInfo, k2026Dec10At235959);
    std::string file = DayFile("2026-12-10");
    ASSERT_EQ(unlink(file.c_str()), 0);
    ASSERT_EQ(rmdir(folder_.c_str()), 0);
    log_.WriteAt("two", kLogInfo, k2026Dec10At235959);
    EXPECT_EQ(ReadFileBytes(file), "23:59:59 two\r\n");
}

TEST_F(DailyLogTest, ALockHeldTooLongDelaysButDoesNotLoseTheLine)
{
    log_.WriteAt("first", kLogInfo, k2026Dec10At235959);
    std::string file = DayFile("2026-12-10");
    int holder = open(file.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0); // a separate open file: conflicts like another process
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(LLogAppendToFile(file.c_str(), "second\r\n", 8, 500));
    auto waited = std::chrono::steady_clock::now() - start;
    close(holder);
    EXPECT_GE(waited, std::chrono::milliseconds(400));
    EXPECT_EQ(ReadFileBytes(file), "23:59:59 first\r\nsecond\r\n");
}

TEST(LogAppend, UnwritablePathFails)
{
    EXPECT_FALSE(LLogAppendToFile("/proc/no-such-folder/x.txt", "a", 1, 10));
}

TEST(GlobalLog, FollowsTheStandardLogsFolder)
{
    TempHome home;
    LLogWarning("global line");
    std::string folder = home.Path(".local/share/Quorin/Logs");
    char path[260];
    LGetGlobalLog()->GetPathFor(time(nullptr), path);
    EXPECT_EQ(std::string(path).rfind(folder + "/", 0), 0u) << path;
    std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find(" global line\r\n"), std::string::npos);
    LLogErrorF("value %d of %s", 42, "x");
    EXPECT_NE(ReadFileBytes(path).find(" value 42 of x\r\n"), std::string::npos);
}

// Each writer tags its lines "<writer> <index> <padding>"; every line must be
// there once, whole, and in each writer's own order.
void CheckWriters(const std::string& text, int writers, int linesEach)
{
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), size_t(writers * linesEach));
    std::map<int, int> next;
    for (const std::string& line : lines) {
        int writer = -1;
        int index = -1;
        char padding[400] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "%*2d:%*2d:%*2d W%d %d %399s", &writer, &index, padding), 3)
            << line;
        ASSERT_EQ(std::string(padding), std::string(100 + writer % 7 * 30, char('a' + writer))) << line;
        ASSERT_EQ(index, next[writer]) << line;
        next[writer]++;
    }
    for (int w = 0; w < writers; ++w)
        EXPECT_EQ(next[w], linesEach);
}

void WriteTaggedLines(LLog* log, int writer, int count)
{
    std::string padding(100 + writer % 7 * 30, char('a' + writer));
    for (int i = 0; i < count; ++i) {
        std::string line = "W" + std::to_string(writer) + " " + std::to_string(i) + " " + padding;
        log->WriteAt(line.c_str(), kLogInfo, k2026Dec10At235959);
    }
}

TEST_F(DailyLogTest, ThreadsWritingAtOnceKeepEveryLine)
{
    constexpr int kThreads = 4;
    constexpr int kLines = 1500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(WriteTaggedLines, &log_, t, kLines);
    for (auto& thread : threads)
        thread.join();
    CheckWriters(ReadFileBytes(DayFile("2026-12-10")), kThreads, kLines);
}

TEST_F(DailyLogTest, TwoProcessesWritingAtOnceKeepEveryLine)
{
    constexpr int kProcesses = 2;
    constexpr int kLines = 4000;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(gate[1]);
            char byte;
            // Both start when the parent closes the gate.
            (void)!read(gate[0], &byte, 1);
            WriteTaggedLines(&log_, p, kLines);
            _exit(0);
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CheckWriters(ReadFileBytes(DayFile("2026-12-10")), kProcesses, kLines);
}

} // namespace
