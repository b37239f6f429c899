#pragma once
// The maker's version files: a text of pairs joined by '&' that a server
// chose, such as "version=3.10&info=<page>&download=<address>" for the
// program or "name=<component>&version=1.25" for a component. A key counts
// only where a pair begins (at the start or after '&'), so
// "xversion=" is no "version=", and a version is a plain decimal number
// ("3", "3.10"): no sign, blank, exponent or hexadecimal form, which strtod
// and atof would read as something else ("0x400" as 1024).

#include <cstddef>

struct LVersionInfo
{
    double version = 0;
    char info[260] = {};
    char download[260] = {};
};

// The program's version file. Reads the three keys: "info=" is looked for
// after the version value, "download=" after the info value; each value runs
// to the next '&' (or the end, line ends and trailing blanks dropped) and
// keeps at most 259 characters. False when a key is missing or empty, or the
// version is no decimal version.
bool LParseVersionFile(const char* text, LVersionInfo* out);

// A component's version file: the value of its first "version=" key. False
// (version 0) when there is none or it is no decimal version.
bool LParseComponentVersionFile(const char* text, double* version);

// "3" or "3.10": one to six digits, then optionally a dot and one to six
// digits, and nothing else. False for anything else.
bool LParseDecimalVersion(const char* text, size_t length, double* version);
