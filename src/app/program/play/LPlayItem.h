#pragma once
// What a playback window plays: the caller's description of one file and
// the way to open it. The window opens the file anew for playing and for its
// waveform, so the two never share a read position.

#include "audio/core/LSoundSource.h"

#include <cstdint>

class LPlayItem
{
public:
    enum : uint16_t {
        kNoWaveform = 4,
        kHasPrevious = 32,
        kHasNext = 64,
        // "Next" only once the track has played to its end.
        kNextAtEndOnly = 128,
    };

    LPlayItem() = default;
    virtual ~LPlayItem();
    LPlayItem(const LPlayItem&) = delete;
    LPlayItem& operator=(const LPlayItem&) = delete;

    // A fresh reader of the file in out; a null source when it cannot be read.
    virtual void OpenSource(LSoundSourcePtr* out);
    // The reader for the waveform; answers the waveform's refresh rate.
    virtual int OpenWaveformSource(LSoundSourcePtr* out);

    uint16_t flags = 0;
    char title[260] = {};
    char path[260] = {};
    LSoundSourcePtr source;
};
