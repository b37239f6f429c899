#include "foundation/process/LCommandLine.h"
#include "foundation/process/LHelperEntry.h"
#include "foundation/process/LProcessStartup.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// Keeps the argument texts alive as a mutable argv.
struct Arguments
{
    explicit Arguments(std::vector<std::string> list) : texts(std::move(list))
    {
        for (std::string& text : texts)
            pointers.push_back(text.data());
        pointers.push_back(nullptr);
    }
    int Count() const { return int(texts.size()); }
    char** Vector() { return pointers.data(); }

    std::vector<std::string> texts;
    std::vector<char*> pointers;
};

std::vector<std::string> KeptCommandLine()
{
    std::vector<std::string> kept;
    char** argv = LGetCommandLine();
    for (int i = 0; i < LGetCommandLineCount(); ++i)
        kept.emplace_back(argv[i]);
    EXPECT_EQ(argv[LGetCommandLineCount()], nullptr);
    return kept;
}

TEST(CommandLine, DropsTheProcessSerialNumberOnlyAtIndexOne)
{
    struct Case
    {
        std::vector<std::string> given;
        std::vector<std::string> kept;
    } cases[] = {
        {{"quorin", "-psn_0_12345", "-exe", "X"}, {"quorin", "-exe", "X"}},
        {{"quorin", "-exe", "-psn_0_1"}, {"quorin", "-exe", "-psn_0_1"}},
        {{"quorin"}, {"quorin"}},
        {{"quorin", "-psn"}, {"quorin"}},
        {{}, {}},
    };
    for (Case& c : cases) {
        Arguments arguments(c.given);
        LSetCommandLine(arguments.Count(), arguments.Vector());
        EXPECT_EQ(KeptCommandLine(), c.kept);
    }
}

TEST(CommandLine, KeepsTheProcessOwnStrings)
{
    Arguments arguments({"quorin", "one"});
    LSetCommandLine(arguments.Count(), arguments.Vector());
    EXPECT_EQ(LGetCommandLine()[1], arguments.pointers[1]);
}

class Startup : public quorin::test::TempHomeTest
{
};

TEST_F(Startup, DecidesBetweenUserInterfaceAndExit)
{
    struct Case
    {
        std::vector<std::string> arguments;
        bool userInterface;
        int exitCode;
    } cases[] = {
        {{"quorin"}, true, 0},
        {{"quorin", "-exe"}, true, 0},
        {{"quorin", "-elevated"}, true, 0},
        {{"quorin", "-elevated", "x"}, false, 1},
        {{"quorin", "-psn_0_9", "-elevated", "x"}, false, 1},
        {{"quorin", "-exe", "NoSuchEntry"}, false, 1},
    };
    for (Case& c : cases) {
        Arguments arguments(c.arguments);
        int exitCode = -1;
        EXPECT_EQ(LProcessStartup(arguments.Count(), arguments.Vector(), &exitCode), c.userInterface)
            << c.arguments.size();
        EXPECT_EQ(exitCode, c.exitCode);
    }
}

TEST_F(Startup, HelperEntryResultBecomesTheExitCode)
{
    LRegisterHelperEntry("StartupTestSucceeds", [](LProcessStdioContext*) { return 0; });
    LRegisterHelperEntry("StartupTestCancels", [](LProcessStdioContext*) { return 1; });
    for (const auto& [name, code] :
         {std::pair{"StartupTestSucceeds", 0}, std::pair{"StartupTestCancels", 1}}) {
        Arguments arguments({"quorin", "-exe", name});
        int exitCode = -1;
        EXPECT_FALSE(LProcessStartup(arguments.Count(), arguments.Vector(), &exitCode));
        EXPECT_EQ(exitCode, code) << name;
    }
}

TEST_F(Startup, InstallerArgumentSetsTheFlag)
{
    Arguments arguments({"quorin", "-installer"});
    int exitCode = -1;
    EXPECT_TRUE(LProcessStartup(arguments.Count(), arguments.Vector(), &exitCode));
    EXPECT_TRUE(LIsInstallerStart());
}

TEST_F(Startup, RaisesTheOpenFileLimitAndKeepsTheUmask)
{
    struct rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > 256 ? 256 : limit.rlim_max;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    const mode_t old = umask(022);

    Arguments arguments({"quorin"});
    int exitCode = -1;
    EXPECT_TRUE(LProcessStartup(arguments.Count(), arguments.Vector(), &exitCode));

    const mode_t after = umask(old);
    EXPECT_EQ(after, mode_t(022));
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlim_t expected = limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= 4096 ? 4096 : limit.rlim_max;
    EXPECT_EQ(limit.rlim_cur, expected);
}

TEST(OpenFileLimit, NeverLowersIt)
{
    struct rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const uint64_t before = LRaiseOpenFileLimit(0);
    EXPECT_EQ(before, limit.rlim_cur == RLIM_INFINITY ? UINT64_MAX : uint64_t(limit.rlim_cur));
}

TEST_F(Startup, SetsUpTheLogFolderAndThePhase)
{
    Arguments arguments({"quorin"});
    int exitCode = -1;
    LProcessStartup(arguments.Count(), arguments.Vector(), &exitCode);
    EXPECT_EQ(LGetCrashState().startupPhase.load(), 1);
    EXPECT_EQ(LGetCrashState().mainThreadId.load(), uint32_t(getpid()));
}

TEST(RootUser, FollowsTheUserIdNotTheEnvironment)
{
    const char* old = getenv("USER");
    const std::string saved = old ? old : "";
    setenv("USER", "root", 1);
    EXPECT_EQ(LIsRootUser(), getuid() == 0 || geteuid() == 0);
    setenv("USER", "nobody", 1);
    EXPECT_EQ(LIsRootUser(), getuid() == 0 || geteuid() == 0);
    if (old)
        setenv("USER", saved.c_str(), 1);
    else
        unsetenv("USER");
}

} // namespace
