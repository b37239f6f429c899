// Help topics and the common query of the maker's pages: a local help file
// opens as a file address, a missing one as the online help page, and every
// setting in the query stays one parameter whatever it holds (checked with
// Python's own query parser). Openings go through a recorded xdg-open.

#include "RecordedOpener.h"

#include "app/program/online/HelpTopicOpener.h"
#include "foundation/platform/LBundle.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LHelpTopicOpener.h"
#include "gui/framework/LWindow.h"
#include "online/LHelpTopics.h"
#include "online/LOnlineSite.h"
#include "online/LUsageCounters.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace quorin::test;
namespace fs = std::filesystem;

namespace {

// The query's parameters as Python reads them: "name=value" lines, values decoded.
std::string ParsedQuery(const std::string& url)
{
    return CaptureCommand("/usr/bin/python3 -c 'import sys, urllib.parse as u\n"
                          "for k, v in u.parse_qsl(u.urlsplit(sys.argv[1]).query, keep_blank_values=True): "
                          "print(k + \"=\" + v)' " +
                          Quote(url));
}

class HelpTopics : public TempHomeTest
{
protected:
    void SetUp() override
    {
        LUsageCounters().assign(64, 0);
        char folder[260];
        ASSERT_TRUE(LGetHelpFolder(folder));
        helpFolder_ = folder;
        topic_ = "quorin-test-" + std::to_string(getpid());
    }
    void TearDown() override
    {
        fs::remove(helpFolder_ + "/" + topic_ + ".html");
        LSetHelpTopicOpener(nullptr);
        unsetenv("QUORIN_SITE");
    }

    std::string helpFolder_, topic_;
    TempDir dir_;
    RecordedOpener opener_{dir_.Path()};
};

TEST_F(HelpTopics, ALocalHelpFileOpensElseTheOnlineHelp)
{
    LInstallHelpTopicOpener();
    fs::create_directories(helpFolder_);
    std::ofstream(helpFolder_ + "/" + topic_ + ".html") << "<html>help</html>";
    LOpenHelpTopic(topic_.c_str());
    std::vector<std::string> opened = opener_.Opened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "file://" + helpFolder_ + "/" + topic_ + ".html");

    fs::remove(helpFolder_ + "/" + topic_ + ".html");
    LOpenHelpTopic(topic_.c_str());
    opened = opener_.Opened(2);
    ASSERT_EQ(opened.size(), 2u);
    const std::string online = "https://help.oxbelsoftware.com/help/en/quorin/mac/" + topic_ + ".html?";
    EXPECT_EQ(opened[1].compare(0, online.size(), online), 0) << opened[1];
    EXPECT_EQ(ParsedQuery(opened[1]),
              "software=Quorin\nappname=Quorin Vinyl to CD Converter\nversion=3.00MAC\n"
              "base=quorin\ndomain=oxbel\ninstby=dl\niid=\nhelp=2\ndays=0\nruns=0\n");
    EXPECT_EQ(LSettingsGetInt("Software", "HelpOpens", 0), 2);
}

TEST_F(HelpTopics, EveryQueryValueStaysOneParameter)
{
    LSettingsSetString("Software", "Ref", "&x=1#");
    LSettingsSetString("Software", "SVar", "a b&c");
    LSettingsSetString("Software", "InstalledBy", "cd?");
    LSettingsSetString("Software", "IID", "1+2=3");
    LSettingsSetInt("Settings", "Runs", 7);
    LSettingsSetInt("Settings", "InstallDateFirst", static_cast<int64_t>(time(nullptr)) - 10 * 86400 - 3600);
    LUsageCounters()[0] = (static_cast<uint64_t>(300) << 32) | 0x0123;
    const std::string url = LOnlineHelpUrl("recordingsession", false);
    EXPECT_EQ(url.find('#'), std::string::npos) << url;
    EXPECT_EQ(ParsedQuery(url), "software=Quorin\nappname=Quorin Vinyl to CD Converter\nversion=3.00MAC\n"
                                "base=quorin\ndomain=oxbel\nref=&x=1#\nsvar=a b&c\ninstby=cd?\niid=1+2=3\n"
                                "help=0\nusage=0123FF\ndays=10\nruns=7\n");
    // The beta help has no query.
    EXPECT_EQ(LOnlineHelpUrl("recordingsession", true),
              "https://help.oxbelsoftware.com/help/en/quorin/mac/beta/recordingsession.html");
}

TEST_F(HelpTopics, TheHelpServerFollowsQuorinSite)
{
    setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
    const std::string url = LResolveHelpTopic("tag-editor");
    EXPECT_EQ(url.rfind("https://127.0.0.1:8443/help/en/quorin/mac/tag-editor.html?", 0), 0u) << url;
}

TEST_F(HelpTopics, KnowledgeBaseArticlesAreMainSitePagesThatFollowQuorinSite)
{
    EXPECT_EQ(LKnowledgeBaseArticleUrl(10061), std::string(kQuorinSite) + "/kb/10061.html");
    setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
    EXPECT_EQ(LKnowledgeBaseArticleUrl(10061), "https://127.0.0.1:8443/kb/10061.html");
    EXPECT_EQ(LKnowledgeBaseArticleUrl(7), "https://127.0.0.1:8443/kb/7.html");
    ASSERT_TRUE(LOpenKnowledgeBaseArticle(10061));
    EXPECT_EQ(opener_.Opened(1), std::vector<std::string>{"https://127.0.0.1:8443/kb/10061.html"});
}

TEST_F(HelpTopics, TopicsThatAreNoRelativeNameOpenNothing)
{
    LInstallHelpTopicOpener();
    for (const char* topic : {"", "../../etc/passwd", "/etc/passwd", "a//b", "a b", "x\ny"}) {
        SCOPED_TRACE(topic);
        EXPECT_EQ(LResolveHelpTopic(topic), "");
        LOpenHelpTopic(topic);
    }
    EXPECT_EQ(LResolveHelpTopic("quorin/tutorial").find("/help/en/quorin/mac/quorin/tutorial.html?"),
              std::string("https://help.oxbelsoftware.com").size());
    EXPECT_TRUE(opener_.Opened().empty());
}

TEST_F(HelpTopics, DaysSinceTheFirstInstallationAreRounded)
{
    int days = -1;
    EXPECT_FALSE(LGetDaysSinceFirstInstall(&days));
    EXPECT_EQ(days, 0);
    const int64_t now = time(nullptr);
    const struct
    {
        int64_t ago;
        int days;
    } cases[] = {{86400 / 2 - 60, 0}, {86400 / 2 + 60, 1}, {200 * 86400, 200}, {365 * 86400 + 40000, 365}};
    for (const auto& c : cases) {
        LSettingsSetInt("Settings", "InstallDateFirst", now - c.ago);
        ASSERT_TRUE(LGetDaysSinceFirstInstall(&days));
        EXPECT_EQ(days, c.days) << c.ago;
    }
}

TEST_F(HelpTopics, UsageParameterSamplesOnlyLeadingCountedEntries)
{
    std::string text;
    EXPECT_EQ(LAppendUsageParam(text), "");
    LUsageCounters()[0] = (static_cast<uint64_t>(5) << 32) | 0xBEEF;
    LUsageCounters()[2] = (static_cast<uint64_t>(9) << 32) | 0x0001; // after a gap: never picked
    for (int i = 0; i < 20; ++i) {
        text.clear();
        EXPECT_EQ(LAppendUsageParam(text), "&usage=BEEF05");
    }
}

} // namespace
