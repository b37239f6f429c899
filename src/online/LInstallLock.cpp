#include "online/LInstallLock.h"

#include "foundation/files/LPath.h"
#include "foundation/threads/LProcessContext.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr uint32_t kLockPollMs = 200;

} // namespace

LInstallLock::~LInstallLock()
{
    if (fd_ >= 0)
        close(fd_); // releases the lock
}

int LInstallLock::Take(LProcessContext* context, const char* folder)
{
    char path[kLPathSize];
    if (fd_ >= 0 || !LPathCombine(path, folder, ".install", ".lock"))
        return 2;
    fd_ = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0)
        return 2;
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return 2;
        if (context->WaitForStop(kLockPollMs))
            return 1;
    }
}
