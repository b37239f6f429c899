#pragma once
// INI files ("[section]" lines followed by "key=value" lines, CR LF line
// ends) and the process-wide cache of open INI files.

#include <cstdint>
#include <ctime>
#include <mutex>
#include <vector>

struct LIniEntry
{
    char key[260];
    char value[260];
};

struct LIniSection
{
    char name[260];
    std::vector<LIniEntry> entries;
};

class LIniFile
{
public:
    explicit LIniFile(const char* path);

    const char* Path() const { return path; }

    // Replaces the contents with what the file holds (read under a shared
    // lock). A missing file gives an empty INI file and false.
    bool Load();

    // Writes every section and entry, in order, to a temporary file beside
    // the path and renames it over the file, so a reader or a crash never
    // sees half a file. Records the new modification time and size and
    // clears the modified flag; false (flag kept) when the write failed.
    bool Save();

    // The value, or `fallback` when the section or key is missing.
    const char* GetValue(const char* section, const char* key, const char* fallback) const;
    void SetValue(const char* section, const char* key, const char* value);
    void RemoveValue(const char* section, const char* key);

    bool IsModified() const { return modified; }
    // True when the file on disk is no longer the one last loaded or saved.
    bool ChangedOnDisk() const;

    // The text Save writes.
    std::vector<char> Serialise() const;

    LIniFile* next = nullptr;
    char path[260];
    bool modified = false;
    time_t modificationTime = 0;
    uint32_t size = 0;
    std::vector<LIniSection> sections;
    // Finer marks of the file last seen: every save replaces the file, so a
    // new inode shows a change even within the same second and size.
    long modificationNs = 0;
    uint64_t inode = 0;

private:
    LIniSection* FindSection(const char* name);
    const LIniSection* FindSection(const char* name) const;
    void RememberFileState();
};

// Every INI file the process has open, shared by all threads. At exit the
// cache saves the files that were changed and frees them all.
class LIniFileCache
{
public:
    static LIniFileCache& Instance();

    // The cached file for `path`, loaded on first use and reloaded when
    // another process has changed it (unless it holds unsaved changes).
    // Use it while holding Lock().
    LIniFile* Open(const char* path);

    void SaveAll();

    std::recursive_mutex& Lock() { return mutex_; }

    ~LIniFileCache();

private:
    LIniFileCache() = default;
    std::recursive_mutex mutex_;
    LIniFile* files_ = nullptr;
};
