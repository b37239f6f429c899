#include "app/queue/OutputNames.h"

#include "app/queue/ProcessQueueFile.h"
#include "audio/effects/LRestorationTasks.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "foundation/text/LUtf8.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

constexpr std::size_t kNameSize = 260;

// The token's replacement; false for an unknown or empty token.
bool TokenValue(const std::string& token, int64_t number, const std::tm& when, char* value, std::size_t size)
{
    const char* name = token.c_str();
    if (strcasecmp(name, "YYYY") == 0)
        std::snprintf(value, size, "%.4d", when.tm_year + 1900);
    else if (strcasecmp(name, "MM") == 0)
        std::snprintf(value, size, "%.2d", when.tm_mon + 1);
    else if (strcasecmp(name, "DD") == 0)
        std::snprintf(value, size, "%.2d", when.tm_mday);
    else if (strcasecmp(name, "HH") == 0)
        std::snprintf(value, size, "%.2d", when.tm_hour);
    else if (strcasecmp(name, "MIN") == 0)
        std::snprintf(value, size, "%.2d", when.tm_min);
    else if (strcasecmp(name, "SS") == 0)
        std::snprintf(value, size, "%.2d", when.tm_sec);
    else if (strcasecmp(name, "autonumber") == 0)
        std::snprintf(value, size, "%.2" PRId64, number);
    else
        return false;
    return true;
}

} // namespace

void ExpandOutputNameAt(char* out, const char* nameTemplate, int64_t number, const std::tm& when)
{
    std::string result;
    const char* p = nameTemplate ? nameTemplate : "";
    while (*p != '\0') {
        if (*p != '%') {
            result += *p++;
            continue;
        }
        const char* close = std::strchr(p + 1, '%');
        if (close == nullptr) {
            result += *p++;
            continue;
        }
        std::string token(p + 1, close);
        if (token.size() > kNameSize - 1)
            token.resize(LUtf8BoundaryBefore(token.c_str(), kNameSize - 1));
        char value[32];
        if (TokenValue(token, number, when, value, sizeof value))
            result += value;
        p = close + 1;
    }
    LUtf8CopyWhole(out, result.c_str(), kNameSize);
}

void ExpandOutputName(char* out, const char* nameTemplate, int64_t number)
{
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    ExpandOutputNameAt(out, nameTemplate, number, local);
}

bool HasAutonumberToken(const char* nameTemplate)
{
    for (const char* p = nameTemplate; p && (p = std::strchr(p, '%')) != nullptr;) {
        const char* close = std::strchr(p + 1, '%');
        if (close == nullptr)
            return false;
        if (close - p - 1 == 10 && strncasecmp(p + 1, "autonumber", 10) == 0)
            return true;
        p = close + 1;
    }
    return false;
}

namespace {

// 1 free, 0 taken, -1 the queue could not be searched or the path does not fit.
int IsNameFree(const char* folder, const char* name, ProcessQueueFile& queue)
{
    for (const char* extension : {".wav", ".mp3"}) {
        char path[kLPathSize];
        if (!LPathCombine(path, folder, name, extension))
            return -1;
        if (LFileExists(path))
            return 0;
        bool queued = false;
        const QueueStatus status = queue.IsDestinationQueued(path, &queued);
        if (status != QueueStatus::kOk) {
            LLogWarningF("Could not search the job queue for %s: %s", path, QueueStatusText(status));
            return -1;
        }
        if (queued)
            return 0;
    }
    return 1;
}

} // namespace

bool MakeNextOutputNameIn(char* out, const char* folder, const char* nameTemplate, ProcessQueueFile& queue)
{
    const bool numbered = HasAutonumberToken(nameTemplate);
    char base[kNameSize];
    ExpandOutputName(base, nameTemplate, 1);
    for (int64_t n = 1; n <= kOutputNameSearchLimit; ++n) {
        char name[kNameSize];
        if (numbered) {
            ExpandOutputName(name, nameTemplate, n);
        } else if (n == 1) {
            std::memcpy(name, base, sizeof name);
        } else {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, " %.2" PRId64, n);
            const std::string joined = std::string(base) + suffix;
            if (joined.size() >= sizeof name)
                break;
            std::memcpy(name, joined.c_str(), joined.size() + 1);
        }
        if (name[0] == '\0')
            break;
        const int free = IsNameFree(folder, name, queue);
        if (free < 0)
            break;
        if (free == 1) {
            std::memcpy(out, name, kNameSize);
            return true;
        }
    }
    out[0] = '\0';
    return false;
}

bool MakeNextOutputName(char* out)
{
    char nameTemplate[kNameSize];
    char folder[kLPathSize];
    char queuePath[kLPathSize];
    LSettingsGetString("OutputFormat", "FileNameFormat", kDefaultOutputNameTemplate, nameTemplate);
    if (!GetAppOutputFolder(folder) || !GetProcessQueuePath(queuePath)) {
        out[0] = '\0';
        return false;
    }
    ProcessQueueFile queue(queuePath);
    return MakeNextOutputNameIn(out, folder, nameTemplate, queue);
}
