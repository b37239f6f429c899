// The main window's notices of finished work on a private session bus: with
// a notification service there, a finished conversion sends it one notice
// with the program's caption and text and no bubble shows; with none, the
// program's own bubble shows instead.

#include "app/program/MainDialog.h"
#include "app/queue/ProcessQueueWorker.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace quorin::test;

namespace {

class QuietMainDialog : public MainDialog
{
public:
    explicit QuietMainDialog(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~QuietMainDialog() override
    {
        if (IsWindow() && !IsClosed())
            QueryQuit();
    }
    void OpenRecordingWizard() override {}
    int Ask(const char*, const char*, const char*, const char*) override { return 1; }
    void Tell(const char*, const char*, int) override {}
};

std::vector<std::string> Lines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class DesktopNotices : public TempHomeTest
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
        // Before the first use of the bus in this process, and before the
        // toolkit starts.
        setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
        StartService();
        GuiApp();
        LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
    }

    void TearDown() override
    {
        StopService();
        if (busPid_ > 0)
            kill(busPid_, SIGTERM);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    void StartService()
    {
        const std::string ready = dir_.Path("ready");
        const std::string pidFile = dir_.Path("service.pid");
        ASSERT_EQ(RunCommand("DBUS_SESSION_BUS_ADDRESS=" + Quote(address_) + " /usr/bin/python3 " +
                             Quote(SourceDir() + "/tests/app/program/fake_notification_service.py") + " " +
                             Quote(log_) + " " + Quote(ready) + " >" + Quote(dir_.Path("service.log")) +
                             " 2>&1 & echo $! > " + Quote(pidFile)),
                  0);
        struct stat info;
        for (int i = 0; i < 200 && stat(ready.c_str(), &info) != 0; ++i)
            PumpOrSleep();
        ASSERT_EQ(stat(ready.c_str(), &info), 0) << "the test service never took its name: "
                                                 << CaptureCommand("cat " + Quote(dir_.Path("service.log")));
        std::ifstream(pidFile) >> servicePid_;
    }

    void StopService()
    {
        if (servicePid_ > 0) {
            kill(servicePid_, SIGTERM);
            RunCommand("while kill -0 " + std::to_string(servicePid_) + " 2>/dev/null; do sleep 0.02; done");
            servicePid_ = 0;
        }
    }

    static void PumpOrSleep() { RunCommand("sleep 0.05"); }

    std::unique_ptr<QuietMainDialog> Open()
    {
        auto window = std::make_unique<QuietMainDialog>(worker_);
        EXPECT_TRUE(window->CreateMainWindow());
        window->SetCharacterCell(2, 4, window->GetScaleFactor());
        window->InitMainWindow();
        return window;
    }

    TempDir dir_;
    TempDir out_;
    std::string log_ = dir_.Path("notices.jsonl");
    std::string address_;
    int busPid_ = 0;
    int servicePid_ = 0;
    std::string queuePath_ = dir_.Path("grprocesses.list");
    ProcessQueueWorker worker_{queuePath_.c_str()};
};

TEST_F(DesktopNotices, AFinishedConversionSendsOneNoticeToTheDesktopService)
{
    auto window = Open();
    ASSERT_TRUE(window->GrowlProxy().IsRegistered());
    const std::string track = out_.Path("Track 01.wav");
    std::ofstream(track) << "RIFF";

    window->OnNotify(kMainMsgJobQueued, nullptr, 0);
    window->OnNotify(kMainMsgRecordingState, nullptr, 1);
    window->OnNotify(kMainMsgJobDone, track.c_str(), 0);

    const std::vector<std::string> lines = Lines(log_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"app\": \"Quorin\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"summary\": \"Quorin\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"body\": \"Your recordings have finished processing\""), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[0].find("\"desktop-entry\": \"com.oxbelsoftware.quorin\""), std::string::npos)
        << lines[0];
    ASSERT_NE(window->NotifyBubble(), nullptr);
    EXPECT_FALSE(window->NotifyBubble()->IsShown()) << "the desktop showed it: no bubble of our own";
}

TEST_F(DesktopNotices, WithTheServiceGoneTheProgramsOwnBubbleShows)
{
    auto window = Open();
    ASSERT_TRUE(window->GrowlProxy().IsRegistered());
    StopService();

    window->OnNotify(kMainMsgRecordingDiscarded, nullptr, 0);
    EXPECT_TRUE(Lines(log_).empty());
    ASSERT_NE(window->NotifyBubble(), nullptr);
    EXPECT_TRUE(window->NotifyBubble()->IsShown());
    EXPECT_EQ(window->NotifyBubble()->Text(), "Your recording has been discarded");
    EXPECT_EQ(window->NotifyBubble()->Caption(), "Quorin");
}

} // namespace
