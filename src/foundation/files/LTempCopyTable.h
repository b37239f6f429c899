#pragma once
// Private copies of files, recorded by key (artwork chosen for a tag, say),
// kept in a private folder of the caches folder. Removing them is the
// owner's business (LDeleteFolder on tempFolder).

#include "foundation/containers/LStringMap.h"
#include "foundation/files/LPath.h"

struct LTempCopyTable
{
    LStringMap copies;                // key -> path of the copy
    char tempFolder[kLPathSize] = {}; // empty until the first copy
};

// Copies `source` into a new file of the table's private folder (mode 0700,
// made on first use) with the source's extension, and records key -> the
// copy's path. False when no copy could be made (nothing is recorded then).
bool LMakeTempCopy(LTempCopyTable* table, const char* key, const char* source);
