#pragma once
// The program's printf engine: one formatter with two outputs, a bounded
// fixed buffer and a growable string. Conversions follow C's printf (flags,
// width, precision, length modifiers), with three deliberate differences:
// a null "%s" text prints as the empty text, "%.Ns" never cuts a UTF-8
// character in half, and "%n" writes nothing.

#include "foundation/text/LFormatEngine.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// The growable output: appends to the LStringLongTemplate<char> in `context`.
void LStringFormatWrite(void* context, const char* bytes, std::size_t count);

// Formats into `dest` of `size` bytes: at most size - 1 bytes, cut at a UTF-8
// character boundary, always terminated (when size > 0). Every argument is
// consumed even when the output is full. Returns the bytes stored.
std::size_t LVSprintf(char* dest, std::size_t size, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

// Formats into a 260-byte text buffer (at most 259 bytes and the NUL).
std::size_t LSprintf(char* dest, const char* format, ...) __attribute__((format(printf, 2, 3)));
