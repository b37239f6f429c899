#pragma once
// Helper-process entries: the program started as "quorin -exe NAME" runs the
// entry registered under NAME instead of its windows, with standard input and
// output as its channel to the parent (records of LProcessStdioContext).

#include <cstdio>

class LProcessStdioContext;

class LHelperEntry
{
public:
    // name must stay valid for the life of the entry (a static text).
    explicit LHelperEntry(const char* name) : name_(name) {}
    virtual ~LHelperEntry() = default;
    LHelperEntry(const LHelperEntry&) = delete;
    LHelperEntry& operator=(const LHelperEntry&) = delete;

    // Returns 0 success, 1 cancelled, 2 failed.
    virtual int Run(LProcessStdioContext* context) = 0;

    const char* Name() const { return name_; }

private:
    friend class LHelperEntryList;
    const char* name_;
    LHelperEntry* next_ = nullptr;
};

using LHelperEntryFunction = int (*)(LProcessStdioContext* context);

// Adds an entry (the list owns it from now on); the newest entry of a name is
// the one found. The entry "LProcessCopyFileExe" is always there.
void LRegisterHelperEntry(LHelperEntry* entry);
void LRegisterHelperEntry(const char* name, LHelperEntryFunction run);

// The entry registered under exactly this name, or null.
LHelperEntry* LFindHelperEntry(const char* name);

// Runs the entry over standard output and input: the calling thread takes the
// entry's name as its short name, crash signals get their default actions back
// (a helper has no crash reporter), SIGINT and SIGTERM ask the entry to stop
// as the parent would (its input reads as ended), standard output becomes
// unbuffered. Returns the entry's result, or 2 for an unknown
// name (then nothing is written).
int LRunHelperEntry(const char* name);
// The same over other streams.
int LRunHelperEntryOn(const char* name, FILE* output, FILE* input);

// The copy-file entry: reads a 520-byte LCopyFileRequest, copies with
// progress and answers with the result record and the request. A field
// without its terminator is refused (failure, never a shortened path).
int LProcessCopyFileExe(LProcessStdioContext* context);
