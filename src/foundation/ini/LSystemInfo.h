#pragma once
// One-line services: seeding the C random generator, lower-casing, integer
// texts, and the memory the process may still use.

#include <cstdint>

void LSeedRandom();

// Lower-cases every byte with the C library's rules; returns `text`.
char* LToLowerInPlace(char* text);

// "%llo" for radix 8, "%llx" for radix 16, "%lld" otherwise; `dest` holds at
// least 24 bytes. Returns dest.
char* LIntToString(int64_t value, char* dest, int radix);

// Memory the system can still hand out without swapping, in bytes (the
// kernel's "available" estimate); 0 when it cannot be read.
int64_t LGetFreeMemory();

// The smaller of the data-size limit less the process's virtual size and
// LGetFreeMemory; -1 when the limit cannot be read.
int64_t LGetMemoryLimit();
