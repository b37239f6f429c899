// The support services' local parts: the run's lock file that tells an
// abnormal end, the usage counters file, the end-of-run survey state and the
// crash-report query.

#include "app/program/startup/LSupportServices.h"
#include "foundation/settings/LSettings.h"
#include "online/RecordedOpener.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Setting(const char* section, const char* name)
{
    char value[260];
    LSettingsGetString(section, name, "(none)", value);
    return value;
}

void PutLe(std::vector<unsigned char>& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The lock file a run leaves when it dies: its start times, no lock.
void WriteLeftLockFile(const char* path, int64_t seconds, int64_t ms)
{
    std::vector<unsigned char> record;
    PutLe(record, static_cast<uint64_t>(seconds), 8);
    PutLe(record, static_cast<uint64_t>(ms), 8);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(record.data()), record.size());
}

class SupportServices : public quorin::test::TempHomeTest
{
protected:
    void TearDown() override { LStopCrashDetection(); }

    quorin::test::TempDir dir_;
    quorin::test::RecordedOpener opener_{dir_.Path()};
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(SupportServices, ARunHoldsItsLockFileAndDeletesItAtANormalEnd)
{
    char path[260];
    ASSERT_TRUE(LGetCrashLockFilePath(path));
    EXPECT_NE(std::strstr(path, "/.cache/Quorin/_quorin_rl_"), nullptr) << path;
    EXPECT_FALSE(LTakeCrashLockFile());
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 16u);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_write, fs::perms::none);
    // Another copy starting now finds the file locked: it asks nothing and
    // leaves the file alone.
    const int other = open(path, O_RDONLY);
    ASSERT_GE(other, 0);
    EXPECT_NE(flock(other, LOCK_SH | LOCK_NB), 0);
    close(other);
    LStopCrashDetection();
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(SupportServices, AFileLeftByAKilledRunTellsOnceAtTheNextStart)
{
    char path[260];
    ASSERT_TRUE(LGetCrashLockFilePath(path));
    struct timeval now;
    gettimeofday(&now, nullptr);
    const int64_t started = now.tv_sec - 100;
    WriteLeftLockFile(path, started, started * 1000 + now.tv_usec / 1000);
    EXPECT_TRUE(LTakeCrashLockFile());
    EXPECT_FALSE(fs::exists(path)) << "read and deleted; this run makes none";
    EXPECT_FALSE(LTakeCrashLockFile()) << "the following start asks nothing";
}

TEST_F(SupportServices, ALeftFileWithClocksThatDisagreeTellsNothing)
{
    char path[260];
    ASSERT_TRUE(LGetCrashLockFilePath(path));
    // The wall clock was set an hour back since: the record says nothing.
    const int64_t started = time(nullptr) - 100;
    WriteLeftLockFile(path, started, (started - 3600) * 1000);
    EXPECT_FALSE(LTakeCrashLockFile());
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(SupportServices, UsageCountersLoadAtMost256AndSaveWhole)
{
    char path[260];
    ASSERT_TRUE(LGetUsageCountersPath(path));
    EXPECT_NE(std::strstr(path, "/.cache/Quorin/QuorinCounts.txt"), nullptr) << path;
    std::vector<unsigned char> data;
    PutLe(data, 1000, 4);
    for (uint64_t i = 0; i < 300; ++i)
        PutLe(data, (i + 1) << 32 | i, 8);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());

    std::vector<uint64_t>& counters = LUsageCounters();
    counters.assign(64, 0);
    LLoadUsageCounters();
    ASSERT_EQ(counters.size(), 256u);
    EXPECT_EQ(counters[0], 1ull << 32);
    EXPECT_EQ(counters[255], 256ull << 32 | 255);

    LSaveUsageCounters();
    EXPECT_EQ(fs::file_size(path), 4u + 8u * 256u);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_write, fs::perms::none);
    counters.assign(64, 0);
    LLoadUsageCounters();
    EXPECT_EQ(counters.size(), 256u);
    EXPECT_EQ(counters[100], 101ull << 32 | 100);

    LSettingsSetString("Software", "SVar", "x");
    LDeleteUsageCounters();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(Setting("Software", "SVar"), "(none)");
    counters.assign(64, 0);
}

TEST_F(SupportServices, EndOfRunCountsTheRunOrHandsOverTheSurvey)
{
    LSettingsSetString("Settings", "Runs", "4");
    LSettingsSetString("Settings", "RunsSinceLastInstall", "1");
    LRunEndSurveyHook(nullptr);
    EXPECT_EQ(Setting("Settings", "Runs"), "5");
    EXPECT_EQ(Setting("Settings", "RunsSinceLastInstall"), "2");

    // The first end of a run opens the thank-you page, once.
    const std::vector<std::string> opened = opener_.Opened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].rfind(std::string(kMakerSite) + "/software/thanks.html?software=Quorin&", 0), 0u)
        << opened[0];

    // A survey launch was scheduled (or not): the run that shows it removes it.
    LScheduleRecord once;
    ASSERT_NE(LScheduleLaunch(once, "LikeSurvey", "/bin/true", "-surveysched", time(nullptr) + 3600),
              kScheduleFailed);
    const std::string timer = LUserUnitFolder() + "/com.oxbelsoftware.quorin.schedule.LikeSurvey.timer";
    ASSERT_TRUE(fs::exists(timer));
    LSettingsSetString("Software", "ShowSurvey", "1");
    LRunEndSurveyHook(nullptr);
    EXPECT_EQ(Setting("Software", "ShowSurvey"), "(none)");
    EXPECT_EQ(Setting("Software", "ShowSurveyNow"), "1");
    EXPECT_EQ(Setting("Settings", "Runs"), "5") << "a run that hands over the survey is not counted";
    EXPECT_FALSE(fs::exists(timer));
    EXPECT_EQ(opener_.Opened().size(), 1u);
}

TEST_F(SupportServices, TheLongTermThanksOpenAfterHalfAYearAndAfterAYearOnly)
{
    const int64_t now = time(nullptr);
    LSettingsSetInt("Settings", "Runs", 12);
    EXPECT_FALSE(LOpenLongTermThanks()) << "no first installation known";
    LSettingsSetInt("Settings", "InstallDateFirst", now - 100 * 86400);
    EXPECT_FALSE(LOpenLongTermThanks());
    LSettingsSetInt("Settings", "InstallDateFirst", now - 200 * 86400);
    EXPECT_TRUE(LOpenLongTermThanks());
    EXPECT_FALSE(LOpenLongTermThanks());
    LSettingsSetInt("Settings", "InstallDateFirst", now - 300 * 86400);
    EXPECT_FALSE(LOpenLongTermThanks());
    LSettingsSetInt("Settings", "InstallDateFirst", now - 365 * 86400);
    EXPECT_TRUE(LOpenLongTermThanks());
    LSettingsSetInt("Settings", "InstallDateFirst", now - 900 * 86400);
    EXPECT_FALSE(LOpenLongTermThanks());
    const std::vector<std::string> opened = opener_.Opened(2);
    ASSERT_EQ(opened.size(), 2u);
    for (const std::string& url : opened)
        EXPECT_EQ(url.rfind(std::string(kMakerSite) + "/software/thanksforusing.html?software=Quorin&", 0),
                  0u)
            << url;
    EXPECT_NE(opened[0].find("&days=200&runs=12"), std::string::npos) << opened[0];
    EXPECT_NE(opened[1].find("&days=365&runs=12"), std::string::npos) << opened[1];
}

TEST_F(SupportServices, TheSurveyIsScheduledOnceForADateWithItsYear)
{
    // One user in two or in ten (by the build's age), told apart by the
    // time: base is a multiple of both, and even for both after division.
    const time_t base = (time(nullptr) / 20480) * 20480;
    EXPECT_EQ(LOpenThanksAndScheduleSurvey(base + 1), kScheduleFailed) << "an odd second is not asked";
    const std::string timer = LUserUnitFolder() + "/com.oxbelsoftware.quorin.schedule.LikeSurvey.timer";
    const std::string service = LUserUnitFolder() + "/com.oxbelsoftware.quorin.schedule.LikeSurvey.service";
    EXPECT_FALSE(fs::exists(timer));
    EXPECT_EQ(opener_.Opened(1).size(), 1u);

    LSettingsDelete("Settings", "Thanks");
    EXPECT_NE(LOpenThanksAndScheduleSurvey(base), kScheduleFailed);
    EXPECT_EQ(Setting("Software", "ShowSurveyNow"), "1") << "an even turn is asked at once";
    const time_t when = base + 45;
    struct tm local = {};
    localtime_r(&when, &local);
    char calendar[64];
    std::strftime(calendar, sizeof calendar, "OnCalendar=%Y-%m-%d %H:%M:00\n", &local);
    EXPECT_NE(ReadFile(timer).find(calendar), std::string::npos) << ReadFile(timer);
    EXPECT_NE(ReadFile(service).find("\"-scheduled_launch\" \"-surveysched\""), std::string::npos);

    LSettingsDelete("Settings", "Thanks");
    LSettingsDelete("Software", "ShowSurveyNow");
    EXPECT_NE(LOpenThanksAndScheduleSurvey(base + 10), kScheduleFailed);
    EXPECT_EQ(Setting("Software", "ShowSurveyNow"), "(none)") << "an odd turn waits two days";
    const time_t later = base + 10 + 172800;
    localtime_r(&later, &local);
    std::strftime(calendar, sizeof calendar, "OnCalendar=%Y-%m-%d %H:%M:00\n", &local);
    EXPECT_NE(ReadFile(timer).find(calendar), std::string::npos) << ReadFile(timer);

    // Once "Thanks" is set nothing more happens.
    EXPECT_EQ(LOpenThanksAndScheduleSurvey(base), kScheduleFailed);
    EXPECT_EQ(opener_.Opened(3).size(), 3u);
}

TEST_F(SupportServices, CrashReportQueryIsEncodedTwice)
{
    char query[260];
    LBuildCrashReportQuery(query);
    EXPECT_STREQ(query, "") << "no crash recorded";
    LSettingsSetString("RDF", "Time", "1700000000");
    LSettingsSetString("RDF", "ID", "a b");
    LBuildCrashReportQuery(query);
    EXPECT_STREQ(query, "id%3Da%2520b%26th%3D%26cs%3D");
    // Long records never overrun the buffer or end in a cut escape.
    LSettingsSetString("RDF", "ID", std::string(250, ' ').c_str());
    LBuildCrashReportQuery(query);
    ASSERT_LT(std::strlen(query), 260u);
    ASSERT_NE(std::strchr(query, '%'), nullptr);
    for (const char* p = std::strchr(query, '%'); p != nullptr; p = std::strchr(p + 1, '%'))
        EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(p[1])) &&
                    std::isxdigit(static_cast<unsigned char>(p[2])))
            << query;
}

TEST(ProductPages, NamesOnTheSecondSiteBeginWithAPlus)
{
    EXPECT_EQ(LProductPageUrl("quorin/index"), std::string(kMakerSite) + "/quorin/index.html");
    EXPECT_EQ(LProductPageUrl("+abc"), std::string(kMakerSecondSite) + "/abc.html");
}

} // namespace
