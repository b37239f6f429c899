#include "foundation/threads/LThreadNames.h"
#include "foundation/threads/LThreadOwner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ShortName(const LThreadNameTable& table, uint32_t tid)
{
    const LThreadNameEntry* entry = table.Find(tid);
    return entry ? std::string(entry->shortName) : std::string("<none>");
}

TEST(ThreadShortName, FormatsNamesAndIds)
{
    struct Case
    {
        const char* name;
        uint32_t tid;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, 12345, "2345"},
        {nullptr, 7, "0007"},
        {nullptr, 10000, "0000"},
        {"MAIN", 1, "MAIN"},
        {"LProcessCopyFileExe", 1, "LPro"},
        {"ab", 1, "ab"},
        {"", 1, ""},
        // Four characters but only whole ones within the 7 bytes.
        {"\xC3\x84\xC3\x84\xC3\x84\xC3\x84", 1, "\xC3\x84\xC3\x84\xC3\x84"},
        {"a\xE2\x82\xAC\xE2\x82\xAC"
         "bc",
         1, "a\xE2\x82\xAC\xE2\x82\xAC"},
    };
    for (const Case& c : cases) {
        char dest[8];
        memset(dest, 'z', sizeof dest);
        LFormatThreadShortName(dest, c.name, c.tid);
        EXPECT_STREQ(dest, c.expected) << (c.name ? c.name : "(null)") << " " << c.tid;
    }
}

TEST(ThreadNameTable, The65thThreadIsIgnored)
{
    LThreadNameTable table;
    for (uint32_t tid = 100; tid < 164; ++tid)
        ASSERT_TRUE(table.Register(tid, nullptr)) << tid;
    EXPECT_EQ(table.Count(), 64u);
    EXPECT_FALSE(table.Register(500, "LATE"));
    EXPECT_EQ(table.Count(), 64u);
    EXPECT_EQ(table.Find(500), nullptr);
    EXPECT_EQ(ShortName(table, 163), "0163");
}

TEST(ThreadNameTable, EntriesAreReusedByTheSameThreadAndAfterRelease)
{
    LThreadNameTable table;
    ASSERT_TRUE(table.Register(1, "MAIN"));
    ASSERT_TRUE(table.Register(2, "WORK"));
    ASSERT_TRUE(table.Register(2, "PLAY")); // the same thread keeps its entry
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_EQ(ShortName(table, 2), "PLAY");
    table.Release(2);
    EXPECT_EQ(table.Find(2), nullptr);
    ASSERT_TRUE(table.Register(3, "RECO"));
    EXPECT_EQ(table.Count(), 2u); // took the freed entry
    EXPECT_EQ(ShortName(table, 3), "RECO");
    EXPECT_EQ(ShortName(table, 1), "MAIN");
}

TEST(ThreadNameTable, RenameChangesOnlyAnExistingEntry)
{
    LThreadNameTable table;
    ASSERT_TRUE(table.Register(1, "MAIN"));
    strcpy(const_cast<LThreadNameEntry*>(table.Find(1))->activity, "busy");
    EXPECT_TRUE(table.Rename(1, "LProcessCopyFileExe"));
    EXPECT_EQ(ShortName(table, 1), "LPro");
    EXPECT_FALSE(table.Rename(9, "NONE"));
    EXPECT_EQ(table.Find(9), nullptr);
    // Registering again empties the activity text.
    ASSERT_TRUE(table.Register(1, "MAIN"));
    EXPECT_STREQ(table.Find(1)->activity, "");
}

TEST(ThreadNameTable, ConcurrentRegistrationsGetTheirOwnEntries)
{
    LThreadNameTable table;
    std::vector<std::thread> threads;
    for (uint32_t tid = 1; tid <= 70; ++tid)
        threads.emplace_back([&table, tid] { table.Register(tid, nullptr); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(table.Count(), 64u);
    std::set<uint32_t> ids;
    for (uint32_t i = 0; i < table.Count(); ++i) {
        uint32_t tid = table.Entry(i).threadId.load();
        ASSERT_GE(tid, 1u);
        ASSERT_LE(tid, 70u);
        ids.insert(tid);
        char expected[8];
        LFormatThreadShortName(expected, nullptr, tid);
        EXPECT_STREQ(table.Entry(i).shortName, expected);
    }
    EXPECT_EQ(ids.size(), 64u);
}

TEST(ThreadNames, ProcessTableNamesTheCallingThread)
{
    ASSERT_TRUE(LIsMainThread()); // tests run on the main thread
    EXPECT_EQ(LCurrentThreadId(), LMainThreadId());
    LSetThreadShortName("MAIN");
    EXPECT_EQ(ShortName(LGetThreadNameTable(), LCurrentThreadId()), "MAIN");
    LSetCurrentThreadShortName("LProcessCopyFileExe");
    EXPECT_EQ(ShortName(LGetThreadNameTable(), LCurrentThreadId()), "LPro");

    std::atomic<bool> mainThere{true};
    std::thread other([&] {
        mainThere = LIsMainThread();
        LSetCurrentThreadShortName("NONE"); // no entry: nothing happens
    });
    other.join();
    EXPECT_FALSE(mainThere);
    EXPECT_EQ(ShortName(LGetThreadNameTable(), LCurrentThreadId()), "LPro");
}

TEST(ThreadNames, WorkerThreadsGiveTheirEntryBackWhenTheyEnd)
{
    class NamedThread : public LThreadOwner
    {
    public:
        ~NamedThread() override { StopAndWait(); }
        std::atomic<uint32_t> tid{0};
        std::atomic<bool> named{false};

    protected:
        void Run() override
        {
            tid = LCurrentThreadId();
            LSetThreadShortName("WORK");
            named = LGetThreadNameTable().Find(tid) != nullptr;
        }
    } thread;
    ASSERT_TRUE(thread.Start(31));
    ASSERT_TRUE(thread.WaitUntilFinished(5000));
    EXPECT_TRUE(thread.named);
    EXPECT_EQ(LGetThreadNameTable().Find(thread.tid), nullptr);
}

} // namespace
