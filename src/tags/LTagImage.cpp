#include "tags/LTagImage.h"

#include "foundation/files/LPath.h"

#include <cstring>
#include <strings.h>

namespace {

constexpr LTagImageType kJpeg{"image/jpeg", ".jpg"};
constexpr LTagImageType kPng{"image/png", ".png"};
constexpr LTagImageType kBmp{"image/bmp", ".bmp"};
constexpr LTagImageType kGif{"image/gif", ".gif"};

bool StartsWith(const uint8_t* bytes, size_t length, const char* magic, size_t magicLength)
{
    return length >= magicLength && std::memcmp(bytes, magic, magicLength) == 0;
}

} // namespace

const LTagImageType* LTagImageTypeOfBytes(const uint8_t* bytes, size_t length)
{
    if (!bytes)
        return nullptr;
    if (StartsWith(bytes, length, "\xFF\xD8\xFF", 3))
        return &kJpeg;
    if (StartsWith(bytes, length, "\x89PNG\r\n\x1A\n", 8))
        return &kPng;
    if (StartsWith(bytes, length, "GIF87a", 6) || StartsWith(bytes, length, "GIF89a", 6))
        return &kGif;
    // "BM" alone is too weak: the file size field follows and the pixel data
    // offset must lie inside the 14-byte file header's reach.
    if (StartsWith(bytes, length, "BM", 2) && length >= 26)
        return &kBmp;
    return nullptr;
}

const LTagImageType* LTagImageTypeOfExtension(const char* path)
{
    char extension[kLPathSize];
    if (!path || !LPathGetExtension(extension, path))
        return nullptr;
    if (strcasecmp(extension, ".jpg") == 0 || strcasecmp(extension, ".jpeg") == 0 ||
        strcasecmp(extension, ".jpe") == 0)
        return &kJpeg;
    if (strcasecmp(extension, ".png") == 0)
        return &kPng;
    if (strcasecmp(extension, ".bmp") == 0 || strcasecmp(extension, ".dib") == 0)
        return &kBmp;
    if (strcasecmp(extension, ".gif") == 0)
        return &kGif;
    return nullptr;
}
