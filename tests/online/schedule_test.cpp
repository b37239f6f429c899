// Scheduled launches as systemd user units: the units of a single date,
// a daily and a weekly schedule pass systemd-analyze (where it is
// installed), a single date carries its year and removes its units after it
// ran, awkward program paths survive systemd's quoting, and the user
// manager is asked only where one runs (a recording stand-in for systemctl
// plays it here).

#include "RecordedOpener.h"

#include "online/LScheduledLaunch.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quorin::test;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Line(const std::string& text, const std::string& key)
{
    const size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos)
        return "";
    const size_t start = at + key.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

class Schedules : public TempHomeTest
{
protected:
    void SetUp() override
    {
        folder_ = home_.Path(".config/systemd/user");
        // A program whose path needs systemd's quoting.
        program_ = home_.Path("my progs/quorin 100%$HOME");
        fs::create_directories(home_.Path("my progs"));
        std::ofstream(program_) << "#!/bin/sh\n";
        fs::permissions(program_, fs::perms::owner_all);
    }
    std::string Timer(const char* name) const
    {
        return folder_ + "/com.oxbelsoftware.quorin.schedule." + name + ".timer";
    }
    std::string Service(const char* name) const
    {
        return folder_ + "/com.oxbelsoftware.quorin.schedule." + name + ".service";
    }
    std::string WantsLink(const char* name) const
    {
        return folder_ + "/timers.target.wants/com.oxbelsoftware.quorin.schedule." + name + ".timer";
    }

    // systemd-analyze's verdict on the schedule's units: "" when they pass.
    std::string Verify(const char* name)
    {
        int status = 0;
        const std::string out = CaptureCommand(
            "systemd-analyze verify " + Quote(Timer(name)) + " " + Quote(Service(name)) + " 2>&1", &status);
        return status == 0 ? "" : out;
    }

    std::string folder_, program_;
};

TEST_F(Schedules, DateDailyAndWeeklyUnitsAreValidForSystemd)
{
    const time_t moment = time(nullptr) + 3 * 86400;
    struct tm local = {};
    localtime_r(&moment, &local);
    char date[64], clock[16];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:00", &local);
    std::strftime(clock, sizeof clock, "%H:%M:00", &local);

    LScheduleRecord once, daily, weekly;
    daily.daily = true;
    weekly.weekly = true;
    weekly.weekdayMask = 0b1000001;
    const struct
    {
        const char* name;
        LScheduleRecord record;
        const char* argument;
        std::string calendar;
    } cases[] = {
        {"Once", once, "-surveysched", date},
        {"Daily", daily, "", std::string("*-*-* ") + clock},
        {"Weekly", weekly, "a \"b\" 5% $HOME\\", std::string("Sun,Sat *-*-* ") + clock},
    };
    const bool haveAnalyze = HaveTool("systemd-analyze");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LScheduleLaunch(c.record, c.name, program_.c_str(), c.argument, moment), kScheduleWritten);
        const std::string timer = ReadFile(Timer(c.name));
        const std::string service = ReadFile(Service(c.name));
        EXPECT_EQ(Line(timer, "OnCalendar"), c.calendar);
        EXPECT_EQ(Line(timer, "Unit"),
                  std::string("com.oxbelsoftware.quorin.schedule.") + c.name + ".service");
        EXPECT_EQ(fs::read_symlink(WantsLink(c.name)),
                  std::string("../com.oxbelsoftware.quorin.schedule.") + c.name + ".timer");
        // '%' doubled everywhere, '$' in arguments only (systemd takes the
        // program's path literally), quotes and backslashes escaped.
        std::string exec = "\"" + home_.Path("my progs/quorin 100%%$HOME") + "\" \"-scheduled_launch\"";
        if (std::string(c.argument) == "-surveysched")
            exec += " \"-surveysched\"";
        else if (c.argument[0] != '\0')
            exec += " \"a \\\"b\\\" 5%% $$HOME\\\\\"";
        EXPECT_EQ(Line(service, "ExecStart"), exec);
        // Only a single date removes itself after it ran.
        EXPECT_EQ(Line(service, "ExecStopPost").empty(), c.record.daily || c.record.weekly);
        if (!haveAnalyze)
            continue;
        EXPECT_EQ(Verify(c.name), "");
        int status = 0;
        const std::string normal =
            CaptureCommand("systemd-analyze calendar " + Quote(c.calendar) + " 2>&1", &status);
        EXPECT_EQ(status, 0) << normal;
        EXPECT_EQ(normal.find("never"), std::string::npos) << normal;
    }
    if (!haveAnalyze)
        GTEST_SKIP() << "systemd-analyze is not installed: units checked by their text only";
}

TEST_F(Schedules, ASingleDateRemovesExactlyItsOwnUnitsAfterItRan)
{
    LScheduleRecord once;
    ASSERT_EQ(LScheduleLaunch(once, "Once", program_.c_str(), "", time(nullptr) + 600), kScheduleWritten);
    // The command systemd runs afterwards, its words read as systemd reads
    // them (double quotes, backslash escapes, "%%" for '%').
    const std::string post = Line(ReadFile(Service("Once")), "ExecStopPost");
    ASSERT_EQ(post.rfind("/bin/rm -f -- ", 0), 0u) << post;
    std::vector<std::string> words;
    for (size_t i = std::strlen("/bin/rm -f -- "); i < post.size();) {
        ASSERT_EQ(post[i], '"') << post;
        std::string word;
        for (++i; i < post.size() && post[i] != '"'; ++i) {
            if (post[i] == '\\' || (post[i] == '%' && post[i + 1] == '%'))
                ++i;
            word += post[i];
        }
        words.push_back(word);
        i += 2;
    }
    EXPECT_EQ(words, (std::vector<std::string>{Timer("Once"), Service("Once"), WantsLink("Once")}));
}

TEST_F(Schedules, RemovingDeletesTheUnitsEvenWhenNoneIsLoaded)
{
    LScheduleRecord daily;
    daily.daily = true;
    ASSERT_EQ(LScheduleLaunch(daily, "Daily", program_.c_str(), "", time(nullptr)), kScheduleWritten);
    EXPECT_TRUE(LRemoveScheduledLaunch("Daily"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Timer("Daily"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Service("Daily"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(WantsLink("Daily"))));
    EXPECT_TRUE(LRemoveScheduledLaunch("Daily")) << "nothing there is nothing left";
}

TEST_F(Schedules, FailuresAreReportedAndLeaveNothing)
{
    LScheduleRecord weekly;
    weekly.weekly = true; // no weekday
    EXPECT_EQ(LScheduleLaunch(weekly, "W", program_.c_str(), "", time(nullptr)), kScheduleFailed);
    LScheduleRecord once;
    EXPECT_EQ(LScheduleLaunch(once, "../x", program_.c_str(), "", time(nullptr)), kScheduleFailed);
    EXPECT_EQ(LScheduleLaunch(once, "A", "relative/quorin", "", time(nullptr)), kScheduleFailed);
    EXPECT_EQ(LScheduleLaunch(once, "A", program_.c_str(), "line\nbreak", time(nullptr)), kScheduleFailed);
    // A path systemd refuses to run.
    EXPECT_EQ(LScheduleLaunch(once, "A", home_.Path("quo\"rin").c_str(), "", time(nullptr)), kScheduleFailed);
    // Bytes that are not UTF-8: systemd would drop the whole ExecStart line.
    for (const char* bad : {"caf\xe9", "\xc3", "\xed\xa0\x80", "\xc0\xaf", "ok\xff"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(LScheduleLaunch(once, "A", program_.c_str(), bad, time(nullptr)), kScheduleFailed);
        EXPECT_EQ(LScheduleLaunch(once, "A", (program_ + bad).c_str(), "", time(nullptr)), kScheduleFailed);
        bool ok = true;
        EXPECT_EQ(LSystemdQuoteWord(bad, false, &ok), "");
        EXPECT_FALSE(ok);
    }
    // UTF-8 is taken as it is.
    bool ok = false;
    EXPECT_EQ(LSystemdQuoteWord("caf\xc3\xa9", false, &ok), "\"caf\xc3\xa9\"");
    EXPECT_TRUE(ok);
    EXPECT_FALSE(fs::exists(folder_ + "/com.oxbelsoftware.quorin.schedule.A.service"));
    // A file where the unit folder should be.
    fs::create_directories(home_.Path(".config/systemd"));
    std::ofstream(folder_) << "in the way";
    EXPECT_EQ(LScheduleLaunch(once, "A", program_.c_str(), "", time(nullptr)), kScheduleFailed);
}

TEST_F(Schedules, TheUserManagerIsAskedOnlyWhereOneRuns)
{
    TempDir dir;
    const std::string bin = dir.Path("bin");
    fs::create_directories(bin);
    const std::string log = dir.Path("systemctl.log");
    std::ofstream(bin + "/systemctl") << "#!/bin/sh\necho \"$*\" >> '" << log << "'\n";
    fs::permissions(bin + "/systemctl", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    const std::string savedPath = path != nullptr ? path : "";
    setenv("PATH", (bin + ":" + savedPath).c_str(), 1);

    LScheduleRecord daily;
    daily.daily = true;
    EXPECT_EQ(LScheduleLaunch(daily, "Daily", program_.c_str(), "", time(nullptr)), kScheduleWritten);
    EXPECT_FALSE(fs::exists(log)) << "no manager runs in this session";

    // The manager's socket in the runtime folder.
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    fs::create_directories(runtime + "/systemd");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s/systemd/private", runtime.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(LScheduleLaunch(daily, "Daily", program_.c_str(), "", time(nullptr)), kScheduleActive);
    EXPECT_TRUE(LRemoveScheduledLaunch("Daily"));
    close(listener);
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(ReadFile(log), "--user --quiet daemon-reload\n"
                             "--user --quiet restart com.oxbelsoftware.quorin.schedule.Daily.timer\n"
                             "--user --quiet daemon-reload\n"
                             "--user --quiet stop com.oxbelsoftware.quorin.schedule.Daily.timer\n"
                             "--user --quiet daemon-reload\n");
}

} // namespace
