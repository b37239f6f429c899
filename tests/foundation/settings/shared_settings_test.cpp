// "SharedSettings.xml": layout, reading files other programs wrote, damaged
// files left alone, and writers in several processes.

#include "foundation/settings/LSharedSettings.h"

#include "foundation/log/LLog.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using SharedSettings = quorin::test::TempHomeTest;
using quorin::test::ReadFileBytes;
using quorin::test::WriteFileBytes;

std::string Get(const char* section, const char* name)
{
    char value[260];
    LSharedSettingsGetString(section, name, "<default>", value);
    return value;
}

std::string FilePath()
{
    char path[260];
    EXPECT_TRUE(LSharedSettingsPath(path));
    return path;
}

TEST_F(SharedSettings, LivesInTheSharedFolderOfTheDataFolder)
{
    EXPECT_EQ(FilePath(), home_.Path(".local/share/Quorin/Shared/SharedSettings.xml"));
}

TEST_F(SharedSettings, SetAndGetWithTheFileLayout)
{
    EXPECT_EQ(Get("Software", "Ref"), "<default>");
    ASSERT_TRUE(LSharedSettingsSetString("Software", "Ref", "abc"));
    ASSERT_TRUE(LSharedSettingsSetString("Software", "Version", "3.00"));
    ASSERT_TRUE(LSharedSettingsSetString("Other", "Flag", "a \"quoted\" & <odd> value"));
    ASSERT_TRUE(LSharedSettingsSetString("Software", "Ref", "xyz"));
    EXPECT_EQ(Get("Software", "Ref"), "xyz");
    EXPECT_EQ(Get("Other", "Flag"), "a \"quoted\" & <odd> value");
    EXPECT_EQ(Get("Other", "Missing"), "<default>");
    EXPECT_EQ(ReadFileBytes(FilePath()), "<Software>\n"
                                         "\t<Ref value=\"xyz\"/>\n"
                                         "\t<Version value=\"3.00\"/>\n"
                                         "</Software>\n"
                                         "<Other>\n"
                                         "\t<Flag value=\"a &quot;quoted&quot; &amp; &lt;odd&gt; value\"/>\n"
                                         "</Other>\n");
}

TEST_F(SharedSettings, OneSectionFileIsWellFormedForXmllint)
{
    QUORIN_REQUIRE_TOOL("xmllint");
    ASSERT_TRUE(LSharedSettingsSetString("Software", "Ref", "caf\xC3\xA9 & more"));
    int status = -1;
    std::string output = quorin::test::CaptureCommand("xmllint --noout '" + FilePath() + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << output;
}

TEST_F(SharedSettings, KeepsWhatOtherProgramsWrote)
{
    char path[260];
    ASSERT_TRUE(LSharedSettingsPath(path));
    WriteFileBytes(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- written elsewhere -->\r\n"
                         "<Software>\r\n  <Ref value='from other' extra=\"kept\"/>\r\n</Software>\r\n");
    EXPECT_EQ(Get("Software", "Ref"), "from other");
    ASSERT_TRUE(LSharedSettingsSetString("Software", "Mine", "1"));
    EXPECT_EQ(ReadFileBytes(path), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<!-- written elsewhere -->\n"
                                   "<Software>\n"
                                   "\t<Ref extra=\"kept\" value=\"from other\"/>\n"
                                   "\t<Mine value=\"1\"/>\n"
                                   "</Software>\n");
}

TEST_F(SharedSettings, DamagedFileIsReportedAndLeftAsItIs)
{
    char path[260];
    ASSERT_TRUE(LSharedSettingsPath(path));
    const std::string damaged =
        "<Software>\n\t<Ref value=\"keep me\"/>\n\t<Other value=\"and me\"/>\n<Broken";
    WriteFileBytes(path, damaged);
    EXPECT_FALSE(LSharedSettingsSetString("Software", "New", "value"));
    EXPECT_EQ(ReadFileBytes(path), damaged);
    // What could be read is still served.
    EXPECT_EQ(Get("Software", "Ref"), "keep me");

    char logPath[260];
    LGetGlobalLog()->GetPathFor(time(nullptr), logPath);
    std::string log = ReadFileBytes(logPath);
    EXPECT_NE(log.find("SharedSettings: " + std::string(path) + " is damaged (Ln "), std::string::npos)
        << log;
    EXPECT_NE(log.find("Software/New was not stored"), std::string::npos) << log;
}

TEST_F(SharedSettings, NamesThatCannotBeElementsAreRefused)
{
    const std::pair<const char*, const char*> bad[] = {
        {"My Section", "Ref"}, {"Software", "a<b"}, {"", "Ref"}, {"Software", ""}, {"!--", "x"}, {"S", "a/b"},
    };
    for (const auto& [section, name] : bad)
        EXPECT_FALSE(LSharedSettingsSetString(section, name, "v")) << section << "/" << name;
    struct stat info;
    EXPECT_NE(stat(FilePath().c_str(), &info), 0); // nothing was written
}

TEST_F(SharedSettings, ProcessesWritingAtOnceKeepEveryValue)
{
    constexpr int kNames = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < 3; ++p) {
        pid_t child = fork();
        if (child == 0) {
            for (int i = 0; i < kNames; ++i) {
                std::string name = "N" + std::to_string(p) + "_" + std::to_string(i);
                if (!LSharedSettingsSetString(p % 2 ? "Odd" : "Even", name.c_str(), name.c_str()))
                    _exit(1);
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < kNames; ++i) {
            std::string name = "N" + std::to_string(p) + "_" + std::to_string(i);
            EXPECT_EQ(Get(p % 2 ? "Odd" : "Even", name.c_str()), name);
        }
    }
}

TEST_F(SharedSettings, AWriterKilledMidWriteLeavesAWholeFile)
{
    ASSERT_TRUE(LSharedSettingsSetString("Keep", "Me", "safe"));
    std::mt19937 random(99);
    for (int round = 0; round < 8; ++round) {
        pid_t child = fork();
        if (child == 0) {
            for (int i = 0;; ++i) {
                std::string name = "Item" + std::to_string(i % 400);
                LSharedSettingsSetString("Bulk", name.c_str(), std::string(200, char('a' + i % 26)).c_str());
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(3000 + random() % 40000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        // The file parses whole every time, so the next write goes through.
        ASSERT_EQ(Get("Keep", "Me"), "safe") << "round " << round;
        ASSERT_TRUE(LSharedSettingsSetString("Keep", "Round", std::to_string(round).c_str()))
            << "round " << round;
    }
}

} // namespace
