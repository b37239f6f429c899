#pragma once
// Peak or RMS normalization of a whole source: one pass measures the level,
// then a gain filter brings it to the wanted percentage of full scale
// (0x7FFF0, the largest 16-bit sample at the internal scale), raising a
// quiet source at most ten times.

#include "audio/core/LSoundSource.h"

#include <cstdint>

class LProcessContext;

enum : int32_t {
    kNormalizePeak = 0,
    kNormalizeRms = 1,
};

struct LNormalizeParams
{
    int32_t mode = kNormalizePeak;
    int32_t peakLevel = 100; // percent of full scale
    int32_t rmsLevel = 30;   // percent of full scale
    LSoundSourcePtr source;  // replaced by the normalized source on success
    // For a source that is costly to compute (a chain of filters): the
    // measuring pass also keeps what it reads in a temporary file, and the
    // gain filter reads that file instead of running the source again.
    // Where no file can be written, the source is read twice as usual.
    bool spool = false;
};

// 0 done (the handle holds a gain filter over the source, or is unchanged
// for a silent source), 1 cancelled, 2 the source has a non-zero status.
int32_t NormalizeSound(LProcessContext* context, LNormalizeParams& params);

// Normalizes source to the peak level of the setting "Settings"/"NormalizeLevel"
// (percent, 100 when unset). True when the handle now holds the normalized
// source; false when the setting is 0 (no normalization), or the run was
// cancelled or failed (the handle is then unchanged).
bool NormalizeSoundWithSettings(LProcessContext* context, LSoundSourcePtr& source);

// The 8.24 gain that brings level to percent of full scale, at most x10.
int32_t LNormalizeGain(int64_t level, int32_t percent);
