#pragma once
// The tag record: every tag the program reads, shows, edits or writes travels
// in one of these. Keys are upper-case ASCII words, values UTF-8 texts; the
// record also owns a private folder that holds copies of artwork files, so
// that "IMAGE" can name a file that outlives the file it was read from.

#include "foundation/containers/LStringMap.h"
#include "foundation/files/LPath.h"

#include <cstddef>

struct LAudioTagMap
{
    LStringMap fields;
    char tempFolder[kLPathSize] = {}; // empty until the first artwork copy

    LAudioTagMap() = default;
    // Removes the private folder with the copies in it, then the fields.
    ~LAudioTagMap();
    // The private folder belongs to exactly one record: records move, never copy.
    LAudioTagMap(const LAudioTagMap&) = delete;
    LAudioTagMap& operator=(const LAudioTagMap&) = delete;
    LAudioTagMap(LAudioTagMap&& other) noexcept;
    LAudioTagMap& operator=(LAudioTagMap&& other) noexcept;

    // Ends the record's contents as the destructor does and leaves it empty and reusable.
    void Clear();

    // True when the key is there at all, even with an empty value: readers
    // that only fill gaps leave such a key alone.
    bool Has(const char* key) const { return fields.Find(key) != nullptr; }
    // The value, or "" when the key is missing.
    const char* Get(const char* key) const { return fields.Get(key, ""); }
    void Set(const char* key, const char* value) { fields.Set(key, value); }
    void Remove(const char* key) { fields.Remove(key); }
    // Sets the key only when the record does not hold it yet.
    void SetIfMissing(const char* key, const char* value);
};

// Copies sourcePath into the record's private folder (made with mode 0700 in
// the user's caches folder on first use) under a unique name with the
// source's extension, and sets key to the copy's path. False, with the record
// unchanged, when no copy could be made.
bool LMakeTempCopy(LAudioTagMap* tags, const char* key, const char* sourcePath);

// The same for bytes held in memory (artwork read from a tag): a new file
// named with the extension (dot included) in the record's private folder.
bool LMakeTempFileFromBytes(LAudioTagMap* tags, const char* key, const void* bytes, size_t length,
                            const char* extension);
