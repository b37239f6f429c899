#include "foundation/files/LCopyFileWithProgress.h"
#include "foundation/process/LHelperEntry.h"
#include "foundation/process/ProcessTestSupport.h"
#include "foundation/threads/LProcessStdioContext.h"
#include "foundation/threads/LThreadNames.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// Runs an entry in this process with a pipe as its input and a file as its
// output; returns the entry's result and what it wrote. The pipe's write end
// stays open while the entry runs unless closeInput (the end of the input
// asks a helper to stop).
int RunOn(const char* name, const std::string& input, std::string* output, bool closeInput = false)
{
    int ends[2];
    if (pipe(ends) != 0)
        return -1;
    FILE* in = fdopen(ends[0], "r");
    FILE* out = tmpfile();
    if (write(ends[1], input.data(), input.size()) != ssize_t(input.size()))
        return -1;
    if (closeInput)
        close(ends[1]);
    const int result = LRunHelperEntryOn(name, out, in);
    if (!closeInput)
        close(ends[1]);
    std::fflush(out);
    std::rewind(out);
    output->clear();
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0)
        output->append(buffer, n);
    std::fclose(in);
    std::fclose(out);
    return result;
}

class EchoEntry : public LHelperEntry
{
public:
    EchoEntry(const char* name, int result) : LHelperEntry(name), result_(result) {}
    int Run(LProcessStdioContext* context) override
    {
        char request[4] = {};
        if (!context->ReadInput(request, sizeof request))
            return 2;
        context->SendResult(result_, request, sizeof request);
        return result_;
    }

private:
    int result_;
};

TEST(HelperEntries, NewestEntryOfANameIsFound)
{
    LRegisterHelperEntry(new EchoEntry("HelperEntryTestTwice", 2));
    LRegisterHelperEntry(new EchoEntry("HelperEntryTestTwice", 0));
    std::string output;
    EXPECT_EQ(RunOn("HelperEntryTestTwice", "abcd", &output), 0);
    EXPECT_EQ(output, std::string("\x01"
                                  "abcd",
                                  5));
}

TEST(HelperEntries, NamesCompareExactly)
{
    LRegisterHelperEntry(new EchoEntry("HelperEntryTestExact", 0));
    EXPECT_NE(LFindHelperEntry("HelperEntryTestExact"), nullptr);
    EXPECT_EQ(LFindHelperEntry("helperentrytestexact"), nullptr);
    EXPECT_EQ(LFindHelperEntry("HelperEntryTest"), nullptr);
    EXPECT_EQ(LFindHelperEntry(nullptr), nullptr);
    EXPECT_NE(LFindHelperEntry("LProcessCopyFileExe"), nullptr);
}

TEST(HelperEntries, UnknownNameGivesTwoAndWritesNothing)
{
    std::string output;
    EXPECT_EQ(RunOn("NoSuchHelperEntry", "", &output), 2);
    EXPECT_TRUE(output.empty());
}

TEST(HelperEntries, RunningAnEntryNamesTheThreadAfterIt)
{
    LSetThreadShortName("MAIN");
    LRegisterHelperEntry(new EchoEntry("Zeta helper", 0));
    std::string output;
    RunOn("Zeta helper", "wxyz", &output);
    const LThreadNameEntry* entry = LGetThreadNameTable().Find(LCurrentThreadId());
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->shortName, "Zeta");
}

TEST(HelperEntries, TerminationSignalIsAStopRequest)
{
    LRegisterHelperEntry("HelperEntryTestWaits", [](LProcessStdioContext* context) {
        return context->WaitForStop(LNoTimeLimit) ? 1 : 0;
    });
    std::thread signaller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(getpid(), SIGTERM);
    });
    std::string output;
    EXPECT_EQ(RunOn("HelperEntryTestWaits", "", &output), 1);
    signaller.join();
}

TEST(CopyFileEntry, CopiesInProcessAndEchoesTheRequest)
{
    quorin::test::TempHome home;
    quorin::test::TempDir dir;
    const std::string source = dir.Path("in.txt");
    std::ofstream(source) << "contents";
    LCopyFileRequest request;
    std::memset(&request, 0, sizeof request);
    std::strcpy(request.source, source.c_str());
    std::strcpy(request.destination, dir.Path("out.txt").c_str());
    std::string output;
    EXPECT_EQ(
        RunOn("LProcessCopyFileExe", std::string(reinterpret_cast<char*>(&request), sizeof request), &output),
        0);
    EXPECT_EQ(quorin::test::ReadFileBytes(dir.Path("out.txt")), "contents");
    ASSERT_GE(output.size(), sizeof request + 1);
    const std::string tail = output.substr(output.size() - sizeof request - 1);
    EXPECT_EQ(tail[0], '\x01');
    EXPECT_EQ(std::memcmp(tail.data() + 1, &request, sizeof request), 0);
}

TEST(CopyFileEntry, MissingRequestFailsWithAZeroedRequest)
{
    std::string output;
    EXPECT_EQ(RunOn("LProcessCopyFileExe", "", &output, true), 2);
    ASSERT_EQ(output.size(), sizeof(LCopyFileRequest) + 1);
    EXPECT_EQ(output[0], '\0');
    EXPECT_EQ(output.find_first_not_of('\0'), std::string::npos);
}

TEST(CopyFileEntry, UnterminatedDestinationIsRefused)
{
    quorin::test::TempDir dir;
    const std::string source = dir.Path("in.txt");
    std::ofstream(source) << "contents";
    LCopyFileRequest request;
    std::memset(&request, 'd', sizeof request);
    std::memset(request.source, 0, sizeof request.source);
    std::strcpy(request.source, source.c_str());
    std::string output;
    EXPECT_EQ(
        RunOn("LProcessCopyFileExe", std::string(reinterpret_cast<char*>(&request), sizeof request), &output),
        2);
    ASSERT_EQ(output.size(), sizeof request + 1);
    EXPECT_EQ(output[0], '\0');
    EXPECT_EQ(output[sizeof request], '\0'); // the destination field now ends in a terminator
    EXPECT_EQ(output.substr(1 + 260, 259), std::string(259, 'd'));
}

} // namespace
