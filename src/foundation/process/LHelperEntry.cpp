#include "foundation/process/LHelperEntry.h"

#include "foundation/files/LCopyFileWithProgress.h"
#include "foundation/threads/LProcessStdioContext.h"
#include "foundation/threads/LThreadNames.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

enum : int { kDone = 0, kFailed = 2 };

class LFunctionHelperEntry : public LHelperEntry
{
public:
    LFunctionHelperEntry(const char* name, LHelperEntryFunction run) : LHelperEntry(name), run_(run) {}
    int Run(LProcessStdioContext* context) override { return run_ ? run_(context) : kFailed; }

private:
    LHelperEntryFunction run_;
};

void RestoreDefaultAction(int signalNumber)
{
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signalNumber, &standard, nullptr);
}

volatile sig_atomic_t gHelperInputFd = -1;
volatile sig_atomic_t gHelperNullFd = -1;

// A helper has no main loop to quit: SIGINT and SIGTERM become the stop the
// parent would ask for, by putting an empty input in place of the parent's
// channel. The entry then sees a stop (or the end of its request), finishes
// as after a cancel and removes what it had begun. dup2 is async-signal-safe.
void HelperQuitHandler(int)
{
    const int savedErrno = errno;
    if (gHelperInputFd >= 0 && gHelperNullFd >= 0)
        dup2(gHelperNullFd, gHelperInputFd);
    errno = savedErrno;
}

void RouteQuitSignalsToInput(FILE* input)
{
    const int fd = input ? fileno(input) : -1;
    if (fd >= 0 && gHelperNullFd < 0)
        gHelperNullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0 || gHelperNullFd < 0) {
        RestoreDefaultAction(SIGINT);
        RestoreDefaultAction(SIGTERM);
        return;
    }
    gHelperInputFd = fd;
    struct sigaction quit = {};
    quit.sa_handler = HelperQuitHandler;
    sigfillset(&quit.sa_mask);
    quit.sa_flags = SA_RESTART;
    sigaction(SIGINT, &quit, nullptr);
    sigaction(SIGTERM, &quit, nullptr);
}

} // namespace

// A singly linked list, newest first; emptied (every entry destroyed) at exit.
class LHelperEntryList
{
public:
    LHelperEntryList() { Add(new LFunctionHelperEntry("LProcessCopyFileExe", LProcessCopyFileExe)); }
    ~LHelperEntryList()
    {
        while (head_) {
            LHelperEntry* next = head_->next_;
            delete head_;
            head_ = next;
        }
    }

    void Add(LHelperEntry* entry)
    {
        std::lock_guard<std::mutex> hold(lock_);
        entry->next_ = head_;
        head_ = entry;
    }

    LHelperEntry* Find(const char* name)
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (LHelperEntry* entry = head_; entry; entry = entry->next_) {
            if (name && std::strcmp(entry->name_, name) == 0)
                return entry;
        }
        return nullptr;
    }

private:
    std::mutex lock_;
    LHelperEntry* head_ = nullptr;
};

namespace {

LHelperEntryList& Entries()
{
    static LHelperEntryList list;
    return list;
}

} // namespace

void LRegisterHelperEntry(LHelperEntry* entry)
{
    if (entry)
        Entries().Add(entry);
}

void LRegisterHelperEntry(const char* name, LHelperEntryFunction run)
{
    LRegisterHelperEntry(new LFunctionHelperEntry(name, run));
}

LHelperEntry* LFindHelperEntry(const char* name)
{
    return Entries().Find(name);
}

int LRunHelperEntry(const char* name)
{
    return LRunHelperEntryOn(name, stdout, stdin);
}

int LRunHelperEntryOn(const char* name, FILE* output, FILE* input)
{
    LSetCurrentThreadShortName(name);
    for (int signalNumber : {SIGQUIT, SIGILL, SIGFPE, SIGSEGV, SIGBUS})
        RestoreDefaultAction(signalNumber);
    RouteQuitSignalsToInput(input);
    LHelperEntry* entry = LFindHelperEntry(name);
    if (!entry)
        return kFailed;
    LProcessStdioContext context(output, input);
    if (output)
        setvbuf(output, nullptr, _IONBF, 0);
    return entry->Run(&context);
}

int LProcessCopyFileExe(LProcessStdioContext* context)
{
    LCopyFileRequest request;
    std::memset(&request, 0, sizeof request);
    int result = kFailed;
    if (context->ReadInput(&request, sizeof request)) {
        const bool whole = std::memchr(request.source, '\0', sizeof request.source) &&
                           std::memchr(request.destination, '\0', sizeof request.destination);
        if (whole)
            result = LCopyFileWithProgress(context, request);
    }
    // Whatever arrived goes back with both fields ending in a terminator, so
    // the parent never reads past a field either.
    request.source[sizeof request.source - 1] = '\0';
    request.destination[sizeof request.destination - 1] = '\0';
    context->SendResult(result, &request, sizeof request);
    return result;
}
