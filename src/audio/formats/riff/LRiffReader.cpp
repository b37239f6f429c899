#include "audio/formats/riff/LRiffReader.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileSystem.h"

#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

LRiffReader::LRiffReader(const char* path, const char (*wanted)[5], int wantedCount, const char* containerId,
                         const char* formType)
    : cursor_(-1, containerId, formType)
{
    if (wantedCount > 0 && wanted) {
        wanted_ = new char[wantedCount][5];
        std::memcpy(wanted_, wanted, static_cast<size_t>(wantedCount) * 5);
        wantedCount_ = wantedCount;
    }
    fd_ = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd_ >= 0)
        LFileLockWait(fd_, LOCK_SH | LOCK_NB, 1000); // read either way: a reader never harms the file
    cursor_.fd = fd_;
}

LRiffReader::~LRiffReader()
{
    delete[] wanted_;
    tags_.Clear();
    if (fd_ >= 0)
        close(fd_);
}

void LRiffReader::KeyForInfoId(const char*, char key[kRiffTagKeySize])
{
    std::memcpy(key, "    ", 5);
}

bool LRiffReader::ReadWantedChunk(LRiffChunkHeader& header)
{
    if (LRiffIdIs(header.id, "LIST")) {
        LRiffListHeader list;
        std::memcpy(list.id, header.id, 4);
        list.size = header.size;
        if (header.size < 4) {
            cursor_.Skip(header);
            return false;
        }
        if (!cursor_.ReadFormType(list, "INFO"))
            return false;
        return ReadInfoList(list);
    }
    if (LRiffIdIs(header.id, "CSET"))
        return ReadCodePage(header);
    cursor_.Skip(header);
    return false;
}

bool LRiffReader::ReadChunks()
{
    if (fd_ < 0 || lseek(fd_, 0, SEEK_SET) != 0)
        return false;
    LRiffListHeader form;
    bool found = false;
    // The container may follow other top-level chunks.
    for (int guard = 0; guard < 1024 && !found; ++guard) {
        int64_t before = LDescriptorOffset(fd_);
        found = cursor_.FindForm(form);
        if (!found && LDescriptorOffset(fd_) <= before)
            return false;
        if (!found && LDescriptorOffset(fd_) >= LDescriptorSize(fd_))
            return false;
    }
    if (!found)
        return false;
    const LRiffIdList ids{wanted_, wantedCount_};
    for (;;) {
        int64_t at = LDescriptorOffset(fd_);
        if (at + 8 > cursor_.end)
            break;
        LRiffChunkHeader header;
        if (!cursor_.ReadHeader(header))
            break;
        if (!cursor_.CheckSize(header, 0))
            continue;
        if (cursor_.IsWanted(header, ids)) {
            int64_t payload = LDescriptorOffset(fd_);
            ReadWantedChunk(header);
            // Whatever the chunk's reader did, go on right after the chunk.
            lseek(fd_, payload + LRiffEvenSize(header.size), SEEK_SET);
        }
        if (LDescriptorOffset(fd_) <= at)
            break;
    }
    return true;
}

bool LRiffReader::ReadInfoList(const LRiffListHeader& header)
{
    if (fd_ < 0 || !LRiffIdIs(header.formType, "INFO"))
        return false;
    uint32_t remaining = header.size;
    if (!LRiffPayloadSize(remaining))
        return true; // only the form type: complete and empty
    std::vector<char> text;
    while (remaining > 7) {
        uint8_t h[8];
        if (LReadFully(fd_, h, 8) != 8)
            return false;
        remaining -= 8;
        uint32_t itemSize = LGetLe32(h + 4);
        int64_t even = LRiffEvenSize(itemSize);
        if (even > remaining) {
            lseek(fd_, remaining, SEEK_CUR);
            return false;
        }
        text.resize(static_cast<size_t>(even) + 1);
        if (LReadFully(fd_, text.data(), static_cast<size_t>(even)) != static_cast<size_t>(even))
            return false;
        remaining -= static_cast<uint32_t>(even);
        // The text ends at its first terminator or at the item's size; a
        // writer that left the terminator out keeps its last character.
        size_t length = strnlen(text.data(), itemSize);
        text[length] = '\0';
        char key[kRiffTagKeySize];
        KeyForInfoId(reinterpret_cast<const char*>(h), key);
        if (std::strcmp(key, "    ") != 0)
            AddTag(key, text.data(), true);
    }
    if (remaining == 0)
        return true;
    lseek(fd_, remaining, SEEK_CUR);
    return false;
}

bool LRiffReader::ReadCodePage(const LRiffChunkHeader& header)
{
    if (fd_ < 0)
        return false;
    if (header.size != 8) {
        cursor_.Skip(header);
        return false;
    }
    uint8_t bytes[8];
    if (LReadFully(fd_, bytes, 8) != 8)
        return false;
    codePage_ = LGetLe16(bytes);
    hasCodePage_ = true;
    return true;
}

void LRiffReader::AddTag(const char* key, const char* value, bool replace)
{
    if (!key || !*key || !value || !*value)
        return;
    if (LRiffTagNode* existing = tags_.Find(key)) {
        if (replace)
            existing->value = value;
        return;
    }
    tags_.Add(key, value, std::strlen(value));
}
