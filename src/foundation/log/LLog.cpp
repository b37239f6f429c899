#include "foundation/log/LLog.h"

#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/text/LStringLong.h"
#include "foundation/text/LTextBuffer.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr uint32_t kLogLockWaitMs = 500;
constexpr const char* kLogFileFormat = "%.4d-%.2d-%.2d Quorin Dizer od OD Udivezeve Log.txt";

int OpenForAppend(const char* path)
{
    // O_APPEND makes every write land at the end of the file as it is then,
    // so lines of several processes can never overwrite each other even when
    // one of them could not get the lock in time.
    return open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}

void WriteLevel(int level, const char* format, va_list args)
{
    LStringLongTemplate<char> text;
    text.AppendFormatV(format, args);
    LGetGlobalLog()->Write(text.Text(), level);
}

} // namespace

bool LLogAppendToFile(const char* path, const void* bytes, uint64_t length, uint32_t lockWaitMs)
{
    int fd = OpenForAppend(path);
    if (fd < 0 && errno == ENOENT) {
        // The folder went away (or was never made): make it again rather
        // than lose the line.
        char folder[kLPathSize];
        if (LPathGetFolder(folder, path) > 0) {
            LCreateFolderPath(folder);
            fd = OpenForAppend(path);
        }
    }
    if (fd < 0)
        return false;
    LFileLockWait(fd, LOCK_EX | LOCK_NB, lockWaitMs);
    const bool written = LWriteAll(fd, bytes, length);
    close(fd);
    return written;
}

void LLog::SetFolder(const char* folder)
{
    std::lock_guard<std::mutex> guard(lock_);
    LStrCopyText(folder_, folder ? folder : "", sizeof folder_);
    folderChosen_ = folder_[0] != 0;
    lastSecond_ = -1; // the cached path named the old folder
}

void LLog::GetFolder(char* dest) const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::memcpy(dest, folder_, sizeof folder_);
}

void LLog::SetObserver(LLogObserver* observer)
{
    std::lock_guard<std::mutex> guard(lock_);
    observer_ = observer;
}

void LLog::UpdateCache(time_t now)
{
    if (now == lastSecond_)
        return;
    struct tm local;
    if (!localtime_r(&now, &local))
        std::memset(&local, 0, sizeof local);
    std::snprintf(stamp_, sizeof stamp_, "%.2d:%.2d:%.2d", local.tm_hour % 100, local.tm_min % 100,
                  local.tm_sec % 100);
    char name[kLPathSize];
    std::snprintf(name, sizeof name, kLogFileFormat, (local.tm_year + 1900) % 10000, local.tm_mon + 1,
                  local.tm_mday);
    if (!LPathCombine(path_, folder_, name, ""))
        path_[0] = 0;
    lastSecond_ = now;
}

void LLog::FollowStandardFolder()
{
    bool follow;
    {
        std::lock_guard<std::mutex> guard(lock_);
        follow = !folderChosen_;
    }
    if (!follow)
        return;
    // Until a folder is chosen the log follows the standard folder, which
    // moves with the environment (tests point it at their own homes).
    char standard[kLPathSize] = {};
    LGetLogsFolder(standard);
    std::lock_guard<std::mutex> guard(lock_);
    if (!folderChosen_ && std::strcmp(standard, folder_) != 0) {
        std::memcpy(folder_, standard, sizeof folder_);
        lastSecond_ = -1;
    }
}

void LLog::GetPathFor(time_t now, char* dest)
{
    FollowStandardFolder();
    std::lock_guard<std::mutex> guard(lock_);
    UpdateCache(now);
    std::memcpy(dest, path_, sizeof path_);
}

void LLog::Write(const char* text, int level)
{
    WriteAt(text, level, time(nullptr));
}

namespace {

// A line is one line whatever it quotes: a file name with a line break (or
// any other control character) is written escaped, so it cannot end the
// line early and make what follows look like a line of its own.
std::string EscapeControlCharacters(const char* text)
{
    std::string out;
    for (const char* c = text; *c != '\0'; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += *c;
            continue;
        }
        switch (byte) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
        }
    }
    return out;
}

bool HasControlCharacters(const char* text)
{
    for (const char* c = text; *c != '\0'; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

} // namespace

void LLog::WriteAt(const char* text, int level, time_t now)
{
    if (!text || !text[0])
        return;
    std::string escaped;
    if (HasControlCharacters(text)) {
        escaped = EscapeControlCharacters(text);
        text = escaped.c_str();
    }
    char stamp[16];
    char path[kLPathSize];
    LLogObserver* observer;
    FollowStandardFolder();
    {
        // Threads share the cached stamp and path; each takes its own copy
        // under the lock so that a second change cannot tear them.
        std::lock_guard<std::mutex> guard(lock_);
        UpdateCache(now);
        std::memcpy(stamp, stamp_, sizeof stamp);
        std::memcpy(path, path_, sizeof path);
        observer = observer_;
    }
    if (path[0] && path[0] == '/') {
        LStringLongTemplate<char> line;
        line.Format("%s %s\r\n", stamp, text);
        LLogAppendToFile(path, line.Text(), line.length, kLogLockWaitMs);
    }
    if (observer)
        observer->OnLogLine(stamp, text, level);
}

LLog* LGetGlobalLog()
{
    static LLog* log = new LLog; // never destroyed: threads may log during exit
    return log;
}

void LLogInfo(const char* text)
{
    LGetGlobalLog()->Write(text, kLogInfo);
}

void LLogWarning(const char* text)
{
    LGetGlobalLog()->Write(text, kLogWarning);
}

void LLogError(const char* text)
{
    LGetGlobalLog()->Write(text, kLogError);
}

void LLogInfoF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteLevel(kLogInfo, format, args);
    va_end(args);
}

void LLogWarningF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteLevel(kLogWarning, format, args);
    va_end(args);
}

void LLogErrorF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteLevel(kLogError, format, args);
    va_end(args);
}
