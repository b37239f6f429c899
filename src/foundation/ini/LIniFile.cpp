#include "foundation/ini/LIniFile.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/ini/LFileReaders.h"
#include "foundation/text/LTextBuffer.h"

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

namespace {

constexpr uint32_t kIniLockWaitMs = 1000;

void CopyField(char dest[260], const char* src, size_t length)
{
    char temporary[1024];
    if (length >= sizeof temporary)
        length = sizeof temporary - 1;
    std::memcpy(temporary, src, length);
    temporary[length] = 0;
    LStrCopyText(dest, temporary, 260);
}

void AppendLine(std::vector<char>* out, const char* line)
{
    out->insert(out->end(), line, line + std::strlen(line));
}

} // namespace

LIniFile::LIniFile(const char* filePath)
{
    LStrCopyText(path, filePath ? filePath : "", sizeof path);
}

LIniSection* LIniFile::FindSection(const char* name)
{
    for (LIniSection& section : sections) {
        if (std::strcmp(section.name, name) == 0)
            return &section;
    }
    return nullptr;
}

const LIniSection* LIniFile::FindSection(const char* name) const
{
    return const_cast<LIniFile*>(this)->FindSection(name);
}

const char* LIniFile::GetValue(const char* section, const char* key, const char* fallback) const
{
    const LIniSection* found = FindSection(section);
    if (!found)
        return fallback;
    for (const LIniEntry& entry : found->entries) {
        if (std::strcmp(entry.key, key) == 0)
            return entry.value;
    }
    return fallback;
}

void LIniFile::SetValue(const char* section, const char* key, const char* value)
{
    LIniSection* found = FindSection(section);
    if (!found) {
        sections.emplace_back();
        found = &sections.back();
        LStrCopyText(found->name, section, sizeof found->name);
    }
    for (LIniEntry& entry : found->entries) {
        if (std::strcmp(entry.key, key) == 0) {
            LStrCopyText(entry.value, value, sizeof entry.value);
            modified = true;
            return;
        }
    }
    found->entries.emplace_back();
    LStrCopyText(found->entries.back().key, key, sizeof found->entries.back().key);
    LStrCopyText(found->entries.back().value, value, sizeof found->entries.back().value);
    modified = true;
}

void LIniFile::RemoveValue(const char* section, const char* key)
{
    LIniSection* found = FindSection(section);
    if (!found)
        return;
    for (size_t i = 0; i < found->entries.size(); ++i) {
        if (std::strcmp(found->entries[i].key, key) == 0) {
            found->entries.erase(found->entries.begin() + long(i));
            modified = true;
            return;
        }
    }
}

bool LIniFile::Load()
{
    sections.clear();
    modified = false;
    LStringLongTemplate<char> text;
    bool ok = LReadTextFile(path, &text);
    RememberFileState();
    if (!ok)
        return false;

    LIniSection* current = nullptr;
    const char* p = text.Text();
    while (*p) {
        const char* end = p;
        while (*end && *end != '\r' && *end != '\n')
            end++;
        const char* line = p;
        size_t length = size_t(end - p);
        p = end;
        while (*p == '\r' || *p == '\n')
            p++;

        while (length > 0 && (*line == ' ' || *line == '\t')) {
            line++;
            length--;
        }
        if (length == 0 || *line == ';' || *line == '#')
            continue;
        if (*line == '[') {
            const char* close = static_cast<const char*>(std::memchr(line, ']', length));
            size_t nameLength = close ? size_t(close - line - 1) : length - 1;
            sections.emplace_back();
            current = &sections.back();
            CopyField(current->name, line + 1, nameLength);
            continue;
        }
        if (!current)
            continue;
        const char* equals = static_cast<const char*>(std::memchr(line, '=', length));
        current->entries.emplace_back();
        LIniEntry& entry = current->entries.back();
        if (equals) {
            CopyField(entry.key, line, size_t(equals - line));
            CopyField(entry.value, equals + 1, length - size_t(equals - line) - 1);
        } else {
            CopyField(entry.key, line, length);
            entry.value[0] = 0;
        }
    }
    return true;
}

std::vector<char> LIniFile::Serialise() const
{
    std::vector<char> out;
    char line[552];
    for (const LIniSection& section : sections) {
        std::snprintf(line, sizeof line, "[%s]\r\n", section.name);
        AppendLine(&out, line);
        for (const LIniEntry& entry : section.entries) {
            std::snprintf(line, sizeof line, "%s=%s\r\n", entry.key, entry.value);
            AppendLine(&out, line);
        }
        AppendLine(&out, "\r\n");
    }
    return out;
}

bool LIniFile::Save()
{
    std::vector<char> text = Serialise();
    if (!LWriteFileExact(path, text.data(), text.size(), kIniLockWaitMs))
        return false;
    RememberFileState();
    modified = false;
    return true;
}

void LIniFile::RememberFileState()
{
    struct stat info;
    if (stat(path, &info) == 0) {
        modificationTime = info.st_mtime;
        modificationNs = info.st_mtim.tv_nsec;
        size = uint32_t(info.st_size);
        inode = uint64_t(info.st_ino);
    } else {
        modificationTime = 0;
        modificationNs = 0;
        size = 0;
        inode = 0;
    }
}

bool LIniFile::ChangedOnDisk() const
{
    struct stat info;
    if (stat(path, &info) != 0)
        return inode != 0;
    return info.st_mtime != modificationTime || info.st_mtim.tv_nsec != modificationNs ||
           uint32_t(info.st_size) != size || uint64_t(info.st_ino) != inode;
}

LIniFileCache& LIniFileCache::Instance()
{
    // Built on first use and destroyed at exit, after main returns.
    static LIniFileCache cache;
    return cache;
}

LIniFile* LIniFileCache::Open(const char* path)
{
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    for (LIniFile* file = files_; file; file = file->next) {
        if (std::strcmp(file->path, path) == 0) {
            if (!file->IsModified() && file->ChangedOnDisk())
                file->Load();
            return file;
        }
    }
    LIniFile* file = new LIniFile(path);
    file->Load();
    file->next = files_;
    files_ = file;
    return file;
}

void LIniFileCache::SaveAll()
{
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    for (LIniFile* file = files_; file; file = file->next) {
        if (file->IsModified())
            file->Save();
    }
}

LIniFileCache::~LIniFileCache()
{
    SaveAll();
    while (files_) {
        LIniFile* following = files_->next;
        delete files_;
        files_ = following;
    }
}
