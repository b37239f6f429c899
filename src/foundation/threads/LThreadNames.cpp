#include "foundation/threads/LThreadNames.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constinit LThreadNameTable gThreadNames;

class TableLock
{
public:
    explicit TableLock(pthread_mutex_t& mutex) : mutex_(mutex) { pthread_mutex_lock(&mutex_); }
    ~TableLock() { pthread_mutex_unlock(&mutex_); }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    pthread_mutex_t& mutex_;
};

} // namespace

void LFormatThreadShortName(char (&dest)[8], const char* name, uint32_t tid)
{
    if (!name) {
        snprintf(dest, sizeof dest, "%.4u", tid % 10000);
        return;
    }
    // Four characters, whole UTF-8 characters only, within the 7 bytes.
    size_t end = 0;
    for (int characters = 0; characters < 4 && name[end] != '\0'; ++characters) {
        size_t next = end + 1;
        while ((static_cast<unsigned char>(name[next]) & 0xC0) == 0x80)
            ++next;
        if (next > sizeof dest - 1)
            break;
        end = next;
    }
    memcpy(dest, name, end);
    memset(dest + end, 0, sizeof dest - end);
}

LThreadNameEntry* LThreadNameTable::FindMutable(uint32_t tid)
{
    const uint32_t count = Count();
    for (uint32_t i = 0; i < count; ++i)
        if (entries_[i].threadId.load(std::memory_order_acquire) == tid)
            return &entries_[i];
    return nullptr;
}

const LThreadNameEntry* LThreadNameTable::Find(uint32_t tid) const
{
    return const_cast<LThreadNameTable*>(this)->FindMutable(tid);
}

bool LThreadNameTable::Register(uint32_t tid, const char* name)
{
    if (tid == kFilling || tid == kFree)
        return false;
    LThreadNameEntry* entry;
    {
        TableLock guard(mutex_);
        entry = FindMutable(tid);
        if (!entry)
            entry = FindMutable(kFree);
        if (!entry) {
            const uint32_t count = Count();
            if (count >= kEntries)
                return false;
            entry = &entries_[count];
            entry->threadId.store(kFilling, std::memory_order_relaxed);
            count_.store(count + 1, std::memory_order_release);
        }
        entry->threadId.store(kFilling, std::memory_order_release);
    }
    LFormatThreadShortName(entry->shortName, name, tid);
    memset(entry->activity, 0, sizeof entry->activity);
    entry->threadId.store(tid, std::memory_order_release);
    return true;
}

bool LThreadNameTable::Rename(uint32_t tid, const char* name)
{
    LThreadNameEntry* entry = FindMutable(tid);
    if (!entry || !name)
        return false;
    LFormatThreadShortName(entry->shortName, name, tid);
    return true;
}

void LThreadNameTable::Release(uint32_t tid)
{
    TableLock guard(mutex_);
    if (LThreadNameEntry* entry = FindMutable(tid))
        entry->threadId.store(kFree, std::memory_order_release);
}

LThreadNameTable& LGetThreadNameTable()
{
    return gThreadNames;
}

void LSetThreadShortName(const char* name)
{
    gThreadNames.Register(LCurrentThreadId(), name);
}

void LSetCurrentThreadShortName(const char* name)
{
    gThreadNames.Rename(LCurrentThreadId(), name);
}

void LReleaseThreadShortName()
{
    gThreadNames.Release(LCurrentThreadId());
}

uint32_t LCurrentThreadId()
{
    return uint32_t(gettid());
}

uint32_t LMainThreadId()
{
    return uint32_t(getpid());
}

bool LIsMainThread()
{
    return gettid() == getpid();
}
