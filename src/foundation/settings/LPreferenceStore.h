#pragma once
// The per-user preference files: one file per preference domain (such as
// "com.oxbelsoftware.quorin") in the user's configuration folder, holding
// text values under text keys. Every change is written through at once, and
// a change made by another process is seen at the next read.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Whose preferences: the current user's (in $XDG_CONFIG_HOME), or the
// system-wide ones every user shares (the first folder of $XDG_CONFIG_DIRS,
// writable by the administrator only).
using LSettingsUser = int;
inline constexpr LSettingsUser kLSettingsCurrentUser = 0;
inline constexpr LSettingsUser kLSettingsAnyUser = 1;

class LPreferenceStore
{
public:
    // The store of a domain; stores live for the whole process. The file is
    // looked up again on every call, so a changed environment (a test's
    // temporary home) is followed.
    static LPreferenceStore& Shared();

    // The value stored under the key, read from the file when it changed.
    std::optional<std::string> Get(LSettingsUser user, const char* domain, const char* key);

    // Stores (or, for a null value, removes) the values and writes the file
    // through. Other processes' changes made meanwhile are kept. False when
    // the file could not be written; a file that cannot be read is left alone.
    bool Set(LSettingsUser user, const char* domain,
             const std::vector<std::pair<std::string, const char*>>& changes);

    // Told of every value stored (value null for a removal) once the file
    // was written, on the writing thread and under the store's lock (so it must
    // not use the store); null for none.
    using WriteObserver = void (*)(LSettingsUser user, const char* domain, const char* key,
                                   const char* value);
    static void SetWriteObserver(WriteObserver observer);

    // Every key of the domain.
    std::vector<std::string> Keys(LSettingsUser user, const char* domain);

    // A preferences file holds a few hundred short values; one larger than
    // this is damage (it would hold up every start to read it) and is moved
    // aside, the defaults standing in for its values.
    static constexpr uint64_t kMaxFileBytes = uint64_t(4) << 20;

    // The file of a domain; false when no folder can be named for it.
    static bool PathFor(LSettingsUser user, const char* domain, std::string* path);

    // The file's text form of a set of values, and back. Lines the reader
    // does not understand are kept as they are and written back unchanged.
    struct Contents
    {
        std::map<std::string, std::string> values;
        std::vector<std::string> otherLines;
    };
    static std::string Serialise(const Contents& contents);
    static Contents Parse(const char* text, uint64_t length);

private:
    // What we last saw of a file, to tell whether it changed.
    struct FileMark
    {
        bool exists = false;
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t size = 0;
        int64_t mtimeSec = 0;
        long mtimeNsec = 0;
        bool operator==(const FileMark&) const = default;
    };
    struct Cached
    {
        FileMark mark;
        Contents contents;
        bool loaded = false;
    };

    static FileMark MarkOf(const std::string& path);
    Cached& Refresh(const std::string& path);

    std::mutex lock_;
    std::map<std::string, Cached> files_; // by path
};
