#pragma once
// Walking the chunks of a RIFF file on an open descriptor. Sizes that claim
// more than the file holds are cut to what is there, so a truncated file
// still yields its last chunk.

#include <cstdint>

// 8 bytes on disk: id, then the payload size (little-endian, without the pad byte).
struct LRiffChunkHeader
{
    char id[4];
    uint32_t size;
};

// A list chunk's header with the form type that starts its payload.
struct LRiffListHeader
{
    char id[4];
    uint32_t size;
    char formType[4];
};

// Payload size rounded up to even (what a skip moves over).
inline int64_t LRiffEvenSize(uint32_t size)
{
    return static_cast<int64_t>(size) + (size & 1);
}

// size rounded up to even; when that is below 5 size becomes 0 and the result
// is false, otherwise size becomes the even size less the 4-byte form type.
bool LRiffPayloadSize(uint32_t& size);

inline bool LRiffIdIs(const char* id, const char* expected)
{
    return id[0] == expected[0] && id[1] == expected[1] && id[2] == expected[2] && id[3] == expected[3];
}

// A list of four-character chunk ids.
struct LRiffIdList
{
    const char (*ids)[5] = nullptr;
    int count = 0;
    bool Contains(const char* id) const;
};

class LRiffChunkReader
{
public:
    // The descriptor is shared with the owner and never closed here.
    explicit LRiffChunkReader(int fd = -1, const char* containerId = "RIFF", const char* formType = "WAVE");

    // Records the descriptor's offset as current and reads 8 bytes; false on
    // a short read or without a descriptor.
    bool ReadHeader(LRiffChunkHeader& header);
    // A chunk claiming more than remains in the file gets its size cut to what
    // remains and is accepted; otherwise one smaller than minimum is skipped and refused.
    bool CheckSize(LRiffChunkHeader& header, uint32_t minimum);
    // True when the id is wanted; otherwise skips the chunk.
    bool IsWanted(const LRiffChunkHeader& header, const LRiffIdList& ids);
    // Reads a header; a chunk other than the container is skipped (false). For
    // the container its form type is read; on a match start and end are
    // recorded and the cursor is inside the container.
    bool FindForm(LRiffListHeader& header);
    // Reads the 4 bytes after a list chunk's header into header.formType; true
    // when they equal expected; otherwise skips the rest of the chunk.
    bool ReadFormType(LRiffListHeader& header, const char* expected);
    // Moves the descriptor over the payload of the chunk whose header was just read.
    bool Skip(const LRiffChunkHeader& header);
    // Moves over what is left of a payload after consumed bytes of it were read.
    bool SkipRest(const LRiffChunkHeader& header, int64_t consumed);

    int fd = -1;
    int64_t start = 0;   // offset of the matched container's header
    int64_t end = 0;     // start + 8 + even size of the container
    int64_t current = 0; // offset of the header read last
    char containerId[4];
    char formType[4];
};
