#include "audio/formats/aiff/LAudioCdTrack.h"

#include "foundation/text/LUtf8.h"

LAudioCdTrack::LAudioCdTrack(const LSoundSourcePtr& track, const char* text0, const char* text1,
                             const char* text2, const char* text3)
    : source(track)
{
    const char* given[4] = {text0, text1, text2, text3};
    for (int i = 0; i < 4; ++i)
        if (given[i])
            LUtf8CopyWhole(texts[i], given[i], kAudioCdTrackTextSize);
}
