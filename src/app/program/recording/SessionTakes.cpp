#include "app/program/recording/SessionTakes.h"

#include "app/queue/OutputNames.h"
#include "app/queue/ProcessQueueWorker.h"
#include "audio/effects/LRestorationTasks.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWavHeaders.h"
#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SettingOn(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] != '\0' && text[0] != '0';
}

bool IsTakeName(const char* name)
{
    const std::size_t length = std::strlen(name);
    return name[0] != '.' && length > 4 && strcasecmp(name + length - 4, ".wav") == 0;
}

std::string DurationText(int64_t ms)
{
    char text[64];
    LFormatDurationMs(&ms, text);
    return text;
}

// Whether nobody holds the take (its recorder, its sink or another start
// recovering it): then it is held here, shared, as the recording process
// holds it, so that the sink that finishes its header can open it too.
bool TryLockTake(const std::string& path, LFile& holder)
{
    if (!holder.Open(path.c_str(), O_RDWR))
        return false;
    if (flock(holder.fd, LOCK_EX | LOCK_NB) != 0 || flock(holder.fd, LOCK_SH | LOCK_NB) != 0) {
        holder.Close();
        return false;
    }
    return true;
}

bool IsQueuedSource(const std::vector<ProcessQueueRecord>& records, const std::string& path)
{
    struct stat take
    {
    };
    const bool known = stat(path.c_str(), &take) == 0;
    for (const ProcessQueueRecord& record : records) {
        if (path == record.sourcePath)
            return true;
        struct stat source
        {
        };
        if (known && stat(record.sourcePath, &source) == 0 && source.st_dev == take.st_dev &&
            source.st_ino == take.st_ino)
            return true;
    }
    return false;
}

} // namespace

std::string SessionTakesFolder(bool create)
{
    char caches[kLPathSize] = {};
    if (!LGetCachesFolder(caches))
        return "";
    const std::string folder = std::string(caches) + "/" + kSessionTakesFolderName;
    if (create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return "";
    struct stat info
    {
    };
    if (create && (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
        return "";
    return folder;
}

bool SessionTakeLock::Create(char* path, std::size_t size)
{
    Release();
    if (size > 0)
        path[0] = '\0';
    const std::string folder = SessionTakesFolder(true);
    if (folder.empty())
        return false;
    std::string pattern = folder + "/0XXXXXX.wav";
    if (pattern.size() >= size)
        return false;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemps(name.data(), 4);
    if (fd < 0)
        return false;
    fchmod(fd, 0666 & ~LCurrentUmask());
    // Held from the first moment: a start of another process never takes a
    // take being recorded for one left behind. Shared, as the recording's
    // own sink holds it.
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        close(fd);
        unlink(name.data());
        return false;
    }
    fd_ = fd;
    std::snprintf(path, size, "%s", name.data());
    return true;
}

void SessionTakeLock::Release()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

QueueStatus QueueSessionTake(ProcessQueueWorker& worker, const char* takePath, const char* name,
                             int64_t lengthMs, uint32_t lockWaitMs)
{
    // Anything but the five known actions is taken as plain WAV: a track
    // is never left unqueued for want of a format.
    const int format = LSettingsGetInt("OutputFormat", "OutputFormatNum", 0);
    const bool mp3 = format >= 0 && format <= 4 && (format % 2) == 1;
    const char* extension = mp3 ? ".mp3" : ".wav";
    char outputFolder[kLPathSize] = {};
    GetAppOutputFolder(outputFolder);
    std::string destination = std::string(outputFolder) + "/" + name + extension;
    const bool makeCopy = SettingOn("OutputFormat", "MakeCopy");
    char copyFolder[kLPathSize] = {};
    if (makeCopy) {
        char music[kLPathSize] = {};
        std::string fallback;
        if (LGetMusicFolder(music))
            fallback = std::string(music) + "/Quorin";
        LSettingsGetString("OutputFormat", "OutputFolder", fallback.c_str(), copyFolder);
    }
    if (destination.size() >= kLPathSize)
        destination.clear();
    if (name == nullptr || name[0] == '\0')
        return QueueStatus::kFailed;
    QueueStatus status = QueueStatus::kFailed;
    EnqueueRecording(worker, takePath, destination.c_str(), outputFolder, extension,
                     DurationText(lengthMs).c_str(), false, makeCopy, copyFolder, lockWaitMs, &status);
    return status;
}

RecoveredTakes RecoverSessionTakes(ProcessQueueWorker& worker, uint32_t lockWaitMs)
{
    RecoveredTakes found;
    const std::string folder = SessionTakesFolder(false);
    if (folder.empty())
        return found;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return found;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir))
        if (IsTakeName(entry->d_name))
            names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    if (names.empty())
        return found;

    // A take that a queued job names is the queue's already. When the
    // queue cannot be read, nothing is known: every take stays as it is.
    std::vector<ProcessQueueRecord> records;
    const QueueStatus read = worker.Queue().ReadAll(&records);
    if (read != QueueStatus::kOk && read != QueueStatus::kEmpty) {
        LLogWarningF("Recordings left in %s were not looked at: the job queue could not be read (%s)",
                     folder.c_str(), QueueStatusText(read));
        return found;
    }
    char outputFolder[kLPathSize] = {};
    GetAppOutputFolder(outputFolder);
    char nameTemplate[260] = {};
    LSettingsGetString("OutputFormat", "FileNameFormat", kDefaultOutputNameTemplate, nameTemplate);

    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        struct stat info
        {
        };
        if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        LFile lock;
        if (!TryLockTake(path, lock) || IsQueuedSource(records, path))
            continue;
        // Made, but killed before any audio was written: nothing to keep.
        if (info.st_size <= static_cast<off_t>(kPcmWavHeaderBytes)) {
            unlink(path.c_str());
            continue;
        }
        int64_t frames = 0;
        if (!LFinishWavRecording(path.c_str(), &frames)) {
            // Not a take this program can read: it stays for the user.
            LLogWarningF("The recording %s left by an earlier run could not be read", path.c_str());
            found.kept.push_back(path);
            continue;
        }
        if (frames == 0) {
            unlink(path.c_str());
            continue;
        }
        // Takes are recorded at 44100 Hz.
        const int64_t ms = frames / 44100 * 1000 + frames % 44100 * 1000 / 44100;
        char outputName[260] = {};
        QueueStatus status = QueueStatus::kFailed;
        if (MakeNextOutputNameIn(outputName, outputFolder, nameTemplate, worker.Queue()))
            status = QueueSessionTake(worker, path.c_str(), outputName, ms, lockWaitMs);
        if (status == QueueStatus::kOk) {
            LLogInfoF("The recording %s left by an earlier run (%s) was queued as %s", path.c_str(),
                      DurationText(ms).c_str(), outputName);
            ++found.queued;
            found.queuedMs += ms;
        } else {
            LLogWarningF("The recording %s left by an earlier run could not be queued: %s", path.c_str(),
                         QueueStatusText(status));
            found.kept.push_back(path);
        }
    }
    return found;
}

std::string RecoveredTakesText(const RecoveredTakes& found)
{
    std::string text;
    if (found.queued > 0) {
        text = found.queued == 1 ? "A recording that was not finished when Quorin last ended (" +
                                       DurationText(found.queuedMs) +
                                       ") has been recovered. It is being converted and will appear in your "
                                       "list."
                                 : std::to_string(found.queued) +
                                       " recordings that were not finished when Quorin last ended (" +
                                       DurationText(found.queuedMs) +
                                       " in all) have been recovered. They are being converted and will "
                                       "appear in your list.";
    }
    if (!found.kept.empty()) {
        if (!text.empty())
            text += "\r\n\r\n";
        text += found.kept.size() == 1
                    ? "A recording left by an earlier run could not be converted now. It "
                      "is kept as \"" +
                          found.kept.front() + "\" and will be tried again at the next start."
                    : std::to_string(found.kept.size()) +
                          " recordings left by an earlier run could not be converted now. "
                          "They are kept in \"" +
                          SessionTakesFolder(false) + "\" and will be tried again at the next start.";
    }
    return text;
}

std::string TakeNotQueuedText(QueueStatus status, const char* takePath)
{
    const char* why = status == QueueStatus::kBusy
                          ? "the processing queue is in use by another program"
                          : "the processing queue could not be written (the disk may be full)";
    return std::string("The recording could not be queued for conversion: ") + why +
           ".\r\n\r\nNothing is lost: the recording is kept as \"" + (takePath != nullptr ? takePath : "") +
           "\" and will be converted the next time Quorin starts.";
}
