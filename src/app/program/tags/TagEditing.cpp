#include "app/program/tags/TagEditing.h"

#include "foundation/dates/LDateTime.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"
#include "tags/LAudioFileTags.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

int TagStarsFromRating(const char* rating)
{
    if (rating == nullptr || rating[0] == '\0')
        return 0;
    const long value = std::strtol(rating, nullptr, 10);
    if (value <= 0)
        return 0;
    if (value < 32)
        return 1;
    if (value < 96)
        return 2;
    if (value < 160)
        return 3;
    if (value < 224)
        return 4;
    return 5;
}

const char* TagRatingFromStars(int stars)
{
    static const char* const kValues[] = {"", "1", "64", "128", "196", "255"};
    if (stars < 0 || stars > 5)
        return "";
    return kValues[stars];
}

const TagCategory kTagCategories[kTagCategoryCount] = {
    {"", ""},
    {"ALL", "<All>"},
    {"BED, BEDS", "<Beds>"},
    {"BIT, BITS", "<Sound bits>"},
    {"COM, COMM", "<Commercials>"},
    {"CON, CONT", "<Contents>"},
    {"DAY", "<Daily play lists>"},
    {"EB", "<Emergency broadcast>"},
    {"EFX", "<Sound effects>"},
    {"FIL, FILL", "<Fillers>"},
    {"ID", "<Station ID>"},
    {"INT, INTR", "<Intros>"},
    {"JIN, JING", "<Jingles>"},
    {"LIN, LINE", "<Liners>"},
    {"LOG, LOGO", "<Logos>"},
    {"MAG, MAGI", "<Magic Call>"},
    {"MUS, MUSC", "<Music>"},
    {"NET, NETW", "<Network Delay>"},
    {"NEW, NEWS", "<News>"},
    {"PRO, PROM", "<Promos>"},
    {"PSA", "<Public service announcements>"},
    {"SEG", "<Segues>"},
    {"SHW, SHOW", "<Shows>"},
    {"SPO, SPOT", "<Spots>"},
    {"SPR, SPRT", "<Sports>"},
    {"STG, STAG", "<Stagers>"},
    {"STK, STAK", "<Announcer stack>"},
    {"SWP, SWEP", "<Sweeps>"},
    {"TST, TEST", "<Test tones>"},
    {"TMP, TEMP", "<Temporary>"},
};

std::string TagCategoryText(int row)
{
    if (row < 0 || row >= kTagCategoryCount)
        return std::string();
    return std::string(kTagCategories[row].code) + " " + kTagCategories[row].name;
}

namespace {

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

} // namespace

int TagCategoryRow(const char* value)
{
    const std::string wanted = Trimmed(value);
    if (wanted.empty())
        return -1;
    int found = -1;
    for (int row = 1; row < kTagCategoryCount; ++row)
        if (TagCategoryText(row) == wanted)
            found = row;
    return found;
}

void FormatDateTime(char* out, int year, int month, int day, int hour, int minute, int second)
{
    std::snprintf(out, 260, "%.4d-%.2d-%.2d   %.2d:%.2d:%.2d", year, month, day, hour, minute, second);
}

void TagDateTimeTexts(int64_t seconds, std::string* date, std::string* time)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm local = {};
    localtime_r(&t, &local);
    char text[64];
    if (date != nullptr) {
        std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday);
        *date = text;
    }
    if (time != nullptr) {
        std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec);
        *time = text;
    }
}

int64_t TagDateTimeSeconds(const char* date, const char* time)
{
    if (date == nullptr || date[0] == '\0')
        return 0;
    // Only a text that starts with a year is a date.
    char year[5] = {};
    std::strncpy(year, date, 4);
    char* end = nullptr;
    const long y = std::strtol(year, &end, 10);
    if (end == year || y > 9999)
        return 0;
    LDateTime value;
    if (!LDateTimeFromText(&value, date, time) || value.seconds <= 0)
        return 0;
    return value.seconds;
}

void ApplyTagChanges(LAudioTagMap* tags, const TagChanges& changes)
{
    for (const auto& [key, value] : changes)
        tags->Set(key.c_str(), value.c_str());
}

bool WriteTagsToFile(const LAudioTagMap* tags, const char* path, std::string* reason)
{
    struct stat info;
    if (stat(path, &info) != 0) {
        if (reason)
            *reason = std::strerror(errno);
        return false;
    }
    // The rewrite replaces the file by renaming a new one over it, which a
    // writable folder allows even for a file its owner made read-only:
    // such a file is left alone.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path, W_OK) != 0) {
        if (reason)
            *reason = "The file is read-only.";
        return false;
    }
    LTagFileError error = LTagFileError::kNone;
    if (WriteAudioFileTags(tags, path, &error) != 0)
        return true;
    if (reason) {
        *reason = LTagFileErrorText(error);
        if (!reason->empty())
            (*reason)[0] = static_cast<char>(std::toupper(static_cast<unsigned char>((*reason)[0])));
        if (!reason->empty() && reason->back() != '.')
            *reason += ".";
    }
    return false;
}

std::string TagTitleFromPath(const char* path)
{
    std::string name = path != nullptr ? path : "";
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

namespace {

bool SettingOn(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] != '\0' && text[0] != '0';
}

bool SameFile(const char* a, const char* b)
{
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The file's copy in the copy folder, when the output format makes copies.
void UpdateCopy(const LAudioTagMap* tags, const char* path, TagCommandReporter* reporter)
{
    const int format = LSettingsGetInt("OutputFormat", "OutputFormatNum", 0);
    if ((format != 0 && format != 1) || !SettingOn("OutputFormat", "MakeCopy"))
        return;
    char music[260] = {};
    std::string fallback;
    if (LGetMusicFolder(music))
        fallback = std::string(music) + "/Quorin";
    char folder[260] = {};
    LSettingsGetString("OutputFormat", "OutputFolder", fallback.c_str(), folder);
    std::string name = path;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::string copy = std::string(folder) + "/" + name;
    if (access(copy.c_str(), F_OK) != 0) {
        LLogError("Cannot find file in specified user output folder - it may have been deleted.");
        return;
    }
    if (SameFile(copy.c_str(), path))
        return;
    std::string reason;
    if (WriteTagsToFile(tags, copy.c_str(), &reason)) {
        if (reporter)
            reporter->Wrote(copy.c_str());
    } else {
        LLogErrorF("Could not write a tag to the copy %s: %s", copy.c_str(), reason.c_str());
    }
}

} // namespace

bool WriteEditedTags(const LAudioTagMap* tags, const char* path, TagCommandReporter* reporter)
{
    std::string reason;
    if (!WriteTagsToFile(tags, path, &reason)) {
        std::string text = "Could not write a tag to the selected file.\n\n";
        text += path;
        text += "\n" + reason;
        LLogErrorF("Could not write a tag to the selected file %s: %s", path, reason.c_str());
        if (reporter)
            reporter->Error(text.c_str());
        return false;
    }
    if (reporter)
        reporter->Wrote(path);
    UpdateCopy(tags, path, reporter);
    if (reporter)
        reporter->Info("Tag written successfully to file.");
    return true;
}

int WriteChangesToFiles(const std::vector<std::string>& paths, const TagChanges& changes,
                        TagCommandReporter* reporter)
{
    int written = 0;
    int track = 0;
    for (const std::string& path : paths) {
        ++track;
        LAudioTagMap tags;
        ReadAudioFileTags(&tags, path.c_str());
        ApplyTagChanges(&tags, changes);
        tags.Set("TITLE", TagTitleFromPath(path.c_str()).c_str());
        tags.Set("TRACKNUMBER", std::to_string(track).c_str());
        std::string reason;
        if (WriteTagsToFile(&tags, path.c_str(), &reason)) {
            ++written;
            if (reporter)
                reporter->Wrote(path.c_str());
            continue;
        }
        char text[1024];
        std::snprintf(text, sizeof text, "Could not write a tag to file: %s\n\n%s", path.c_str(),
                      reason.c_str());
        LLogErrorF("Could not write a tag to file: %s (%s)", path.c_str(), reason.c_str());
        if (reporter)
            reporter->Error(text);
    }
    char text[260];
    std::snprintf(text, sizeof text, "Tags were written successfully to %d files.", written);
    if (reporter)
        reporter->Info(text);
    return written;
}
