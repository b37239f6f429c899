#pragma once
// UTF-8 <-> code points and 16-bit units. Every writer here is bounded by the
// caller's buffer and only ever stops on a whole character, so a cut text is
// still well-formed UTF-8 (or UTF-16).

#include <cstddef>
#include <cstdint>

// Results of the decoders and encoders.
enum LUtf8Status : int {
    kUtf8Complete = 0,   // the whole input was converted
    kUtf8OutputFull = 1, // stopped because the output bound was reached
    kUtf8IllFormed = 2,  // an ill-formed sequence stopped the decoder, or a replacement was made
};

inline constexpr char32_t kUnicodeReplacement = 0xFFFD;

// Length of the character that starts with this lead byte, judged from the lead
// byte alone (1 for stray continuation bytes, up to 6 for the old long forms).
int LUtf8SequenceLength(unsigned char lead);

// Copies whole characters of `src` while the copy fits in size - 1 bytes, then
// terminates. A character cut short by the terminator is dropped, never read
// past. Returns the bytes copied (without the NUL). Nothing is written when size is 0.
std::size_t LUtf8CopyWhole(char* dest, const char* src, std::size_t size);

// The largest length <= `length` at which `text` (at least `length` bytes) can be
// cut without splitting a character: a trailing lead byte whose sequence does not
// fit is dropped along with its continuation bytes.
std::size_t LUtf8BoundaryBefore(const char* text, std::size_t length);

// True when `text` (NUL-terminated) is well-formed UTF-8.
bool LUtf8IsValid(const char* text);
bool LUtf8IsValid(const char* text, std::size_t length);

// Decodes one well-formed character at `text` (at most `available` bytes).
// Returns its byte length and stores the code point, or returns 0 when the
// bytes there are ill-formed or cut short.
int LUtf8DecodeOne(const char* text, std::size_t available, char32_t* codePoint);

// Encodes a code point (values above U+10FFFF and surrogates give U+FFFD) into
// `out` (4 bytes room); returns the byte count.
int LUtf8EncodeOne(char32_t codePoint, char* out);

// Strict decoder into `count` 32-bit slots (the last reserved for the 0
// terminator). `count` bounds source bytes as well, so a stop with
// kUtf8OutputFull leaves the rest unread. Ill-formed input stops with
// kUtf8IllFormed, keeping what came before it. Nothing is written when count is 0.
int LUtf8ToCodePoints(std::uint32_t* dest, const char* src, std::size_t count);

// Encodes the 0-terminated code points into at most destSize bytes (terminator
// included), stopping before a character that would not fit (kUtf8OutputFull).
// Values above U+10FFFF and surrogates are written as U+FFFD (kUtf8IllFormed).
int LCodePointsToUtf8(char* dest, const std::uint32_t* src, std::size_t destSize);

// UTF-8 into UTF-16 (`count` units, terminator included): code points above
// U+FFFF become surrogate pairs; a pair that does not fit whole is not started.
int LUtf8ToWide(std::uint16_t* dest, const char* src, std::size_t count);

// UTF-8 into fixed 16-bit units, one per code point (UCS-2 targets such as
// disc file-system names): code points above U+FFFF become U+FFFD.
int LUtf8ToUcs2(std::uint16_t* dest, const char* src, std::size_t count);

// UTF-16 (0-terminated, at most `srcCount` units read) into UTF-8 bounded by
// destSize bytes. Surrogate pairs are joined; a lone surrogate becomes U+FFFD.
int LWideToUtf8(char* dest, const std::uint16_t* src, std::size_t destSize,
                std::size_t srcCount = static_cast<std::size_t>(-1));
