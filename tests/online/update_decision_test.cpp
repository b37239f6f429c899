// The update checks' decisions on their own, without a display or a server:
// the prompts are scripted, so each case shows when the start-up check goes
// online, what it remembers and when it offers the new version and stops
// the start-up.

#include "RecordedOpener.h"

#include "foundation/settings/LSettings.h"
#include "online/LOnlineSite.h"
#include "online/LUpdateCheck.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

// Prompts that answer from a script and count what they were asked.
struct ScriptedPrompts
{
    int checkResult = 0;
    double version = 3.10;
    bool acceptOffer = false;

    int checks = 0;
    std::vector<std::string> offers;

    LUpdateCheckPrompts Prompts()
    {
        LUpdateCheckPrompts prompts;
        prompts.runCheck = [this](LVersionInfo* info) {
            ++checks;
            if (checkResult == 0)
                info->version = version;
            return checkResult;
        };
        prompts.offerNewVersion = [this](const std::string& text) {
            offers.push_back(text);
            return acceptOffer;
        };
        return prompts;
    }
};

std::string Setting(const char* name)
{
    char value[260];
    LSettingsGetString("Settings", name, "(none)", value);
    return value;
}

LStartupCheckFacts BuiltMonthsAgo(int months)
{
    LStartupCheckFacts facts;
    facts.now = LDateTime(time(nullptr));
    facts.buildDate = LDateTime(time(nullptr) - (months == 0 ? 86400LL : months * 31 * 86400LL));
    facts.osCode = 1200;
    return facts;
}

class UpdateDecision : public TempHomeTest
{
protected:
    TempDir dir_;
    RecordedOpener opener_{dir_.Path()};
};

} // namespace

TEST_F(UpdateDecision, TheStartUpCheckGoesOnlineLateOncePerSystemOrSoonerAfterACrash)
{
    struct Case
    {
        const char* name;
        int monthsOld;
        bool afterCrash;
        int checkedSystem; // "OSCheck" before, 0 for none
        int checkResult;
        double version;
        bool expectCheck;
        bool expectOffer;
        const char* expectOsCheck;
    };
    const Case cases[] = {
        {"new build, even after a crash", 0, true, 0, 0, 3.10, false, false, "(none)"},
        {"a year old", 12, false, 0, 0, 3.10, false, false, "(none)"},
        {"a year old after a crash", 12, true, 0, 0, 3.10, true, true, "1200"},
        {"late, this system checked", 20, false, 1200, 0, 3.10, false, false, "1200"},
        {"late, another system checked", 20, false, 1100, 0, 3.10, true, true, "1200"},
        {"late, the check failed", 20, false, 0, 2, 0, true, false, "(none)"},
        {"late, the check was stopped", 20, false, 0, 1, 0, true, false, "(none)"},
        {"late, this is the current version", 20, false, 0, 0, 3.00, true, false, "1200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LSettingsDelete("Settings", "NewerVersion");
        LSettingsDelete("Settings", "OSCheck");
        if (c.checkedSystem != 0)
            LSettingsSetInt("Settings", "OSCheck", c.checkedSystem);
        if (c.afterCrash)
            LSettingsSetString("Settings", "VersionCheckAfterCrash", "1");
        ScriptedPrompts script;
        script.checkResult = c.checkResult;
        script.version = c.version;

        // Declining the offer, or having none, lets the program start.
        EXPECT_TRUE(LStartupUpdateCheckWith(false, BuiltMonthsAgo(c.monthsOld), script.Prompts()));
        EXPECT_EQ(script.checks, c.expectCheck ? 1 : 0);
        EXPECT_EQ(script.offers.size(), c.expectOffer ? 1u : 0u);
        EXPECT_EQ(Setting("OSCheck"), c.expectOsCheck);
        // The crash's request is answered once, whatever was decided.
        EXPECT_EQ(Setting("VersionCheckAfterCrash"), "(none)");
        // Only a version the server gave is remembered.
        EXPECT_EQ(Setting("NewerVersion"), c.expectCheck && c.checkResult == 0
                                               ? std::to_string(LVersionHundredths(c.version))
                                               : "(none)");
    }
    EXPECT_TRUE(opener_.Opened().empty());
}

TEST_F(UpdateDecision, AcceptingTheNewVersionOpensItsPageAndStopsTheStartUp)
{
    ScriptedPrompts script;
    script.acceptOffer = true;
    EXPECT_FALSE(LStartupUpdateCheckWith(true, BuiltMonthsAgo(20), script.Prompts()));
    ASSERT_EQ(script.offers.size(), 1u);
    EXPECT_EQ(script.offers[0],
              "New features and bug fixes have been added to Quorin.\n\nDownload the new version from " +
                  LSiteUrl("") + ".");
    EXPECT_EQ(opener_.Opened(1), std::vector<std::string>{LSiteUrl("/quorin/index.html")});
}

TEST_F(UpdateDecision, TheSilentCheckAsksTheServerOnlyWhileNoNewerVersionIsKnown)
{
    ScriptedPrompts script;
    script.version = 3.20;
    double version = 0;
    LSettingsSetInt("Settings", "NewerVersion", 310);
    EXPECT_EQ(LSilentUpdateCheck(script.Prompts(), &version), 0);
    EXPECT_EQ(script.checks, 0);
    EXPECT_DOUBLE_EQ(version, 3.1);

    LSettingsSetInt("Settings", "NewerVersion", 300);
    EXPECT_EQ(LSilentUpdateCheck(script.Prompts(), &version), 0);
    EXPECT_EQ(script.checks, 1);
    EXPECT_DOUBLE_EQ(version, 3.2);
    EXPECT_EQ(Setting("NewerVersion"), "320");

    // A stopped check answers as stopped and keeps what was known.
    script.checkResult = 1;
    LSettingsSetInt("Settings", "NewerVersion", 250);
    EXPECT_EQ(LSilentUpdateCheck(script.Prompts(), &version), 1);
    EXPECT_EQ(Setting("NewerVersion"), "250");
}
