// The fatal-signal handler that start-up installs, in children that went
// through the program's start-up path: each ends by its own signal (so a
// shell sees 128 + signal, never an exit status), and leaves a marker naming the signal, the
// thread and the run phase for the next start.

#include "foundation/process/LCrashSignalHandler.h"
#include "foundation/process/LProcessStartup.h"
#include "foundation/threads/LThreadNames.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Fault { Segv, Ill, Raise };

void Trigger(Fault fault, int signalNumber)
{
    switch (fault) {
    case Fault::Segv: {
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
        break;
    }
    case Fault::Ill:
#if defined(__x86_64__) || defined(__i386__)
        __asm__ volatile("ud2");
#else
        raise(SIGILL);
#endif
        break;
    case Fault::Raise:
        raise(signalNumber);
        break;
    }
}

struct ThreadFault
{
    Fault fault;
    int signalNumber;
};

void* FaultOnWorker(void* data)
{
    LSetThreadShortName("WORK");
    const ThreadFault* what = static_cast<ThreadFault*>(data);
    Trigger(what->fault, what->signalNumber);
    return nullptr;
}

// A child that starts as the program does and then faults; its wait status.
int CrashChild(Fault fault, int signalNumber, bool onWorker)
{
    const pid_t child = fork();
    if (child == 0) {
        struct rlimit none = {0, 0};
        setrlimit(RLIMIT_CORE, &none); // no core files from the test
        char name[] = "quorin";
        char* argv[] = {name, nullptr};
        int exitCode = 0;
        if (!LProcessStartup(1, argv, &exitCode))
            _exit(90);
        LGetCrashState().startupPhase = 0;
        if (onWorker) {
            ThreadFault what{fault, signalNumber};
            pthread_t thread;
            pthread_create(&thread, nullptr, FaultOnWorker, &what);
            pthread_join(thread, nullptr);
        } else {
            Trigger(fault, signalNumber);
        }
        _exit(91); // the handler must not let it go on
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

class CrashSignals : public quorin::test::TempHomeTest
{
};

TEST_F(CrashSignals, EachFatalSignalEndsTheProcessByItselfAndLeavesAMarker)
{
    struct Case
    {
        const char* what;
        Fault fault;
        int signalNumber;
        bool onWorker;
    };
    const Case cases[] = {
        {"real segmentation fault", Fault::Segv, SIGSEGV, false},
        {"illegal instruction", Fault::Ill, SIGILL, false},
        {"SIGFPE", Fault::Raise, SIGFPE, false},
        {"SIGBUS", Fault::Raise, SIGBUS, false},
        {"SIGQUIT", Fault::Raise, SIGQUIT, false},
        {"fault on a worker thread", Fault::Segv, SIGSEGV, true},
    };
    char marker[260];
    ASSERT_TRUE(LGetCrashMarkerPath(marker));
    EXPECT_NE(std::strstr(marker, "/.cache/Quorin/_quorin_crash_"), nullptr) << marker;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(marker);
        const int status = CrashChild(c.fault, c.signalNumber, c.onWorker);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        EXPECT_EQ(WTERMSIG(status), c.signalNumber);
        LCrashMarker found;
        ASSERT_TRUE(LReadCrashMarker(marker, &found));
        EXPECT_EQ(found.signalNumber, c.signalNumber);
        EXPECT_EQ(found.mainThread, !c.onWorker);
        EXPECT_TRUE(found.threadKnown);
        EXPECT_STREQ(found.thread, c.onWorker ? "WORK" : "MAIN");
        EXPECT_EQ(found.phase, 0);
        EXPECT_LE(std::abs(found.time - static_cast<int64_t>(time(nullptr))), 60);
        EXPECT_FALSE(found.frames.empty());
        EXPECT_EQ(std::filesystem::status(marker).permissions() & std::filesystem::perms::group_all,
                  std::filesystem::perms::none);
    }
}

} // namespace
