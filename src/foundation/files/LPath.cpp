#include "foundation/files/LPath.h"

#include "foundation/files/LFileExists.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

// Index of the last separator, or -1.
long LastSeparator(const char* path, std::size_t length)
{
    for (std::size_t i = length; i > 0; --i) {
        if (IsSeparator(path[i - 1]))
            return static_cast<long>(i - 1);
    }
    return -1;
}

// Copies `length` bytes of `from` into the path buffer `dest` (the two may
// overlap) or empties it when they do not fit.
bool StorePart(char* dest, const char* from, std::size_t length)
{
    if (length > kLPathMaxLength) {
        dest[0] = '\0';
        return false;
    }
    std::memmove(dest, from, length);
    dest[length] = '\0';
    return true;
}

// Start and length of the file-name part of a path.
void FileNamePart(const char* path, const char** start, std::size_t* length)
{
    const std::size_t total = std::strlen(path);
    const long separator = LastSeparator(path, total);
    *start = path + separator + 1;
    *length = total - static_cast<std::size_t>(separator + 1);
}

// Index of the extension's dot within a file name, or -1.
long ExtensionDot(const char* name, std::size_t length)
{
    for (std::size_t i = length; i > 0; --i) {
        if (name[i - 1] == '.')
            return static_cast<long>(i - 1);
    }
    return -1;
}

// Bytes of a UTF-8 text that fit into `limit` without cutting a character.
std::size_t Utf8Fit(const char* text, std::size_t length, std::size_t limit)
{
    if (length <= limit)
        return length;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

} // namespace

bool LPathCombine(char* dest, const char* folder, const char* name, const char* suffix)
{
    folder = OrEmpty(folder);
    name = OrEmpty(name);
    suffix = OrEmpty(suffix);
    const std::size_t folderLength = std::strlen(folder);
    const bool addSeparator = folderLength > 0 && !IsSeparator(folder[folderLength - 1]);
    const std::size_t nameLength = std::strlen(name);
    const std::size_t suffixLength = std::strlen(suffix);
    const std::size_t total = folderLength + (addSeparator ? 1 : 0) + nameLength + suffixLength;
    if (total > kLPathMaxLength) {
        dest[0] = '\0';
        return false;
    }
    // Built aside so that dest may be any of the arguments.
    char result[kLPathSize];
    std::size_t at = 0;
    std::memcpy(result, folder, folderLength);
    at += folderLength;
    if (addSeparator)
        result[at++] = '/';
    std::memcpy(result + at, name, nameLength);
    at += nameLength;
    std::memcpy(result + at, suffix, suffixLength);
    at += suffixLength;
    result[at] = '\0';
    std::memcpy(dest, result, at + 1);
    return true;
}

int LPathGetFolder(char* dest, const char* path)
{
    path = OrEmpty(path);
    const std::size_t total = std::strlen(path);
    if (total > kLPathMaxLength) {
        dest[0] = '\0';
        return -1;
    }
    const long separator = LastSeparator(path, total);
    if (separator <= 0) {
        // "/name" lives in the root folder; "name" and "\name" have no folder.
        const bool inRoot = separator == 0 && path[0] == '/';
        dest[0] = inRoot ? '/' : '\0';
        dest[inRoot ? 1 : 0] = '\0';
        return inRoot ? 1 : 0;
    }
    StorePart(dest, path, static_cast<std::size_t>(separator));
    return static_cast<int>(separator);
}

bool LPathGetRoot(char* dest, const char* path)
{
    path = OrEmpty(path);
    const std::size_t total = std::strlen(path);
    std::size_t length = total;
    for (std::size_t i = 2; i < total; ++i) {
        if (IsSeparator(path[i])) {
            length = i + 1;
            break;
        }
    }
    if (length >= 2 && IsSeparator(path[length - 1]))
        --length;
    return StorePart(dest, path, length);
}

bool LPathGetFileName(char* dest, const char* path)
{
    const char* name;
    std::size_t length;
    FileNamePart(OrEmpty(path), &name, &length);
    return StorePart(dest, name, length);
}

bool LPathGetExtension(char* dest, const char* path)
{
    const char* name;
    std::size_t length;
    FileNamePart(OrEmpty(path), &name, &length);
    const long dot = ExtensionDot(name, length);
    if (dot < 0)
        return StorePart(dest, name, 0);
    return StorePart(dest, name + dot, length - static_cast<std::size_t>(dot));
}

bool LPathGetTitle(char* dest, const char* path)
{
    const char* name;
    std::size_t length;
    FileNamePart(OrEmpty(path), &name, &length);
    const long dot = ExtensionDot(name, length);
    if (dot > 0)
        length = static_cast<std::size_t>(dot);
    return StorePart(dest, name, length);
}

char* LPathMakeUnique(char* dest, const char* folder, const char* name, const char* suffix)
{
    // Copies first: dest may be one of the arguments.
    char folderCopy[kLPathSize];
    char nameCopy[kLPathSize];
    char suffixCopy[kLPathSize];
    if (!StorePart(folderCopy, OrEmpty(folder), std::strlen(OrEmpty(folder))) ||
        !StorePart(nameCopy, OrEmpty(name), std::strlen(OrEmpty(name))) ||
        !StorePart(suffixCopy, OrEmpty(suffix), std::strlen(OrEmpty(suffix)))) {
        dest[0] = '\0';
        return dest;
    }
    if (!LPathCombine(dest, folderCopy, nameCopy, suffixCopy))
        return dest;
    struct stat info;
    for (unsigned counter = 0; lstat(dest, &info) == 0; ++counter) {
        char numbered[kLPathSize + 16];
        std::snprintf(numbered, sizeof numbered, "%s_%u", nameCopy, counter);
        if (!LPathCombine(dest, folderCopy, numbered, suffixCopy) || counter == UINT_MAX) {
            dest[0] = '\0';
            break;
        }
    }
    return dest;
}

bool LMakeSafeFileName(const char* text, char* dest)
{
    text = OrEmpty(text);
    // Linux takes names of at most NAME_MAX bytes; a longer one could never be created.
    constexpr std::size_t kLimit = NAME_MAX < kLPathMaxLength ? NAME_MAX : kLPathMaxLength;
    std::size_t length = 0;
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || c == ':' || c == '\\' || c == '/')
            continue;
        if (c == '.' && length == 0)
            continue;
        if (length == kLPathMaxLength)
            break;
        dest[length++] = static_cast<char>(c);
    }
    dest[Utf8Fit(dest, length, kLimit)] = '\0';
    return dest[0] != '\0';
}

bool LCreateFolderPath(const char* path)
{
    char folder[kLPathSize];
    if (!StorePart(folder, OrEmpty(path), std::strlen(OrEmpty(path))))
        return false;
    // "a/b/" names the folder "a/b": without this its parent would be "a/b"
    // itself and the final mkdir would always fail.
    std::size_t length = std::strlen(folder);
    while (length > 1 && IsSeparator(folder[length - 1]))
        folder[--length] = '\0';
    if (length == 0)
        return false;

    char parent[kLPathSize];
    if (LPathGetFolder(parent, folder) > 0 && std::strcmp(parent, folder) != 0 && !LFolderExists(parent) &&
        !LCreateFolderPath(parent))
        return false;
    return mkdir(folder, 0777) == 0;
}
