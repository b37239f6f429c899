#include "tags/LWavChunkLayout.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/riff/LRiffChunkReader.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Chunk ids are four letters, digits, blanks or underscores; audio or text
// bytes that a wrong size lands in seldom are.
bool IsChunkId(const uint8_t* id)
{
    for (int i = 0; i < 4; ++i)
        if (!std::isalnum(id[i]) && id[i] != ' ' && id[i] != '_')
            return false;
    return true;
}

std::string IdText(const uint8_t* id)
{
    return std::string(reinterpret_cast<const char*>(id), 4);
}

bool Fail(std::string* damage, const char* format, ...) __attribute__((format(printf, 2, 3)));
bool Fail(std::string* damage, const char* format, ...)
{
    if (damage) {
        char text[200];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        *damage = text;
    }
    return false;
}

// A header at `at` that could begin a chunk: a printable id and a payload that
// ends within the file.
bool LooksLikeChunk(int fd, int64_t at, int64_t fileSize)
{
    uint8_t h[8];
    return at + 8 <= fileSize && LPreadFully(fd, h, 8, at) == 8 && IsChunkId(h) &&
           at + 8 + int64_t{LGetLe32(h + 4)} <= fileSize;
}

} // namespace

bool LCheckWavChunkLayout(int fd, int64_t fileSize, std::string* damage)
{
    uint8_t riff[12];
    if (LPreadFully(fd, riff, 12, 0) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return Fail(damage, "there is no RIFF/WAVE header");
    const int64_t formEnd = 8 + int64_t{LGetLe32(riff + 4)};
    const int64_t end = formEnd < fileSize ? formEnd : fileSize;
    bool sawData = false;
    std::string previousId;
    int64_t previousAt = -1;
    uint32_t previousSize = 0;
    int64_t at = 12;
    while (at + 8 <= end) {
        uint8_t h[8];
        if (LPreadFully(fd, h, 8, at) != 8)
            return Fail(damage, "the chunk header at byte %lld cannot be read", static_cast<long long>(at));
        if (!IsChunkId(h)) {
            if (previousAt < 0)
                return Fail(damage, "the first chunk at byte %lld has no valid id",
                            static_cast<long long>(at));
            // An odd size whose pad byte is missing puts the next header one byte early.
            if ((previousSize & 1) && LooksLikeChunk(fd, at - 1, fileSize))
                return Fail(damage, "the \"%s\" chunk at byte %lld has an odd size (%lld) and no pad byte",
                            previousId.c_str(), static_cast<long long>(previousAt),
                            static_cast<long long>(previousSize));
            return Fail(
                damage, "the \"%s\" chunk at byte %lld claims %lld bytes, which run into the next chunk",
                previousId.c_str(), static_cast<long long>(previousAt), static_cast<long long>(previousSize));
        }
        const std::string id = IdText(h);
        const uint32_t size = LGetLe32(h + 4);
        const int64_t payloadEnd = at + 8 + int64_t{size};
        if (id == "data")
            sawData = true;
        if (payloadEnd > fileSize) {
            if ((previousSize & 1) && LooksLikeChunk(fd, at - 1, fileSize))
                return Fail(damage, "the \"%s\" chunk at byte %lld has an odd size (%lld) and no pad byte",
                            previousId.c_str(), static_cast<long long>(previousAt),
                            static_cast<long long>(previousSize));
            if (id == "data")
                break; // a recording cut short: the audio is all that follows
            return Fail(damage, "the \"%s\" chunk at byte %lld claims %lld bytes, past the end of the file",
                        id.c_str(), static_cast<long long>(at), static_cast<long long>(size));
        }
        if (payloadEnd > end)
            return Fail(damage,
                        "the \"%s\" chunk at byte %lld claims %lld bytes, past the end of the RIFF form",
                        id.c_str(), static_cast<long long>(at), static_cast<long long>(size));
        previousId = id;
        previousAt = at;
        previousSize = size;
        at += 8 + LRiffEvenSize(size);
    }
    if (!sawData)
        return Fail(damage, "there is no \"data\" chunk");
    return true;
}
