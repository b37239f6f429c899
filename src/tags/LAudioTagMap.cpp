#include "tags/LAudioTagMap.h"

#include "foundation/files/LFolderTree.h"
#include "foundation/files/LTempCopyTable.h"

#include <cstring>
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
