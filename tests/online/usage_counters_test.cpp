// The usage counters file under a writer killed at random moments: what is
// left is always one whole save, the one before or the one after, never a
// cut or empty file.

#include "online/LUsageCounters.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/file.h>
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

// A process that holds the record lock a writer keeps on its file beside the
// target, until it is killed; its process id.
pid_t HoldLocked(const std::string& path)
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT, 0644);
        struct flock mark = {};
        mark.l_type = F_WRLCK;
        mark.l_whence = SEEK_SET;
        const bool locked = fd >= 0 && fcntl(fd, F_OFD_SETLK, &mark) == 0;
        (void)!write(ready[1], locked ? "1" : "0", 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char answer = '0';
    (void)!read(ready[0], &answer, 1);
    close(ready[0]);
    return answer == '1' ? child : -1;
}

pid_t DeadProcessId()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST_F(UsageCounters, ASaveRemovesOnlyWhatWritersThatDiedLeftBesideTheFile)
{
    char path[260];
    ASSERT_TRUE(LGetUsageCountersPath(path));
    const std::string folder = std::filesystem::path(path).parent_path().string();
    auto beside = [&](pid_t pid) { return folder + "/.quorin-" + std::to_string(pid) + "-0.tmp"; };

    // A writer killed before it could rename its file.
    const std::string dead = beside(DeadProcessId());
    std::ofstream(dead) << "left behind";
    // A live writer this process sees.
    const pid_t visible = HoldLocked(folder + "/unrelated");
    ASSERT_GT(visible, 0);
    const std::string seen = beside(visible);
    std::ofstream(seen) << "being written";
    // A live writer whose process id means nothing here (another PID
    // namespace, or another machine sharing the folder): it holds its file's lock.
    const std::string unseen = beside(DeadProcessId());
    const pid_t holder = HoldLocked(unseen);
    ASSERT_GT(holder, 0);

    LUsageCounters().assign(64, (3ull << 32) | 1);
    LSaveUsageCounters();
    EXPECT_FALSE(std::filesystem::exists(dead)) << "a dead writer's file stayed";
    EXPECT_TRUE(std::filesystem::exists(seen)) << "a running writer's file was removed";
    EXPECT_TRUE(std::filesystem::exists(unseen)) << "a locked writer's file was removed";
    EXPECT_EQ(std::filesystem::file_size(path), 4u + 8 * 64);

    for (pid_t pid : {visible, holder}) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    // Once its writer is gone, the next save clears it.
    LSaveUsageCounters();
    EXPECT_FALSE(std::filesystem::exists(unseen));
}

} // namespace
