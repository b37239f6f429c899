// The version files' reading: keys only where a pair begins, versions only
// as plain decimal numbers, whatever a server writes around them.

#include "online/LVersionFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct VersionCase
{
    const char* text;
    bool ok;
    double version;
};

// Texts a server might send, each read as a component's version file and,
// with the info and download keys after it, as the program's.
const VersionCase kVersionCases[] = {
    {"version=1.25", true, 1.25},
    {"name=testcomp&version=1.25\n", true, 1.25},
    {"version=3\r\n", true, 3},
    {"version=3.10 ", true, 3.1},
    {"version=000002.500000", true, 2.5},
    {"xversion=9", false, 0},      // another key
    {"name=xversion=9", false, 0}, // inside another key's value
    {"xversion=9&version=2.5", true, 2.5},
    {"version=0x400", false, 0}, // hexadecimal
    {"version=1e3", false, 0},   // exponent
    {"version=+3", false, 0},    // sign
    {"version=-3", false, 0},
    {"version= 3", false, 0}, // blank before
    {"version=3.", false, 0}, // no digits after the dot
    {"version=.5", false, 0},
    {"version=3.1.2", false, 0},
    {"version=inf", false, 0},
    {"version=nan", false, 0},
    {"version=1234567", false, 0}, // more digits than any version has
    {"version=3.1234567", false, 0},
    {"version=3,10", false, 0},
    {"version=3.10x", false, 0},
    {"version=3\nversion=9", false, 0}, // one value over two lines
    {"version=", false, 0},
    {"", false, 0},
};

TEST(VersionFile, AComponentVersionIsTheDocumentedKeyInDecimal)
{
    for (const VersionCase& c : kVersionCases) {
        double version = -1;
        EXPECT_EQ(LParseComponentVersionFile(c.text, &version), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(version, c.version) << c.text;
    }
    double version = -1;
    EXPECT_FALSE(LParseComponentVersionFile(nullptr, &version));
    EXPECT_EQ(version, 0);
}

TEST(VersionFile, TheProgramsVersionIsReadTheSameWay)
{
    for (const VersionCase& c : kVersionCases) {
        std::string text = c.text;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        text += "&info=i&download=d";
        LVersionInfo info;
        EXPECT_EQ(LParseVersionFile(text.c_str(), &info), c.ok) << text;
        EXPECT_DOUBLE_EQ(info.version, c.version) << text;
        EXPECT_STREQ(info.info, c.ok ? "i" : "") << text;
    }
    // The other keys too count only where a pair begins.
    LVersionInfo info;
    EXPECT_FALSE(LParseVersionFile("version=3.10&xinfo=i&download=d", &info));
    EXPECT_FALSE(LParseVersionFile("version=3.10&info=i&nodownload=d", &info));
    EXPECT_TRUE(LParseVersionFile("version=3.10&xinfo=a&info=i&download=d", &info));
    EXPECT_STREQ(info.info, "i");
}

} // namespace
