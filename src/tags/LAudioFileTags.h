#pragma once
// Tag access chosen by the file's extension (compared without regard to
// case): ".wav" files keep their tags in RIFF chunks, ".mp1", ".mp2" and
// ".mp3" files in ID3v1 and ID3v2; other files are not handled here.

#include "tags/LAudioTagMap.h"
#include "tags/LTagFileError.h"

#include <string>

// Reads the file's tags into the record. ".wav": the tag chunks, result 1 even
// when the file holds none or cannot be opened. MPEG audio: ID3v2, then ID3v1
// for the keys still missing; non-zero when either was found. Anything else: 0.
// ID3v2 values and those of a WAV "id3 " chunk replace what the record holds;
// the others only fill keys the record does not hold.
int ReadAudioFileTags(LAudioTagMap* tags, const char* path);

// Writes the record into the file's tags; non-zero on success. The file must
// exist; it is rewritten through a copy beside it, so a failure leaves it as
// it was. Any other extension gives 0.
int WriteAudioFileTags(const LAudioTagMap* tags, const char* path);
// The same, telling why it failed.
// detail, when given, receives the particulars of a damaged file (which chunk, where).
int WriteAudioFileTags(const LAudioTagMap* tags, const char* path, LTagFileError* error,
                       std::string* detail = nullptr);

// The kind of tag storage the extension stands for.
enum class LTagFileKind { kNone, kMpeg, kWave };
LTagFileKind LTagFileKindOfPath(const char* path);
