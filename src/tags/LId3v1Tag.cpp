#include "tags/LId3v1Tag.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileSystem.h"
#include "tags/LId3Genres.h"
#include "tags/LId3v2Tag.h"
#include "tags/LTagFileReplace.h"
#include "tags/LTagText.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* kV1Keys[] = {"TITLE", "ARTIST", "ALBUM", "DATE", "COMMENT", "TRACKNUMBER", "GENRE"};

void SetText(LAudioTagMap* tags, const char* key, const uint8_t* field, size_t width)
{
    // An empty field is no value: it must not hide a value a later reader finds.
    if (!tags->Has(key) && field[0] != 0)
        tags->Set(key, LTagWindows1252ToUtf8(field, width).c_str());
}

void PutText(uint8_t* field, size_t width, const char* value)
{
    std::memset(field, 0, width);
    const std::string latin1 = LTagUtf8ToLatin1(value);
    std::memcpy(field, latin1.data(), latin1.size() < width ? latin1.size() : width);
}

} // namespace

bool ParseId3v1Tag(LAudioTagMap* tags, const uint8_t block[128])
{
    if (!tags || std::memcmp(block, "TAG", 3) != 0)
        return false;
    SetText(tags, "TITLE", block + 3, 30);
    SetText(tags, "ARTIST", block + 33, 30);
    SetText(tags, "ALBUM", block + 63, 30);
    const bool v11 = block[125] == 0 && block[126] != 0;
    SetText(tags, "COMMENT", block + 97, v11 ? 28 : 30);
    if (!tags->Has("DATE") && block[93] != 0) {
        const size_t length = strnlen(reinterpret_cast<const char*>(block + 93), 4);
        // The record says a year and no more: no day is invented for it.
        tags->Set("DATE", LTagWindows1252ToUtf8(block + 93, length).c_str());
    }
    if (!tags->Has("GENRE")) {
        if (const char* name = Id3GenreName(block[127]))
            tags->Set("GENRE", name);
    }
    if (!tags->Has("TRACKNUMBER") && v11)
        tags->Set("TRACKNUMBER", std::to_string(block[126]).c_str());
    return true;
}

bool ReadId3v1Tag(LAudioTagMap* tags, int fd)
{
    const int64_t size = fd >= 0 ? LDescriptorSize(fd) : -1;
    uint8_t block[128];
    if (size < 128 || LPreadFully(fd, block, 128, size - 128) != 128)
        return false;
    return ParseId3v1Tag(tags, block);
}

bool ReadId3v1Tag(LAudioTagMap* tags, const char* path)
{
    const int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0)
        return false;
    LFileLockWait(fd, LOCK_SH | LOCK_NB, 1000);
    const bool found = ReadId3v1Tag(tags, fd);
    close(fd);
    return found;
}

bool BuildId3v1Tag(const LAudioTagMap* tags, uint8_t block[128])
{
    bool any = false;
    for (const char* key : kV1Keys)
        any = any || *tags->Get(key);
    if (!any)
        return false;
    const bool fresh = std::memcmp(block, "TAG", 3) != 0;
    if (fresh) {
        std::memset(block, 0, 128);
        block[127] = kId3NoGenre;
    }
    std::memcpy(block, "TAG", 3);
    PutText(block + 3, 30, tags->Get("TITLE"));
    PutText(block + 33, 30, tags->Get("ARTIST"));
    PutText(block + 63, 30, tags->Get("ALBUM"));
    // The year as it stands, a short one padded with zero bytes; no date, no year.
    const char* date = tags->Get("DATE");
    std::memset(block + 93, 0, 4);
    std::memcpy(block + 93, date, strnlen(date, 4));
    const uint64_t track = LTagLeadingNumber(LTagUtf8ToLatin1(tags->Get("TRACKNUMBER")).c_str(), 255);
    if (track != 0) {
        PutText(block + 97, 28, tags->Get("COMMENT"));
        block[125] = 0;
        block[126] = static_cast<uint8_t>(track);
    } else {
        PutText(block + 97, 30, tags->Get("COMMENT"));
    }
    const char* genre = tags->Get("GENRE");
    if (!*genre) {
        block[127] = kId3NoGenre;
    } else if (*genre >= '0' && *genre <= '9') {
        block[127] = static_cast<uint8_t>(LTagLeadingNumber(genre, 255));
    } else {
        const int index = Id3GenreIndex(genre);
        if (index >= 0)
            block[127] = static_cast<uint8_t>(index);
        // an unknown name keeps the byte the record had ("none" in a new one)
    }
    return true;
}

bool WriteId3v1Tag(const LAudioTagMap* tags, const char* path)
{
    return LWriteMp3Tags(tags, path, false, true, nullptr);
}

bool LWriteMp3Tags(const LAudioTagMap* tags, const char* path, bool replaceV2, bool replaceV1,
                   LTagFileError* error)
{
    LTagFileError scratch;
    LTagFileError& result = error ? *error : scratch;
    result = LTagFileError::kNone;
    if (!tags) {
        result = LTagFileError::kNothingToWrite;
        return false;
    }
    LTagFileReplace file;
    result = file.Open(path);
    if (result != LTagFileError::kNone)
        return false;
    const int fd = file.Source();
    const int64_t size = file.SourceSize();

    uint8_t v1[128] = {};
    const bool hadV1 =
        size >= 128 && LPreadFully(fd, v1, 128, size - 128) == 128 && std::memcmp(v1, "TAG", 3) == 0;
    if (!hadV1)
        std::memset(v1, 0, sizeof v1);

    int64_t audioStart = 0;
    std::vector<uint8_t> v2;
    if (replaceV2) {
        audioStart = Id3v2TagSpan(fd);
        LId3v2CarriedFrames carried;
        if (audioStart > 0) {
            LAudioTagMap old;
            ReadId3v2Tag(&old, fd, 0, &carried, false);
        }
        BuildId3v2Tag(tags, &carried, &v2);
    }
    int64_t audioEnd = size;
    bool writeV1 = false;
    if (replaceV1) {
        if (hadV1)
            audioEnd = size - 128;
        writeV1 = BuildId3v1Tag(tags, v1);
    }
    if (audioEnd < audioStart)
        audioEnd = audioStart;

    if (file.Begin() < 0) {
        result = LTagFileError::kCannotCreateCopy;
        return false;
    }
    if ((!v2.empty() && !file.WriteTemp(v2.data(), v2.size())) ||
        !file.CopyFromSource(audioStart, audioEnd - audioStart) ||
        (writeV1 && !file.WriteTemp(v1, sizeof v1))) {
        file.Abandon();
        result = LTagFileError::kWriteFailed;
        return false;
    }
    result = file.Commit();
    return result == LTagFileError::kNone;
}
