#include "audio/formats/LAudioFileOpener.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/mp3/LMp3SoundSource.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

void OpenMp3(LSoundSourcePtr& out, const char* path, LAudioFileInfo& found)
{
    LMp3SoundSource* mp3 = LMp3SoundSource::Open(path);
    out = mp3;
    if (mp3->GetStatus() != kSoundStatusOk) {
        LSetFailedSource(out, mp3->GetStatus());
        return;
    }
    found.formatTag = 85;
    found.sampleRate = static_cast<uint32_t>(mp3->GetRate());
    found.channels = mp3->GetChannels();
    found.bitsPerSample = 0;
}

} // namespace

void LOpenAudioFileSource(LSoundSourcePtr& out, const char* path, LAudioFileInfo* info)
{
    LAudioFileInfo local;
    LAudioFileInfo& found = info ? *info : local;
    found = LAudioFileInfo{};
    uint8_t openStatus = kSoundStatusCannotOpen;
    int fd = LOpenAudioFileForReading(path, openStatus, found.systemError);
    if (fd < 0) {
        LSetFailedSource(out, openStatus);
        return;
    }
    uint8_t head[12] = {};
    size_t got = LReadFully(fd, head, sizeof head);
    close(fd);

    if (got == 0) {
        LSetFailedSource(out, kSoundStatusNotAudio);
        return;
    }
    // Readers of other containers are chosen here, by what the file starts with.
    // Everything else goes to the WAV opener, which also finds a RIFF/WAVE
    // container behind a foreign leading chunk and reports anything else as damaged.
    // MP3: an ID3v2 tag or a layer III frame header first; a stream behind
    // other leading bytes is tried when the file is no WAV file after all.
    const bool id3 = got >= 3 && std::memcmp(head, "ID3", 3) == 0;
    const bool layer3Sync = got >= 2 && head[0] == 0xFF && (head[1] & 0xE6) == 0xE2;
    if (id3 || layer3Sync) {
        OpenMp3(out, path, found);
        return;
    }
    LWavFileInfo wav;
    LOpenWavSoundSource(out, path, &wav);
    found.formatTag = wav.formatTag;
    found.sampleRate = wav.sampleRate;
    found.channels = wav.channels;
    found.bitsPerSample = wav.bitsPerSample;
    const bool riffLike =
        got >= 4 && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RIFX", 4) == 0 ||
                     std::memcmp(head, "RF64", 4) == 0 || std::memcmp(head, "FORM", 4) == 0);
    if (out->GetStatus() == kSoundStatusBadParameters && !riffLike) {
        LSoundSourcePtr mp3;
        LAudioFileInfo mp3Info;
        OpenMp3(mp3, path, mp3Info);
        if (mp3->GetStatus() == kSoundStatusOk) {
            out = mp3;
            found = mp3Info;
        }
    }
    // Neither reader recognised anything: say so rather than call it damaged.
    const bool riffWave =
        got >= 4 && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RIFX", 4) == 0 ||
                     std::memcmp(head, "RF64", 4) == 0);
    if (out->GetStatus() == kSoundStatusBadParameters && !riffWave && wav.formatTag == 0)
        LSetFailedSource(out, kSoundStatusNotAudio);
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
    case kSoundStatusIsFolder:
        return "is a folder";
    case kSoundStatusNotRegular:
        return "not a regular file (a device, pipe or socket)";
    case kSoundStatusNotAudio:
        return "not a WAV or MP3 file";
    default:
        return "unknown failure";
    }
}
