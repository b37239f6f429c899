#pragma once
// Text conversions at the boundary of tag formats. Tag text is UTF-8 inside
// the program; files carry ISO-8859-1, Windows-1252, UTF-16 or UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ISO-8859-1 bytes to UTF-8.
std::string LTagLatin1ToUtf8(const uint8_t* bytes, size_t length);
// Windows-1252 bytes to UTF-8 (what ID3v1 and older WAV tags hold in practice).
std::string LTagWindows1252ToUtf8(const uint8_t* bytes, size_t length);
// Bytes that claim to be UTF-8: kept when they are, else read as Windows-1252,
// so that a mislabelled text still shows its letters instead of breaking the
// record's UTF-8.
std::string LTagUtf8OrWindows1252(const uint8_t* bytes, size_t length);
// 16-bit units (bigEndian says their byte order) to UTF-8; a lone surrogate
// becomes U+FFFD.
std::string LTagUtf16ToUtf8(const uint8_t* bytes, size_t units, bool bigEndian);
// UTF-8 to UTF-16 units.
std::vector<uint16_t> LTagUtf8ToUtf16(const char* text);
// UTF-8 to ISO-8859-1; characters Latin-1 lacks become '?'.
std::string LTagUtf8ToLatin1(const char* text);
// The leading decimal number of a text (blanks before it skipped), clamped to
// [0, limit]; 0 without digits.
uint64_t LTagLeadingNumber(const char* text, uint64_t limit);
