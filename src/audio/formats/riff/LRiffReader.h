#pragma once
// Reading the text metadata of a RIFF file: "LIST"/"INFO" items and the
// "CSET" code page. The tag layer derives its WAV reader from this class and
// supplies the mapping from INFO ids to its tag keys.

#include "audio/formats/riff/LRiffChunkReader.h"
#include "audio/formats/riff/LRiffTagList.h"

#include <cstdint>

class LRiffReader
{
public:
    // Opens path read-only (close-on-exec, a shared lock waited for up to 1000
    // ms). wanted lists the chunk ids ReadChunks hands to ReadWantedChunk; it
    // is copied.
    LRiffReader(const char* path, const char (*wanted)[5], int wantedCount, const char* containerId = "RIFF",
                const char* formType = "WAVE");
    virtual ~LRiffReader();
    LRiffReader(const LRiffReader&) = delete;
    LRiffReader& operator=(const LRiffReader&) = delete;

    // The tag key for an INFO item id; four blanks when it has none (such
    // items are not kept).
    virtual void KeyForInfoId(const char id[4], char key[kRiffTagKeySize]);
    // Reads one wanted chunk whose header was just read. The base reads
    // "LIST" lists of form "INFO" and "CSET"; anything else is skipped.
    virtual bool ReadWantedChunk(LRiffChunkHeader& header);

    // Finds the container and hands every wanted chunk in it to ReadWantedChunk.
    bool ReadChunks();
    // Reads the INFO items of a list whose header (form type included) was just read.
    bool ReadInfoList(const LRiffListHeader& header);
    // A "CSET" chunk of size 8: its first 2 bytes are the code page.
    bool ReadCodePage(const LRiffChunkHeader& header);
    // Adds key/value at the head of the tag list; an existing key is kept
    // unless replace is set; an empty key or value is ignored.
    void AddTag(const char* key, const char* value, bool replace);

    int GetDescriptor() const { return fd_; }
    bool HasCodePage() const { return hasCodePage_; }
    uint16_t GetCodePage() const { return codePage_; }
    const LRiffTagList& GetTags() const { return tags_; }

protected:
    char (*wanted_)[5] = nullptr;
    int wantedCount_ = 0;
    int fd_ = -1;
    LRiffChunkReader cursor_;
    bool hasCodePage_ = false;
    uint16_t codePage_ = 0;
    LRiffTagList tags_;
};
