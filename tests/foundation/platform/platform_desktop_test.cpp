// Opening addresses and folders, elevated tools and the process list, with
// fake xdg-open and pkexec programs that record what they were given.

#include "foundation/platform/LDesktopOpen.h"
#include "foundation/platform/LProcessList.h"
#include "foundation/platform/LRunElevated.h"
#include "foundation/process/ProcessTestSupport.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using quorin::test::PathExists;
using quorin::test::ReadFileBytes;
using quorin::test::RecordingContext;
using quorin::test::WaitUntil;
using quorin::test::WriteScript;

namespace {

class Desktop : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        bin_ = home_.Path("bin");
        std::filesystem::create_directories(bin_);
        setenv("PATH", (bin_ + ":" + savedPath_).c_str(), 1);
        record_ = home_.Path("opened");
        // Written whole under another name and renamed, so that a reader
        // never sees half of it.
        WriteScript(bin_ + "/xdg-open", "for a in \"$@\"; do echo \"$a\"; done > \"" + record_ + ".part\"\n" +
                                            "mv \"" + record_ + ".part\" \"" + record_ + "\"\n");
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    // What the fake xdg-open was given, one argument a line.
    std::string Opened()
    {
        if (!WaitUntil([&] { return PathExists(record_); }))
            return "(not run)";
        const std::string text = ReadFileBytes(record_);
        unlink(record_.c_str());
        return text;
    }

    std::string bin_, record_, savedPath_;
};

TEST_F(Desktop, OpenUrlAddsTheSchemeWhenMissing)
{
    ASSERT_TRUE(LOpenURL("example.org/page?q=1"));
    EXPECT_EQ(Opened(), "http://example.org/page?q=1\n");
    ASSERT_TRUE(LOpenURL("https://example.org/a%20b"));
    EXPECT_EQ(Opened(), "https://example.org/a%20b\n");
    ASSERT_TRUE(LOpenURL("mailto://x@example.org"));
    EXPECT_EQ(Opened(), "mailto://x@example.org\n");
}

TEST_F(Desktop, OpenUrlRefusesWhatIsNotAnAddress)
{
    const std::string tooLong = "http://example.org/" + std::string(2100, 'a');
    for (const char* text : {"", "has blank.org", "http://a b", "-option://x", "://nothing", "http://",
                             "ht tp://x", "http://x\ny", "x\"y.org", tooLong.c_str()})
        EXPECT_FALSE(LOpenURL(text)) << text;
    EXPECT_FALSE(LOpenURL(nullptr));
    EXPECT_FALSE(PathExists(record_));
}

TEST_F(Desktop, RevealShowsTheFolderOrTheOneHoldingTheFile)
{
    const std::string folder = home_.Path("Music/My Album");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/track 1.wav") << "x";
    ASSERT_TRUE(LRevealFolderInFinder(folder.c_str()));
    EXPECT_EQ(Opened(), folder + "\n");
    ASSERT_TRUE(LRevealFolderInFinder((folder + "/track 1.wav").c_str()));
    EXPECT_EQ(Opened(), folder + "\n");
    EXPECT_FALSE(LRevealFolderInFinder(home_.Path("missing/deeper/x").c_str()));
    EXPECT_FALSE(LRevealFolderInFinder(""));
}

TEST_F(Desktop, RevealGivesAnAbsolutePathSoNoNameIsAnOption)
{
    const std::string folder = home_.Path("--help");
    std::filesystem::create_directories(folder);
    char* cwd = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(home_.Root().c_str()), 0);
    const bool started = LRevealFolderInFinder("--help");
    ASSERT_EQ(chdir(cwd), 0);
    std::free(cwd);
    ASSERT_TRUE(started);
    EXPECT_EQ(Opened(), folder + "\n");
}

TEST_F(Desktop, RevealSelectsTheFirstFileOfTheFolderOrThePathItself)
{
    const std::string album = home_.Path("Music/My Album");
    std::filesystem::create_directories(album + "/0 sub folder");
    std::ofstream(album + "/b track.wav") << "x";
    std::ofstream(album + "/a track.wav") << "x";
    std::ofstream(album + "/.hidden") << "x";
    ASSERT_EQ(symlink("b track.wav", (album + "/0 link").c_str()), 0);
    const std::string onlyFolders = home_.Path("Music/Only folders");
    std::filesystem::create_directories(onlyFolders + "/inner");
    const std::string empty = home_.Path("Music/Empty");
    std::filesystem::create_directories(empty);
    ASSERT_EQ(symlink("My Album", home_.Path("Music/Album link").c_str()), 0);

    struct Case
    {
        std::string path, selected;
    };
    const Case cases[] = {
        {album, album + "/a track.wav"},       // first file by name; folders, links, hidden names skipped
        {album + "/", album + "/a track.wav"}, // a trailing '/' changes nothing
        {album + "/b track.wav", album + "/b track.wav"}, // a file selects itself
        {onlyFolders, onlyFolders},                       // nothing to select inside: the folder itself
        {empty, empty},
        {home_.Path("Music/Album link"), album + "/a track.wav"}, // the folder a link names
        {home_.Path("Music/missing"), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LRevealTarget(c.path.c_str()), c.selected) << c.path;
    EXPECT_EQ(LRevealTarget(""), "");
    EXPECT_EQ(LRevealTarget(nullptr), "");
}

TEST_F(Desktop, FileAddressesEscapeEverythingButPlainNameBytes)
{
    EXPECT_EQ(LFileUriFromPath("/home/u/My Album/a-b_c.~1.wav"), "file:///home/u/My%20Album/a-b_c.~1.wav");
    EXPECT_EQ(LFileUriFromPath("/x/%#?&+\\"), "file:///x/%25%23%3F%26%2B%5C");
    EXPECT_EQ(LFileUriFromPath("/caf\xC3\xA9"), "file:///caf%C3%A9");
}

// Stands in for the file manager on the bus: records the item it was asked
// to show and answers as told.
std::string gShownItem;
bool gFileManagerAnswers = true;
bool RecordShownItem(const char* uri)
{
    gShownItem = uri;
    return gFileManagerAnswers;
}

TEST_F(Desktop, RevealHandsTheItemToTheFileManagerAndOpensTheFolderWhenNoneTakesIt)
{
    const std::string folder = home_.Path("Music/Side A");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/track 1.wav") << "x";
    LSetFileManagerShowItem(&RecordShownItem);

    gFileManagerAnswers = true;
    ASSERT_TRUE(LRevealFolderInFinder(folder.c_str()));
    EXPECT_EQ(gShownItem, LFileUriFromPath((folder + "/track 1.wav").c_str()));
    usleep(200 * 1000);
    EXPECT_FALSE(PathExists(record_)) << "the folder was opened as well";

    gShownItem.clear();
    gFileManagerAnswers = false;
    ASSERT_TRUE(LRevealFolderInFinder((folder + "/track 1.wav").c_str()));
    EXPECT_EQ(gShownItem, LFileUriFromPath((folder + "/track 1.wav").c_str()));
    EXPECT_EQ(Opened(), folder + "\n");

    // Nothing there: neither asked nor opened.
    gShownItem.clear();
    EXPECT_FALSE(LRevealFolderInFinder(home_.Path("missing/deeper").c_str()));
    EXPECT_EQ(gShownItem, "");
    LSetFileManagerShowItem(nullptr);
}

TEST_F(Desktop, WithoutXdgOpenNothingStarts)
{
    unlink((bin_ + "/xdg-open").c_str());
    setenv("PATH", bin_.c_str(), 1);
    EXPECT_FALSE(LOpenURL("example.org"));
}

class Elevated : public Desktop
{
protected:
    void SetUp() override
    {
        Desktop::SetUp();
        // Stands in for pkexec: records its arguments, then runs them (or
        // exits as pkexec does when the user dismisses the dialog).
        elevator_ = bin_ + "/fake-pkexec";
        WriteScript(elevator_, "for a in \"$@\"; do echo \"$a\"; done > \"" + home_.Path("elevated") +
                                   "\"\n"
                                   "if [ -e \"" +
                                   home_.Path("dismiss") + "\" ]; then exit 126; fi\nexec \"$@\"\n");
        WriteScript(bin_ + "/admin-tool", "echo \"tool says $1\"\nexit ${2:-0}\n");
    }

    // Runs with standard output sent to a file; returns what was written there.
    std::string RunCapturingOutput(const char* command, bool wait, int* result, int* status)
    {
        const std::string path = home_.Path("stdout");
        fflush(stdout);
        const int saved = dup(STDOUT_FILENO);
        FILE* file = std::fopen(path.c_str(), "w");
        dup2(fileno(file), STDOUT_FILENO);
        RecordingContext context;
        *result = LRunElevatedWith(elevator_.c_str(), &context, command, wait, status);
        fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        std::fclose(file);
        return ReadFileBytes(path);
    }

    std::string elevator_;
};

TEST_F(Elevated, RunsTheToolByItsFullPathAndRelaysItsOutput)
{
    int result = -1, status = -1;
    const std::string output = RunCapturingOutput("admin-tool \"two words\"", true, &result, &status);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output, "tool says two words\n");
    EXPECT_EQ(ReadFileBytes(home_.Path("elevated")), bin_ + "/admin-tool\ntwo words\n");
}

TEST_F(Elevated, ToolExitStatusIsReturned)
{
    int result = -1, status = -1;
    RunCapturingOutput("admin-tool x 3", true, &result, &status);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(result, 2); // a failing tool is not reported as success
}

TEST_F(Elevated, DismissedAuthenticationIsACancel)
{
    std::ofstream(home_.Path("dismiss")) << "";
    int result = -1, status = -1;
    RunCapturingOutput("admin-tool", true, &result, &status);
    EXPECT_EQ(result, 1);
}

TEST_F(Elevated, MissingToolOrEmptyCommandFails)
{
    int result = -1, status = 7;
    RunCapturingOutput("no-such-admin-tool", true, &result, &status);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(status, -1);
    RunCapturingOutput("   ", true, &result, &status);
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(PathExists(home_.Path("elevated")));
}

TEST_F(Elevated, WithoutWaitItOnlyStarts)
{
    int result = -1, status = 7;
    RunCapturingOutput("admin-tool x 5", false, &result, &status);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(WaitUntil([&] { return PathExists(home_.Path("elevated")); }));
    EXPECT_TRUE(WaitUntil([] { return quorin::test::CountZombieChildren() == 0; }));
}

TEST(ProcessList, FindsProcessesByCommandName)
{
    // This test program's own command name (at most 15 bytes of its file name).
    char comm[64] = {};
    FILE* file = std::fopen("/proc/self/comm", "r");
    ASSERT_NE(file, nullptr);
    ASSERT_NE(std::fgets(comm, sizeof comm, file), nullptr);
    std::fclose(file);
    comm[std::strcspn(comm, "\n")] = '\0';
    EXPECT_TRUE(LIsProcessRunning(comm));
    EXPECT_FALSE(LIsProcessRunning("no-such-proc-x"));
    EXPECT_FALSE(LIsProcessRunning(""));
    // Longer than the kernel keeps: never a match, not even by its first part.
    EXPECT_FALSE(LIsProcessRunning((std::string(comm) + "-and-more-text").c_str()));
}

TEST(ProcessList, FindsProcessesByExecutable)
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    pid_t pid = -1;
    EXPECT_TRUE(LFindProcessByExecutable(self, &pid));
    EXPECT_GT(pid, 0);
    EXPECT_FALSE(LFindProcessByExecutable("/no/such/program", &pid));
}

} // namespace
