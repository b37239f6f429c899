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
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
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

// Runs the call in a child and gives its wait status, or -1 when it was
// still blocked after the bound (the child and its own children are then killed).
int StatusWithin(const std::function<int()>& call, int seconds)
{
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        _exit(call());
    }
    setpgid(child, child);
    int status = 0;
    for (int waited = 0; waited < seconds * 100; ++waited) {
        if (waitpid(child, &status, WNOHANG) == child)
            return status;
        poll(nullptr, 0, 10);
    }
    kill(-child, SIGKILL); // its own children as well
    waitpid(child, &status, 0);
    return -1;
}

TEST_F(CrashSignals, AMarkerPathHoldingNoSmallRegularFileIsRefusedWithoutBlocking)
{
    struct Case
    {
        const char* what;
        std::function<void(const std::string&)> plant;
    };
    const std::string real = (std::filesystem::path(getenv("HOME")) / "real-marker").string();
    std::ofstream(real) << "signal=11\ntime=5\n";
    const Case cases[] = {
        {"a FIFO nobody writes to",
         [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"a marker of one endless line",
         [](const std::string& path) {
             std::ofstream out(path, std::ios::binary);
             out << "signal=11\nframes=" << std::string(1 << 20, 'x') << "\n";
         }},
        {"a symbolic link to a marker",
         [&real](const std::string& path) { ASSERT_EQ(symlink(real.c_str(), path.c_str()), 0); }},
        {"a folder", [](const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0700), 0); }},
    };
    char marker[260];
    ASSERT_TRUE(LGetCrashMarkerPath(marker));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(marker);
        c.plant(marker);
        const int status = StatusWithin(
            [&] {
                LCrashMarker found;
                return LReadCrashMarker(marker, &found) ? 1 : 0;
            },
            20);
        ASSERT_NE(status, -1) << "reading the marker blocked";
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "taken for a marker";
    }
    // A marker as the handler writes it is still read.
    std::filesystem::remove_all(marker);
    std::filesystem::copy_file(real, marker);
    LCrashMarker found;
    EXPECT_TRUE(LReadCrashMarker(marker, &found));
    EXPECT_EQ(found.signalNumber, 11);
    EXPECT_EQ(found.time, 5);
}

TEST_F(CrashSignals, AFifoAtTheMarkerPathDoesNotHoldTheCrashingProcess)
{
    char marker[260];
    ASSERT_TRUE(LGetCrashMarkerPath(marker));
    std::filesystem::remove_all(marker);
    ASSERT_EQ(mkfifo(marker, 0600), 0);
    const int status = StatusWithin(
        [] {
            const int crashed = CrashChild(Fault::Segv, SIGSEGV, false);
            return WIFSIGNALED(crashed) && WTERMSIG(crashed) == SIGSEGV ? 0 : 1;
        },
        20);
    ASSERT_NE(status, -1) << "the crashing process blocked on the FIFO";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the crash did not end the process by its signal";
}

} // namespace
