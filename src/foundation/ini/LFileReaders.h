#pragma once
// Whole-file readers: raw bytes, and text files with a byte-order mark
// (UTF-16 in either order, or UTF-8) turned into UTF-8.

#include "foundation/text/LStringLong.h"

#include <cstdint>

// Reads the whole file (under a shared lock, waiting up to 5000 ms) into `out`,
// terminated; the length is the number of bytes really read. False when the
// file cannot be opened or a read fails.
bool LReadFileToString(const char* path, LStringLongTemplate<char>* out);

// Reads a text file into UTF-8: a UTF-16 file (FF FE or FE FF mark) is
// converted, a UTF-8 mark is dropped, anything else is taken as it is.
bool LReadTextFile(const char* path, LStringLongTemplate<char>* out);

// Replaces `out` with the UTF-8 form of a Latin-1 (ISO-8859-1) text.
void LIconvLatin1ToUtf8(LStringLongTemplate<char>* out, const char* text);
