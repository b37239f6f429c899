#include "foundation/threads/LSignalObject.h"

#include "foundation/threads/LPoll.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

LSignalObject::LSignalObject()
{
    int ends[2];
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) == 0) {
        readFd_ = ends[0];
        writeFd_ = ends[1];
    }
}

LSignalObject::~LSignalObject()
{
    if (readFd_ >= 0)
        close(readFd_);
    if (writeFd_ >= 0)
        close(writeFd_);
}

void LSignalObject::Signal() const
{
    if (writeFd_ < 0)
        return;
    // May run inside a signal handler: leave errno as the interrupted code had it.
    const int savedErrno = errno;
    const char byte = 1;
    while (write(writeFd_, &byte, 1) < 0 && errno == EINTR) {
    }
    errno = savedErrno;
}

void LSignalObject::Reset() const
{
    if (readFd_ < 0)
        return;
    char bytes[64];
    for (;;) {
        ssize_t n = read(readFd_, bytes, sizeof bytes);
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        break; // empty (EAGAIN) or the write end is gone
    }
}

bool LSignalObject::IsSignalled() const
{
    return Wait(0);
}

bool LSignalObject::Wait(uint32_t ms) const
{
    pollfd entry{readFd_, POLLIN, 0};
    return LPollRetrying(&entry, 1, ms) > 0 && LPollReady(entry);
}

bool LWaitEither(int fdA, int fdB, uint32_t ms)
{
    pollfd entries[2] = {{fdA, POLLIN, 0}, {fdB, POLLIN, 0}};
    return LPollRetrying(entries, 2, ms) > 0 && (LPollReady(entries[0]) || LPollReady(entries[1]));
}
