#pragma once
// ID3v1 and v1.1: the 128-byte record at the end of an MPEG audio file.

#include "tags/LAudioTagMap.h"
#include "tags/LTagFileError.h"

#include <cstdint>

// Fills the keys the record does not hold yet from the 128 bytes; false when
// they are not an ID3v1 record.
bool ParseId3v1Tag(LAudioTagMap* tags, const uint8_t block[128]);
// The ID3v1 record at the end of the file (path or open descriptor); false
// when the file has none (files under 128 bytes have none).
bool ReadId3v1Tag(LAudioTagMap* tags, const char* path);
bool ReadId3v1Tag(LAudioTagMap* tags, int fd);

// Fills block (an existing record to update, or zeros) from the record.
// False when the record holds none of the fields ID3v1 can store: then no
// record should be written at all.
bool BuildId3v1Tag(const LAudioTagMap* tags, uint8_t block[128]);
// Replaces (or adds) the file's ID3v1 record; a record without any ID3v1
// field removes it. The file is rewritten through a copy beside it.
bool WriteId3v1Tag(const LAudioTagMap* tags, const char* path);

// The whole MPEG tag rewrite in one pass through a copy beside the file: a
// new ID3v2 tag in front (replaceV2), the audio byte for byte, a new ID3v1
// record at the end (replaceV1). Parts not replaced are copied as they were.
// error, when given, says why it failed.
bool LWriteMp3Tags(const LAudioTagMap* tags, const char* path, bool replaceV2, bool replaceV1,
                   LTagFileError* error);
