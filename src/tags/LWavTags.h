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

// What a file's old "cart" and "bext" chunks held, so that a rewrite can give
// back the bytes of every field whose value the caller did not change (other
// programs' texts in other character sets, reserved bytes).
struct LWavOldChunks
{
    std::vector<uint8_t> cart; // the fixed record, empty when there was none
    std::vector<uint8_t> bext;
    LAudioTagMap record; // the whole record as read from the file
};

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
    // The fixed records of the last "cart" and "bext" chunks read; empty when none.
    const std::vector<uint8_t>& CartRecord() const { return cartRecord_; }
    const std::vector<uint8_t>& BextRecord() const { return bextRecord_; }

private:
    bool HandleId3Chunk(const LRiffChunkHeader& header);
    bool HandleBextChunk(const LRiffChunkHeader& header);
    bool HandleCartChunk(const LRiffChunkHeader& header);
    bool HandleDispChunk(const LRiffChunkHeader& header);
    std::string ConvertText(const std::string& text) const;

    LAudioTagMap id3Tags_;
    LId3v2CarriedFrames* carried_;
    std::vector<uint8_t> cartRecord_;
    std::vector<uint8_t> bextRecord_;
};

class LWavTagWriter : public LRiffWriter
{
public:
    // carried: frames of the file's old "id3 " chunk to keep in the new one.
    // old: the file's old chunks; a "cart" or "bext" chunk is written when
    // the file had one or a field only it holds has a value.
    LWavTagWriter(const char* path, const LAudioTagMap* tags, const LId3v2CarriedFrames* carried = nullptr,
                  const LWavOldChunks* old = nullptr);

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
    // True when the caller's value of key is the one the file held.
    bool Unchanged(const char* key) const;
    bool WriteOwn(OwnChunk& chunk);

    OwnChunk disp_{{'D', 'I', 'S', 'P'}, {}, false};
    OwnChunk cart_{{'c', 'a', 'r', 't'}, {}, false};
    OwnChunk bext_{{'b', 'e', 'x', 't'}, {}, false};
    OwnChunk id3_{{'i', 'd', '3', ' '}, {}, false};
    std::string dispText_;
    std::string tagText_;
    std::string codingHistory_;
    bool finished_ = false;
    const LAudioTagMap* newTags_ = nullptr;
    const LWavOldChunks* old_ = nullptr;
    void FinishPayloads();
};

// Reads every tag chunk of the WAV file into the record. Always true (a file
// that cannot be read simply adds nothing).
bool ReadWavTags(LAudioTagMap* tags, const char* path);
// Writes the record into the WAV file's tag chunks through a copy beside it.
// A record without any value (an empty one too) removes the tag chunks. A
// file whose chunk layout does not add up is refused (kDamagedLayout), with
// what is wrong in *detail.
bool WriteWavTags(const LAudioTagMap* tags, const char* path, LTagFileError* error = nullptr,
                  std::string* detail = nullptr);
