#pragma once
// Splitting texts into words, fields and comma-separated values, and the
// wildcard matcher of the folder scanner. Destinations of 260 bytes keep at
// most 259 bytes, cut between UTF-8 characters.

#include "foundation/text/LStringLong.h"

#include <cstddef>
#include <cstdint>

// Copies `text` up to `delimiter` or its end into `out`; returns the count copied.
std::uint64_t LStringCopyUntil(const char* text, char delimiter, LStringLongTemplate<char>* out);

// Copies the leading word (bytes above 32) into `dest` and returns the index
// just past it and past the blanks (bytes 1 to 32) that follow.
std::size_t LStrCopyWord(const char* text, char* dest);

// Copies the bytes before the first one found in `delimiters` into `dest` and
// returns the index of that byte (or of the end).
std::size_t LStrCopyUntilAny(const char* text, const char* delimiters, char* dest);

// The number of leading bytes of `text` that are in `set`.
std::size_t LStrSpanOf(const char* text, const char* set);

// Reads comma-separated values one field at a time:
//   LCsvTokenizer t; for (t.Start(line); !t.end; t.Next()) use(t.field);
// Fields may be quoted, with a doubled quote standing for one quote inside.
// Blanks around unquoted fields are dropped; a trailing comma gives no empty
// last field and a blank text gives no field.
class LCsvTokenizer
{
public:
    const char* cursor = nullptr;
    LStringLongTemplate<char> field;
    bool end = true;

    void Start(const char* text);
    void Next();
};

// Matches `text` against a pattern where '*' stands for any run of characters
// and '?' for any one character (a whole UTF-8 character). Case-sensitive.
bool LWildcardMatch(const char* pattern, const char* text);
