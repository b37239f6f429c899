#pragma once
// Finds the stretches of a recorded side that hold sound, one per track, by
// comparing the peak of each 50 ms block with a noise floor: a track ends
// once the sound has stayed at or below the floor for the minimum silence.

#include "audio/core/LSoundSource.h"

#include <cstdint>

class LProcessContext;

struct SilenceSplitParams
{
    int8_t noiseFloor = -25;       // dB, 0 dB = an internal peak of 131072
    int64_t minimumSilence = 2000; // milliseconds
};

// One found region; the list is allocated by the detector and freed by the
// caller with FreeSoundRegions.
struct SoundRegion
{
    SoundRegion* next = nullptr;
    int64_t start = 0; // first frame
    int64_t end = 0;   // frame after the last
};

// Scans the source from its current position to its end and appends one
// region per stretch of sound to *head (regions already in the list stay in
// front). 0 at the end of the source; 1 when a stop was requested (the
// regions closed so far stay in the list, an open one is dropped).
int FindSilentRegions(LProcessContext* context, const SilenceSplitParams& params, LSoundSourcePtr& source,
                      SoundRegion** head);

// Frees every node of the list and sets *head to null.
void FreeSoundRegions(SoundRegion** head);

// The internal peak a floor in dB stands for (at most the largest int32).
int32_t LSilenceThreshold(int8_t floorDb);
// The detector's block length for a rate: 50 ms, kept within 20..8192 frames.
int64_t LSilenceBlockFrames(int32_t rate);
