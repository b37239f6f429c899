#include "app/program/RecordingFiles.h"

#include "app/queue/OutputNames.h"
#include "app/queue/ProcessQueueFile.h"
#include "app/queue/ProcessQueueRecord.h"
#include "audio/formats/LAudioFileOpener.h"
#include "foundation/files/LPath.h"
#include "foundation/ini/LDurationText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool HasExtension(const char* name, const char* extension)
{
    char found[kLPathSize];
    return name != nullptr && LPathGetExtension(found, name) && strcasecmp(found, extension) == 0;
}

std::string Trim(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && blank(s[start]))
        ++start;
    return s.substr(start);
}

} // namespace

bool IsRecordingFileName(const char* name)
{
    return HasExtension(name, ".wav") || HasExtension(name, ".mp3");
}

bool IsMp3FileName(const char* name)
{
    return HasExtension(name, ".mp3");
}

bool ReadRecordingDuration(const char* path, int64_t* ms)
{
    *ms = 0;
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path);
    if (source->GetStatus() != kSoundStatusOk)
        return false;
    const int32_t rate = source->GetRate();
    const int64_t length = source->GetLength();
    if (rate > 0 && length > 0)
        *ms = static_cast<int64_t>(static_cast<double>(length) / rate * 1000.0);
    return true;
}

std::string FormatRecordingDuration(int64_t ms)
{
    char text[48] = {};
    LFormatDurationHMS(&ms, text);
    return text;
}

bool IsFolderWritable(const char* folder)
{
    char name[64];
    std::snprintf(name, sizeof(name), "%ld__wt", static_cast<long>(gettid()));
    char path[kLPathSize];
    if (!LPathCombine(path, folder, name, ""))
        return false;
    const int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return false;
    close(fd);
    unlink(path);
    return true;
}

RenameCheck PlanRecordingRename(const char* folder, const char* oldName, const char* typed,
                                bool (*inList)(const char* name, void* data), void* data,
                                std::string* newName)
{
    newName->clear();
    std::string name = Trim(typed);
    if (name.empty())
        return RenameCheck::kEmpty;
    if (name.find('/') != std::string::npos)
        return RenameCheck::kSlash;
    if (name[0] == '.')
        return RenameCheck::kLeadingDot;
    char title[kLPathSize];
    if (name.size() >= kLPathSize || !LPathGetTitle(title, name.c_str()) || title[0] == '\0')
        return RenameCheck::kEmpty;
    if (oldName == nullptr || *oldName == '\0' || name == oldName)
        return RenameCheck::kNothing;

    char oldExtension[kLPathSize] = {};
    char newExtension[kLPathSize] = {};
    LPathGetExtension(oldExtension, oldName);
    LPathGetExtension(newExtension, name.c_str());
    if (newExtension[0] == '\0')
        name += oldExtension;
    else if (strcasecmp(newExtension, oldExtension) != 0)
        return RenameCheck::kNothing;
    if (name == oldName)
        return RenameCheck::kNothing;

    char path[kLPathSize];
    if (!LPathCombine(path, folder, name.c_str(), ""))
        return RenameCheck::kEmpty;
    struct stat info;
    // A row of another spelling names another file here; it is still refused,
    // so that the list never shows two rows a user cannot tell apart.
    const bool sameFileOtherCase = strcasecmp(name.c_str(), oldName) == 0;
    if (lstat(path, &info) == 0 && !sameFileOtherCase)
        return RenameCheck::kExists;
    if (!sameFileOtherCase && inList != nullptr && inList(name.c_str(), data))
        return RenameCheck::kExists;
    *newName = name;
    return RenameCheck::kRename;
}

const char* RenameRefusalText(RenameCheck check)
{
    switch (check) {
    case RenameCheck::kEmpty:
        return "File name is empty, please try again.";
    case RenameCheck::kLeadingDot:
        return "A file name cannot begin with \".\", please try again.";
    case RenameCheck::kSlash:
        return "A file name cannot contain \"/\", please try again.";
    case RenameCheck::kExists:
        return "A file with this name already exists in the recordings folder. Try removing the original "
               "file or using a different name.";
    default:
        return "";
    }
}

bool RenameWithoutReplacing(const char* from, const char* to)
{
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the atomic form: a hard link fails on an
    // existing name just the same.
    if (link(from, to) != 0)
        return false;
    unlink(from);
    return true;
}

std::string FreeNameInFolder(const char* path, const char* folder,
                             bool (*taken)(const char* name, void* data), void* data)
{
    char name[kLPathSize] = {};
    if (!LPathGetFileName(name, path) || name[0] == '\0')
        return "";
    char target[kLPathSize] = {};
    if (!LPathCombine(target, folder, name, ""))
        return "";
    struct stat info;
    if (lstat(target, &info) != 0 && (taken == nullptr || !taken(name, data)))
        return name;
    char title[kLPathSize] = {};
    char extension[kLPathSize] = {};
    LPathGetTitle(title, path);
    LPathGetExtension(extension, path);
    // A title with a percent sign would read as a name template.
    char queuePath[kLPathSize] = {};
    char free[kLPathSize] = {};
    if (std::strchr(title, '%') != nullptr || !GetProcessQueuePath(queuePath))
        return "";
    ProcessQueueFile queue(queuePath);
    if (!MakeNextOutputNameIn(free, folder, title, queue))
        return "";
    const std::string freeName = std::string(free) + extension;
    if (taken != nullptr && taken(freeName.c_str(), data))
        return "";
    return freeName;
}
