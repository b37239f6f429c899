#pragma once
// The daily log: one plain-text file per calendar day in the "Logs" folder,
// lines "hh:mm:ss text" ending in CR LF. Any thread of any process of the
// program may append to the same day's file at once.

#include <cstdint>
#include <ctime>
#include <mutex>

enum LLogLevel : int {
    kLogInfo = 0,
    kLogWarning = 1,
    kLogError = 2,
};

// Receives every logged line (for instance to show it in a window).
class LLogObserver
{
public:
    virtual ~LLogObserver() = default;
    virtual void OnLogLine(const char* stamp, const char* text, int level) = 0;
};

class LLog
{
public:
    LLog() = default;
    LLog(const LLog&) = delete;
    LLog& operator=(const LLog&) = delete;

    // Appends "stamp text\r\n" to the file of the current day; an empty text
    // writes nothing. The level only reaches the observer.
    void Write(const char* text, int level);
    // The same at a given wall-clock time.
    void WriteAt(const char* text, int level, time_t now);

    // The folder the day files go to; created when a line is written. An
    // empty folder returns to the standard "Logs" folder.
    void SetFolder(const char* folder);
    void GetFolder(char* dest) const;
    void SetObserver(LLogObserver* observer);

    // The file that a line written at `now` goes to.
    void GetPathFor(time_t now, char* dest);

private:
    // Points an LLog without a chosen folder at the current standard folder.
    void FollowStandardFolder();
    // Fills the cached stamp and path for `now` (called with the lock held).
    void UpdateCache(time_t now);

    mutable std::mutex lock_;
    char folder_[260] = {};
    bool folderChosen_ = false;
    LLogObserver* observer_ = nullptr;
    time_t lastSecond_ = -1;
    char stamp_[16] = {};
    char path_[260] = {};
};

// The process's log. Until start-up names a folder it writes to the "Logs"
// folder of the program's data folder (LGetLogsFolder).
LLog* LGetGlobalLog();

void LLogInfo(const char* text);
void LLogWarning(const char* text);
void LLogError(const char* text);
void LLogInfoF(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LLogWarningF(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LLogErrorF(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends the bytes to the file (created when missing) at its end, under an
// exclusive lock taken within `lockWaitMs` (the bytes are written even when
// the lock could not be had). True when every byte was written.
bool LLogAppendToFile(const char* path, const void* bytes, uint64_t length, uint32_t lockWaitMs);
