// The next start after a crash or a hang: a child goes through the
// program's start-up, takes the run's lock file and then faults (or is
// stopped and killed, as a hung program is). The following start asks the
// abnormal-end question once, answered here as a user would, and the report
// it opens (through a recorded xdg-open) carries the crash code or says it
// was a hang.

#include "app/program/startup/LAppStartup.h"
#include "app/program/startup/LSupportServices.h"
#include "foundation/process/LProcessStartup.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LThreadNames.h"
#include "gui/GuiTestSupport.h"
#include "online/DialogAnswerer.h"
#include "online/LOnlineSite.h"
#include "online/RecordedOpener.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

constexpr const char* kTitle = "Abnormal Termination Detected";

std::string Setting(const char* section, const char* name)
{
    char value[260];
    LSettingsGetString(section, name, "(none)", value);
    return value;
}

// A run that starts as the program does and then dies the given way.
pid_t StartRun(bool crash)
{
    const pid_t child = fork();
    if (child == 0) {
        struct rlimit none = {0, 0};
        setrlimit(RLIMIT_CORE, &none);
        char name[] = "quorin";
        char* argv[] = {name, nullptr};
        int exitCode = 0;
        if (!LProcessStartup(1, argv, &exitCode))
            _exit(90);
        LUpdateCrashMarkerPath();
        LTakeCrashLockFile();
        LSetAppRunPhase(kRunPhaseRunning);
        if (crash) {
            volatile int* volatile nowhere = nullptr;
            *nowhere = 1;
        }
        raise(SIGSTOP); // hangs until killed
        _exit(91);
    }
    return child;
}

class CrashReport : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        LSettingsSetString("Software", "IID", "id&x=1#");
    }
    void TearDown() override { LStopCrashDetection(); }

    // One start of the program's crash detection with the dialogs answered;
    // what the user was asked.
    std::vector<std::string> StartWith(const std::vector<std::pair<std::string, std::string>>& answers)
    {
        DialogAnswerer answerer;
        for (const auto& a : answers)
            answerer.Expect(a.first, a.second);
        answerer.Start();
        LStartCrashDetection();
        LStopCrashDetection();
        return answerer.seen;
    }

    TempDir dir_;
    RecordedOpener opener_{dir_.Path()};
};

TEST_F(CrashReport, ACrashIsAskedAboutOnceAndReportedWithItsCode)
{
    const pid_t run = StartRun(true);
    int status = 0;
    ASSERT_EQ(waitpid(run, &status, 0), run);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    const std::vector<std::string> asked = StartWith({{kTitle, "It Crashed"}, {kTitle, "Report Bug"}});
    EXPECT_EQ(asked, (std::vector<std::string>{std::string(kTitle) + "/It Crashed",
                                               std::string(kTitle) + "/Report Bug"}));
    EXPECT_TRUE(LAbnormalEndDetected());
    const std::string code = "11-" + LCrashPlatformText() + "-UnknownModule-MAINUkn0(LstCmd0)";
    const std::vector<std::string> opened = opener_.Opened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0],
              "https://www.oxbelsoftware.com/software/bug.html?software=Quorin&version=3.00&xi=GUI-" +
                  LPercentEncode(code.c_str(), 260) + "&iid=id%26x%3D1%23");

    // The Help menu's bug report sends the same crash afterwards.
    EXPECT_EQ(Setting("RDF", "ID"), code);
    EXPECT_EQ(Setting("RDF", "Thread"), "MAIN");
    char query[260];
    LBuildCrashReportQuery(query);
    EXPECT_NE(std::string(query).find("id%3D11-"), std::string::npos) << query;

    // The next start asks nothing.
    EXPECT_TRUE(StartWith({{kTitle, "Something Else"}}).empty());
    EXPECT_FALSE(LAbnormalEndDetected());
}

TEST_F(CrashReport, AHungRunThatWasKilledIsReportedAsAHang)
{
    const pid_t run = StartRun(false);
    int status = 0;
    ASSERT_EQ(waitpid(run, &status, WUNTRACED), run);
    ASSERT_TRUE(WIFSTOPPED(status));
    kill(run, SIGKILL);
    ASSERT_EQ(waitpid(run, &status, 0), run);

    const std::vector<std::string> asked = StartWith({{kTitle, "It Crashed"}, {kTitle, "Report Bug"}});
    EXPECT_EQ(asked.size(), 2u);
    const std::vector<std::string> opened = opener_.Opened(1);
    ASSERT_EQ(opened.size(), 1u);
    const int os = LCurrentOsCode();
    char hang[64];
    std::snprintf(hang, sizeof hang, "AbTermOrHang-Linux%d%02d", os / 100, os % 100);
    EXPECT_EQ(
        opened[0],
        std::string("https://www.oxbelsoftware.com/software/bug.html?software=Quorin&version=3.00&xi=") +
            hang + "&iid=id%26x%3D1%23");
    EXPECT_EQ(Setting("RDF", "ID"), "(none)") << "nothing is known of a hang";
    EXPECT_TRUE(StartWith({{kTitle, "Something Else"}}).empty());
}

TEST_F(CrashReport, SomethingElseOpensNothing)
{
    const pid_t run = StartRun(true);
    waitpid(run, nullptr, 0);
    EXPECT_EQ(StartWith({{kTitle, "Something Else"}}).size(), 1u);
    EXPECT_TRUE(opener_.Opened().empty());
}

TEST_F(CrashReport, TheCrashCodeNamesThreadPlatformAndPhase)
{
    LSetThreadShortName("MAIN");
    LSetAppRunPhase(kRunPhaseRunning);
    char code[260];
    LMakeCrashCode(code, "11", "UnknownModule");
    EXPECT_EQ(std::string(code), "11-" + LCrashPlatformText() + "-UnknownModule-MAINUkn0(LstCmd0)");
    const std::string platform = LCrashPlatformText();
    EXPECT_EQ(platform.rfind("Linux", 0), 0u) << platform;
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(platform.back()))) << platform;

    LCrashMarker marker;
    marker.signalNumber = 4;
    marker.threadKnown = true;
    std::strcpy(marker.thread, "1234"); // a thread named by its number
    std::strcpy(marker.activity, "Burning");
    LMakeCrashCodeFromMarker(code, "4", "UnknownModule", marker);
    EXPECT_EQ(std::string(code), "4-" + platform + "-UnknownModule-Burning");
    marker.threadKnown = false;
    marker.mainThread = true;
    marker.phase = kRunPhaseWindowClosed;
    LMakeCrashCodeFromMarker(code, "4", "UnknownModule", marker);
    EXPECT_EQ(std::string(code), "4-" + platform + "-UnknownModule-UnknownBurningGuiDes3");
}

} // namespace
