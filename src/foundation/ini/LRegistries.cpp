#include "foundation/ini/LRegistries.h"

#include "foundation/text/LTextBuffer.h"

#include <cstring>
#include <deque>
#include <mutex>

namespace {

constexpr const char* kNoticeSeparator = "\r\n\r\n===================\r\n\r\n";

struct Notice
{
    const char* first;
    const char* second;
};

struct NamedId
{
    char name[260];
    uint32_t id;
};

// The lists are filled mostly at start-up, but drag and drop asks for ids
// later from the main thread while workers may log: a lock costs nothing here.
std::mutex& RegistryLock()
{
    static std::mutex lock;
    return lock;
}

std::deque<Notice>& Notices()
{
    static std::deque<Notice> notices;
    return notices;
}

// A deque keeps the stored names at fixed addresses, so LIdToName may hand
// them out.
std::deque<NamedId>& Names()
{
    static std::deque<NamedId> names;
    return names;
}

uint32_t g_nextId = 1;

void AppendWithSeparator(LStringLongTemplate<char>* out, const char* text)
{
    if (!text || !text[0])
        return;
    if (out->length > 0)
        out->Append(kNoticeSeparator);
    out->Append(text);
}

} // namespace

void LRegisterNotice(const char* first, const char* second)
{
    std::lock_guard<std::mutex> guard(RegistryLock());
    Notices().push_front({first, second});
}

void LGetRegisteredNotices(LStringLongTemplate<char>* first, LStringLongTemplate<char>* second)
{
    std::lock_guard<std::mutex> guard(RegistryLock());
    for (const Notice& notice : Notices()) {
        AppendWithSeparator(first, notice.first);
        AppendWithSeparator(second, notice.second);
    }
}

uint32_t LNameToId(const char* name)
{
    std::lock_guard<std::mutex> guard(RegistryLock());
    char key[260];
    LStrCopyText(key, name ? name : "", sizeof key);
    for (NamedId& entry : Names()) {
        if (std::strcmp(entry.name, key) == 0 && entry.id != 0)
            return entry.id;
    }
    NamedId entry;
    std::memcpy(entry.name, key, sizeof key);
    entry.id = g_nextId++;
    Names().push_front(entry);
    return entry.id;
}

const char* LIdToName(uint32_t id)
{
    if (id == 0)
        return "";
    std::lock_guard<std::mutex> guard(RegistryLock());
    for (const NamedId& entry : Names()) {
        if (entry.id == id)
            return entry.name;
    }
    return "";
}
