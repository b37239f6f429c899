// Loading XML files: the loader's failures, parse errors passed on, the
// memory check and cancellation.

#include "foundation/xml/LXmlLoadFile.h"
#include "foundation/xml/LXmlParser.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

// Says "stop" from the n-th question on.
class StopAfter : public LLocalProcessContext
{
public:
    explicit StopAfter(int questions) : left_(questions) {}
    bool IsStopRequested() override { return left_-- <= 0; }

private:
    int left_;
};

TEST(XmlLoadFile, LoadsAFile)
{
    TempDir dir;
    std::string path = dir.Path("a.xml");
    WriteFileBytes(path, "<?xml version=\"1.0\"?>\n<a><b c=\"d\"/></a>\n");
    LXmlDocument document(false);
    LLocalProcessContext context;
    char error[260] = "stale";
    EXPECT_EQ(LXmlLoadFile(&document, &context, path.c_str(), error), kXmlLoadDone);
    EXPECT_STREQ(error, "");
    ASSERT_NE(document.FindChild("a"), nullptr);
    EXPECT_STREQ(document.FindChild("a")->FindChild("b")->GetAttribute("c", ""), "d");
}

TEST(XmlLoadFile, MissingFile)
{
    TempDir dir;
    std::string path = dir.Path("missing.xml");
    LXmlDocument document;
    LLocalProcessContext context;
    char error[260];
    EXPECT_EQ(LXmlLoadFile(&document, &context, path.c_str(), error), kXmlLoadFailed);
    EXPECT_EQ(std::string(error), "File does not exist: " + path);
}

TEST(XmlLoadFile, UnreadableFile)
{
    TempDir dir;
    LXmlDocument document;
    LLocalProcessContext context;
    char error[260];
    // A folder exists but cannot be read as a file.
    EXPECT_EQ(LXmlLoadFile(&document, &context, dir.Path().c_str(), error), kXmlLoadFailed);
    EXPECT_EQ(std::string(error), "Cannot open xml file: " + dir.Path());
}

// Files without a trustworthy end: a FIFO nobody writes to and a device
// (/dev/null stands for one such as /dev/zero that never ends, which a test
// must not read) are refused at once, not waited on or read for ever.
TEST(XmlLoadFile, RefusesFifosAndDevices)
{
    TempDir dir;
    const std::string fifo = dir.Path("settings.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        std::promise<int> done;
        std::future<int> result = done.get_future();
        char error[260] = {};
        std::thread loader([&] {
            LXmlDocument document;
            LLocalProcessContext context;
            done.set_value(LXmlLoadFile(&document, &context, path.c_str(), error));
        });
        const bool ended = result.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!ended && path == fifo) {
            // Let a loader stuck on the FIFO go, so the test can end.
            const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                close(writer);
        }
        loader.join();
        ASSERT_TRUE(ended) << "the loader was still reading after 5 s";
        EXPECT_EQ(result.get(), kXmlLoadFailed);
        EXPECT_EQ(std::string(error), "Cannot open xml file: " + path);
    }
}

TEST(XmlLoadFile, ParseErrorIsPassedOnWithTheTreeSoFar)
{
    TempDir dir;
    std::string path = dir.Path("bad.xml");
    WriteFileBytes(path, "<a>\n<b/>\n</c>");
    LXmlDocument document(false);
    LLocalProcessContext context;
    char error[260];
    EXPECT_EQ(LXmlLoadFile(&document, &context, path.c_str(), error), kXmlLoadDone);
    EXPECT_EQ(std::string(error).rfind("Ln 3, Col ", 0), 0u) << error;
    ASSERT_NE(document.FindChild("a"), nullptr);
    EXPECT_NE(document.FindChild("a")->FindChild("b"), nullptr);
}

TEST(XmlLoadFile, CancelBeforeAndDuringParsing)
{
    TempDir dir;
    std::string path = dir.Path("big.xml");
    std::string text = "<list>";
    for (int i = 0; i < 5000; ++i)
        text += "<item n=\"" + std::to_string(i) + "\"/>";
    text += "</list>";
    WriteFileBytes(path, text);
    char error[260];
    {
        LXmlDocument document;
        StopAfter stop(0);
        EXPECT_EQ(LXmlLoadFile(&document, &stop, path.c_str(), error), kXmlLoadCancelled);
        EXPECT_EQ(document.firstChild, nullptr);
    }
    {
        // Two questions before the parse, then a few during it.
        LXmlDocument document;
        StopAfter stop(5);
        EXPECT_EQ(LXmlLoadFile(&document, &stop, path.c_str(), error), kXmlLoadCancelled);
        LXmlNode* list = document.FindChild("list");
        ASSERT_NE(list, nullptr);
        int items = 0;
        for (LXmlNode* item = list->firstChild; item; item = item->next)
            items++;
        EXPECT_GT(items, 0);
        EXPECT_LT(items, 5000);
    }
}

TEST(XmlLoadFile, RefusesFilesTooLargeForTheMemoryLeft)
{
    TempDir dir;
    std::string path = dir.Path("large.xml");
    WriteFileBytes(path, "<a>" + std::string(4 << 20, 'x') + "</a>");
    pid_t child = fork();
    if (child == 0) {
        // Leave the process about 16 MB of data space: the tree of a 4 MB
        // text would need many times that.
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        rlimit limit;
        getrlimit(RLIMIT_DATA, &limit);
        limit.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (16u << 20);
        setrlimit(RLIMIT_DATA, &limit);
        LXmlDocument document;
        LLocalProcessContext context;
        char error[260];
        int result = LXmlLoadFile(&document, &context, path.c_str(), error);
        _exit(result == kXmlLoadFailed && std::string(error) == "Not enough memory available to load " + path
                  ? 0
                  : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Without the limit the same file loads.
    LXmlDocument document;
    LLocalProcessContext context;
    char error[260];
    EXPECT_EQ(LXmlLoadFile(&document, &context, path.c_str(), error), kXmlLoadDone);
    EXPECT_STREQ(error, "");
}

} // namespace
