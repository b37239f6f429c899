// The HTTP client against a scripted server on 127.0.0.1: bodies with and
// without a length, answers cut short or too slow, error codes, redirects of
// every kind, oversized answers, headers in odd case, forms and the lock of
// a download's destination.

#include "OnlineTestSupport.h"

#include "foundation/files/LByteArray.h"
#include "online/LHttpClient.h"
#include "online/LTlsSocket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

using namespace quorin::test;

namespace {

class HttpClient : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.Start(dir_.Path(), {"--post-log", dir_.Path("posts.log")}))
            << "the test server did not start";
    }

    std::string Url(const std::string& path) const { return server_.Url("http", "127.0.0.1", path); }
    std::string Dest() const { return dir_.Path("out.bin"); }

    TempDir dir_;
    TestServer server_;
    LLocalProcessContext context_;
};

// Small per-wait time-outs and deadline so that slow servers fail quickly.
LHttpLimits QuickLimits()
{
    LHttpLimits limits;
    limits.connectMs = 3000;
    limits.statusMs = 3000;
    limits.headerMs = 3000;
    limits.bodyWaitMs = 600;
    limits.requestMs = 2500;
    return limits;
}

// The names in a folder that begin with a dot: temporary and lock files.
std::vector<std::string> HiddenEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string()[0] == '.')
            names.push_back(e.path().filename().string());
    return names;
}

} // namespace

TEST_F(HttpClient, DownloadsEndAsTheServerSaysOrFailLeavingNoFile)
{
    struct Case
    {
        const char* path;
        int result;
        size_t length; // of the stored file when it succeeds
    };
    const Case cases[] = {
        {"/plain", 0, 200000},   // Content-Length
        {"/noclen", 0, 50000},   // no length, ended by a clean close
        {"/empty", 0, 0},        // length 0: an empty file
        {"/oddcase", 0, 11},     // "http/1.1", "content-LENGTH:"
        {"/short", 2, 0},        // closed before the length
        {"/stall", 2, 0},        // no data within the wait
        {"/noclen-stall", 2, 0}, // no length and the stream neither ends nor goes on
        {"/drip", 2, 0},         // each byte in time, the whole beyond the deadline
        {"/404", 2, 0},
        {"/500", 2, 0},
        {"/garbled", 2, 0}, // "HTPP/1.0"
        {"/huge", 2, 0},    // 100 MB announced
        {"/loop", 2, 0},    // a second redirect is not followed
        {"/nolocation", 2, 0},
        {"/crlf", 2, 0},            // CR inside the Location value
        {"/chunked", 0, 50000},     // chunks of 1, 4, 13... bytes, an extension and a trailer
        {"/chunked-cut", 2, 0},     // closed before the last chunk
        {"/chunked-long", 2, 0},    // a chunk longer than its size line
        {"/chunked-badsize", 2, 0}, // "zz" as a size
        {"/chunked-gzip", 2, 0},    // a transfer coding that is not read
        {"/chunked-length", 2, 0},  // chunks and a length at once
    };
    const LHttpLimits limits = QuickLimits();
    for (const Case& c : cases) {
        const int result = LHttpGetToFile(&context_, Url(c.path).c_str(), Dest().c_str(), true, &limits);
        EXPECT_EQ(result, c.result) << c.path << ": " << LHttpLastError();
        if (c.result == 0) {
            EXPECT_EQ(ReadWhole(Dest()), ServerBody(c.length).substr(0, c.length == 11 ? 0 : c.length) +
                                             (c.length == 11 ? "odd headers" : ""))
                << c.path;
            unlink(Dest().c_str());
        } else {
            EXPECT_STRNE(LHttpLastError(), "") << c.path;
            EXPECT_FALSE(FileExists(Dest())) << c.path << " left a file";
        }
    }
    // Nothing but the destination was ever made in the folder.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path()))
        entries += e.path().filename().string().rfind(".quorin-", 0) == 0 ? 1 : 0;
    EXPECT_EQ(entries, 0) << "temporary files left behind";
}

TEST_F(HttpClient, RedirectsResolveAsRfc3986SaysAndAreFollowedOnce)
{
    struct Case
    {
        const char* to;
        const char* file;
    };
    const Case cases[] = {
        {"b.zip", "file /dl/b.zip"}, // beside /dl/get, not below it
        {"get/b.zip", "file /dl/get/b.zip"},
        {"../files/a.zip", "file /files/a.zip"},
        {"/files/a.zip", "file /files/a.zip"},
        {"/files/a.zip?from=http://elsewhere/../x", "file /files/a.zip"},
        {"http://127.0.0.1:PORT/files/a.zip", "file /files/a.zip"},
    };
    for (const Case& c : cases) {
        std::string to;
        for (const char* p = c.to; *p != '\0'; ++p)
            to += *p == '?' ? "%3F" : *p == '&' ? "%26" : std::string(1, *p);
        const std::string url = Url("/dl/get?to=" + to);
        ASSERT_EQ(LHttpGetToFile(&context_, url.c_str(), Dest().c_str(), true), 0)
            << c.to << LHttpLastError();
        EXPECT_EQ(ReadWhole(Dest()), c.file) << c.to;
        // Without the flag a redirect is a failure.
        EXPECT_EQ(LHttpGetToFile(&context_, url.c_str(), dir_.Path("no").c_str(), false), 2) << c.to;
        EXPECT_FALSE(FileExists(dir_.Path("no")));
    }
    ASSERT_EQ(LHttpGetToFile(&context_, Url("/oddredirect").c_str(), Dest().c_str(), true), 0)
        << LHttpLastError();
    EXPECT_EQ(ReadWhole(Dest()), "file /files/a.zip");
}

TEST_F(HttpClient, ProgressIsTheShareReceived)
{
    RecordingContext context;
    ASSERT_EQ(LHttpGetToFile(&context, Url("/plain").c_str(), Dest().c_str(), false), 0);
    ASSERT_GE(context.progress.size(), 3u);
    for (size_t i = 1; i < context.progress.size(); ++i)
        EXPECT_GE(context.progress[i], context.progress[i - 1]);
    EXPECT_DOUBLE_EQ(context.progress.back(), 1.0);
    EXPECT_GT(context.progress[1], 0.0);
}

TEST_F(HttpClient, AStopRequestEndsADownloadWithoutAFile)
{
    StopAfterContext context(400);
    EXPECT_EQ(LHttpGetToFile(&context, Url("/drip").c_str(), Dest().c_str(), false), 1);
    EXPECT_FALSE(FileExists(Dest()));
}

TEST_F(HttpClient, ASecondDownloadOfTheSameFileFailsAndKeepsItsContents)
{
    {
        std::ofstream(Dest()) << "old contents";
    }
    // A slow download holds the file for a while.
    StopAfterContext slow(2500);
    std::thread first(
        [&] { EXPECT_EQ(LHttpGetToFile(&slow, Url("/drip").c_str(), Dest().c_str(), false), 1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(LHttpGetToFile(&context_, Url("/plain").c_str(), Dest().c_str(), false), 2);
    EXPECT_NE(std::strstr(LHttpLastError(), "another download"), nullptr) << LHttpLastError();
    EXPECT_EQ(ReadWhole(Dest()), "old contents");
    // A new file under the name (as the rename at the end of a download
    // puts there) does not let a second download in while the first runs.
    {
        std::ofstream(dir_.Path("other")) << "other contents";
    }
    ASSERT_EQ(rename(dir_.Path("other").c_str(), Dest().c_str()), 0);
    EXPECT_EQ(LHttpGetToFile(&context_, Url("/plain").c_str(), Dest().c_str(), false), 2);
    EXPECT_NE(std::strstr(LHttpLastError(), "another download"), nullptr) << LHttpLastError();
    EXPECT_EQ(ReadWhole(Dest()), "other contents");
    first.join();
    EXPECT_EQ(ReadWhole(Dest()), "other contents");
    // Free again: the download replaces the file, and leaves no lock file.
    EXPECT_EQ(LHttpGetToFile(&context_, Url("/plain").c_str(), Dest().c_str(), false), 0) << LHttpLastError();
    EXPECT_EQ(ReadWhole(Dest()).size(), 200000u);
    EXPECT_EQ(HiddenEntries(dir_.Path()), std::vector<std::string>());
}

TEST_F(HttpClient, NothingAppearsUnderTheNameBeforeTheBodyIsWholeAndCopiesOfDeadDownloadsGo)
{
    // Left by a download that was killed, and by one that still runs.
    const pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    ASSERT_GT(dead, 0);
    waitpid(dead, nullptr, 0);
    const std::string deadCopy = dir_.Path(".quorin-" + std::to_string(dead) + "-0.tmp");
    const std::string liveCopy = dir_.Path(".quorin-" + std::to_string(getppid()) + "-0.tmp");
    std::ofstream(deadCopy) << "partial";
    std::ofstream(liveCopy) << "partial";

    StopAfterContext slow(1500);
    std::thread download(
        [&] { EXPECT_EQ(LHttpGetToFile(&slow, Url("/drip").c_str(), Dest().c_str(), false), 1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_FALSE(FileExists(Dest())) << "a part of the body sits under the final name";
    const std::string own = ".quorin-" + std::to_string(getpid()) + "-";
    bool writing = false;
    for (const std::string& name : HiddenEntries(dir_.Path()))
        writing = writing || name.rfind(own, 0) == 0;
    EXPECT_TRUE(writing) << "the body is not written beside the destination";
    download.join();
    EXPECT_FALSE(FileExists(Dest()));
    EXPECT_FALSE(FileExists(deadCopy)) << "the copy of a dead download stays";
    EXPECT_TRUE(FileExists(liveCopy)) << "the copy of a running process went";
    unlink(liveCopy.c_str());
    EXPECT_EQ(HiddenEntries(dir_.Path()), std::vector<std::string>());
}

TEST_F(HttpClient, AReplacedFileKeepsItsModeAndALinkIsWrittenThrough)
{
    {
        std::ofstream(Dest()) << "old contents";
    }
    ASSERT_EQ(chmod(Dest().c_str(), 0600), 0);
    ASSERT_EQ(LHttpGetToFile(&context_, Url("/oddcase").c_str(), Dest().c_str(), false), 0)
        << LHttpLastError();
    EXPECT_EQ(ReadWhole(Dest()), "odd headers");
    struct stat info;
    ASSERT_EQ(stat(Dest().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // Through a link: the file it names is replaced, the link stays a link.
    ASSERT_EQ(mkdir(dir_.Path("real").c_str(), 0755), 0);
    const std::string real = dir_.Path("real/file.bin");
    {
        std::ofstream(real) << "old";
    }
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    const std::string link = dir_.Path("link.bin");
    ASSERT_EQ(symlink("real/file.bin", link.c_str()), 0);
    ASSERT_EQ(LHttpGetToFile(&context_, Url("/oddcase").c_str(), link.c_str(), false), 0) << LHttpLastError();
    struct stat linkInfo;
    ASSERT_EQ(lstat(link.c_str(), &linkInfo), 0);
    EXPECT_TRUE(S_ISLNK(linkInfo.st_mode)) << "the link was replaced by a file";
    EXPECT_EQ(ReadWhole(real), "odd headers");
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // A link to nothing is refused and stays.
    const std::string dangling = dir_.Path("dangling.bin");
    ASSERT_EQ(symlink("real/missing/file.bin", dangling.c_str()), 0);
    EXPECT_EQ(LHttpGetToFile(&context_, Url("/oddcase").c_str(), dangling.c_str(), false), 2);
    EXPECT_NE(std::strstr(LHttpLastError(), "symbolic link"), nullptr) << LHttpLastError();
    ASSERT_EQ(lstat(dangling.c_str(), &linkInfo), 0);
    EXPECT_TRUE(S_ISLNK(linkInfo.st_mode));
    EXPECT_EQ(HiddenEntries(dir_.Path()), std::vector<std::string>());
    EXPECT_EQ(HiddenEntries(dir_.Path("real")), std::vector<std::string>());
}

TEST_F(HttpClient, BufferHoldsTheBodyOnlyAndFailuresLeaveItEmpty)
{
    char buffer[2048];
    size_t received = 0;
    ASSERT_EQ(
        LHttpGetToBuffer(&context_, Url("/oddcase").c_str(), buffer, sizeof buffer, 3000, nullptr, &received),
        0);
    EXPECT_STREQ(buffer, "odd headers");
    EXPECT_EQ(received, 11u);
    // A longer body keeps size - 1 bytes and still succeeds.
    ASSERT_EQ(
        LHttpGetToBuffer(&context_, Url("/plain").c_str(), buffer, sizeof buffer, 3000, nullptr, &received),
        0);
    EXPECT_EQ(received, 2047u);
    EXPECT_EQ(std::memcmp(buffer, ServerBody(2047).data(), 2047), 0);
    EXPECT_EQ(buffer[2047], '\0');

    // Chunks are decoded into the buffer too, and cut to it.
    ASSERT_EQ(
        LHttpGetToBuffer(&context_, Url("/chunked").c_str(), buffer, sizeof buffer, 3000, nullptr, &received),
        0)
        << LHttpLastError();
    EXPECT_EQ(received, 2047u);
    EXPECT_EQ(std::memcmp(buffer, ServerBody(2047).data(), 2047), 0);
    std::vector<char> large(60000);
    ASSERT_EQ(LHttpGetToBuffer(&context_, Url("/chunked").c_str(), large.data(), large.size(), 3000, nullptr,
                               &received),
              0)
        << LHttpLastError();
    EXPECT_EQ(std::string(large.data(), received), ServerBody(50000));

    const LHttpLimits limits = QuickLimits();
    for (const char* path :
         {"/404", "/500", "/short-small", "/stall", "/noclen-stall", "/garbled", "/loop", "/chunked-gzip"}) {
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(LHttpGetToBuffer(&context_, Url(path).c_str(), buffer, sizeof buffer, 600, &limits), 2)
            << path;
        EXPECT_EQ(buffer[0], '\0') << path;
    }
}

TEST_F(HttpClient, ServerTextInAReasonIsEscaped)
{
    for (const char* path : {"/escape", "/escape-status"}) {
        EXPECT_EQ(LHttpGetToFile(&context_, Url(path).c_str(), Dest().c_str(), false), 2) << path;
        const std::string reason = LHttpLastError();
        EXPECT_EQ(reason.find('\x1b'), std::string::npos) << path;
        EXPECT_NE(reason.find("\\x1b"), std::string::npos) << path << ": " << reason;
    }
    EXPECT_FALSE(FileExists(Dest()));
}

TEST_F(HttpClient, FormsReadTheAnswersStatus)
{
    EXPECT_EQ(LHttpPostForm(&context_, Url("/post").c_str(), "a=1&b=two", 3000), 0) << LHttpLastError();
    EXPECT_EQ(LHttpPostForm(&context_, Url("/missing").c_str(), "a=2", 3000), 2);
    EXPECT_EQ(ReadWhole(dir_.Path("posts.log")), "/post a=1&b=two\n/missing a=2\n");
}

TEST_F(HttpClient, AddressesThatCannotBeReachedFail)
{
    char buffer[64];
    const char* urls[] = {"ftp://127.0.0.1/x", "http://no-such-host.invalid/x", "http://127.0.0.1:1/x",
                          "http://127.0.0.1:99999/x"};
    for (const char* url : urls) {
        EXPECT_EQ(LHttpGetToBuffer(&context_, url, buffer, sizeof buffer, 2000), 2) << url;
        EXPECT_STRNE(LHttpLastError(), "") << url;
    }
    // A plain address handed to the TLS download is refused, not downgraded.
    EXPECT_EQ(LHttpsGetToFile(&context_, Url("/plain").c_str(), Dest().c_str(), false), 2);
    EXPECT_FALSE(FileExists(Dest()));
}
