#pragma once
// Artwork in tags is told apart by its first bytes, never by what a tag or a
// file name claims: a tag's MIME type is often wrong or missing, and a
// picture saved under the wrong extension would not open.

#include <cstddef>
#include <cstdint>

struct LTagImageType
{
    const char* mimeType;  // "image/jpeg"
    const char* extension; // ".jpg", dot included
};

// The picture type of the bytes (JPEG, PNG, BMP or GIF), or null when they are none of these.
const LTagImageType* LTagImageTypeOfBytes(const uint8_t* bytes, size_t length);
// The picture type for a file name's extension, compared without regard to
// case (".JPG" and ".jpeg" are JPEG); null for any other extension.
const LTagImageType* LTagImageTypeOfExtension(const char* path);
