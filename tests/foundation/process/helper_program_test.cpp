// Runs the built program as a helper process, the way the application runs
// it for a copy: "quorin -exe LProcessCopyFileExe", request on standard
// input, records on standard output.

#include "foundation/files/LCopyFileWithProgress.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/process/ProcessTestSupport.h"
#include "foundation/threads/LProcessStdioContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using quorin::test::ReadFileBytes;

namespace {

std::string ProgramPath()
{
    return quorin::test::BuildDir() + "/src/app/quorin";
}

bool ReadExact(int fd, void* buffer, size_t size)
{
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

bool WriteAll(int fd, const void* buffer, size_t size)
{
    return write(fd, buffer, size) == ssize_t(size);
}

struct HelperRecords
{
    std::vector<std::pair<int, std::string>> messages; // level (-1 plain), text
    std::vector<double> progress;
    int keepAlives = 0;
    int resultType = -1;
    std::vector<char> resultData;
    bool complete = false;
};

// Reads records up to and including the result record.
HelperRecords ReadRecords(int fd)
{
    HelperRecords records;
    for (;;) {
        uint8_t type;
        if (!ReadExact(fd, &type, 1))
            return records;
        if (type >= LProcessStdioContext::kRecordMessage) {
            uint16_t length;
            if (!ReadExact(fd, &length, 2))
                return records;
            std::string text(length, '\0');
            if (!ReadExact(fd, text.data(), length))
                return records;
            records.messages.emplace_back(int(type) - LProcessStdioContext::kRecordMessageLevel0, text);
        } else if (type == LProcessStdioContext::kRecordProgress) {
            double fraction;
            if (!ReadExact(fd, &fraction, 8))
                return records;
            records.progress.push_back(fraction);
        } else if (type == LProcessStdioContext::kRecordKeepAlive) {
            records.keepAlives++;
        } else if (type == LProcessStdioContext::kRecordBeginIndeterminate ||
                   type == LProcessStdioContext::kRecordEndIndeterminate) {
        } else {
            records.resultType = type;
            if (type != LProcessStdioContext::kRecordResultStopped) {
                records.resultData.resize(sizeof(LCopyFileRequest));
                if (!ReadExact(fd, records.resultData.data(), records.resultData.size()))
                    return records;
            }
            records.complete = true;
            return records;
        }
    }
}

LCopyFileRequest MakeRequest(const std::string& source, const std::string& destination)
{
    LCopyFileRequest request;
    std::memset(&request, 0, sizeof request);
    std::strcpy(request.source, source.c_str());
    std::strcpy(request.destination, destination.c_str());
    return request;
}

class HelperProgram : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override { ASSERT_TRUE(quorin::test::PathExists(ProgramPath())) << ProgramPath(); }

    // Starts the program with the arguments; input and output are pipes.
    bool Start(LChildProcess& child, std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), ProgramPath());
        std::vector<const char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(argument.c_str());
        argv.push_back(nullptr);
        return child.Start(argv.data(), LChildStream::Pipe, LChildStream::Pipe);
    }

    std::string MakeSource(size_t size)
    {
        std::string bytes(size, '\0');
        std::mt19937 random(7);
        for (char& byte : bytes)
            byte = char(random());
        const std::string path = dir_.Path("source.bin");
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return path;
    }

    quorin::test::TempDir dir_;
};

TEST_F(HelperProgram, CopiesTheFileAndReportsTitleNameAndProgress)
{
    const std::string source = MakeSource(3 * 1024 * 1024 + 17);
    const std::string destination = dir_.Path("copy of source.bin");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-exe", "LProcessCopyFileExe"},
          // The process-serial-number argument some launchers add is dropped first.
          std::vector<std::string>{"-psn_0_12345", "-exe", "LProcessCopyFileExe"}}) {
        unlink(destination.c_str());
        LChildProcess child;
        ASSERT_TRUE(Start(child, arguments));
        const LCopyFileRequest request = MakeRequest(source, destination);
        ASSERT_TRUE(WriteAll(child.InputFd(), &request, sizeof request));
        // Standard input stays open: closing it would ask the helper to stop.
        const HelperRecords records = ReadRecords(child.OutputFd());
        child.CloseInput();
        EXPECT_EQ(child.WaitToEnd(), 0);

        ASSERT_TRUE(records.complete);
        EXPECT_EQ(records.resultType, LProcessStdioContext::kRecordResultDone);
        EXPECT_EQ(std::memcmp(records.resultData.data(), &request, sizeof request), 0);
        ASSERT_GE(records.messages.size(), 2u);
        EXPECT_EQ(records.messages[0], std::make_pair(0, std::string("Copy File")));
        EXPECT_EQ(records.messages[1], std::make_pair(1, std::string("copy of source.bin")));
        ASSERT_FALSE(records.progress.empty());
        EXPECT_DOUBLE_EQ(records.progress.back(), 1.0);
        for (size_t i = 1; i < records.progress.size(); ++i)
            EXPECT_LE(records.progress[i - 1], records.progress[i]);
        EXPECT_EQ(ReadFileBytes(destination), ReadFileBytes(source));
    }
}

TEST_F(HelperProgram, FailedCopyAnswersWithTheFailureRecordAndExitsOne)
{
    LChildProcess child;
    ASSERT_TRUE(Start(child, {"-exe", "LProcessCopyFileExe"}));
    const LCopyFileRequest request = MakeRequest(dir_.Path("missing"), dir_.Path("out"));
    ASSERT_TRUE(WriteAll(child.InputFd(), &request, sizeof request));
    const HelperRecords records = ReadRecords(child.OutputFd());
    child.CloseInput();
    EXPECT_EQ(child.WaitToEnd(), 1);
    ASSERT_TRUE(records.complete);
    EXPECT_EQ(records.resultType, LProcessStdioContext::kRecordResultFailed);
    EXPECT_EQ(std::memcmp(records.resultData.data(), &request, sizeof request), 0);
    EXPECT_FALSE(quorin::test::PathExists(dir_.Path("out")));
}

TEST_F(HelperProgram, ShortRequestFailsWithWhatArrived)
{
    LChildProcess child;
    ASSERT_TRUE(Start(child, {"-exe", "LProcessCopyFileExe"}));
    const LCopyFileRequest request = MakeRequest(MakeSource(100), dir_.Path("out"));
    ASSERT_TRUE(WriteAll(child.InputFd(), &request, 100));
    child.CloseInput();
    const HelperRecords records = ReadRecords(child.OutputFd());
    EXPECT_EQ(child.WaitToEnd(), 1);
    ASSERT_TRUE(records.complete);
    EXPECT_EQ(records.resultType, LProcessStdioContext::kRecordResultFailed);
    EXPECT_EQ(std::memcmp(records.resultData.data(), &request, 100), 0);
    EXPECT_FALSE(quorin::test::PathExists(dir_.Path("out")));
}

TEST_F(HelperProgram, FieldWithoutTerminatorIsRefusedNotCut)
{
    // A source path that fills its 260 bytes with no terminator: cutting it
    // to 259 bytes would copy another file ("...x" instead of "...xy").
    const std::string folder = dir_.Path("");
    const std::string longName(259 - folder.size(), 'x');
    const std::string cutPath = folder + longName;
    std::ofstream(cutPath) << "the wrong file";
    LCopyFileRequest request = MakeRequest("", dir_.Path("out"));
    std::memcpy(request.source, (cutPath + "y").c_str(), sizeof request.source);
    ASSERT_EQ(std::memchr(request.source, 0, sizeof request.source), nullptr);

    LChildProcess child;
    ASSERT_TRUE(Start(child, {"-exe", "LProcessCopyFileExe"}));
    ASSERT_TRUE(WriteAll(child.InputFd(), &request, sizeof request));
    const HelperRecords records = ReadRecords(child.OutputFd());
    child.CloseInput();
    EXPECT_EQ(child.WaitToEnd(), 1);
    ASSERT_TRUE(records.complete);
    EXPECT_EQ(records.resultType, LProcessStdioContext::kRecordResultFailed);
    // The answer's fields end in a terminator, so the parent never reads past them.
    EXPECT_EQ(records.resultData[259], '\0');
    EXPECT_EQ(std::memcmp(records.resultData.data(), request.source, 259), 0);
    EXPECT_FALSE(quorin::test::PathExists(dir_.Path("out")));
}

struct ExitCase
{
    std::vector<std::string> arguments;
    int exitCode;
};

namespace {

// A start that reaches the user interface keeps running with its main
// window: give it time to come up, then ask it to quit as a log-out does.
void QuitUserInterface(LChildProcess& child)
{
    std::this_thread::sleep_for(std::chrono::seconds(3));
    kill(child.Pid(), SIGTERM);
}

} // namespace

TEST_F(HelperProgram, ExitCodesOfTheStartArguments)
{
    const ExitCase cases[] = {
        // An unknown entry: exit code 1 and not a byte on standard output.
        {{"-exe", "Unknown"}, 1},
        {{"-psn_0_1", "-exe", "Unknown"}, 1},
        // "-elevated" with a further argument ends the process at once.
        {{"-elevated", "anything"}, 1},
        // Two arguments are not enough for either: the user interface starts.
        {{"-exe"}, 0},
        {{"-elevated"}, 0},
        {{}, 0},
        // "-installer" from a build folder installs the program and goes on in
        // the installed copy: the installer's own tests follow that.
    };
    for (const ExitCase& c : cases) {
        LChildProcess child;
        ASSERT_TRUE(Start(child, c.arguments));
        if (c.exitCode == 0)
            QuitUserInterface(child);
        LStringLong output;
        child.ReadOutputToEnd(&output);
        child.CloseInput();
        std::string joined;
        for (const std::string& argument : c.arguments)
            joined += " " + argument;
        EXPECT_EQ(child.WaitToEnd(), c.exitCode) << joined;
        EXPECT_EQ(output.Length(), 0u) << joined;
    }
}

TEST_F(HelperProgram, TerminationSignalEndsTheEntryWithItsAnswer)
{
    // Waiting for its request when SIGTERM comes: the helper answers as for a
    // request that ended early and exits 1, rather than dying without a word.
    LChildProcess child;
    ASSERT_TRUE(Start(child, {"-exe", "LProcessCopyFileExe"}));
    const LCopyFileRequest request = MakeRequest(MakeSource(10), dir_.Path("out"));
    ASSERT_TRUE(WriteAll(child.InputFd(), &request, 100));
    // Wait until it blocks reading the rest of the request from descriptor 0
    // (read is system call 0 on x86-64); elsewhere, give it a moment.
    const std::string syscallFile = "/proc/" + std::to_string(child.Pid()) + "/syscall";
    const bool seen =
        quorin::test::WaitUntil([&] { return ReadFileBytes(syscallFile).rfind("0 0x0 ", 0) == 0; }, 3000);
    if (!seen)
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(kill(child.Pid(), SIGTERM), 0);
    const HelperRecords records = ReadRecords(child.OutputFd());
    child.CloseInput();
    EXPECT_EQ(child.WaitToEnd(), 1);
    ASSERT_TRUE(records.complete);
    EXPECT_EQ(records.resultType, LProcessStdioContext::kRecordResultFailed);
    EXPECT_EQ(std::memcmp(records.resultData.data(), &request, 100), 0);
}

TEST_F(HelperProgram, StartUpPreparesTheUsersFolders)
{
    LChildProcess child;
    ASSERT_TRUE(Start(child, {}));
    QuitUserInterface(child);
    child.CloseInput();
    EXPECT_EQ(child.WaitToEnd(), 0);
    EXPECT_TRUE(quorin::test::PathExists(home_.Path(".local/share/Quorin/Logs")));
    EXPECT_TRUE(quorin::test::PathExists(home_.Path(".local/share/Quorin/Components")));
}

TEST_F(HelperProgram, KeepsTheUsersUmask)
{
    // Under umask 027 a copy made by the helper must not be readable by others.
    const std::string source = MakeSource(1000);
    chmod(source.c_str(), 0666);
    const mode_t old = umask(027);
    LChildProcess child;
    const bool started = Start(child, {"-exe", "LProcessCopyFileExe"});
    umask(old);
    ASSERT_TRUE(started);
    const LCopyFileRequest request = MakeRequest(source, dir_.Path("masked"));
    ASSERT_TRUE(WriteAll(child.InputFd(), &request, sizeof request));
    const HelperRecords records = ReadRecords(child.OutputFd());
    child.CloseInput();
    EXPECT_EQ(child.WaitToEnd(), 0);
    ASSERT_EQ(records.resultType, LProcessStdioContext::kRecordResultDone);
    struct stat info;
    ASSERT_EQ(stat(dir_.Path("masked").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0007, 0u);
}

} // namespace
