#pragma once
// Two small process-wide registries: the notices the About box shows, and
// stable numeric ids for names (1, 2, 3 ... in order of first use).

#include "foundation/text/LStringLong.h"

#include <cstdint>

// Records a pair of static texts; the newest pair comes first.
void LRegisterNotice(const char* first, const char* second);

// Appends every non-empty first text to `first` and every non-empty second
// text to `second`, separated by a rule line.
void LGetRegisteredNotices(LStringLongTemplate<char>* first, LStringLongTemplate<char>* second);

// The id of `name`, given on first use and kept for the life of the process.
uint32_t LNameToId(const char* name);
// The name of an id; "" for 0 or an id never given.
const char* LIdToName(uint32_t id);
