#pragma once
// An audio-CD track as libburn's data source: a burn_source whose reads are
// served by the track's producer and whose size is the track's length in
// whole blocks. The source owns the producer; libburn (or the fake drive)
// frees it through the source's reference count.

#include "burn/LAiffTrackReader.h"

#include <memory>

namespace burn {
struct burn_source;
}

// A new source holding one reference, or null when the producer's file
// does not open.
burn::burn_source* LNewAudioTrackSource(std::unique_ptr<LAiffTrackProducer> producer);

// Drops one reference (burn_source_free).
void LReleaseBurnSource(burn::burn_source* source);
