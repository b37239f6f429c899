#include "foundation/process/LHelperEntry.h"

#include "foundation/files/LCopyFileWithProgress.h"
#include "foundation/threads/LProcessStdioContext.h"
#include "foundation/threads/LThreadNames.h"

#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>

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
    for (int signalNumber : {SIGQUIT, SIGILL, SIGFPE, SIGSEGV, SIGBUS, SIGINT, SIGTERM})
        RestoreDefaultAction(signalNumber);
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
