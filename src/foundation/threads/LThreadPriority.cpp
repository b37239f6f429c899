#include "foundation/threads/LThreadPriority.h"

#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The FIFO priority of our real-time threads: high enough to beat ordinary
// work, low enough to leave room for the sound server's own threads.
constexpr int kFifoPriority = 10;

bool TrySchedFifo(pthread_t thread)
{
    sched_param param{};
    param.sched_priority = kFifoPriority;
    int rc = pthread_setschedparam(thread, SCHED_FIFO, &param);
    if (rc == EPERM) {
        // Without CAP_SYS_NICE the process may still use FIFO priorities up
        // to its RLIMIT_RTPRIO.
        rlimit limit{};
        if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur > 0 &&
            limit.rlim_cur < rlim_t(kFifoPriority)) {
            param.sched_priority = int(limit.rlim_cur);
            rc = pthread_setschedparam(thread, SCHED_FIFO, &param);
        }
    }
    return rc == 0;
}

// The lowest nice value this process may give itself without privileges.
int NiceFloor()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
        return 20;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 40)
        return -20;
    return 20 - int(limit.rlim_cur);
}

void SetNice(pid_t tid, int nice)
{
    if (setpriority(PRIO_PROCESS, id_t(tid), nice) == 0)
        return;
    if (errno != EACCES && errno != EPERM)
        return;
    // Asked for more than we may have. A process may always raise its nice
    // value and lower it down to its RLIMIT_NICE floor, so the nearest allowed
    // value is the floor when that is below the current value, else the
    // current value itself.
    errno = 0;
    int current = getpriority(PRIO_PROCESS, id_t(tid));
    if (current == -1 && errno != 0)
        return;
    int floor = NiceFloor();
    if (floor > nice && floor < current)
        setpriority(PRIO_PROCESS, id_t(tid), floor);
}

int RoundedDiv(int numerator, int denominator)
{
    return (numerator + denominator / 2) / denominator;
}

} // namespace

int LPriorityToNice(int priority)
{
    if (priority > LNormalPriority) {
        int nice = RoundedDiv((priority - LNormalPriority) * 20, 16);
        return nice > 20 ? -20 : -nice;
    }
    if (priority >= 16)
        return 0;
    if (priority < 0)
        priority = 0;
    return RoundedDiv((16 - priority) * 19, 16);
}

int LNiceToPriority(int nice)
{
    if (nice < 0)
        return LNormalPriority + RoundedDiv((nice < -20 ? 20 : -nice) * 16, 20);
    if (nice == 0)
        return LNormalPriority;
    return 16 - RoundedDiv((nice > 19 ? 19 : nice) * 16, 19);
}

void LSetThreadPriority(pthread_t thread, pid_t tid, int priority)
{
    if (priority >= LRealtimePriority) {
        if (TrySchedFifo(thread))
            return;
        // Not allowed: the highest normal priority we may have.
        priority = 47;
    }
    sched_param param{};
    param.sched_priority = 0;
    int policy = SCHED_OTHER;
    sched_param current{};
    if (pthread_getschedparam(thread, &policy, &current) != 0)
        return;
    if (policy != SCHED_OTHER)
        pthread_setschedparam(thread, SCHED_OTHER, &param);
    if (tid > 0)
        SetNice(tid, LPriorityToNice(priority));
}

int LGetThreadPriorityById(pid_t tid)
{
    int policy = sched_getscheduler(tid);
    if (policy < 0)
        return 20;
    if (policy == SCHED_FIFO || policy == SCHED_RR)
        return LRealtimePriority;
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, id_t(tid));
    if (nice == -1 && errno != 0)
        return 20;
    return LNiceToPriority(nice);
}

int LGetThreadPriority(pthread_t thread)
{
    int policy = SCHED_OTHER;
    sched_param param{};
    if (pthread_getschedparam(thread, &policy, &param) != 0)
        return 20;
    if (policy == SCHED_FIFO || policy == SCHED_RR)
        return LRealtimePriority;
    if (pthread_equal(thread, pthread_self()))
        return LGetThreadPriorityById(gettid());
    return LNormalPriority;
}
