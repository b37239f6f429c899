#pragma once
// Tables generated at build time from the Unicode Character Database
// (UnicodeData.txt and CompositionExclusions.txt), each sorted by its key.

#include <cstdint>

struct LNfcDecomposition
{
    uint32_t code;
    uint32_t first;
    uint32_t second; // 0 for a singleton
};

struct LNfcCombiningClass
{
    uint32_t code;
    uint8_t combiningClass;
};

struct LNfcComposition
{
    uint32_t first;
    uint32_t second;
    uint32_t composite;
};

extern const LNfcDecomposition kNfcDecompositions[];
extern const unsigned kNfcDecompositionCount;
extern const LNfcCombiningClass kNfcCombiningClasses[];
extern const unsigned kNfcCombiningClassCount;
extern const LNfcComposition kNfcCompositions[];
extern const unsigned kNfcCompositionCount;
