#include "audio/formats/wav/LWavSampleWriter.h"

void CreateWavSampleWriter(LSoundSinkPtr& out, const char*, uint32_t, uint8_t, uint16_t, int64_t)
{
    // The A-law and mu-law sinks join here once the G.711 coder is part of the engine.
    out = new LNullSoundSink();
}
