#pragma once
// ID3v2 tags: read in versions 2.2, 2.3 and 2.4, written as version 2.3 with
// its text in UTF-16. The same reader and writer serve the tag at the start
// of an MP3 file and the tag inside a WAV file's "id3 " chunk.
//
// Frames that the record cannot hold (private data, user-defined texts,
// compressed or encrypted frames, a second comment or picture) are collected
// as version 2.3 frames while reading and written back after the record's
// own frames, so a rewrite never drops what another program stored.

#include "tags/LAudioTagMap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct LId3v2Header
{
    uint8_t version = 0;
    uint8_t revision = 0;
    uint8_t flags = 0;
    uint32_t size = 0;      // bytes after the 10-byte header (footer not included)
    int64_t dataOffset = 0; // the offset just past the header
};

// Tags this large are not believed: no tag holds that much, and reading one
// would take the memory of a damaged length field at its word.
inline constexpr uint32_t kId3v2MaxTagSize = 256u << 20;

// Complete version 2.3 frames (headers included), back to back.
using LId3v2CarriedFrames = std::vector<uint8_t>;

// The record key of a frame id ("TIT2" -> "TITLE"); any other id is its own key.
const char* Id3FrameIdToKey(const char* id);
// The frame id of a record key ("TITLE" -> "TIT2", "DATE" -> "TDAT"); any other key is its own id.
const char* KeyToId3FrameId(const char* key);
// Whether the writer stores the key in a frame of its own.
bool IsId3WritableKey(const char* key);

// Reads the tag whose header starts at `tag` (length bytes available) into the
// record; ID3v2 values replace what the record holds. True when a valid
// header was there, also for a tag without frames. carried, when given,
// receives the frames the record cannot hold. Without keepArtwork the
// picture is chosen but not saved (for a rewrite that only needs to know
// which frames to carry).
bool ParseId3v2Tag(LAudioTagMap* tags, const uint8_t* tag, size_t length, LId3v2CarriedFrames* carried,
                   bool keepArtwork = true);
// The same for the tag at offset in an open file.
bool ReadId3v2Tag(LAudioTagMap* tags, int fd, int64_t offset, LId3v2CarriedFrames* carried = nullptr,
                  bool keepArtwork = true);

// The complete version 2.3 tag for the record (and the carried frames after
// its own), header included. Returns the number of frames; with none the
// output is empty, because an empty tag is no tag.
int BuildId3v2Tag(const LAudioTagMap* tags, const LId3v2CarriedFrames* carried, std::vector<uint8_t>* out);
// Writes the tag for the record at offset; header receives what was written.
// False when there was nothing to write (no frame) or the write failed.
bool WriteId3v2Tag(int fd, int64_t offset, LId3v2Header* header, const LAudioTagMap* tags,
                   const LId3v2CarriedFrames* carried = nullptr);

// The strict check of the tag at the start of a file, used to decide how many
// bytes of an old tag a rewrite leaves out: "ID3", version and revision not
// FF, each size byte below 80 hex, and the tag not larger than the file.
bool ReadId3v2Header(int fd, LId3v2Header* header);
// How many bytes the tag at the start of the file spans (a footer included);
// 0 when the strict check finds none.
int64_t Id3v2TagSpan(int fd);

// Replaces the ID3v2 tag at the start of the file with the record's, through
// a copy beside the file that is renamed over it. A record without frames
// removes the tag.
bool RewriteId3v2Tag(const LAudioTagMap* tags, const char* path);

// ID3v2 at the start of the file, then ID3v1 for the keys still missing.
// Non-zero when either tag was found.
int ReadId3Tags(LAudioTagMap* tags, const char* path);
