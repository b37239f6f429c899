#include "audio/formats/wav/LWavSampleWriter.h"

#include "audio/formats/g711/LG711SoundSink.h"
#include "audio/formats/wav/LWavHeaders.h"

#include <cerrno>

void CreateWavSampleWriter(LSoundSinkPtr& out, const char* path, uint32_t rate, uint8_t channels,
                           uint16_t tag, int64_t startFrame)
{
    if (tag == kWavTagMulaw)
        out = new LMulawSoundSink(path, rate, channels, startFrame);
    else if (tag == kWavTagAlaw)
        out = new LAlawSoundSink(path, rate, channels, startFrame);
    else
        out = new LNullSoundSink(EINVAL);
}
