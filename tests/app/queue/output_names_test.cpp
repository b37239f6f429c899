// Output name templates and the search for a free name; the progress
// percent the main window is sent.

#include "app/queue/OutputNames.h"
#include "app/queue/ProcessQueueFile.h"
#include "app/queue/QueueTestSupport.h"
#include "audio/effects/LRestorationTasks.h"
#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace quorin::test;
using namespace queuetest;

TEST(OutputNameTemplate, TokensAndStrayPercentSigns)
{
    std::tm when = {};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 7;
    when.tm_hour = 9;
    when.tm_min = 5;
    when.tm_sec = 4;
    struct Case
    {
        const char* nameTemplate;
        int64_t number;
        const char* expected;
    } cases[] = {
        {"Take %autonumber% (%HH%-%MIN%)", 3, "Take 03 (09-05)"},
        {"%YYYY%-%MM%-%DD% %hh%.%min%.%ss%", 1, "2026-03-07 09.05.04"},
        {"Side %AutoNumber%", 123, "Side 123"},
        {"100%", 1, "100%"},
        {"a%%b", 1, "ab"},
        {"x%foo%y", 1, "xy"},
        {"50% of %autonumber", 1, "50autonumber"}, // " of " is an unknown token
        {"", 1, ""},
    };
    for (const Case& c : cases) {
        char out[260];
        ExpandOutputNameAt(out, c.nameTemplate, c.number, when);
        EXPECT_STREQ(out, c.expected) << c.nameTemplate;
    }

    // The result is cut to 259 bytes between characters, never inside one.
    const std::string longTemplate = std::string(258, 'a') + "\xC3\xA9\xC3\xA9";
    char out[260];
    ExpandOutputNameAt(out, longTemplate.c_str(), 1, when);
    EXPECT_EQ(std::string(out), std::string(258, 'a'));

    EXPECT_TRUE(HasAutonumberToken("x %AUTONUMBER% y"));
    EXPECT_FALSE(HasAutonumberToken("x %autonumbers% y"));
    EXPECT_FALSE(HasAutonumberToken("100% autonumber"));
}

class NextOutputNameTest : public TempHomeTest
{
protected:
    NextOutputNameTest() : queue_(dir_.Path("queue.list").c_str()) {}
    TempDir dir_;
    TempDir out_;
    ProcessQueueFile queue_;
};

TEST_F(NextOutputNameTest, SkipsFilesAndQueuedDestinations)
{
    WriteFileBytes(out_.Path("Untitled 01.wav"), "x");
    ASSERT_EQ(queue_.Append(MakeRecord("/rec/a.wav", out_.Path(), ".mp3", out_.Path("Untitled 02.mp3"))),
              QueueStatus::kOk);
    char name[260];
    ASSERT_TRUE(MakeNextOutputNameIn(name, out_.Path().c_str(), kDefaultOutputNameTemplate, queue_));
    EXPECT_STREQ(name, "Untitled 03");
}

TEST_F(NextOutputNameTest, ATemplateWithoutANumberGetsOneAppended)
{
    char name[260];
    ASSERT_TRUE(MakeNextOutputNameIn(name, out_.Path().c_str(), "Side A", queue_));
    EXPECT_STREQ(name, "Side A");
    WriteFileBytes(out_.Path("Side A.mp3"), "x");
    WriteFileBytes(out_.Path("Side A 02.wav"), "x");
    ASSERT_TRUE(MakeNextOutputNameIn(name, out_.Path().c_str(), "Side A", queue_));
    EXPECT_STREQ(name, "Side A 03");
}

TEST_F(NextOutputNameTest, FailsClearlyWhenNoNameCanBeHad)
{
    char name[260];
    // Nothing to name a file by.
    EXPECT_FALSE(MakeNextOutputNameIn(name, out_.Path().c_str(), "%foo%", queue_));
    EXPECT_STREQ(name, "");
    // A name that can never fit a path.
    EXPECT_FALSE(MakeNextOutputNameIn(name, out_.Path().c_str(), std::string(250, 'n').c_str(), queue_));
    // A queue that stays locked is an error, not a free name.
    const int holder = open(queue_.LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    queue_.SetLockWait(30);
    EXPECT_FALSE(MakeNextOutputNameIn(name, out_.Path().c_str(), kDefaultOutputNameTemplate, queue_));
    close(holder);
}

TEST_F(NextOutputNameTest, UsesTheSettingsTemplateAndOutputFolder)
{
    LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
    LSettingsSetString("OutputFormat", "FileNameFormat", "Rec %autonumber%");
    WriteFileBytes(out_.Path("Rec 01.wav"), "x");
    char name[260];
    ASSERT_TRUE(MakeNextOutputName(name));
    EXPECT_STREQ(name, "Rec 02");
}

TEST(QueueProgress, PercentsAreClampedAndPostedOnlyWhenTheyChange)
{
    struct Case
    {
        double fraction;
        int32_t percent;
    } cases[] = {{-0.5, 0}, {0.0, 0}, {0.129, 12}, {0.999, 99}, {1.0, 100}, {1.7, 100}, {2.5, 100}};
    for (const Case& c : cases)
        EXPECT_EQ(QueuePercent(c.fraction), c.percent) << c.fraction;

    NoticeCollector notices;
    WorkerStatus().SetStatusText("Converting...");
    for (double f : {0.0, 0.001, 0.01, 0.011, 0.5, 0.5, 1.2})
        QueueReporter().NotifyProgress(f);
    WorkerStatus().SetStatusText("");
    std::vector<int32_t> percents;
    for (const QueueNotice& n : notices.WithCode(kQueueNoticeProgress)) {
        percents.push_back(n.percent);
        EXPECT_EQ(n.text, "Converting...");
    }
    EXPECT_EQ(percents, (std::vector<int32_t>{0, 1, 50, 100}));

    // Without a poster nothing is posted and nothing is remembered.
    QueueReporter().SetPoster(nullptr);
    QueueReporter().NotifyProgress(0.3);
    EXPECT_EQ(QueueReporter().LastPercent(), -1);
}
