// Revealing a folder through the file manager on a private session bus: with
// a file manager there, it is asked to show the folder's first file
// selected and nothing else opens; with none, the folder opens with
// xdg-open.

#include "foundation/platform/LDesktopOpen.h"
#include "foundation/process/ProcessTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LFileManagerBus.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

class FileManagerBus : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("dbus-daemon") || RunCommand("/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null") != 0)
            GTEST_SKIP() << "dbus-daemon, python3-dbus and python3-gi are needed (make deps installs them)";
        // A bus of our own: the system's session set-up without the folders
        // of services started on demand, so only our test service answers.
        const std::string config = dir_.Path("bus.conf");
        ASSERT_EQ(
            RunCommand(
                "sed -e 's|<standard_session_servicedirs */>||' -e 's|<listen>.*</listen>|<listen>unix:dir=" +
                dir_.Path() + "</listen>|' /usr/share/dbus-1/session.conf > " + Quote(config)),
            0);
        std::istringstream started(CaptureCommand(
            "dbus-daemon --fork --print-address=1 --print-pid=1 --config-file=" + Quote(config)));
        std::string pid;
        std::getline(started, address_);
        std::getline(started, pid);
        ASSERT_FALSE(address_.empty()) << "dbus-daemon did not start";
        busPid_ = std::stoi(pid);
        // Before the first use of the bus in this process.
        setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);

        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        const std::string bin = dir_.Path("bin");
        std::filesystem::create_directories(bin);
        setenv("PATH", (bin + ":" + savedPath_).c_str(), 1);
        WriteScript(bin + "/xdg-open", "for a in \"$@\"; do echo \"$a\"; done > \"" + opened_ + ".part\"\n" +
                                           "mv \"" + opened_ + ".part\" \"" + opened_ + "\"\n");
        GuiApp();
        LInstallFileManagerBus();
    }

    void TearDown() override
    {
        LSetFileManagerShowItem(nullptr);
        if (servicePid_ > 0) {
            kill(servicePid_, SIGTERM);
            RunCommand("while kill -0 " + std::to_string(servicePid_) + " 2>/dev/null; do sleep 0.02; done");
        }
        if (busPid_ > 0)
            kill(busPid_, SIGTERM);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        if (!savedPath_.empty())
            setenv("PATH", savedPath_.c_str(), 1);
    }

    void StartFileManager()
    {
        const std::string ready = dir_.Path("ready");
        const std::string pidFile = dir_.Path("service.pid");
        ASSERT_EQ(RunCommand("DBUS_SESSION_BUS_ADDRESS=" + Quote(address_) + " /usr/bin/python3 " +
                             Quote(SourceDir() + "/tests/gui/qt/fake_file_manager_service.py") + " " +
                             Quote(log_) + " " + Quote(ready) + " >" + Quote(dir_.Path("service.log")) +
                             " 2>&1 & echo $! > " + Quote(pidFile)),
                  0);
        ASSERT_TRUE(WaitUntil([&] { return PathExists(ready); }, 10000))
            << "the test file manager never took its name: "
            << CaptureCommand("cat " + Quote(dir_.Path("service.log")));
        std::ifstream(pidFile) >> servicePid_;
    }

    // What the fake xdg-open was given, one argument a line.
    std::string Opened()
    {
        if (!WaitUntil([&] { return PathExists(opened_); }))
            return "(not run)";
        const std::string text = ReadFileBytes(opened_);
        unlink(opened_.c_str());
        return text;
    }

    std::string Shown() { return PathExists(log_) ? ReadFileBytes(log_) : ""; }

    TempDir dir_;
    std::string log_ = dir_.Path("shown.jsonl");
    std::string opened_ = dir_.Path("opened");
    std::string address_, savedPath_;
    int busPid_ = 0;
    int servicePid_ = 0;
};

TEST_F(FileManagerBus, TheFileManagerShowsTheFirstFileSelectedAndNothingElseOpens)
{
    StartFileManager();
    const std::string album = home_.Path("Music/My Album");
    std::filesystem::create_directories(album + "/covers");
    std::ofstream(album + "/02 Second.wav") << "x";
    std::ofstream(album + "/01 First.wav") << "x";

    ASSERT_TRUE(LRevealFolderInFinder(album.c_str()));
    EXPECT_EQ(Shown(), "{\"items\": [\"" + LFileUriFromPath((album + "/01 First.wav").c_str()) +
                           "\"], \"startup\": \"\"}\n");
    // A folder with nothing but folders in it is itself selected.
    ASSERT_TRUE(LRevealFolderInFinder((album + "/covers").c_str()));
    EXPECT_EQ(Shown().substr(Shown().find('\n') + 1), "{\"items\": [\"" +
                                                          LFileUriFromPath((album + "/covers").c_str()) +
                                                          "\"], \"startup\": \"\"}\n");
    usleep(200 * 1000);
    EXPECT_FALSE(PathExists(opened_)) << "xdg-open ran although the file manager answered";
}

TEST_F(FileManagerBus, WithNoFileManagerOnTheBusTheFolderOpens)
{
    const std::string folder = home_.Path("Music/Side A");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/track 1.wav") << "x";
    EXPECT_FALSE(LFileManagerBusShowItem(LFileUriFromPath((folder + "/track 1.wav").c_str()).c_str()));
    ASSERT_TRUE(LRevealFolderInFinder(folder.c_str()));
    EXPECT_EQ(Opened(), folder + "\n");
    ASSERT_TRUE(LRevealFolderInFinder((folder + "/track 1.wav").c_str()));
    EXPECT_EQ(Opened(), folder + "\n");
}

} // namespace
