// The update check against the test CA's HTTPS server (QUORIN_SITE points
// the program at it): the version file read, the manual check's answers,
// the silent check's memory and the start-up check's decisions. Dialogs are
// answered as a user would, by their buttons; a fake xdg-open records what
// would have opened in the browser.

#include "DialogAnswerer.h"
#include "OnlineTestSupport.h"

#include "app/program/online/UpdateCheckDialogs.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "online/LOnlineSite.h"
#include "online/LUpdateCheck.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>

using namespace quorin::test;

namespace {

class UpdateCheck : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        ASSERT_TRUE(certs_.Made()) << "openssl could not make the test certificates";
        versionFile_ = dir_.Path("version.txt");
        WriteVersionFile("version=3.10&info=https://localhost/news.html&download=https://localhost/get.zip");
        ASSERT_TRUE(server_.Start(dir_.Path(), {"--tls", dir_.Path("good.pem"), dir_.Path("good.key"),
                                                "--version-file", versionFile_}));
        setenv("QUORIN_SITE", ("https://localhost:" + std::to_string(server_.Port())).c_str(), 1);
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        const std::string bin = dir_.Path("bin");
        std::filesystem::create_directories(bin);
        opened_ = dir_.Path("opened");
        std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << opened_ << "'\n";
        std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
        setenv("PATH", (bin + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", savedPath_.c_str(), 1);
        unsetenv("QUORIN_SITE");
    }

    void WriteVersionFile(const std::string& text) { std::ofstream(versionFile_) << text; }

    // What xdg-open was given, one address per line ("" when nothing).
    std::string Opened()
    {
        PumpFor(300); // xdg-open runs on its own
        return ReadWhole(opened_);
    }

    TempDir dir_;
    TestCertificates certs_{dir_.Path()};
    TestServer server_;
    std::string versionFile_, opened_, savedPath_;
};

std::string Setting(const char* name)
{
    char value[260];
    LSettingsGetString("Settings", name, "(none)", value);
    return value;
}

} // namespace

TEST(VersionFile, KeysAreReadInOrderAndAllThreeAreNeeded)
{
    struct Case
    {
        const char* text;
        bool ok;
        double version;
        const char* info;
        const char* download;
    };
    const Case cases[] = {
        {"version=3.10&info=https://a/i&download=https://a/d", true, 3.1, "https://a/i", "https://a/d"},
        {"version=2.3&info=x&download=y\r\n", true, 2.3, "x", "y"},
        {"download=d&version=4&info=i", false, 0, "", ""}, // download before info is not looked for
        {"version=3.10&info=i", false, 0, "", ""},
        {"version=&info=i&download=d", false, 0, "", ""},
        {"version=abc&info=i&download=d", false, 0, "", ""},
        {"info=i&download=d", false, 0, "", ""},
        {"", false, 0, "", ""},
    };
    for (const Case& c : cases) {
        LVersionInfo info;
        EXPECT_EQ(LParseVersionFile(c.text, &info), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(info.version, c.version) << c.text;
            EXPECT_STREQ(info.info, c.info) << c.text;
            EXPECT_STREQ(info.download, c.download) << c.text;
        }
    }
    LVersionInfo info;
    const std::string longInfo = "version=1&info=" + std::string(400, 'i') + "&download=d";
    ASSERT_TRUE(LParseVersionFile(longInfo.c_str(), &info));
    EXPECT_EQ(std::strlen(info.info), 259u);
    // Versions as the settings keep them: rounded, not truncated.
    EXPECT_EQ(LVersionHundredths(2.3), 230);
    EXPECT_EQ(LVersionHundredths(3.1), 310);
    EXPECT_EQ(LVersionHundredths(2.999), 300);
}

TEST(VersionFile, OnlyWebAddressesAreOpenedAsTheInfoPage)
{
    unsetenv("QUORIN_SITE");
    EXPECT_EQ(LUpdateInfoPageUrl("file:///etc/passwd"), "");
    EXPECT_EQ(LUpdateInfoPageUrl("javascript:alert(1)"), "");
    EXPECT_EQ(LUpdateInfoPageUrl("ftp://host/x"), "");
    EXPECT_EQ(LUpdateInfoPageUrl(""), "");
    EXPECT_EQ(LUpdateInfoPageUrl("www.example.com/new"), "http://www.example.com/new");
    EXPECT_EQ(LUpdateInfoPageUrl("https://www.example.com/new?a=1"), "https://www.example.com/new?a=1");
}

TEST(OnlineSite, QuorinSiteReplacesSchemeHostAndPortOnly)
{
    unsetenv("QUORIN_SITE");
    EXPECT_EQ(LSiteUrl("/versions/quorin_mac.txt"), std::string(kQuorinSite) + "/versions/quorin_mac.txt");
    setenv("QUORIN_SITE", "http://127.0.0.1:8080", 1);
    EXPECT_EQ(LSiteUrl("/versions/quorin_mac.txt"), "http://127.0.0.1:8080/versions/quorin_mac.txt");
    EXPECT_EQ(LApplySiteOverride("https://www.example.com/a?b=c"), "http://127.0.0.1:8080/a?b=c");
    EXPECT_EQ(LApplySiteOverride("https://www.example.com"), "http://127.0.0.1:8080");
    // Values that are not "scheme://host:port" are ignored.
    for (const char* bad : {"ftp://h:1", "http://h:1/path", "h:1", "http://h:1?x", "http://h:99999"}) {
        setenv("QUORIN_SITE", bad, 1);
        EXPECT_EQ(LApplySiteOverride("https://www.example.com/a"), "https://www.example.com/a") << bad;
    }
    unsetenv("QUORIN_SITE");
}

TEST_F(UpdateCheck, TheVersionFileComesOverHttps)
{
    RecordingContext context;
    LVersionInfo info;
    ASSERT_EQ(LUpdateCheck(&context, &info), 0);
    EXPECT_DOUBLE_EQ(info.version, 3.1);
    EXPECT_STREQ(info.info, "https://localhost/news.html");
    EXPECT_STREQ(info.download, "https://localhost/get.zip");
    ASSERT_GE(context.lines.size(), 2u);
    EXPECT_EQ(context.lines[0], "0:Checking for updated version...");
    EXPECT_EQ(context.lines[1], "1:This should be quick. Please wait a moment...");
    EXPECT_DOUBLE_EQ(context.progress.back(), 1.0);

    WriteVersionFile("version=3.10&info=i");
    EXPECT_EQ(LUpdateCheck(&context, &info), 2);
    // A server the test CA did not sign is not trusted.
    setenv("SSL_CERT_FILE", dir_.Path("selfsigned.pem").c_str(), 1);
    WriteVersionFile("version=3.10&info=i&download=d");
    EXPECT_EQ(LUpdateCheck(&context, &info), 2);
}

TEST_F(UpdateCheck, TheManualCheckAnswersNewerCurrentAndUnavailable)
{
    struct Case
    {
        const char* file;
        std::vector<std::pair<std::string, std::string>> answers;
        std::string opened;
    };
    const std::string site = "https://localhost:" + std::to_string(server_.Port());
    const Case cases[] = {
        {"version=3.10&info=https://www.example.com/news.html&download=d",
         {{"Updated Version Available", "View"}},
         site + "/news.html\n"},
        {"version=3.10&info=file:///etc/passwd&download=d", {{"Updated Version Available", "View"}}, ""},
        {"version=3.10&info=https://www.example.com/news.html&download=d",
         {{"Updated Version Available", "Cancel"}},
         ""},
        {"version=3.00&info=i&download=d",
         {{"Version Current", "Maybe Later"}, {"Follow Oxbel Software Releases", "Close"}},
         ""},
        {"version=2.5&info=i&download=d",
         {{"Version Current", "Sign Up"},
          {"Follow Oxbel Software Releases", "Follow version updates on Twitter"}},
         site + "/software/newsletter.html?software=Quorin&appname=Quorin&version=3.00MAC\n" + site +
             "/OxbelSoftware\n"},
        {"version=3.10&info=i", {{"No Version Information", "OK"}}, ""},
    };
    for (const Case& c : cases) {
        WriteVersionFile(c.file);
        std::filesystem::remove(opened_);
        DialogAnswerer answerer;
        for (const auto& a : c.answers)
            answerer.Expect(a.first, a.second);
        answerer.Start();
        LCheckForUpdates(nullptr);
        EXPECT_TRUE(answerer.Done()) << c.file;
        EXPECT_EQ(Opened(), c.opened) << c.file;
    }
    // No server at all.
    server_.Stop();
    DialogAnswerer answerer;
    answerer.Expect("No Version Information", "OK");
    answerer.Start();
    LCheckForUpdates(nullptr);
    EXPECT_TRUE(answerer.Done());
}

TEST_F(UpdateCheck, TheSilentCheckStaysOfflineOnceANewerVersionIsKnown)
{
    WriteVersionFile("version=3.20&info=i&download=d");
    double version = 0;
    // A newer version once seen is answered without going online (the
    // server would say 3.20) for as long as this copy runs.
    LSettingsSetInt("Settings", "NewerVersion", 310);
    ASSERT_EQ(LSilentUpdateCheck(&version), 0);
    EXPECT_DOUBLE_EQ(version, 3.1);
    EXPECT_EQ(Setting("NewerVersion"), "310");
    // A remembered version that is not newer than this one is asked again.
    for (int known : {300, 250}) {
        LSettingsSetInt("Settings", "NewerVersion", known);
        ASSERT_EQ(LSilentUpdateCheck(&version), 0);
        EXPECT_DOUBLE_EQ(version, 3.2);
        EXPECT_EQ(Setting("NewerVersion"), "320");
    }
    // 2.3 is stored as 230.
    WriteVersionFile("version=2.3&info=i&download=d");
    LSettingsDelete("Settings", "NewerVersion");
    ASSERT_EQ(LSilentUpdateCheck(&version), 0);
    EXPECT_EQ(Setting("NewerVersion"), "230");
}

TEST_F(UpdateCheck, TheSilentCheckRemembersNoVersionFromABogusFile)
{
    for (const char* file : {"version=0x400&info=i&download=d", "xversion=9&info=i&download=d",
                             "version=1e3&info=i&download=d"}) {
        SCOPED_TRACE(file);
        WriteVersionFile(file);
        LSettingsDelete("Settings", "NewerVersion");
        LSettingsDelete("Settings", "NewerVersionSeen");
        double version = -1;
        EXPECT_EQ(LSilentUpdateCheck(&version), 2);
        EXPECT_EQ(version, 0);
        EXPECT_EQ(Setting("NewerVersion"), "(none)");
        EXPECT_EQ(Setting("NewerVersionSeen"), "(none)");
    }
}

TEST_F(UpdateCheck, TheStartUpCheckRunsLateOncePerSystemAndItsCancelDoesNotQuit)
{
    LStartupCheckFacts facts;
    facts.buildDate = LDateTime(time(nullptr) - 20 * 31 * 86400LL);
    facts.now = LDateTime(time(nullptr));
    facts.osCode = 1200;

    // Within 18 months of the build nothing happens, not even with the flag.
    LStartupCheckFacts young = facts;
    young.buildDate = LDateTime(time(nullptr) - 86400);
    LSettingsSetString("Settings", "VersionCheckAfterCrash", "1");
    EXPECT_TRUE(LStartupUpdateCheckWith(true, young));
    EXPECT_EQ(Setting("VersionCheckAfterCrash"), "(none)");
    EXPECT_EQ(Setting("NewerVersion"), "(none)");

    // Later: a newer version is offered; "Maybe later" goes on.
    {
        DialogAnswerer answerer;
        answerer.Expect("Updated Version Available", "Maybe later");
        answerer.Start();
        EXPECT_TRUE(LStartupUpdateCheckWith(false, facts));
        EXPECT_TRUE(answerer.Done());
        EXPECT_EQ(Setting("OSCheck"), "1200");
        EXPECT_EQ(Opened(), "");
    }
    // Checked for this system already: nothing more.
    EXPECT_TRUE(LStartupUpdateCheckWith(false, facts));
    // Another system version: "Get New Version" opens the product page and stops the start-up.
    {
        facts.osCode = 1300;
        DialogAnswerer answerer;
        answerer.Expect("Updated Version Available", "Get New Version");
        answerer.Start();
        EXPECT_FALSE(LStartupUpdateCheckWith(true, facts));
        EXPECT_TRUE(answerer.Done());
        EXPECT_EQ(Opened(), "https://localhost:" + std::to_string(server_.Port()) + "/quorin/index.html\n");
    }
    // The current version: no question.
    WriteVersionFile("version=3.00&info=i&download=d");
    LSettingsDelete("Settings", "NewerVersion");
    facts.osCode = 1400;
    EXPECT_TRUE(LStartupUpdateCheckWith(false, facts));
    EXPECT_EQ(Setting("OSCheck"), "1400");

    // A server that never answers: Cancel in the progress window lets the
    // program start and remembers nothing.
    TestServer stalled;
    ASSERT_TRUE(stalled.Start(dir_.Path(), {"--stall"}));
    setenv("QUORIN_SITE", ("https://localhost:" + std::to_string(stalled.Port())).c_str(), 1);
    LSettingsDelete("Settings", "NewerVersion");
    facts.osCode = 1500;
    DialogAnswerer answerer;
    answerer.Expect("Checking for Updates", "Cancel");
    answerer.Start();
    EXPECT_TRUE(LStartupUpdateCheckWith(false, facts));
    EXPECT_TRUE(answerer.Done());
    EXPECT_EQ(Setting("NewerVersion"), "(none)");
    EXPECT_EQ(Setting("OSCheck"), "1400");
}
