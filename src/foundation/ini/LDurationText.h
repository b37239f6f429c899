#pragma once
// Durations in milliseconds as hours:minutes:seconds texts, and back.
// Every formatter writes at most 40 bytes into `dest` (a text buffer).

#include <cstdint>

// "%d:%.2d:%.2d", truncated to whole seconds.
void LFormatDurationHMS(const int64_t* ms, char* dest);
// "%lld:%.2d:%.2d.%.3d" with the milliseconds.
void LFormatDurationMs(const int64_t* ms, char* dest);
// "%lld:%.2d:%.2d.%.2d", rounded to hundredths.
void LFormatDurationCs(const int64_t* ms, char* dest);
// "%lld:%.2d:%.2d", rounded to whole seconds.
void LFormatDurationRounded(const int64_t* ms, char* dest);

// Reads "h:mm:ss.fff", "mm:ss", a bare number of seconds ("90", "2.25"), with
// an optional '-' anywhere. Characters other than digits, ':', '.' and '-'
// are ignored; results are held within +/- 2^62 ms.
void LParseDuration(int64_t* ms, const char* text);
