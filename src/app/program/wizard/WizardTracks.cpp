#include "app/program/wizard/WizardTracks.h"

#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsSideName(const char* name)
{
    return std::strcmp(name, kSideOneFileName) == 0 || std::strcmp(name, kSideTwoFileName) == 0;
}

} // namespace

std::vector<std::string> ListTrackFiles(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' || IsSideName(name))
            continue;
        struct stat info;
        const std::string path = folder + "/" + name;
        if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

int64_t TrackDurationMs(int64_t frames, int64_t rate)
{
    if (rate <= 0 || frames <= 0)
        return 0;
    return frames / rate * 1000 + frames % rate * 1000 / rate;
}

std::string FormatTrackTime(time_t when)
{
    if (when == 0)
        return "";
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        return "";
    char text[64];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d   %.2d:%.2d:%.2d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::vector<WizardTrackRow> ReadTrackRows(const std::string& folder)
{
    std::vector<WizardTrackRow> rows;
    for (const std::string& name : ListTrackFiles(folder)) {
        WizardTrackRow row;
        row.name = name;
        const std::string path = folder + "/" + name;
        LSoundSourcePtr source;
        LOpenWavSoundSource(source, path.c_str());
        if (source->GetStatus() == kSoundStatusOk)
            row.durationMs = TrackDurationMs(source->GetLength(), source->GetRate());
        char text[48] = {};
        LFormatDurationCs(&row.durationMs, text);
        row.duration = text;
        struct stat info;
        if (stat(path.c_str(), &info) == 0)
            row.modified = FormatTrackTime(info.st_mtime);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool EmptyTrackFolder(const std::string& folder)
{
    bool all = true;
    for (const std::string& name : ListTrackFiles(folder)) {
        const std::string path = folder + "/" + name;
        if (unlink(path.c_str()) != 0 && errno != ENOENT)
            all = false;
    }
    return all;
}

bool RestoreWorkingCopies(const WizardTrackFolders& folders)
{
    if (!EmptyTrackFolder(folders.save))
        return false;
    bool all = true;
    for (const std::string& name : ListTrackFiles(folders.recording)) {
        const std::string from = folders.recording + "/" + name;
        const std::string to = folders.save + "/" + name;
        if (!LFileCopy(from.c_str(), to.c_str()))
            all = false;
    }
    return all;
}

int ClampAutoSplitTime(int64_t seconds)
{
    return static_cast<int>(std::clamp<int64_t>(seconds, kAutoSplitTimeMin, kAutoSplitTimeMax));
}

int ReadAutoSplitTime()
{
    return ClampAutoSplitTime(LSettingsGetInt("Settings", "AutoSplitTime", kAutoSplitTimeDefault));
}

void StoreAutoSplitTime(int64_t seconds)
{
    LSettingsSetInt("Settings", "AutoSplitTime", ClampAutoSplitTime(seconds));
}
