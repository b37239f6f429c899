#include "audio/LAudioFileOpener.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

void LOpenAudioFileSource(LSoundSourcePtr& out, const char* path, LAudioFileInfo* info)
{
    LAudioFileInfo local;
    LAudioFileInfo& found = info ? *info : local;
    found = LAudioFileInfo{};
    int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) {
        LSetFailedSource(out, kSoundStatusCannotOpen);
        return;
    }
    uint8_t head[12] = {};
    size_t got = LReadFully(fd, head, sizeof head);
    close(fd);

    if (got == 0) {
        LSetFailedSource(out, kSoundStatusBadParameters);
        return;
    }
    // Readers of other containers are chosen here, by what the file starts with.
    // Everything else goes to the WAV opener, which also finds a RIFF/WAVE
    // container behind a foreign leading chunk and reports anything else as damaged.
    LWavFileInfo wav;
    LOpenWavSoundSource(out, path, &wav);
    found.formatTag = wav.formatTag;
    found.sampleRate = wav.sampleRate;
    found.channels = wav.channels;
    found.bitsPerSample = wav.bitsPerSample;
}

const char* LSoundStatusText(uint8_t status)
{
    switch (status) {
    case kSoundStatusOk:
        return "ok";
    case kSoundStatusPlaceholder:
        return "no source";
    case kSoundStatusUpstreamFailed:
        return "an earlier step of the chain failed";
    case kSoundStatusBadParameters:
        return "damaged or invalid file (bad header, format or sizes)";
    case kSoundStatusCannotOpen:
        return "the file cannot be opened";
    case kSoundStatusUnsupported:
        return "unsupported audio coding";
    case kSoundStatusNotDecoded:
        return "this audio coding is recognised but cannot be decoded";
    default:
        return "unknown failure";
    }
}
