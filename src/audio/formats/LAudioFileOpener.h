#pragma once
// Opening any audio file the program reads, by its contents: the one place
// that decides which reader a path gets.

#include "audio/core/LSoundSource.h"

#include <cstdint>

struct LAudioFileInfo
{
    int32_t formatTag = 0; // the WAVE format tag of the coding (85 for MPEG layer III)
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;
    int systemError = 0; // errno of a file that could not be opened
};

// Fills out with a reader for the file at path, or with a null source whose
// status tells why not (4 cannot open, 3 damaged, 5 unsupported coding, 7 a
// coding recognised but not decoded, 8 a folder, 9 not a regular file, 10 not
// a WAV or MP3 file). info (optional) describes the coding.
void LOpenAudioFileSource(LSoundSourcePtr& out, const char* path, LAudioFileInfo* info = nullptr);

// A short English description of a source status, for messages.
const char* LSoundStatusText(uint8_t status);
