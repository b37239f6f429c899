#include "foundation/process/LCrashSignalHandler.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/process/LProcessStartup.h"
#include "foundation/threads/LThreadNames.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kCrashSignals[] = {SIGQUIT, SIGILL, SIGFPE, SIGSEGV, SIGBUS};
constexpr int kMaxFrames = 24;
// More than the handler's text can ever hold.
constexpr off_t kMaxMarkerBytes = 4096;

// Written before the handler is installed (and when the environment may
// have changed, never while a crash is being handled); read by the handler.
char gMarkerPath[260] = {};
volatile sig_atomic_t gHandling = 0;

// A text put together in a fixed buffer without any call that may allocate.
struct SafeText
{
    char data[1024];
    size_t length = 0;

    void Add(const char* text)
    {
        while (*text != '\0' && length < sizeof data)
            data[length++] = *text++;
    }
    void AddBounded(const char* text, size_t most)
    {
        for (size_t i = 0; i < most && text[i] != '\0' && length < sizeof data; ++i)
            data[length++] = text[i];
    }
    void AddDecimal(int64_t value)
    {
        char digits[24];
        int n = 0;
        uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0 && length < sizeof data)
            data[length++] = '-';
        while (n > 0 && length < sizeof data)
            data[length++] = digits[--n];
    }
    void AddHex(uintptr_t value)
    {
        static const char kHex[] = "0123456789abcdef";
        char digits[20];
        int n = 0;
        do {
            digits[n++] = kHex[value & 15];
            value >>= 4;
        } while (value != 0);
        Add("0x");
        while (n > 0 && length < sizeof data)
            data[length++] = digits[--n];
    }
};

void RestoreDefault(int signalNumber)
{
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signalNumber, &standard, nullptr);
}

// Only async-signal-safe calls below: open, write, close, time, gettid,
// sigaction, raise, and backtrace (made safe by a first call at install
// time, which loads what it needs).
void CrashSignalHandler(int signalNumber, siginfo_t* info, void* context)
{
    (void)info;
    (void)context;
    const int savedErrno = errno;
    if (gHandling == 0 && gMarkerPath[0] != '\0') {
        gHandling = 1;
        const LCrashState& state = LGetCrashState();
        const uint32_t tid = LCurrentThreadId();
        SafeText text;
        text.Add("signal=");
        text.AddDecimal(signalNumber);
        text.Add("\ntime=");
        text.AddDecimal(static_cast<int64_t>(time(nullptr)));
        text.Add("\nmain=");
        text.AddDecimal(tid == state.mainThreadId.load(std::memory_order_relaxed) ? 1 : 0);
        text.Add("\nphase=");
        text.AddDecimal(state.startupPhase.load(std::memory_order_relaxed));
        text.Add("\ncommand=");
        text.AddDecimal(state.lastCommand.load(std::memory_order_relaxed));
        if (const LThreadNameEntry* entry = LGetThreadNameTable().Find(tid)) {
            text.Add("\nthread=");
            text.AddBounded(entry->shortName, sizeof entry->shortName - 1);
            text.Add("\nactivity=");
            text.AddBounded(entry->activity, sizeof entry->activity - 1);
        }
        void* frames[kMaxFrames];
        const int count = backtrace(frames, kMaxFrames);
        text.Add("\nframes=");
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                text.Add(" ");
            text.AddHex(reinterpret_cast<uintptr_t>(frames[i]));
        }
        text.Add("\n");
        // Never blocks: a FIFO planted at the path must not hold the dying process.
        const int fd =
            open(gMarkerPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd >= 0) {
            size_t done = 0;
            while (done < text.length) {
                const ssize_t n = write(fd, text.data + done, text.length - done);
                if (n <= 0)
                    break;
                done += static_cast<size_t>(n);
            }
            close(fd);
        }
    }
    // Ends the process by the same signal: a fault comes back at once when
    // the handler returns, a raised signal is delivered as soon as the
    // handler's mask is lifted.
    RestoreDefault(signalNumber);
    raise(signalNumber);
    errno = savedErrno;
}

} // namespace

bool LGetCrashMarkerPath(char* dest)
{
    dest[0] = '\0';
    char caches[260];
    if (!LGetCachesFolder(caches))
        return false;
    const char* login = std::getenv("LOGNAME");
    if (login == nullptr)
        login = std::getenv("USER");
    char name[260];
    std::snprintf(name, sizeof name, "_quorin_crash_%s", login != nullptr ? login : "");
    for (char* p = name; *p != '\0'; ++p)
        if (*p == '/')
            *p = '_';
    return LPathCombine(dest, caches, name, "");
}

void LUpdateCrashMarkerPath()
{
    char path[260];
    if (!LGetCrashMarkerPath(path))
        path[0] = '\0';
    // Never half-written for a handler running meanwhile on another thread:
    // the handler then writes nothing rather than somewhere wrong.
    gMarkerPath[0] = '\0';
    std::memcpy(gMarkerPath + 1, path + 1, sizeof gMarkerPath - 1);
    __atomic_signal_fence(__ATOMIC_SEQ_CST);
    gMarkerPath[0] = path[0];
}

void LInstallCrashSignalHandler()
{
    LUpdateCrashMarkerPath();
    void* warm[2];
    backtrace(warm, 2);
    struct sigaction crash = {};
    crash.sa_sigaction = CrashSignalHandler;
    sigfillset(&crash.sa_mask);
    crash.sa_flags = SA_SIGINFO;
    for (int signalNumber : kCrashSignals)
        sigaction(signalNumber, &crash, nullptr);
}

bool LReadCrashMarker(const char* path, LCrashMarker* out)
{
    *out = LCrashMarker();
    // Whatever else sits at the path is no marker of ours: a FIFO would block
    // an open for reading until a writer came, a link may lead anywhere, and
    // the handler never writes more than a few hundred bytes.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxMarkerBytes) {
        close(fd);
        return false;
    }
    std::string text;
    char buffer[1024];
    while (text.size() <= static_cast<size_t>(kMaxMarkerBytes)) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    if (text.size() > static_cast<size_t>(kMaxMarkerBytes))
        return false; // it grew while being read
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        const long long number = std::strtoll(value.c_str(), nullptr, 10);
        if (key == "signal")
            out->signalNumber = static_cast<int>(number);
        else if (key == "time")
            out->time = number;
        else if (key == "main")
            out->mainThread = number != 0;
        else if (key == "phase")
            out->phase = static_cast<int>(number);
        else if (key == "command")
            out->lastCommand = static_cast<int>(number);
        else if (key == "thread") {
            out->threadKnown = true;
            std::snprintf(out->thread, sizeof out->thread, "%s", value.c_str());
        } else if (key == "activity")
            std::snprintf(out->activity, sizeof out->activity, "%s", value.c_str());
        else if (key == "frames")
            out->frames = value;
    }
    return out->signalNumber > 0;
}
