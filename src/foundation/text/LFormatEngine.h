#pragma once
// The formatter behind every printf-style call, apart from its outputs so
// that the growable string can format without depending on the printf
// wrappers that in turn write into it.

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Receives `count` formatted bytes (not terminated).
using LFormatWrite = void (*)(void* context, const char* bytes, std::size_t count);

// Formats into `write`; returns the number of bytes produced. A null format
// produces nothing.
std::uint64_t LFormatEngine(LFormatWrite write, void* context, const char* format, va_list args);
