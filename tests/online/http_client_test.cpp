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
        {"/404", 2, 0},          {"/500", 2, 0},  {"/garbled", 2, 0}, // "HTPP/1.0"
        {"/huge", 2, 0},                                              // 100 MB announced
        {"/loop", 2, 0},                                              // a second redirect is not followed
        {"/nolocation", 2, 0},   {"/crlf", 2, 0},                     // CR inside the Location value
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

TEST_F(HttpClient, RedirectsResolveRelativeParentAndAbsoluteTargetsOnce)
{
    struct Case
    {
        const char* to;
        const char* file;
    };
    const Case cases[] = {
        {"b.zip", "file /dl/get/b.zip"},
        {"../b.zip", "file /dl/b.zip"},
        {"/files/a.zip", "file /files/a.zip"},
        {"http://127.0.0.1:PORT/files/a.zip", "file /files/a.zip"},
    };
    for (const Case& c : cases) {
        const std::string url = Url(std::string("/dl/get?to=") + c.to);
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

TEST_F(HttpClient, ALockedDestinationFailsAndKeepsItsContents)
{
    {
        std::ofstream(Dest()) << "old contents";
    }
    const int holder = open(Dest().c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    EXPECT_EQ(LHttpGetToFile(&context_, Url("/plain").c_str(), Dest().c_str(), false), 2);
    EXPECT_NE(std::strstr(LHttpLastError(), "another download"), nullptr) << LHttpLastError();
    EXPECT_EQ(ReadWhole(Dest()), "old contents");
    close(holder);
    // Free again: the download replaces the file.
    EXPECT_EQ(LHttpGetToFile(&context_, Url("/plain").c_str(), Dest().c_str(), false), 0);
    EXPECT_EQ(ReadWhole(Dest()).size(), 200000u);
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

    const LHttpLimits limits = QuickLimits();
    for (const char* path :
         {"/404", "/500", "/short-small", "/stall", "/noclen-stall", "/garbled", "/loop"}) {
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(LHttpGetToBuffer(&context_, Url(path).c_str(), buffer, sizeof buffer, 600, &limits), 2)
            << path;
        EXPECT_EQ(buffer[0], '\0') << path;
    }
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
