#include "foundation/platform/LArgTokenizer.h"
#include "foundation/platform/LMenuText.h"
#include "foundation/platform/LVersionInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Tokens(const char* text)
{
    std::vector<std::string> tokens;
    LArgTokenizer tokenizer(text);
    while (tokenizer.Next())
        tokens.emplace_back(tokenizer.token.Text());
    return tokens;
}

TEST(ArgTokenizer, WordsQuotesAndEscapedBlanks)
{
    struct Case
    {
        const char* text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"tool a b", {"tool", "a", "b"}},
        {"  \t tool   a\n", {"tool", "a"}},
        {"\"/Volumes/My Disk/tool\" -x", {"/Volumes/My Disk/tool", "-x"}},
        {"tool My\\ File.wav", {"tool", "My File.wav"}},
        {"tool C:\\path\\x", {"tool", "C:\\path\\x"}},
        {"tool \"\" last", {"tool", "", "last"}},
        {"tool \"unclosed quote", {"tool", "unclosed quote"}},
        {"tool \"a b\"c", {"tool", "a b", "c"}},
        {"caf\xc3\xa9 \xe2\x82\xac", {"caf\xc3\xa9", "\xe2\x82\xac"}},
        {"", {}},
        {"   ", {}},
        {nullptr, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tokens(c.text), c.tokens) << (c.text ? c.text : "(null)");
}

TEST(ArgTokenizer, CountsTheWordsAfterTheFirst)
{
    EXPECT_EQ(LCountArgTokensAfterFirst("tool a \"b c\" d"), 3u);
    EXPECT_EQ(LCountArgTokensAfterFirst("tool"), 0u);
    EXPECT_EQ(LCountArgTokensAfterFirst(""), 0u);
}

TEST(MenuText, MnemonicsAndShortcutsGoAway)
{
    struct Case
    {
        const char* text;
        const char* mnemonics;
        const char* menu;
    } cases[] = {
        {"&File", "File", "File"},
        {"Save && Exit", "Save & Exit", "Save & Exit"},
        {"&Open...\tCtrl+O", "Open...\tCtrl+O", "Open..."},
        {"a&&&b", "a&b", "a&b"},
        {"trailing&", "trailing", "trailing"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        char dest[260];
        LStripMnemonics(dest, c.text);
        EXPECT_STREQ(dest, c.mnemonics) << c.text;
        LStripMenuText(dest, c.text);
        EXPECT_STREQ(dest, c.menu) << c.text;
    }
    char dest[260] = "junk";
    LStripMnemonics(dest, nullptr);
    EXPECT_STREQ(dest, "");
}

TEST(MenuText, LongTitleIsCutBetweenCharacters)
{
    std::string text;
    while (text.size() < 300)
        text += "\xc3\xa9"; // two bytes each
    char dest[260];
    LStripMnemonics(dest, text.c_str());
    EXPECT_EQ(std::string(dest).size(), 258u);
}

TEST(BundleVersion, ReadsMajorAndMinor)
{
    struct Case
    {
        const char* text;
        bool ok;
        int major;
        int minor;
    } cases[] = {
        {"3.00", true, 3, 0}, {"V 3.00", true, 3, 0}, {"Version 2.15", true, 2, 15}, {"2.1.3", true, 2, 1},
        {"7", true, 7, 0},    {"V3.00", false, 0, 0}, // 'V' without a blank: nothing to read after it
        {"", false, 0, 0},    {nullptr, false, 0, 0}, {"beta", false, 0, 0},
    };
    for (const Case& c : cases) {
        int major = -1, minor = -1;
        EXPECT_EQ(LGetBundleVersion(c.text, &major, &minor), c.ok) << (c.text ? c.text : "(null)");
        EXPECT_EQ(major, c.major);
        EXPECT_EQ(minor, c.minor);
    }
}

TEST(OsVersion, KernelReleaseTexts)
{
    int major = 0, minor = 0;
    EXPECT_TRUE(LParseKernelRelease("6.1.0-18-amd64", &major, &minor));
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 1);
    EXPECT_TRUE(LParseKernelRelease("5.10.0", &major, &minor));
    EXPECT_EQ(minor, 10);
    EXPECT_FALSE(LParseKernelRelease("linux", &major, &minor));
    EXPECT_FALSE(LParseKernelRelease("6", &major, &minor));
}

TEST(OsVersion, OsReleaseFile)
{
    LOsVersion version;
    LParseOsRelease("# comment\n"
                    "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                    "NAME=\"Debian GNU/Linux\"\n"
                    "VERSION_ID=\"12\"\r\n"
                    "ID=debian\n"
                    "ID_LIKE=ubuntu\n"
                    "HOME_URL=\"https://www.debian.org/\"",
                    &version);
    EXPECT_STREQ(version.prettyName, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_STREQ(version.versionId, "12");
    EXPECT_STREQ(version.id, "debian");

    LOsVersion quoted;
    LParseOsRelease("PRETTY_NAME=\"A \\\"quoted\\\" \\$name\"\nID='single'\n", &quoted);
    EXPECT_STREQ(quoted.prettyName, "A \"quoted\" $name");
    EXPECT_STREQ(quoted.id, "single");
}

TEST(OsVersion, RunningSystem)
{
    const LOsVersion& version = LGetOsVersion();
    EXPECT_GT(version.kernelMajor, 0);
    EXPECT_TRUE(LIsKernelAtLeast(version.kernelMajor, version.kernelMinor));
    EXPECT_FALSE(LIsKernelAtLeast(version.kernelMajor + 1, 0));
    EXPECT_TRUE(LIsSupportedSystem()); // the tests of child processes rely on it
}

} // namespace
