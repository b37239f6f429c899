#pragma once
// The two dispatchers by WAVE format tag: opening a WAV file with the reader
// of its coding, and building the file sink that writes a format block.
// Failure is a null object carrying a status (source) or the failed flag
// (sink), never a missing object.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"
#include "audio/formats/wav/LWaveFormatBlock.h"

#include <cstdint>

// What the opener learned about a WAV file.
struct LWavFileInfo
{
    int32_t formatTag = 0; // after resolving WAVE_FORMAT_EXTENSIBLE
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bitsPerSample = 0;
    uint32_t blockAlign = 0;
    int64_t dataOffset = -1; // file offset of the first data byte
    uint32_t dataSize = 0;   // the "data" chunk's size field
    int64_t dataSize64 = -1; // an RF64 file's 64-bit data size (from its "ds64" chunk)
};

// Opens path and fills out with the reader for its coding, or with a null
// source whose status tells the failure: 4 cannot open; 3 not a RIFF/WAVE
// file, missing or bad "fmt ", missing "data", channels, rate or sample size
// out of range; 5 a coding we do not read; 7 a recognised coding we do not
// decode. info (optional) receives what was read of the header.
void LOpenWavSoundSource(LSoundSourcePtr& out, const char* path, LWavFileInfo* info = nullptr);

// Builds the file sink for a format block: PCM of 8 to 32 bits, float,
// A-law, mu-law, IMA ADPCM and GSM 6.10. Anything else, a rate the reader
// would refuse or a sink whose file cannot be opened gives a sink with its
// failed flag set (and the system's reason in GetError where there is one).
// The file appears under its name only once the sink has finished well;
// inPlace (for recordings, so that a crash keeps what was captured) makes a
// PCM sink write the named file from the start instead.
void CreateSoundSinkForFormat(LSoundSinkPtr& out, const char* path, const LWaveFormatBlock& format,
                              bool inPlace = false);

// A PCM recording whose writer ended without finishing it (a crash, a power
// cut) still carries the streaming sizes in its header. Its final header is
// written for the whole frames it holds (a frame cut short at its end is
// dropped), so that every tool reads it. True when the file is a PCM WAV of
// this program's layout and now has a final header (one that had it already
// is left as it is); *frames (optional) receives the frames it holds.
bool LFinishWavRecording(const char* path, int64_t* frames = nullptr);
