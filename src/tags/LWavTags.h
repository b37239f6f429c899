#pragma once
// WAV tags: the RIFF chunks "LIST"/"INFO", "DISP" (text), "bext" (broadcast
// wave), "cart" (radio automation), "id3 " (a whole ID3v2 tag) and "CSET"
// (the character set of the INFO texts), mapped to and from the tag record.

#include "audio/formats/riff/LRiffReader.h"
#include "audio/formats/riff/LRiffWriter.h"
#include "tags/LAudioTagMap.h"
#include "tags/LId3v2Tag.h"
#include "tags/LTagFileError.h"

#include <string>
#include <vector>

// INFO item id <-> record key; four blanks / null when there is none.
void KeyToInfoId(const char* key, char id[4]);
const char* InfoIdToKey(const char id[4]);

class LWavTagReader : public LRiffReader
{
public:
    // carried, when given, receives the frames of an "id3 " chunk that the
    // record cannot hold.
    explicit LWavTagReader(const char* path, LId3v2CarriedFrames* carried = nullptr);

    void KeyForInfoId(const char id[4], char key[kRiffTagKeySize]) override;
    bool ReadWantedChunk(LRiffChunkHeader& header) override;

    // Walks the file's chunks.
    bool ReadAll();
    // Moves what was read into the caller's record: the "id3 " chunk's values
    // replace, the other chunks' values only fill keys the record lacks.
    void MoveInto(LAudioTagMap* tags);

private:
    bool HandleId3Chunk(const LRiffChunkHeader& header);
    bool HandleBextChunk(const LRiffChunkHeader& header);
    bool HandleCartChunk(const LRiffChunkHeader& header);
    bool HandleDispChunk(const LRiffChunkHeader& header);
    std::string ConvertText(const std::string& text) const;

    LAudioTagMap id3Tags_;
    LId3v2CarriedFrames* carried_;
};

class LWavTagWriter : public LRiffWriter
{
public:
    // carried: frames of the file's old "id3 " chunk to keep in the new one.
    LWavTagWriter(const char* path, const LAudioTagMap* tags, const LId3v2CarriedFrames* carried = nullptr);

    bool IsComplete() override;
    void InfoIdForKey(const char* key, char id[4]) override;
    void OnInfoItem(const char* key, const char* value) override;
    bool ReplacesChunk(const LRiffChunkHeader& header) override;
    bool WriteOwnChunk(const char id[4]) override;
    uint32_t OwnChunkSize(const char id[4], bool& skip, bool allowFiller) override;
    int64_t WriteRemainingChunks() override;
    bool AcceptsInfoKey(const char* key) override;

    // The record's value into the DISP, cart and bext chunks.
    void SetTag(const char* key, const char* value);

private:
    struct OwnChunk
    {
        char id[4];
        std::vector<uint8_t> payload; // without the pad byte
        bool written = false;
    };
    OwnChunk* Find(const char id[4]);
    bool WriteOwn(OwnChunk& chunk);

    OwnChunk disp_{{'D', 'I', 'S', 'P'}, {}, false};
    OwnChunk cart_{{'c', 'a', 'r', 't'}, {}, false};
    OwnChunk bext_{{'b', 'e', 'x', 't'}, {}, false};
    OwnChunk id3_{{'i', 'd', '3', ' '}, {}, false};
    std::string dispText_;
    std::string tagText_;
    std::string codingHistory_;
    bool finished_ = false;
    void FinishPayloads();
};

// Reads every tag chunk of the WAV file into the record. Always true (a file
// that cannot be read simply adds nothing).
bool ReadWavTags(LAudioTagMap* tags, const char* path);
// Writes the record into the WAV file's tag chunks through a copy beside it.
// A record without any value (an empty one too) removes the tag chunks.
bool WriteWavTags(const LAudioTagMap* tags, const char* path, LTagFileError* error = nullptr);
