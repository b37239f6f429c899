#include "foundation/settings/LPreferenceStore.h"

#include "foundation/files/LMoveAside.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LLockedFileUpdate.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<LPreferenceStore::WriteObserver> gWriteObserver{nullptr};

constexpr uint32_t kPreferenceLockWaitMs = 5000;
constexpr const char* kHeader =
    "# Quorin preferences: one key=value a line; \\\\ \\n \\r \\= \\# are escapes\n";

void Escape(std::string* out, const std::string& text)
{
    for (char c : text) {
        switch (c) {
        case '\\':
            *out += "\\\\";
            break;
        case '\n':
            *out += "\\n";
            break;
        case '\r':
            *out += "\\r";
            break;
        case '=':
            *out += "\\=";
            break;
        case '#':
            *out += "\\#";
            break;
        default:
            out->push_back(c);
        }
    }
}

std::string Unescape(const char* begin, const char* end)
{
    std::string out;
    for (const char* p = begin; p < end; ++p) {
        if (*p != '\\' || p + 1 == end) {
            out.push_back(*p);
            continue;
        }
        ++p;
        switch (*p) {
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        default:
            out.push_back(*p);
        }
    }
    return out;
}

// Called with the file locked. Its bytes stay for the user to look at, and
// the next write starts a fresh file.
void SetTooLargeFileAside(const char* path)
{
    char movedTo[4200];
    if (LMoveDamagedFileAside(path, movedTo, sizeof movedTo))
        LLogErrorF("Preferences file %s is damaged (larger than %llu MiB); it was moved to %s and the "
                   "default settings are used.",
                   path, (unsigned long long)(LPreferenceStore::kMaxFileBytes >> 20), movedTo);
    else
        LLogErrorF("Preferences file %s is damaged (larger than %llu MiB) and could not be moved aside "
                   "(%s); the default settings are used.",
                   path, (unsigned long long)(LPreferenceStore::kMaxFileBytes >> 20), std::strerror(errno));
}

enum class ReadOutcome { kRead, kFailed, kTooLarge };

// The whole file when it is within the bound; never reads further than that.
ReadOutcome ReadBounded(const std::string& path, LStringLongTemplate<char>* out)
{
    out->Clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ReadOutcome::kFailed;
    char buffer[65536];
    ReadOutcome outcome = ReadOutcome::kRead;
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            outcome = ReadOutcome::kFailed;
            break;
        }
        if (got == 0)
            break;
        if (uint64_t(got) > LPreferenceStore::kMaxFileBytes - out->length) {
            outcome = ReadOutcome::kTooLarge;
            break;
        }
        out->Append(buffer, uint64_t(got));
    }
    close(fd);
    if (outcome != ReadOutcome::kRead)
        out->Clear();
    return outcome;
}

bool SystemFolder(std::string* folder)
{
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string first = dirs && dirs[0] == '/' ? std::string(dirs, std::strcspn(dirs, ":")) : "/etc/xdg";
    *folder = first;
    return !first.empty();
}

} // namespace

LPreferenceStore& LPreferenceStore::Shared()
{
    static LPreferenceStore* store = new LPreferenceStore; // used until the very end of the process
    return *store;
}

bool LPreferenceStore::PathFor(LSettingsUser user, const char* domain, std::string* path)
{
    if (!domain || !domain[0] || std::strchr(domain, '/'))
        return false;
    std::string folder;
    if (user == kLSettingsAnyUser) {
        if (!SystemFolder(&folder))
            return false;
    } else {
        char current[4096];
        if (!LGetPreferencesFolder(current))
            return false;
        folder = current;
    }
    *path = folder + "/" + domain + ".conf";
    return true;
}

std::string LPreferenceStore::Serialise(const Contents& contents)
{
    std::string text = kHeader;
    for (const auto& [key, value] : contents.values) {
        Escape(&text, key);
        text.push_back('=');
        Escape(&text, value);
        text.push_back('\n');
    }
    for (const std::string& line : contents.otherLines) {
        text += line;
        text.push_back('\n');
    }
    return text;
}

LPreferenceStore::Contents LPreferenceStore::Parse(const char* text, uint64_t length)
{
    Contents contents;
    const char* end = text + length;
    for (const char* line = text; line < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', size_t(end - line)));
        if (!lineEnd)
            lineEnd = end;
        const char* equals = nullptr;
        for (const char* p = line; p < lineEnd; ++p) {
            if (*p == '\\') {
                ++p;
                continue;
            }
            if (*p == '=') {
                equals = p;
                break;
            }
        }
        if (line < lineEnd && *line != '#') {
            if (equals)
                contents.values[Unescape(line, equals)] = Unescape(equals + 1, lineEnd);
            else
                contents.otherLines.emplace_back(line, lineEnd);
        }
        line = lineEnd + 1;
    }
    return contents;
}

LPreferenceStore::FileMark LPreferenceStore::MarkOf(const std::string& path)
{
    FileMark mark;
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return mark;
    mark.exists = true;
    mark.device = uint64_t(info.st_dev);
    mark.inode = uint64_t(info.st_ino);
    mark.size = int64_t(info.st_size);
    mark.mtimeSec = int64_t(info.st_mtim.tv_sec);
    mark.mtimeNsec = info.st_mtim.tv_nsec;
    return mark;
}

LPreferenceStore::Cached& LPreferenceStore::Refresh(const std::string& path)
{
    Cached& cached = files_[path];
    FileMark mark = MarkOf(path);
    if (cached.loaded && mark == cached.mark)
        return cached;
    cached.contents = Contents();
    cached.mark = mark;
    cached.loaded = true;
    if (!mark.exists)
        return cached;
    LStringLongTemplate<char> text;
    switch (ReadBounded(path, &text)) {
    case ReadOutcome::kRead:
        cached.contents = Parse(text.Text(), text.length);
        break;
    case ReadOutcome::kFailed:
        // Read again next time rather than trust an empty picture.
        cached.loaded = false;
        break;
    case ReadOutcome::kTooLarge: {
        // Under the file's lock, so that a writer in another process does not
        // lose what it writes meanwhile; it may already have set it aside.
        LLockedFileUpdate update;
        if (update.Begin(path.c_str(), kPreferenceLockWaitMs)) {
            if (update.Read(&text, kMaxFileBytes))
                cached.contents = Parse(text.Text(), text.length);
            else if (errno == EFBIG)
                SetTooLargeFileAside(path.c_str());
            else
                cached.loaded = false;
            update.End();
        }
        cached.mark = MarkOf(path);
        break;
    }
    }
    return cached;
}

std::optional<std::string> LPreferenceStore::Get(LSettingsUser user, const char* domain, const char* key)
{
    std::string path;
    if (!PathFor(user, domain, &path))
        return std::nullopt;
    std::lock_guard<std::mutex> guard(lock_);
    Cached& cached = Refresh(path);
    auto found = cached.contents.values.find(key ? key : "");
    if (found == cached.contents.values.end())
        return std::nullopt;
    return found->second;
}

std::vector<std::string> LPreferenceStore::Keys(LSettingsUser user, const char* domain)
{
    std::vector<std::string> keys;
    std::string path;
    if (!PathFor(user, domain, &path))
        return keys;
    std::lock_guard<std::mutex> guard(lock_);
    Cached& cached = Refresh(path);
    keys.reserve(cached.contents.values.size());
    for (const auto& entry : cached.contents.values)
        keys.push_back(entry.first);
    return keys;
}

void LPreferenceStore::SetWriteObserver(WriteObserver observer)
{
    gWriteObserver.store(observer, std::memory_order_release);
}

bool LPreferenceStore::Set(LSettingsUser user, const char* domain,
                           const std::vector<std::pair<std::string, const char*>>& changes)
{
    std::string path;
    if (!PathFor(user, domain, &path))
        return false;
    std::lock_guard<std::mutex> guard(lock_);

    // The whole read-modify-write runs under the file's lock, so that two
    // processes setting different keys at once both keep their values.
    LLockedFileUpdate update;
    if (!update.Begin(path.c_str(), kPreferenceLockWaitMs))
        return false;
    LStringLongTemplate<char> text;
    if (!update.Read(&text, kMaxFileBytes)) {
        if (errno == EFBIG) {
            SetTooLargeFileAside(path.c_str());
            text.Clear();
        } else {
            LLogErrorF("Preferences file %s could not be read (%s); it was left unchanged.", path.c_str(),
                       std::strerror(errno));
            return false;
        }
    }
    Contents contents = Parse(text.Text(), text.length);
    bool changed = false;
    for (const auto& [key, value] : changes) {
        auto found = contents.values.find(key);
        if (value) {
            if (found == contents.values.end() || found->second != value) {
                contents.values[key] = value;
                changed = true;
            }
        } else if (found != contents.values.end()) {
            contents.values.erase(found);
            changed = true;
        }
    }
    bool ok = true;
    if (changed || text.length == 0) {
        std::string serialised = Serialise(contents);
        ok = update.Replace(serialised.data(), serialised.size());
        if (!ok)
            LLogErrorF("Preferences file %s could not be written (%s).", path.c_str(), std::strerror(errno));
    }
    update.End();

    // Read back at the next look-up: another process may already have
    // replaced what we wrote.
    files_[path].loaded = false;
    if (ok)
        if (WriteObserver observer = gWriteObserver.load(std::memory_order_acquire))
            for (const auto& [key, value] : changes)
                observer(user, domain, key.c_str(), value);
    return ok;
}
