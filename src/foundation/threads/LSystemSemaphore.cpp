#include "foundation/threads/LSystemSemaphore.h"

#include <cerrno>
#include <ctime>
#include <sys/sem.h>

namespace {

constexpr uint32_t kRetryStepMs = 10;

int Operate(int id, short delta, short flags)
{
    sembuf operation{};
    operation.sem_num = 0;
    operation.sem_op = delta;
    operation.sem_flg = flags;
    return semop(id, &operation, 1);
}

void SleepMs(uint32_t ms)
{
    timespec left{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

} // namespace

bool LSystemSemaphore::Lock()
{
    if (id == -1)
        return false;
    for (;;) {
        if (Operate(id, -1, SEM_UNDO) == 0)
            return true;
        // A signal arriving during the wait must not pass for the lock.
        if (errno != EAGAIN && errno != EINTR)
            return false;
    }
}

bool LSystemSemaphore::TryLock(uint32_t ms)
{
    if (id == -1)
        return false;
    for (;;) {
        if (Operate(id, -1, SEM_UNDO | IPC_NOWAIT) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return false;
        if (ms <= kRetryStepMs)
            return false;
        SleepMs(kRetryStepMs);
        ms -= kRetryStepMs;
    }
}

bool LSystemSemaphore::Unlock()
{
    if (id == -1)
        return false;
    while (Operate(id, 1, SEM_UNDO) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}
