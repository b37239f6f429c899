// The settings store: keys, typed getters, companions, hierarchical keys and
// their enumeration, other programs' domains, the file on disk, and several
// processes sharing it (including one killed in the middle of a write).

#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"

#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using quorin::test::ReadFileBytes;
using quorin::test::TempHome;
using quorin::test::TempHomeTest;

std::string PreferencesFile(const TempHome& home, const char* domain = kLSettingsApplicationId)
{
    return home.Path(".config/") + domain + ".conf";
}

std::string Get(const char* section, const char* name, const char* fallback = "<none>")
{
    char value[260];
    LSettingsGetString(section, name, fallback, value);
    return value;
}

// Runs `body` in a child process and returns its exit status.
template <typename Body> int InChild(Body body)
{
    pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

using SettingsStore = TempHomeTest;

TEST(SettingsKey, SectionEndingInSlash)
{
    char key[520];
    LSettingsMakeKey(key, "Window/", "Pos");
    EXPECT_STREQ(key, "Window/Pos");
    LSettingsMakeKey(key, "Window", "Pos");
    EXPECT_STREQ(key, "Window/Pos");
    LSettingsMakeKey(key, "Lists/3/", "Name");
    EXPECT_STREQ(key, "Lists/3/Name");

    std::string longName;
    for (int i = 0; i < 300; ++i)
        longName += "\xC3\xA9";
    LSettingsMakeKey(key, "S", longName.c_str());
    EXPECT_EQ(std::strlen(key), 518u); // "S/" and 258 two-byte characters, never half of one
}

TEST_F(SettingsStore, SetGetAndDefaults)
{
    char value[260];
    EXPECT_FALSE(LSettingsGetString("Settings", "dBNoiseFloor", "-25", value));
    EXPECT_STREQ(value, "-25");
    LSettingsSetString("Settings", "dBNoiseFloor", "-31");
    EXPECT_TRUE(LSettingsGetString("Settings", "dBNoiseFloor", "-25", value));
    EXPECT_STREQ(value, "-31");
    LSettingsSetString("Window/", "Pos", "10,20");
    EXPECT_EQ(Get("Window", "Pos"), "10,20");
    LSettingsSetString("Settings", "Empty", "");
    EXPECT_TRUE(LSettingsGetString("Settings", "Empty", "x", value));
    EXPECT_STREQ(value, "");
}

TEST_F(SettingsStore, LongValuesAreCutBetweenCharactersOrReadWhole)
{
    std::string value;
    for (int i = 0; i < 200; ++i)
        value += "\xC3\xA9"; // 400 bytes
    LSettingsSetString("Settings", "Long", value.c_str());
    char shortCopy[260];
    EXPECT_TRUE(LSettingsGetString("Settings", "Long", "", shortCopy));
    EXPECT_EQ(std::string(shortCopy), value.substr(0, 258));
    LStringLongTemplate<char> whole;
    LSettingsGetLongString("Settings", "Long", "", &whole);
    EXPECT_EQ(std::string(whole.Text(), whole.length), value);
    LSettingsGetLongString("Settings", "Missing", "fallback", &whole);
    EXPECT_STREQ(whole.Text(), "fallback");
}

TEST_F(SettingsStore, IntegerGetters)
{
    const struct
    {
        const char* stored; // null: not stored
        int asInt;
        int64_t asInt64;
    } cases[] = {
        {"  42abc", 42, 42},
        {"abc", 0, 0},
        {"", 77, 77},
        {nullptr, 77, 77},
        {"-9223372036854775808", int(static_cast<int64_t>(LONG_MIN)), -9223372036854775807LL},
        {"99999999999999999999", int(static_cast<int64_t>(LONG_MAX)), 9223372036854775807LL},
        {"+7", 7, 7},
        {"-12", -12, -12},
        {"\t\n 5", 5, 5},
        {"- 5", 0, 0},
    };
    for (const auto& c : cases) {
        LSettingsDelete("Numbers", "Value");
        if (c.stored)
            LSettingsSetString("Numbers", "Value", c.stored);
        EXPECT_EQ(LSettingsGetInt("Numbers", "Value", 77), c.asInt) << (c.stored ? c.stored : "(missing)");
        EXPECT_EQ(LSettingsGetInt64("Numbers", "Value", 77), c.asInt64)
            << (c.stored ? c.stored : "(missing)");
    }
    EXPECT_EQ(LStrToInt64(""), 0);
    EXPECT_EQ(LStrToInt64("   "), 0);
    EXPECT_EQ(LStrToInt64("922337203685477580"), 922337203685477580LL);
    EXPECT_EQ(LStrToInt64("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(LStrToInt64("9223372036854775808"), 9223372036854775807LL);

    LSettingsSetInt("Numbers", "Set", -123456789012LL);
    EXPECT_EQ(LSettingsGetInt64("Numbers", "Set", 0), -123456789012LL);
}

TEST_F(SettingsStore, DoublesUseTheDotWhateverTheLocale)
{
    LSettingsSetString("Player", "VolumeDB", "0.5");
    LSettingsSetString("Player", "Comma", "-2,25");
    LSettingsSetString("Player", "Junk", "loud");
    EXPECT_EQ(LSettingsGetDouble("Player", "VolumeDB", 9), 0.5);
    EXPECT_EQ(LSettingsGetDouble("Player", "Comma", 9), -2.25);
    EXPECT_EQ(LSettingsGetDouble("Player", "Junk", 9), 0.0);
    EXPECT_EQ(LSettingsGetDouble("Player", "Missing", 9), 9.0);
    LSettingsSetDouble("Player", "Exact", 0.1);
    EXPECT_EQ(LSettingsGetDouble("Player", "Exact", 9), 0.1);
}

TEST_F(SettingsStore, DoublesUnderAGermanLocale)
{
    QUORIN_REQUIRE_TOOL("localedef");
    quorin::test::TempDir locales;
    std::string command = "localedef -i de_DE -f UTF-8 '" + locales.Path("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (quorin::test::RunCommand(command) != 0)
        GTEST_SKIP() << "the de_DE locale could not be compiled here";
    setenv("LOCPATH", locales.Path().c_str(), 1);
    std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    ASSERT_EQ(std::strtod("0.5", nullptr), 0.0); // the C library now reads "0,5"

    LSettingsSetString("Player", "VolumeDB", "0.5");
    double read = LSettingsGetDouble("Player", "VolumeDB", 9);
    LSettingsSetDouble("Player", "Written", 1.75);
    std::string written = Get("Player", "Written");

    std::setlocale(LC_ALL, previous.c_str());
    unsetenv("LOCPATH");
    EXPECT_EQ(read, 0.5);
    EXPECT_EQ(written, "1.75");
}

TEST_F(SettingsStore, DeleteRemovesTheCompanionToo)
{
    LSettingsSetString("S", "N", "v");
    LSettingsSetString("S", "__N", "companion");
    LSettingsSetString("S", "Other", "stays");
    LSettingsDelete("S", "N");
    EXPECT_FALSE(LSettingsKeyExists(kLSettingsCurrentUser, "S/N"));
    EXPECT_FALSE(LSettingsKeyExists(kLSettingsCurrentUser, "S/__N"));
    EXPECT_TRUE(LSettingsKeyExists(kLSettingsCurrentUser, "S/Other"));
}

// What the write observer is told: every value stored (also one stored
// again unchanged) and every removal, after the file holds it.
std::vector<std::string> gObserved;

void Observe(LSettingsUser user, const char* domain, const char* key, const char* value)
{
    std::string path;
    LPreferenceStore::PathFor(user, domain, &path);
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const bool written =
        value == nullptr || text.str().find(std::string(key) + "=" + value) != std::string::npos;
    gObserved.push_back(std::to_string(user) + " " + domain + " " + key + "=" +
                        (value ? value : "(removed)") + (written ? "" : " (not yet in the file)"));
}

TEST_F(SettingsStore, WriteObserverSeesEveryStoreAndRemoval)
{
    gObserved.clear();
    LPreferenceStore::SetWriteObserver(Observe);
    LSettingsSetString("S", "N", "v");
    LSettingsSetString("S", "N", "v");
    LSettingsSetInt("S", "Count", 3);
    LSettingsDelete("S", "N");
    LPreferenceStore::SetWriteObserver(nullptr);
    LSettingsSetString("S", "After", "unseen");
    const std::string domain = kLSettingsApplicationId;
    const std::vector<std::string> expected = {"0 " + domain + " S/N=v", "0 " + domain + " S/N=v",
                                               "0 " + domain + " S/Count=3", "0 " + domain + " S/N=(removed)",
                                               "0 " + domain + " S/__N=(removed)"};
    EXPECT_EQ(gObserved, expected);
}

TEST_F(SettingsStore, HierarchicalKeysAndEnumeration)
{
    LSettingsKey key;
    std::snprintf(key.path, sizeof key.path, "A/B/");
    std::snprintf(key.name, sizeof key.name, "B");
    key.SetString("Title", "first");
    char value[260];
    EXPECT_TRUE(LSettingsGetString("A", "", "", value)); // the parent entries exist...
    EXPECT_TRUE(LSettingsKeyExists(kLSettingsCurrentUser, "A/"));
    EXPECT_TRUE(LSettingsKeyExists(kLSettingsCurrentUser, "A/B/"));
    LSettingsGetStringForUser(kLSettingsCurrentUser, "A/", "", "", value);
    EXPECT_STREQ(value, "A"); // ...holding their last component
    LSettingsGetStringForUser(kLSettingsCurrentUser, "A/B/", "", "", value);
    EXPECT_STREQ(value, "B");
    EXPECT_TRUE(key.GetString("Title", "", value));
    EXPECT_STREQ(value, "first");
    EXPECT_FALSE(key.GetStringOrEmpty("Missing", value));
    EXPECT_STREQ(value, "");

    LSettingsKey parent;
    std::snprintf(parent.path, sizeof parent.path, "A/");
    LSettingsKeyEnum walk;
    walk.Begin(&parent);
    std::vector<std::string> children;
    while (walk.child.path[0]) {
        children.push_back(std::string(walk.child.name) + "@" + walk.child.path);
        walk.Next();
    }
    EXPECT_EQ(children, std::vector<std::string>{"B@A/B/"});
}

TEST_F(SettingsStore, EnumerationIsCaseInsensitiveAndIncludesValueNames)
{
    for (const char* name : {"b", "A", "c"}) {
        LSettingsKey key;
        std::snprintf(key.path, sizeof key.path, "Lists/%s/", name);
        key.SetString("Name", name);
    }
    LSettingsSetString("Lists/", "Count", "3");
    LSettingsKey parent;
    std::snprintf(parent.path, sizeof parent.path, "Lists/");
    LSettingsKeyEnum walk;
    walk.Begin(&parent);
    std::vector<std::string> names;
    for (; walk.child.path[0]; walk.Next())
        names.push_back(walk.child.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "b", "c", "Count"}));

    LSettingsKey empty;
    std::snprintf(empty.path, sizeof empty.path, "Nothing/");
    walk.Begin(&empty);
    EXPECT_STREQ(walk.child.path, "");
}

TEST_F(SettingsStore, AwkwardTextsSurviveTheFile)
{
    const char* texts[] = {"line one\nline two\r\nthree",
                           "a=b=c",
                           "#not a comment",
                           "back\\slash\\n",
                           "\xE2\x82\xAC \xF0\x9F\x8E\xB5",
                           "trailing backslash\\",
                           " spaces "};
    int i = 0;
    for (const char* text : texts) {
        std::string name = "Key=" + std::to_string(i++) + "#";
        LSettingsSetString("Odd\nSection", name.c_str(), text);
    }
    // A second process sees exactly the same texts.
    int status = InChild([&] {
        int j = 0;
        for (const char* text : texts) {
            std::string name = "Key=" + std::to_string(j++) + "#";
            LStringLongTemplate<char> value;
            LSettingsGetLongString("Odd\nSection", name.c_str(), "<missing>", &value);
            if (std::string(value.Text()) != text)
                _exit(10 + j);
        }
    });
    EXPECT_EQ(status, 0);
    std::string file = ReadFileBytes(PreferencesFile(home_));
    EXPECT_NE(file.find("\nOdd\\nSection/Key\\=0\\#=line one\\nline two\\r\\nthree\n"), std::string::npos)
        << file;
}

TEST_F(SettingsStore, TheFileIsPlainKeyValueLinesAndForeignLinesAreKept)
{
    LSettingsSetString("Settings", "AutoSplitTime", "2");
    std::string path = PreferencesFile(home_);
    std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("\nSettings/AutoSplitTime=2\n"), std::string::npos) << text;
    {
        std::ofstream file(path, std::ios::app);
        file << "a line some other tool added\n";
    }
    LSettingsSetString("Settings", "dBNoiseFloor", "-25");
    text = ReadFileBytes(path);
    EXPECT_NE(text.find("a line some other tool added\n"), std::string::npos) << text;
    EXPECT_EQ(Get("Settings", "AutoSplitTime"), "2");
}

TEST_F(SettingsStore, OtherProgramsDomains)
{
    LSettingsSetOtherAppDigit("Tessary", "Settings", "RelatedProgramsInstalled", 1);
    std::string text = ReadFileBytes(PreferencesFile(home_, "com.oxbelsoftware.tessary"));
    EXPECT_NE(text.find("\nSettings/RelatedProgramsInstalled=1\n"), std::string::npos) << text;
    EXPECT_FALSE(LSettingsKeyExists(kLSettingsCurrentUser, "Settings/RelatedProgramsInstalled"));
    LSettingsSetOtherApp(kLSettingsCurrentUser, "../Escape", "S", "N", "v");
    EXPECT_TRUE(ReadFileBytes(home_.Path(".config/Escape.conf")).empty());
}

TEST_F(SettingsStore, AValueSetByOneProcessIsReadByAnother)
{
    LSettingsSetString("Shared", "Value", "from parent");
    EXPECT_EQ(Get("Shared", "Value"), "from parent"); // now cached here
    int status = InChild([] {
        if (Get("Shared", "Value") != "from parent")
            _exit(1);
        LSettingsSetString("Shared", "Value", "from child");
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(Get("Shared", "Value"), "from child");
}

TEST_F(SettingsStore, TwoProcessesSettingDifferentKeysKeepBoth)
{
    constexpr int kKeys = 60;
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        pid_t child = fork();
        if (child == 0) {
            for (int i = 0; i < kKeys; ++i) {
                std::string name = "P" + std::to_string(p) + "_" + std::to_string(i);
                LSettingsSetString("Race", name.c_str(), name.c_str());
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < kKeys; ++i) {
            std::string name = "P" + std::to_string(p) + "_" + std::to_string(i);
            EXPECT_EQ(Get("Race", name.c_str()), name);
        }
    }
}

TEST_F(SettingsStore, AWriterKilledMidWriteLeavesTheLastWholeFile)
{
    LSettingsSetString("Keep", "Me", "safe");
    const std::string path = PreferencesFile(home_);
    std::mt19937 random(12345);
    for (int round = 0; round < 12; ++round) {
        pid_t child = fork();
        if (child == 0) {
            for (int generation = 0;; ++generation) {
                std::string big(300000, char('a' + generation % 26));
                LSettingsSetString("Big", "Value", big.c_str());
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        LPreferenceStore::Contents contents;
        std::string text = ReadFileBytes(path);
        contents = LPreferenceStore::Parse(text.data(), text.size());
        ASSERT_EQ(contents.values["Keep/Me"], "safe") << "round " << round;
        ASSERT_TRUE(contents.otherLines.empty()) << "round " << round;
        auto big = contents.values.find("Big/Value");
        if (big != contents.values.end()) {
            ASSERT_EQ(big->second.size(), 300000u) << "round " << round;
            ASSERT_EQ(big->second.find_first_not_of(big->second[0]), std::string::npos) << "round " << round;
        }
    }
    // The store still works for this process afterwards, and the next write
    // clears the temporary files the killed writers left behind.
    LSettingsSetString("Keep", "Me", "still");
    EXPECT_EQ(Get("Keep", "Me"), "still");
    EXPECT_EQ(quorin::test::CaptureCommand("ls -A '" + home_.Path(".config") + "'"),
              "com.oxbelsoftware.quorin.conf\n");
}

// Sees the lines the log is given.
class LogLines : public LLogObserver
{
public:
    LogLines() { LGetGlobalLog()->SetObserver(this); }
    ~LogLines() override { LGetGlobalLog()->SetObserver(nullptr); }
    void OnLogLine(const char*, const char* text, int) override { lines.push_back(text); }
    bool Has(const std::string& part) const
    {
        for (const std::string& line : lines)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }
    std::vector<std::string> lines;
};

// A file of exactly `size` bytes whose first line stores Keep/Me.
std::string PreferencesOfSize(uint64_t size)
{
    std::string text = "Keep/Me=kept\n";
    text.resize(size_t(size), 'x');
    text.back() = '\n';
    return text;
}

TEST_F(SettingsStore, AFileLargerThanTheBoundIsSetAsideAndTheDefaultsUsed)
{
    const std::string path = PreferencesFile(home_);
    struct Case
    {
        uint64_t size;
        const char* expected;
    };
    const Case cases[] = {
        {LPreferenceStore::kMaxFileBytes, "kept"},
        {LPreferenceStore::kMaxFileBytes + 1, "<none>"},
        {50u << 20, "<none>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::filesystem::remove_all(home_.Path(".config"));
        std::filesystem::create_directories(home_.Path(".config"));
        const std::string bytes = PreferencesOfSize(c.size);
        quorin::test::WriteFileBytes(path, bytes);
        LogLines log;
        EXPECT_EQ(Get("Keep", "Me"), c.expected);
        if (std::string(c.expected) == "kept") {
            EXPECT_EQ(quorin::test::FolderEntries(home_.Path(".config")),
                      std::vector<std::string>{"com.oxbelsoftware.quorin.conf"});
            continue;
        }
        // Kept whole for the user under a new name, and said so in the log.
        EXPECT_EQ(ReadFileBytes(path + ".damaged"), bytes);
        EXPECT_TRUE(log.Has(path + ".damaged")) << ::testing::PrintToString(log.lines);
        // The next write starts a fresh file; nothing temporary is left.
        LSettingsSetString("Fresh", "Value", "new");
        EXPECT_EQ(Get("Fresh", "Value"), "new");
        EXPECT_EQ(Get("Keep", "Me"), "<none>");
        EXPECT_EQ(quorin::test::FolderEntries(home_.Path(".config")),
                  (std::vector<std::string>{"com.oxbelsoftware.quorin.conf",
                                            "com.oxbelsoftware.quorin.conf.damaged"}));
    }
}

TEST_F(SettingsStore, AWriteOverATooLargeFileSetsItAsideUnderTheNextFreeName)
{
    const std::string path = PreferencesFile(home_);
    LSettingsSetString("Keep", "Me", "first");
    const std::string big = PreferencesOfSize(LPreferenceStore::kMaxFileBytes + 100);
    // Each damaged file gets its own name; none replaces an earlier one.
    const char* const asideNames[] = {".damaged", ".damaged-2", ".damaged-3"};
    for (const char* aside : asideNames) {
        SCOPED_TRACE(aside);
        quorin::test::WriteFileBytes(path, big);
        LogLines log;
        LSettingsSetString("Written", "After", aside);
        EXPECT_EQ(ReadFileBytes(path + aside), big);
        EXPECT_TRUE(log.Has(path + aside)) << ::testing::PrintToString(log.lines);
        EXPECT_EQ(Get("Written", "After"), aside);
        EXPECT_EQ(Get("Keep", "Me"), "<none>");
        EXPECT_LT(ReadFileBytes(path).size(), 1000u);
    }
    EXPECT_EQ(quorin::test::FolderEntries(home_.Path(".config")),
              (std::vector<std::string>{"com.oxbelsoftware.quorin.conf", "com.oxbelsoftware.quorin.conf.damaged",
                                        "com.oxbelsoftware.quorin.conf.damaged-2",
                                        "com.oxbelsoftware.quorin.conf.damaged-3"}));
}

TEST_F(SettingsStore, ThreadsSharingTheStore)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 25; ++i) {
                std::string name = "T" + std::to_string(t) + "_" + std::to_string(i);
                LSettingsSetString("Threads", name.c_str(), name.c_str());
                if (Get("Threads", name.c_str()) != name)
                    ADD_FAILURE() << name;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(Get("Threads", "T3_24"), "T3_24");
}

} // namespace
