#pragma once
// Rewriting the metadata chunks of an existing RIFF/WAVE file in place,
// without copying its audio: old metadata chunks become "JUNK", new ones are
// written into junk space that fits them, and what does not fit is appended.
// The tag layer derives its WAV writer from this class and supplies its own
// chunks ("cart", "bext", "DISP", "id3 ") through the virtual operations; the
// base handles "LIST"/"INFO" and "CSET".
//
// The file is opened only if it exists, and only under an exclusive lock, so
// a file that a recorder or another rewrite is using is never touched.

#include "audio/formats/riff/LRiffChunkReader.h"
#include "audio/formats/riff/LRiffTagList.h"
#include "foundation/containers/LStringMap.h"

#include <cstdint>

class LRiffWriter
{
public:
    // ownIds are the subclass's metadata chunk ids; "LIST" and "CSET" are
    // added after them. tags is copied.
    LRiffWriter(const char* path, const char (*ownIds)[5], int ownCount, const LStringMap& tags);
    virtual ~LRiffWriter();
    LRiffWriter(const LRiffWriter&) = delete;
    LRiffWriter& operator=(const LRiffWriter&) = delete;

    // ---- operations a subclass supplies ----
    // Every chunk the writer has to place is written.
    virtual bool IsComplete();
    // The INFO id for a tag key; four blanks when the key has none.
    virtual void InfoIdForKey(const char* key, char id[4]);
    // Told about each INFO item added.
    virtual void OnInfoItem(const char* key, const char* value);
    // An existing chunk with one of the own ids is blanked when either says yes.
    virtual bool ReplacesChunk(const LRiffChunkHeader& header);
    virtual bool RemovesChunk(const LRiffChunkHeader& header);
    // Writes the own chunk with this id at the current position.
    virtual bool WriteOwnChunk(const char id[4]);
    // The payload size of an own chunk; skip is set when it must not be placed now.
    virtual uint32_t OwnChunkSize(const char id[4], bool& skip, bool allowFiller);
    // Writes every own chunk not yet written at the current position; returns the bytes written.
    virtual int64_t WriteRemainingChunks();
    virtual bool AcceptsInfoKey(const char* key);
    // First step of collecting INFO items.
    virtual void PrepareInfo();
    virtual bool HasInfoItems();

    // ---- the chunk layer ----
    // Runs the whole rewrite: collect INFO items, blank old chunks, fill junk
    // space, append what is left. True when every chunk was placed; false,
    // with the file untouched, when it holds no RIFF/WAVE container.
    bool Rewrite();

    void CollectInfoTags();
    void AddInfoItem(const char* key, const char* text);
    bool BlankOldChunks();
    void MergeJunkChunks();
    bool TryWriteInPlace(uint32_t space, bool allowFiller);
    bool TryChunkInSpace(const char id[4], uint32_t space, bool allowFiller);
    bool WritePendingChunk(const char id[4], bool withFiller, uint32_t fillerSize);
    void TrimTrailingJunk();
    // Gives every chunk that claims more than the file holds (a file cut
    // short, or a recording whose writer stopped before its final header)
    // the size that is there, so that what is appended cannot become its payload.
    void FixCutShortChunks();
    bool AppendChunks(int64_t trailingSize);
    bool PatchRiffSize();

    // Header and payload, then one zero pad byte when the length is odd. On a
    // short write the position moves to the end of the file and the result is false.
    bool WriteChunk(const LRiffChunkHeader& header, const void* payload, uint32_t length);
    bool WriteChunkHeader(const LRiffChunkHeader& header);
    bool WriteListHeader(const LRiffListHeader& header);
    // "LIST", the INFO payload size, "INFO", then each item padded to even.
    bool WriteInfoList();

    bool IsOpen() const { return fd_ >= 0; }
    int GetDescriptor() const { return fd_; }
    uint32_t GetInfoPayloadSize() const { return infoPayloadSize_; }
    bool IsInfoListWritten() const { return infoWritten_; }
    bool IsCodePageWritten() const { return csetWritten_; }
    const LRiffTagList& GetInfoItems() const { return infoItems_; }

protected:
    // Writes the CSET chunk (UTF-8) once.
    bool WriteCodePageChunk();
    // Walks the chunks of every RIFF/WAVE container; visit gets each header's
    // offset and header and returns false to stop.
    template <typename Visit> void ForEachChunk(Visit visit);
    void MoveToEnd();

    char (*wanted_)[5] = nullptr; // own ids, then "LIST" and "CSET"
    int wantedCount_ = 0;
    int fd_ = -1;
    LRiffChunkReader cursor_;
    uint32_t infoPayloadSize_ = 4;
    LRiffTagList infoItems_;
    uint16_t codePage_ = 65001;
    bool infoWritten_ = false;
    bool csetWritten_ = false;
    LStringMap tags_;
    // Offset of the chunk header ReplacesChunk and RemovesChunk are asked
    // about, for subclasses that must look into its payload.
    int64_t visitOffset_ = -1;
};
