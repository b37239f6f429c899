#include "app/queue/JobOutputFile.h"

#include "audio/formats/mp3/LMp3EncoderSink.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/settings/LSettings.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <strings.h>
#include <unistd.h>

namespace {

constexpr const char* kJobFilePrefix = ".quorin-";

} // namespace

JobOutputFile::~JobOutputFile()
{
    Discard();
}

bool JobOutputFile::Create(const char* finalPath)
{
    Discard();
    char folder[kLPathSize];
    char extension[kLPathSize];
    if (LPathGetFolder(folder, finalPath) < 0 || !LPathGetExtension(extension, finalPath))
        return false;
    static std::atomic<unsigned> sequence{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[96];
        std::snprintf(name, sizeof name, "%s%ld-q%u", kJobFilePrefix, static_cast<long>(getpid()),
                      sequence.fetch_add(1));
        if (!LPathCombine(temp_, folder[0] ? folder : ".", name, extension))
            return false;
        const int fd = open(temp_, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            committed_ = false;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    temp_[0] = '\0';
    return false;
}

bool JobOutputFile::Sync()
{
    const int fd = open(temp_, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fdatasync(fd) == 0;
    close(fd);
    return ok;
}

void SyncFolderOfPath(const char* path)
{
    char folder[kLPathSize];
    if (LPathGetFolder(folder, path) < 0)
        return;
    const int fd = open(folder[0] ? folder : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool JobOutputFile::CommitReplacing(const char* target)
{
    if (temp_[0] == '\0' || !Sync() || rename(temp_, target) != 0)
        return false;
    committed_ = true;
    temp_[0] = '\0';
    SyncFolderOfPath(target);
    return true;
}

bool JobOutputFile::CommitNoReplace(const char* target)
{
    if (temp_[0] == '\0' || !Sync())
        return false;
    if (renameat2(AT_FDCWD, temp_, AT_FDCWD, target, RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // A file system without the flag: a hard link fails on an existing
        // name just the same.
        if (link(temp_, target) != 0)
            return false;
        unlink(temp_);
    }
    committed_ = true;
    temp_[0] = '\0';
    SyncFolderOfPath(target);
    return true;
}

void JobOutputFile::Discard()
{
    if (!committed_ && temp_[0] != '\0')
        unlink(temp_);
    temp_[0] = '\0';
}

bool HasExtensionNoCase(const char* path, const char* extension)
{
    char found[kLPathSize];
    return LPathGetExtension(found, path) && strcasecmp(found, extension) == 0;
}

void CreateJobSink(LSoundSinkPtr& sink, const char* path, bool mp3, int32_t rate, uint8_t channels,
                   const LWaveFormatBlock& wavFormat)
{
    if (mp3) {
        LMp3EncoderOptions options;
        options.Load();
        CreateMp3SoundSink(sink, path, options, rate, channels);
    } else {
        CreateSoundSinkForFormat(sink, path, wavFormat);
    }
}

void JobWavFormat(LWaveFormatBlock& block, int32_t rate, uint8_t channels)
{
    LSetWaveFormatBlock(block, 1, static_cast<uint32_t>(rate), channels, 16);
    char settings[kLPathSize] = {};
    if (!LGetWavCodecSettingsPath(settings))
        return;
    if (!LFileExists(settings))
        LSaveWavCodecSettings(block, settings);
    LWaveFormatBlock stored;
    if (!LLoadWavCodecSettings(stored, settings))
        return;
    // A value that is missing or not "0" means the automatic choice.
    auto isAuto = [](const char* name) {
        char value[260];
        LSettingsGetString(kWavSettingsSection, name, "1", value);
        return value[0] != '0';
    };
    if (isAuto("FormatAuto"))
        return; // 16-bit PCM matching the source
    const uint32_t outRate = isAuto("SampleRateAuto") ? static_cast<uint32_t>(rate) : stored.sampleRate;
    const uint16_t outChannels =
        isAuto("ChansAuto") ? channels : static_cast<uint16_t>(stored.channels & 0xFF);
    LSetWaveFormatBlock(block, stored.formatTag, outRate, outChannels, stored.bitsPerSample);
}

void RemoveStaleJobFiles(const char* folder)
{
    DIR* dir = opendir(folder);
    if (dir == nullptr)
        return;
    const std::size_t prefixLength = std::strlen(kJobFilePrefix);
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, kJobFilePrefix, prefixLength) != 0)
            continue;
        const char* digits = entry->d_name + prefixLength;
        char* end = nullptr;
        errno = 0;
        const long pid = std::strtol(digits, &end, 10);
        if (end == digits || *end != '-' || errno != 0 || pid <= 0)
            continue;
        // Only files of processes that are gone: a live one may be writing.
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}
