#include "foundation/threads/LSystemSemaphore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/sem.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A private semaphore set of one, created free (value 1) as the component
// installer creates its own.
class SystemSemaphoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        id_ = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
        ASSERT_GE(id_, 0);
        ASSERT_EQ(semctl(id_, 0, SETVAL, 1), 0);
    }
    void TearDown() override
    {
        if (id_ >= 0)
            semctl(id_, 0, IPC_RMID);
    }
    int Value() const { return semctl(id_, 0, GETVAL); }

    int id_ = -1;
};

TEST_F(SystemSemaphoreTest, LockTryLockAndUnlock)
{
    LSystemSemaphore semaphore(1234, id_);
    ASSERT_TRUE(semaphore.Lock());
    EXPECT_EQ(Value(), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(semaphore.TryLock(35));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
    EXPECT_TRUE(semaphore.Unlock());
    EXPECT_EQ(Value(), 1);
    EXPECT_TRUE(semaphore.TryLock(0));
    EXPECT_TRUE(semaphore.Unlock());
}

TEST_F(SystemSemaphoreTest, WithoutASemaphoreNothingIsTaken)
{
    LSystemSemaphore none;
    EXPECT_FALSE(none.Lock());
    EXPECT_FALSE(none.TryLock(20));
    EXPECT_FALSE(none.Unlock());
}

TEST_F(SystemSemaphoreTest, ARemovedSetFailsInsteadOfBlocking)
{
    LSystemSemaphore semaphore(0, id_);
    semctl(id_, 0, IPC_RMID);
    id_ = -1;
    EXPECT_FALSE(semaphore.Lock());
    EXPECT_FALSE(semaphore.TryLock(50));
}

TEST_F(SystemSemaphoreTest, TheSystemReleasesTheLockOfAProcessThatEnds)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LSystemSemaphore semaphore(0, id_);
        bool locked = semaphore.Lock();
        (void)!write(ready[1], "x", 1);
        usleep(100 * 1000);
        _exit(locked ? 0 : 1); // ends holding the lock
    }
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    LSystemSemaphore semaphore(0, id_);
    EXPECT_FALSE(semaphore.TryLock(20)); // held by the child
    EXPECT_TRUE(semaphore.Lock());       // given back when the child exits
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(semaphore.Unlock());
    close(ready[0]);
    close(ready[1]);
}

} // namespace
