#pragma once
// Fixed 260-byte text buffers and the small text operations on them. A text
// buffer holds at most 259 bytes of UTF-8 and its NUL; every cut made here
// falls between characters.

#include <cstddef>
#include <cstdint>

template <typename T> class LStringLongTemplate;

inline constexpr std::size_t kTextBufferSize = 260;
using LTextBuffer = char[kTextBufferSize];

// Copies `src` into a text buffer of `size` bytes, whole characters only.
// Returns the bytes copied; `truncated` (when given) tells whether anything was left out.
std::size_t LStrCopyText(char* dest, const char* src, std::size_t size = kTextBufferSize,
                         bool* truncated = nullptr);

// Shortens `src` to fit `size` bytes by replacing its middle with "...".
void LStrEllipsizeMiddle(char* dest, const char* src, std::size_t size);

// Removes leading and trailing spaces (only the space character) in place.
void LStrTrimSpaces(char* text);

// Lower-cases a text buffer in place by the rules of the current UTF-8 locale
// (the C.UTF-8 rules when the environment's locale is not UTF-8).
void LStrToLowerLocale(char* text);

// Copies the first line of `text` (up to NUL, LF or CR) into `out`; returns its length.
std::uint64_t LStringCopyLine(const char* text, LStringLongTemplate<char>* out);

std::size_t LStrLen(const char* text);

// Three-way compare of two signed 64-bit values behind the pointers, for qsort.
int LCompareInt64(const void* a, const void* b);
