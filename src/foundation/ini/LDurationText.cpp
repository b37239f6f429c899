#include "foundation/ini/LDurationText.h"

#include <cstdio>

namespace {

constexpr uint64_t kMsPerHour = 3600000;
constexpr int64_t kParseCeiling = int64_t(1) << 62;

// Splits |ms| + rounding into its fields; the sign is written separately so
// that -1500 reads -0:00:01.500 and not 0:00:-01.
struct Fields
{
    const char* sign;
    unsigned long long hours;
    int minutes;
    int seconds;
    int milliseconds;
};

Fields Split(int64_t ms, uint64_t rounding)
{
    // The magnitude is taken in unsigned arithmetic, so even INT64_MIN works.
    uint64_t magnitude = ms < 0 ? uint64_t(0) - uint64_t(ms) : uint64_t(ms);
    magnitude += rounding;
    Fields f;
    f.sign = ms < 0 ? "-" : "";
    f.hours = magnitude / kMsPerHour;
    f.minutes = int(magnitude / 60000 % 60);
    f.seconds = int(magnitude / 1000 % 60);
    f.milliseconds = int(magnitude % 1000);
    return f;
}

} // namespace

void LFormatDurationHMS(const int64_t* ms, char* dest)
{
    Fields f = Split(*ms, 0);
    std::snprintf(dest, 40, "%s%llu:%.2d:%.2d", f.sign, f.hours, f.minutes, f.seconds);
}

void LFormatDurationMs(const int64_t* ms, char* dest)
{
    Fields f = Split(*ms, 0);
    std::snprintf(dest, 40, "%s%llu:%.2d:%.2d.%.3d", f.sign, f.hours, f.minutes, f.seconds, f.milliseconds);
}

void LFormatDurationCs(const int64_t* ms, char* dest)
{
    Fields f = Split(*ms, 5);
    std::snprintf(dest, 40, "%s%llu:%.2d:%.2d.%.2d", f.sign, f.hours, f.minutes, f.seconds,
                  f.milliseconds / 10);
}

void LFormatDurationRounded(const int64_t* ms, char* dest)
{
    Fields f = Split(*ms, 500);
    std::snprintf(dest, 40, "%s%llu:%.2d:%.2d", f.sign, f.hours, f.minutes, f.seconds);
}

void LParseDuration(int64_t* ms, const char* text)
{
    int64_t total = 0;
    int64_t field = 0;
    int64_t scale = 1000; // whole seconds until a '.' or a third ':'
    bool fraction = false;
    int colons = 0;
    bool negative = false;

    // Values are held below a ceiling, so a long run of digits or colons
    // saturates instead of overflowing.
    auto clamp = [](__int128 value) { return value > kParseCeiling ? kParseCeiling : int64_t(value); };

    for (const char* p = text ? text : ""; *p; ++p) {
        char c = *p;
        if (c >= '0' && c <= '9') {
            int d = c - '0';
            if (!fraction) {
                int64_t grown = clamp(__int128(field) * 10 + d * 1000);
                total = clamp(__int128(total) - field + grown);
                field = grown;
            } else if (scale >= 1) {
                total = clamp(__int128(total) + d * scale);
                scale /= 10;
            }
        } else if (c == ':') {
            // A ':' in the fraction is meaningless; it is ignored like any
            // other stray character.
            if (fraction)
                continue;
            colons++;
            if (colons <= 2) {
                total = clamp(__int128(total) * 60);
                field = 0;
            } else {
                fraction = true;
                scale = 100;
            }
        } else if (c == '.') {
            if (!fraction) {
                fraction = true;
                scale = 100;
            }
        } else if (c == '-') {
            negative = true;
        }
    }
    *ms = negative ? -total : total;
}
