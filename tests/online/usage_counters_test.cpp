// The usage counters file under a writer killed at random moments: what is
// left is always one whole save, the one before or the one after, never a
// cut or empty file.

#include "online/LUsageCounters.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class UsageCounters : public quorin::test::TempHomeTest
{
protected:
    void TearDown() override { LUsageCounters().assign(64, 0); }
};

TEST_F(UsageCounters, AWriterKilledMidSaveLeavesTheOldOrTheNewFile)
{
    char path[260];
    ASSERT_TRUE(LGetUsageCountersPath(path));
    // Two versions the writer alternates between, of different sizes.
    const std::vector<uint64_t> small(64, (1ull << 32) | 7);
    const std::vector<uint64_t> large(256, (2ull << 32) | 9);
    LUsageCounters() = small;
    LSaveUsageCounters();

    std::mt19937 random(12345);
    for (int round = 0; round < 25; ++round) {
        const pid_t writer = fork();
        if (writer == 0) {
            for (uint64_t i = 0;; ++i) {
                LUsageCounters() = i % 2 == 0 ? large : small;
                LSaveUsageCounters();
            }
        }
        ASSERT_GT(writer, 0);
        usleep(1000 + random() % 20000);
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);

        const auto size = std::filesystem::file_size(path);
        ASSERT_TRUE(size == 4 + 8 * small.size() || size == 4 + 8 * large.size()) << size;
        LUsageCounters().assign(1, 0);
        LLoadUsageCounters();
        const std::vector<uint64_t>& loaded = LUsageCounters();
        if (size == 4 + 8 * small.size()) {
            ASSERT_EQ(loaded.size(), small.size());
            EXPECT_EQ(loaded, small);
        } else {
            EXPECT_EQ(loaded, large);
        }
    }
    // The next save clears what the killed writers left beside the file.
    LSaveUsageCounters();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"QuorinCounts.txt"});
}

} // namespace
