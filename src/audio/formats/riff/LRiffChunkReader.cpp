#include "audio/formats/riff/LRiffChunkReader.h"

#include "audio/formats/LAudioFileIo.h"

#include <cstring>
#include <unistd.h>

bool LRiffPayloadSize(uint32_t& size)
{
    int64_t even = LRiffEvenSize(size);
    if (even < 5) {
        size = 0;
        return false;
    }
    size = static_cast<uint32_t>(even - 4);
    return true;
}

bool LRiffIdList::Contains(const char* id) const
{
    for (int i = 0; i < count; ++i)
        if (LRiffIdIs(id, ids[i]))
            return true;
    return false;
}

LRiffChunkReader::LRiffChunkReader(int descriptor, const char* container, const char* form) : fd(descriptor)
{
    std::memcpy(containerId, container, 4);
    std::memcpy(formType, form, 4);
}

bool LRiffChunkReader::ReadHeader(LRiffChunkHeader& header)
{
    if (fd < 0)
        return false;
    current = LDescriptorOffset(fd);
    uint8_t h[8];
    if (LReadFully(fd, h, 8) != 8)
        return false;
    std::memcpy(header.id, h, 4);
    header.size = LGetLe32(h + 4);
    return true;
}

bool LRiffChunkReader::CheckSize(LRiffChunkHeader& header, uint32_t minimum)
{
    if (fd < 0)
        return false;
    int64_t size = LDescriptorSize(fd);
    int64_t at = LDescriptorOffset(fd);
    int64_t remaining = size > at ? size - at : 0;
    if (header.size > remaining) {
        header.size = static_cast<uint32_t>(remaining);
        return true;
    }
    if (header.size < minimum) {
        Skip(header);
        return false;
    }
    return true;
}

bool LRiffChunkReader::IsWanted(const LRiffChunkHeader& header, const LRiffIdList& ids)
{
    if (ids.Contains(header.id))
        return true;
    Skip(header);
    return false;
}

bool LRiffChunkReader::FindForm(LRiffListHeader& header)
{
    LRiffChunkHeader chunk;
    if (!ReadHeader(chunk) || !CheckSize(chunk, 1))
        return false;
    std::memcpy(header.id, chunk.id, 4);
    header.size = chunk.size;
    if (!LRiffIdIs(chunk.id, containerId)) {
        Skip(chunk);
        return false;
    }
    if (!ReadFormType(header, formType))
        return false;
    start = current;
    end = current + 8 + LRiffEvenSize(header.size);
    return true;
}

bool LRiffChunkReader::ReadFormType(LRiffListHeader& header, const char* expected)
{
    if (fd < 0)
        return false;
    if (LReadFully(fd, header.formType, 4) != 4)
        return false;
    if (LRiffIdIs(header.formType, expected))
        return true;
    LRiffChunkHeader chunk;
    std::memcpy(chunk.id, header.id, 4);
    chunk.size = header.size;
    SkipRest(chunk, 4);
    return false;
}

bool LRiffChunkReader::Skip(const LRiffChunkHeader& header)
{
    return SkipRest(header, 0);
}

bool LRiffChunkReader::SkipRest(const LRiffChunkHeader& header, int64_t consumed)
{
    if (fd < 0)
        return false;
    int64_t rest = LRiffEvenSize(header.size) - consumed;
    if (rest <= 0)
        return true;
    return lseek(fd, rest, SEEK_CUR) >= 0;
}
