#include "tags/LAudioTagMap.h"

#include "foundation/files/LFolderTree.h"
#include "foundation/files/LTempCopyTable.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileSystem.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

LAudioTagMap::~LAudioTagMap()
{
    Clear();
}

LAudioTagMap::LAudioTagMap(LAudioTagMap&& other) noexcept : fields(std::move(other.fields))
{
    std::memcpy(tempFolder, other.tempFolder, sizeof tempFolder);
    other.tempFolder[0] = '\0';
}

LAudioTagMap& LAudioTagMap::operator=(LAudioTagMap&& other) noexcept
{
    if (this != &other) {
        Clear();
        fields = std::move(other.fields);
        std::memcpy(tempFolder, other.tempFolder, sizeof tempFolder);
        other.tempFolder[0] = '\0';
    }
    return *this;
}

void LAudioTagMap::Clear()
{
    // The folder first: values that pointed into it are stale from here on.
    if (tempFolder[0]) {
        LDeleteFolder(tempFolder);
        tempFolder[0] = '\0';
    }
    fields.RemoveAll();
}

void LAudioTagMap::SetIfMissing(const char* key, const char* value)
{
    if (!Has(key))
        fields.Set(key, value);
}

bool LMakeTempCopy(LAudioTagMap* tags, const char* key, const char* sourcePath)
{
    if (!tags || !key || !sourcePath)
        return false;
    LTempCopyTable table;
    std::memcpy(table.tempFolder, tags->tempFolder, sizeof table.tempFolder);
    const bool copied = LMakeTempCopy(&table, key, sourcePath);
    // The folder may have been made even when the copy then failed: keep it
    // with the record so that it is removed with it.
    std::memcpy(tags->tempFolder, table.tempFolder, sizeof tags->tempFolder);
    if (copied)
        tags->fields.Set(key, table.copies.Get(key, ""));
    return copied;
}

bool LMakeTempFileFromBytes(LAudioTagMap* tags, const char* key, const void* bytes, size_t length,
                            const char* extension)
{
    if (!tags || !key || !extension || std::strlen(extension) > 16)
        return false;
    if (!tags->tempFolder[0]) {
        char caches[kLPathSize];
        char folder[kLPathSize];
        // mkdtemp makes the folder private (0700).
        if (!LGetCachesFolder(caches) || !LPathCombine(folder, caches, "0XXXXXX", "") || !mkdtemp(folder))
            return false;
        std::strcpy(tags->tempFolder, folder);
    }
    char path[kLPathSize];
    if (!LPathCombine(path, tags->tempFolder, "0XXXXXX", extension))
        return false;
    const int fd = mkostemps(path, static_cast<int>(std::strlen(extension)), O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = LWriteFully(fd, bytes, length);
    if (close(fd) != 0 || !written) {
        unlink(path);
        return false;
    }
    tags->fields.Set(key, path);
    return true;
}
