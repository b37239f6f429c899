// The printf engine against the C library, both outputs.

#include "foundation/text/LPrintf.h"
#include "foundation/text/LStringLong.h"
#include "foundation/text/LTextBuffer.h"

#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <locale.h>
#include <random>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QUORIN_HAVE_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORIN_HAVE_LSAN 1
#endif
#endif
#ifdef QUORIN_HAVE_LSAN
#include <sanitizer/lsan_interface.h>
#else
#define QUORIN_HAVE_LSAN 0
#endif

#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

namespace {

std::string Ours(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LStringLong s;
    s.AppendFormatV(format, args);
    va_end(args);
    return s.Text();
}

std::size_t Bounded(char* dest, std::size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::size_t n = LVSprintf(dest, size, format, args);
    va_end(args);
    return n;
}

std::string OursBounded(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char buf[kTextBufferSize];
    LVSprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

std::string Theirs(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char buf[1024];
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

struct Row
{
    const char* name;
    std::function<std::string(std::string (*)(const char*, ...))> run;
};

// Each row formats the same arguments through a given formatter, so the two
// calls are guaranteed to pass identical values with identical types.
#define ROW(fmt, ...)                                                                                        \
    Row                                                                                                      \
    {                                                                                                        \
        fmt, [](std::string (*f)(const char*, ...)) { return f(fmt, __VA_ARGS__); }                          \
    }

const std::vector<Row>& Table()
{
    static const std::vector<Row> rows = {
        ROW("%d", 42),
        ROW("%d", -42),
        ROW("%d", INT_MIN),
        ROW("%-5d|", 42),
        ROW("%5d|", -42),
        ROW("%05d", -42),
        ROW("%+d %+d", 5, -5),
        ROW("% d", 7),
        ROW("%.3d", 7),
        ROW("%8.3d|", -7),
        ROW("%.0d|", 0),
        ROW("%x %X %o", 255u, 255u, 8u),
        ROW("%#x %#X %#o", 255u, 255u, 8u),
        ROW("%#x", 0u),
        ROW("%#010x", 0xBEEFu),
        ROW("%u", 4000000000u),
        ROW("%#o %#.0o %.0x| %#.0x|", 0u, 0u, 0u, 0u),
        ROW("%#5.3o|%#o|%#x", 8u, 0u, 1u),
        ROW("%-+08d|%0-8d|% 05d|%+.0d|", 42, -42, 42, 0),
        ROW("%#08X|%08.3d|%-#10x|", 0xABu, -7, 0x1Fu),
        ROW("%hhx %ho %lo", -1, -1, 8UL),
        ROW("%#.5x %+u % u", 0x12u, 3u, 4u),
        ROW("%'d %'.2f", 1234567, 1234.5),
        ROW("%hhd %hhu", 300, 300),
        ROW("%hd %hu", 70000, 70000),
        ROW("%ld %lu", -1234567890123L, 1234567890123UL),
        ROW("%lld", static_cast<long long>(INT64_MIN)),
        ROW("%llu", static_cast<unsigned long long>(UINT64_MAX)),
        ROW("%llx", 0x123456789ABCDEFULL),
        ROW("%zu %zd", static_cast<size_t>(123456789012), static_cast<ssize_t>(-5)),
        ROW("%jd", static_cast<intmax_t>(-99)),
        ROW("%td", static_cast<ptrdiff_t>(-1024)),
        ROW("%*d|", 6, 12),
        ROW("%*d|", -6, 12),
        ROW("%.*d|", 4, 12),
        ROW("%*.*f|", 10, 3, 3.14159),
        ROW("%.*s|", -1, "whole"),
        ROW("%5.2f", 3.14159),
        ROW("%f", 1e10),
        ROW("%.0f %.0f", 0.5, 1.5),
        ROW("%e %E", 12345.678, 0.000123),
        ROW("%g %G", 0.0001, 1e20),
        ROW("%#g", 1.0),
        ROW("%-10.4e|", -2.5),
        ROW("%+.1f", 2.25),
        ROW("%a", 1.0),
        ROW("%f %f", INFINITY, -INFINITY),
        ROW("%Lf", 3.5L),
        ROW("%.20Lg", 1.0L / 3),
        ROW("%s", "hello"),
        ROW("%.3s", "abcdef"),
        ROW("%10s|", "ab"),
        ROW("%-10s|", "ab"),
        ROW("%10.2s|", "abcdef"),
        ROW("%c%c%c", 'a', 'b', 'c'),
        ROW("%3c|%-3c|", 'x', 'y'),
        ROW("%%|%5%|%d", 1),
        ROW("%p", reinterpret_cast<void*>(0x1234)),
        ROW("%d %s %f %c %lld %u", 1, "two", 3.0, '4', 5LL, 6u),
        ROW("%s", "caf\xC3\xA9 \xF0\x9F\x98\x80"),
        ROW("%300d|", 5),
        ROW("%.300f", 1.0),
        ROW("%-300s|", "x"),
    };
    return rows;
}

TEST(PrintfEngine, MatchesTheCLibrary)
{
    for (const Row& row : Table())
        EXPECT_EQ(row.run(&Ours), row.run(&Theirs)) << "format " << row.name;
}

TEST(PrintfEngine, BoundedOutputMatchesTheCLibrary)
{
    for (const Row& row : Table()) {
        std::string expected = row.run(&Theirs);
        std::string got = row.run(&OursBounded);
        EXPECT_EQ(got, expected.substr(0, 259)) << "format " << row.name;
    }
}

// Random flag, width, precision and length combinations for every integer
// conversion, each value passed with the type its length modifier names.
TEST(PrintfEngine, RandomIntegerConversionsMatchTheCLibrary)
{
    std::mt19937_64 rng(1234);
    const char* lengths[] = {"", "hh", "h", "l", "ll", "z", "j"};
    const char conversions[] = "diouxX";
    for (int round = 0; round < 20000; ++round) {
        std::string spec = "%";
        for (char f : std::string("-+ #0"))
            if (rng() % 4 == 0)
                spec += f;
        if (rng() % 2)
            spec += std::to_string(rng() % 24);
        if (rng() % 2)
            spec += "." + std::to_string(rng() % 24);
        const char* length = lengths[rng() % 7];
        spec += length;
        char conv = conversions[rng() % 6];
        spec += conv;
        spec += "|%d";
        std::uint64_t bits = rng();
        switch (rng() % 4) { // favour small and edge values
        case 0:
            bits %= 1000;
            break;
        case 1:
            bits = 0;
            break;
        case 2:
            bits = static_cast<std::uint64_t>(-static_cast<std::int64_t>(bits % 1000));
            break;
        default:
            break;
        }
        std::string l = length;
        std::string ours, theirs;
        if (l == "l" || l == "ll" || l == "z" || l == "j") {
            long long v = static_cast<long long>(bits);
            ours = Ours(spec.c_str(), v, 77);
            theirs = Theirs(spec.c_str(), v, 77);
        } else {
            int v = static_cast<int>(bits);
            ours = Ours(spec.c_str(), v, 77);
            theirs = Theirs(spec.c_str(), v, 77);
        }
        ASSERT_EQ(ours, theirs) << spec << " with " << bits;
    }
}

// Values whose upper 32 bits would leak into the result if an int were read
// as a 64-bit slot: the arguments after it must still come out right.
TEST(PrintfEngine, ReadsEachArgumentWithItsOwnType)
{
    EXPECT_EQ(Ours("%d|%d|%lld|%d", -1, 2, -3LL, 4), "-1|2|-3|4");
    EXPECT_EQ(Ours("%u %s %hd %c %f", 7u, "x", static_cast<short>(-2), 'q', 0.25), "7 x -2 q 0.250000");
    EXPECT_EQ(Ours("%x %llx %x", 0xFFFFFFFFu, 0x100000000ULL, 1u), "ffffffff 100000000 1");
}

TEST(PrintfEngine, OurOwnRules)
{
    EXPECT_EQ(Ours("[%s]", static_cast<const char*>(nullptr)), "[]");
    EXPECT_EQ(Ours("[%5s]", static_cast<const char*>(nullptr)), "[     ]");
    // A precision never cuts a character in half.
    EXPECT_EQ(Ours("%.2s", "\xC3\xA9z"), "\xC3\xA9");
    EXPECT_EQ(Ours("%.1s", "\xC3\xA9z"), "");
    EXPECT_EQ(Ours("%.4s", "a\xF0\x9F\x98\x80"), "a");
    // Precision reads no further than it needs.
    const char unterminated[3] = {'a', 'b', 'c'};
    EXPECT_EQ(Ours("%.3s", unterminated), "abc");
    // Wide characters and texts come out as UTF-8.
    EXPECT_EQ(Ours("%lc", static_cast<wint_t>(0xE9)), "\xC3\xA9");
    EXPECT_EQ(Ours("%ls", L"\u00e9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
    // %n stores nothing.
    int count = -7;
    EXPECT_EQ(Ours("ab%ncd", &count), "abcd");
    EXPECT_EQ(count, -7);
    // A format that stops inside a conversion ends the output there.
    EXPECT_EQ(Ours("abc%"), "abc");
    EXPECT_EQ(Ours("abc%-5"), "abc");
    // Characters that are no conversion are shown as written.
    EXPECT_EQ(Ours("%y|%d", 3), "%y|3");
}

// Pauses the leak checker of sanitizer builds around a C library call that
// keeps an allocation on purpose.
class LeakCheckPause
{
public:
    LeakCheckPause()
    {
#if QUORIN_HAVE_LSAN
        __lsan_disable();
#endif
    }
    ~LeakCheckPause()
    {
        End();
    }
    void End()
    {
#if QUORIN_HAVE_LSAN
        if (active_)
            __lsan_enable();
#endif
        active_ = false;
    }

private:
    bool active_ = true;
};

// Numbers come out with a '.' even when the process runs in a locale that
// writes a decimal comma (the texts go into files read back elsewhere).
TEST(PrintfEngine, NumbersIgnoreTheProcessLocale)
{
    quorin::test::TempDir dir;
    std::string command = "localedef -i de_DE -f UTF-8 " + dir.Path("de_DE.UTF-8") + " >/dev/null 2>&1";
    if (quorin::test::RunCommand(command) != 0)
        GTEST_SKIP() << "localedef could not build a de_DE locale";
    setenv("LOCPATH", dir.Path().c_str(), 1);
    LeakCheckPause pause; // glibc keeps the parsed LOCPATH for the life of the process
    locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    pause.End();
    unsetenv("LOCPATH");
    ASSERT_NE(german, static_cast<locale_t>(0));
    locale_t previous = uselocale(german);
    char check[32];
    std::snprintf(check, sizeof check, "%.2f", 3.25);
    std::string ours = Ours("%.2f %g %d", 3.25, 0.5, 1234567);
    uselocale(previous);
    freelocale(german);
    EXPECT_STREQ(check, "3,25"); // the locale took effect for the C library
    EXPECT_EQ(ours, "3.25 0.5 1234567");
}

TEST(PrintfEngine, NullFormatProducesNothing)
{
    LStringLong s("keep");
    EXPECT_EQ(s.Format(nullptr), 0u);
    EXPECT_STREQ(s.Text(), "");
    char buf[kTextBufferSize] = "x";
    EXPECT_EQ(LSprintf(buf, nullptr), 0u);
    EXPECT_STREQ(buf, "");
}

TEST(Sprintf, KeepsAtMost259BytesAndConsumesEveryArgument)
{
    std::string longText(300, 'a');
    char buf[kTextBufferSize + 8];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(LSprintf(buf, "%s", longText.c_str()), 259u);
    EXPECT_EQ(std::string(buf), longText.substr(0, 259));
    EXPECT_EQ(buf[260], 'Z'); // nothing written past the buffer

    char small[8];
    EXPECT_EQ(Bounded(small, sizeof small, "%s%d", "abcdefghij", 5), 7u);
    EXPECT_STREQ(small, "abcdefg");
    EXPECT_EQ(Bounded(small, 1, "%d", 5), 0u);
    EXPECT_STREQ(small, "");
}

TEST(Sprintf, MayReadItsOwnBuffer)
{
    char path[kTextBufferSize] = "music";
    LSprintf(path, "%s/%s", path, "side a");
    EXPECT_STREQ(path, "music/side a");
    LSprintf(path, "x%sx", path);
    EXPECT_STREQ(path, "xmusic/side ax");
}

TEST(Sprintf, CutsOnlyBetweenCharacters)
{
    // 258 bytes of ASCII, then a 2-byte character that would end at byte 260.
    std::string text = std::string(258, 'a') + "\xC3\xA9";
    char buf[kTextBufferSize];
    EXPECT_EQ(LSprintf(buf, "%s", text.c_str()), 258u);
    EXPECT_EQ(std::string(buf), std::string(258, 'a'));
    // A 4-byte character that straddles the end, after a formatted number.
    char small[6];
    EXPECT_EQ(Bounded(small, sizeof small, "%d\xF0\x9F\x98\x80", 12), 2u);
    EXPECT_STREQ(small, "12");
    EXPECT_EQ(Bounded(small, sizeof small, "%d\xF0\x9F\x98\x80", 1), 5u);
    EXPECT_STREQ(small, "1\xF0\x9F\x98\x80");
}

} // namespace
