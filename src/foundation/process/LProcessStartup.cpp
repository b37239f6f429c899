#include "foundation/process/LProcessStartup.h"

#include "foundation/ini/LIniFile.h"
#include "foundation/ini/LRegistries.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/process/LCommandLine.h"
#include "foundation/process/LCrashSignalHandler.h"
#include "foundation/process/LHelperEntry.h"
#include "foundation/process/LLocale.h"
#include "foundation/threads/LThreadNames.h"

#include <clocale>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr uint64_t kOpenFileLimit = 4096;

constexpr const char* kComponentNotice = "This application may use the Quavex component.\r\n"
                                         "The LAME Open Source MP3 Encoder Project\r\n"
                                         "https://lame.sourceforge.io/\r\n";

std::atomic<const LSignalObject*> gQuitSignal{nullptr};
volatile sig_atomic_t gQuitSignalNumber = 0;
std::atomic<bool> gInstallerStart{false};

void QuitSignalHandler(int signalNumber)
{
    gQuitSignalNumber = signalNumber;
    if (const LSignalObject* signal = gQuitSignal.load(std::memory_order_acquire))
        signal->Signal(); // one write(), errno kept
}

void InstallSignalHandlers()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigfillset(&ignore.sa_mask);
    ignore.sa_flags = SA_RESTART;
    sigaction(SIGPIPE, &ignore, nullptr);
    // A file-size limit then fails the write (EFBIG) with its message, as a
    // full disk does, instead of killing the program mid-file.
    sigaction(SIGXFSZ, &ignore, nullptr);

    gQuitSignal.store(&LGetQuitSignal(), std::memory_order_release);
    struct sigaction quit = {};
    quit.sa_handler = QuitSignalHandler;
    sigfillset(&quit.sa_mask);
    quit.sa_flags = SA_RESTART;
    sigaction(SIGINT, &quit, nullptr);
    sigaction(SIGTERM, &quit, nullptr);
}

} // namespace

LCrashState& LGetCrashState()
{
    static LCrashState state;
    return state;
}

const LSignalObject& LGetQuitSignal()
{
    static const LSignalObject signal;
    return signal;
}

int LGetQuitSignalNumber()
{
    return gQuitSignalNumber;
}

void LProcessStaticInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Made now so that it is destroyed (saving what changed) after
        // everything that may still write to it at exit.
        LIniFileCache::Instance();
        LCrashState& state = LGetCrashState();
        state.mainThreadId = LCurrentThreadId();
        state.lastCommand = 0;
        state.startupPhase = 1;
        InstallSignalHandlers();
        LInstallCrashSignalHandler();
        LFindHelperEntry(nullptr); // builds the entry list with its built-in entries
        char logs[260];
        LGetLogsFolder(logs);
        LRegisterNotice(kComponentNotice, "");
    });
}

bool LIsRootUser()
{
    return getuid() == 0 || geteuid() == 0;
}

uint64_t LRaiseOpenFileLimit(uint64_t wanted)
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlim_t raised = rlim_t(wanted);
        if (limit.rlim_max != RLIM_INFINITY && raised > limit.rlim_max)
            raised = limit.rlim_max;
        struct rlimit changed = limit;
        changed.rlim_cur = raised;
        if (setrlimit(RLIMIT_NOFILE, &changed) == 0)
            limit = changed;
    }
    return limit.rlim_cur == RLIM_INFINITY ? UINT64_MAX : uint64_t(limit.rlim_cur);
}

bool LIsInstallerStart()
{
    return gInstallerStart.load();
}

bool LProcessStartup(int argc, char** argv, int* exitCode)
{
    LProcessStaticInit();
    // The marker of a crash goes where this run's environment says.
    LUpdateCrashMarkerPath();
    LSetThreadShortName("MAIN");
    LSetCommandLine(argc, argv);
    LInitLocale(LC_ALL);
    LRaiseOpenFileLimit(kOpenFileLimit);

    *exitCode = 0;
    const int count = LGetCommandLineCount();
    char** arguments = LGetCommandLine();
    if (count >= 3 && std::strcmp(arguments[1], "-exe") == 0) {
        *exitCode = LRunHelperEntry(arguments[2]) == 0 ? 0 : 1;
        return false;
    }
    if (count >= 3 && std::strcmp(arguments[1], "-elevated") == 0) {
        *exitCode = 1;
        return false;
    }
    if (count >= 2 && std::strcmp(arguments[1], "-installer") == 0)
        gInstallerStart = true;
    return true;
}
