#pragma once
// Conversions between UTF-8 and the single-byte and code-page encodings met in
// tag chunks and files, and a general converter over iconv. Every output is
// bounded by the caller's buffer, cut only between characters and terminated.

#include <cstddef>
#include <cstdint>

template <typename T> class LStringLongTemplate;

// UTF-8 to ISO Latin-1 in `size` bytes. A text that Latin-1 cannot hold gives
// the empty text; ill-formed UTF-8 converts up to the bad sequence. Returns the
// bytes written.
std::size_t LUtf8ToLatin1(char* dest, const char* src, std::size_t size);

// Windows Latin-1 (code page 1252) to UTF-8 in `size` bytes. The five bytes the
// code page leaves undefined map to the C1 controls of the same value.
// Returns the bytes written.
std::size_t LWindowsLatin1ToUtf8(char* dest, const char* src, std::size_t size);
// The same for `srcLength` bytes, NUL bytes among them (each becomes U+0000).
std::size_t LWindowsLatin1BytesToUtf8(char* dest, std::size_t destSize, const char* src,
                                      std::size_t srcLength);

// The iconv name for a Windows code-page number, or null when it has none.
const char* LCodePageIconvName(unsigned codePage);

// Converts `src`, text in the given Windows code page, into UTF-8 in `dest`.
// An unknown code page or bytes the code page does not define give the empty
// text. Returns the new length of `dest`.
std::uint64_t LCodePageToUtf8(unsigned codePage, LStringLongTemplate<char>* dest,
                              const LStringLongTemplate<char>* src);

// Converts the NUL-terminated `src` from `fromCode` into `toCode` in destSize
// bytes. The output is always terminated (with a NUL as wide as the target's
// code unit); a conversion that stops at a bad sequence or a full buffer keeps
// the whole characters converted before it. Returns the bytes written without
// the terminator, or -1 when iconv knows neither name (dest is then empty).
long LIconvConvert(char* dest, const char* src, std::size_t destSize, const char* toCode,
                   const char* fromCode);

// As LIconvConvert, for a source of `srcLength` bytes that need not be NUL-terminated
// (UTF-16 and UTF-32 sources hold NUL bytes), except that no bad byte ends the
// text: each byte at which no character converts becomes U+FFFD (or '?' where
// `toCode` has no U+FFFD) and the conversion goes on after it. Only a full
// buffer stops it short.
long LIconvConvertBytes(char* dest, std::size_t destSize, const char* src, std::size_t srcLength,
                        const char* toCode, const char* fromCode);
