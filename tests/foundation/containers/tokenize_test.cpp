// Words, fields, comma-separated values and wildcards.

#include "foundation/containers/LTokenize.h"
#include "foundation/text/LTextBuffer.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Fields(const char* text)
{
    std::vector<std::string> out;
    LCsvTokenizer t;
    for (t.Start(text); !t.end; t.Next())
        out.push_back(t.field.Text());
    EXPECT_STREQ(t.field.Text(), "");
    return out;
}

using V = std::vector<std::string>;

TEST(Csv, Fields)
{
    struct Case
    {
        const char* text;
        V fields;
    };
    const std::vector<Case> cases = {
        {"a,\"b \"\"c\"\"\",d", {"a", "b \"c\"", "d"}},
        {"a,b,", {"a", "b"}},
        {"   ", {}},
        {"", {}},
        {nullptr, {}},
        {"  x  ,  y  ", {"x", "y"}},
        {"a,,b", {"a", "", "b"}},
        {"\"quoted, with comma\",next", {"quoted, with comma", "next"}},
        {"\"q\"junk,after", {"q", "after"}},
        {"\"unterminated", {"unterminated"}},
        {"\"\"", {""}},
        {"\"a\"\"\"", {"a\""}},
        {"caf\xC3\xA9 , \xC3\xA9t\xC3\xA9", {"caf\xC3\xA9", "\xC3\xA9t\xC3\xA9"}},
        {"a\t,\tb\r\n", {"a", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fields(c.text), c.fields) << (c.text ? c.text : "(null)");
}

TEST(Tokenize, CopyWord)
{
    char word[kTextBufferSize];
    EXPECT_EQ(LStrCopyWord("hello  world", word), 7u);
    EXPECT_STREQ(word, "hello");
    EXPECT_EQ(LStrCopyWord(" lead", word), 1u);
    EXPECT_STREQ(word, "");
    EXPECT_EQ(LStrCopyWord("last", word), 4u);
    EXPECT_STREQ(word, "last");
    // Non-ASCII bytes belong to the word.
    EXPECT_EQ(LStrCopyWord("\xC3\xA9t\xC3\xA9\tx", word), 6u);
    EXPECT_STREQ(word, "\xC3\xA9t\xC3\xA9");
    // A long word is cut between characters; the index still passes all of it.
    std::string longWord = std::string(258, 'w') + "\xC3\xA9" + " tail";
    EXPECT_EQ(LStrCopyWord(longWord.c_str(), word), 261u);
    EXPECT_EQ(std::string(word), std::string(258, 'w'));
}

TEST(Tokenize, CopyUntilAnyAndSpan)
{
    char dest[kTextBufferSize];
    EXPECT_EQ(LStrCopyUntilAny("key=value;x", "=;", dest), 3u);
    EXPECT_STREQ(dest, "key");
    EXPECT_EQ(LStrCopyUntilAny("none", ",", dest), 4u);
    EXPECT_STREQ(dest, "none");
    EXPECT_EQ(LStrSpanOf("  \tx", " \t"), 3u);
    EXPECT_EQ(LStrSpanOf("abc", ""), 0u);

    LStringLong out("old");
    EXPECT_EQ(LStringCopyUntil("path/to/file", '/', &out), 4u);
    EXPECT_STREQ(out.Text(), "path");
    EXPECT_EQ(LStringCopyUntil("no delimiter", '/', &out), 12u);
    EXPECT_STREQ(out.Text(), "no delimiter");
}

TEST(Wildcard, Table)
{
    struct Case
    {
        const char* pattern;
        const char* text;
        bool match;
    };
    const std::vector<Case> cases = {
        {"*", "", true},
        {"*", "anything", true},
        {"", "", true},
        {"", "a", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"*.wav", "x.wav", true},
        {"*.wav", ".wav", true},
        {"*.wav", "x.wav.bak", false},
        {"*.wav", "x.WAV", false},
        {"track*", "track", true},
        {"track**", "track", true},
        {"*a*b", "aaab", true},
        {"*a*b", "aaa", false},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"?", "", false},
        {"??", "a", false},
        {"*?", "a", true},
        {"*x", "x", true},
        {"x*", "y", false},
        {"Track?.wav", "Track\xC3\xA9.wav", true},
        {"?", "\xF0\x9F\x98\x80", true},
        {"??", "\xF0\x9F\x98\x80", false},
        {"*\xC3\xA9", "caf\xC3\xA9", true},
        {"a*", nullptr, false},
        {nullptr, nullptr, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LWildcardMatch(c.pattern, c.text), c.match)
            << (c.pattern ? c.pattern : "(null)") << " vs " << (c.text ? c.text : "(null)");
}

TEST(Wildcard, RandomPatternsAgreeWithFnmatch)
{
    std::mt19937 rng(77);
    const char patternChars[] = "ab*?";
    const char textChars[] = "ab";
    for (int round = 0; round < 20000; ++round) {
        std::string pattern, text;
        int pl = static_cast<int>(rng() % 7), tl = static_cast<int>(rng() % 8);
        for (int i = 0; i < pl; ++i)
            pattern += patternChars[rng() % 4];
        for (int i = 0; i < tl; ++i)
            text += textChars[rng() % 2];
        bool expected = fnmatch(pattern.c_str(), text.c_str(), 0) == 0;
        ASSERT_EQ(LWildcardMatch(pattern.c_str(), text.c_str()), expected) << pattern << " vs " << text;
    }
}

TEST(Wildcard, ManyStarsStayFast)
{
    // A backtracking matcher takes exponential time here.
    std::string text(4000, 'a');
    EXPECT_FALSE(LWildcardMatch("*a*a*a*a*a*a*a*a*a*a*a*a*b", text.c_str()));
    EXPECT_TRUE(LWildcardMatch("*a*a*a*a*a*a*a*a*a*a*a*a*", text.c_str()));
}

} // namespace
