// The suite launcher's product tables, their lookups, its web addresses and
// the usage records it keeps.

#include "foundation/settings/LSettings.h"
#include "online/LSuiteProducts.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

using namespace quorin::test;

namespace {

std::string Setting(const char* section, const char* name)
{
    char value[260];
    LSettingsGetString(section, name, "(absent)", value);
    return value;
}

class SuiteProductsTest : public TempHomeTest
{
protected:
    void SetUp() override { unsetenv("QUORIN_SITE"); }
    void TearDown() override { unsetenv("QUORIN_SITE"); }
};

} // namespace

TEST_F(SuiteProductsTest, TheTablesHoldTheirRowsAndAgreeWithEachOther)
{
    // The program's own row, as the launcher must find it.
    EXPECT_STREQ(LSuiteProductNames[0].name, "Quorin");
    EXPECT_STREQ(LSuiteProductNames[0].key, "Quorin");
    EXPECT_STREQ(LSuiteProductNames[0].webFolder, "quorin");
    EXPECT_STREQ(LSuiteProductNames[0].shortId, "quorin");

    const std::map<std::string, int> expected = {{"Popular", 9},  {"Audio", 20},   {"Dictation", 5},
                                                  {"Business", 5}, {"Video", 5},    {"Graphics", 7},
                                                  {"Utilities", 3}, {"Converters", 5}};
    std::map<std::string, int> counted;
    for (const LSuiteTask& task : LSuiteTasks) {
        ++counted[task.category];
        EXPECT_NE(LSuiteFindProductInfo(task.name), nullptr) << task.name << " has no info row";
    }
    EXPECT_EQ(counted, expected);
    EXPECT_EQ(LSuiteCategories(), (std::vector<std::string>{"Popular", "Audio", "Dictation", "Business", "Video",
                                                            "Graphics", "Utilities", "Converters"}));

    // Every named product has its info; keys and short ids are unique.
    std::set<std::string> keys, ids;
    for (const LSuiteProductName& row : LSuiteProductNames) {
        EXPECT_NE(LSuiteFindProductInfo(row.name), nullptr) << row.name;
        EXPECT_TRUE(keys.insert(row.key).second) << row.key;
        EXPECT_TRUE(ids.insert(row.shortId).second) << row.shortId;
    }
    // The siblings the main window hands files to are among them.
    for (const char* sibling : {"Tessary", "Pyrocastelle", "Corvane"})
        EXPECT_TRUE(keys.count(sibling)) << sibling;
}

TEST_F(SuiteProductsTest, LookupsFallBackToTheirArgument)
{
    struct Case
    {
        const char* in;
        const char* key;
        const char* folder;
        const char* shortId;
    } cases[] = {
        {"Tessary", "Tessary", "tessary", "tes"},
        {"Pyrocastelle", "Pyrocastelle", "burn", "pyro"},
        {"Unknown Tool", "Unknown Tool", "unknown tool", "unknown tool"},
        {"tessary", "tessary", "tessary", "tessary"}, // the name is matched exactly
    };
    for (const Case& c : cases) {
        const std::string key = LSuiteProductKeyFromName(c.in);
        EXPECT_EQ(key, c.key) << c.in;
        EXPECT_EQ(LSuiteWebFolderFromKey(key.c_str()), c.folder) << c.in;
        EXPECT_EQ(LSuiteShortIdFromKey(key.c_str()), c.shortId) << c.in;
    }
    // Info rows are found ignoring case.
    ASSERT_NE(LSuiteFindProductInfo("tessary"), nullptr);
    EXPECT_STREQ(LSuiteFindProductInfo("tessary")->name, "Tessary");
    EXPECT_EQ(LSuiteFindProductInfo("Nothing"), nullptr);
}

TEST_F(SuiteProductsTest, ProductPagesAreOnTheFirstOrTheSecondSite)
{
    EXPECT_EQ(LSuiteProductPageUrl("burn"), "https://www.oxbelsoftware.com/burn/");
    EXPECT_EQ(LSuiteProductPageUrl("+speech"), "https://www.oxbel.com/speech/");
    setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
    EXPECT_EQ(LSuiteProductPageUrl("burn"), "https://127.0.0.1:8443/burn/");
}

TEST_F(SuiteProductsTest, TheSearchAddressCarriesTheTrimmedQueryPercentEncoded)
{
    setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
    struct Case
    {
        const char* text;
        const char* query;
    } cases[] = {
        {"  sound editor  ", "sound%20editor"},
        {"a&b=c#d+e", "a%26b%3Dc%23d%2Be"},
        {"Ü-._~!", "%C3%9C-._~!"},
        {"\"tape\" $HOME", "%22tape%22%20%24HOME"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LSuiteSearchUrl(c.text, ""),
                  std::string("https://127.0.0.1:8443/search.html?q=") + c.query + "&site=www.oxbelsoftware.com")
            << c.text;
    EXPECT_EQ(LSuiteSearchUrl("   ", ""), "");
    EXPECT_EQ(LSuiteSearchUrl("x", "me@example.org"),
              "https://127.0.0.1:8443/search.html?q=x&site=www.oxbelsoftware.com&email=me%40example.org");

    // A long query is cut, never inside an escape.
    const std::string url = LSuiteSearchUrl(std::string(300, '&').c_str(), "");
    const size_t start = url.find("q=") + 2;
    const std::string query = url.substr(start, url.find("&site") - start);
    EXPECT_LE(query.size(), 259u);
    EXPECT_EQ(query.size() % 3, 0u);
}

TEST_F(SuiteProductsTest, LaunchesAreCountedWithOneLinkRecordPerKeyTabAndTask)
{
    LSuiteRecordLinkUse("Tessary", "Audio", "Edit audio recordings", true);
    LSuiteRecordLinkUse("Tessary", "Audio", "Edit audio recordings", true);
    LSuiteRecordLinkUse("Tessary", "Popular", "Edit audio recordings", false);
    LSuiteRecordLinkUse("Corvane", "Audio", "", false);
    LSuiteRecordLinkUse("Tessary", "Audio", "Edit audio recordings", true);

    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "ar", 0), 3);
    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "ai", 0), 2);
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lk"), "Tessary");
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lt"), "Audio");
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lf"), "Edit audio recordings");
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lc"), "3");
    EXPECT_EQ(Setting("SuiteUsage/Links/2/", "lt"), "Popular");
    EXPECT_EQ(Setting("SuiteUsage/Links/2/", "lc"), "1");
    EXPECT_EQ(Setting("SuiteUsage/Links/3/", "lk"), "Corvane");
    EXPECT_EQ(Setting("SuiteUsage/Links/3/", "lf"), "");
    EXPECT_EQ(Setting("SuiteUsage/Links/4/", "lk"), "(absent)");

    // A record whose count is empty counts from 0.
    LSettingsSetString("SuiteUsage/Links/2/", "lc", "");
    LSuiteRecordLinkUse("Tessary", "Popular", "Edit audio recordings", false);
    EXPECT_EQ(Setting("SuiteUsage/Links/2/", "lc"), "1");
}
