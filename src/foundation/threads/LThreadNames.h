#pragma once
// The process-wide table of thread short names. Each thread that matters puts
// a name of at most four characters here ("MAIN" at start-up, helper entries
// their own), so that a crash report can say which thread was which. The crash
// handler reads the table from a signal handler: entries are plain memory, and
// an entry's thread id is written last.

#include <atomic>
#include <cstdint>
#include <pthread.h>

struct LThreadNameEntry
{
    // Kernel thread id; LThreadNameTable::kFilling while being written,
    // LThreadNameTable::kFree when the thread gave the entry back.
    std::atomic<uint32_t> threadId{0};
    char activity[32] = {};
    char shortName[8] = {};
};

class LThreadNameTable
{
public:
    static constexpr uint32_t kEntries = 64;
    static constexpr uint32_t kFilling = 0xFFFFFFFEu;
    static constexpr uint32_t kFree = 0xFFFFFFFFu;

    constexpr LThreadNameTable() = default;
    LThreadNameTable(const LThreadNameTable&) = delete;
    LThreadNameTable& operator=(const LThreadNameTable&) = delete;

    // Gives thread tid an entry with the short name of name (null: the last
    // four digits of the id). A thread that already has an entry keeps it;
    // otherwise a freed entry is reused or the next unused one taken. False,
    // and nothing changes, when all 64 entries are taken.
    bool Register(uint32_t tid, const char* name);
    // Replaces the short name of tid's entry; false when it has none.
    bool Rename(uint32_t tid, const char* name);
    // Gives tid's entry back for the next thread.
    void Release(uint32_t tid);

    // The entry of tid, or null.
    const LThreadNameEntry* Find(uint32_t tid) const;
    // Entries in use are 0 .. Count() - 1; skip those whose id is kFilling or kFree.
    uint32_t Count() const { return count_.load(std::memory_order_acquire); }
    const LThreadNameEntry& Entry(uint32_t i) const { return entries_[i < kEntries ? i : 0]; }

private:
    LThreadNameEntry* FindMutable(uint32_t tid);

    pthread_mutex_t mutex_ = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;
    LThreadNameEntry entries_[kEntries];
    std::atomic<uint32_t> count_{0};
};

// The process's table (the one the crash handler reads).
LThreadNameTable& LGetThreadNameTable();

// Writes the short name for name, or for a null name the thread id modulo
// 10000 as four digits: at most four characters, cut at a character boundary.
void LFormatThreadShortName(char (&dest)[8], const char* name, uint32_t tid);

// Registers the calling thread (once per thread; a full table ignores it).
void LSetThreadShortName(const char* name);
// Renames the calling thread's entry; nothing when it has none.
void LSetCurrentThreadShortName(const char* name);
// Gives the calling thread's entry back (worker threads do so when they end).
void LReleaseThreadShortName();

// The kernel id of the calling thread.
uint32_t LCurrentThreadId();
// The kernel id of the process's main thread (the process id on Linux).
uint32_t LMainThreadId();
bool LIsMainThread();
