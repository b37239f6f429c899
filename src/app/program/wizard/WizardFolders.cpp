#include "app/program/wizard/WizardFolders.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Names of the entries of a folder that are not folders themselves. An
// entry whose status cannot be read counts as a file.
std::vector<std::string> FilesOf(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        struct stat info
        {
        };
        const std::string path = folder + "/" + entry->d_name;
        if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool MakeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0700) == 0)
        return true;
    struct stat info
    {
    };
    return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsSideName(const std::string& name)
{
    return name == WizardFolders::kSideOneName || name == WizardFolders::kSideTwoName;
}

} // namespace

WizardFolders::WizardFolders()
{
    char caches[kLPathSize] = {};
    if (LGetCachesFolder(caches))
        recording_ = std::string(caches) + "/Recording";
    save_ = recording_.empty() ? std::string() : recording_ + "/save";
}

WizardFolders::WizardFolders(const std::string& recordingFolder)
    : recording_(recordingFolder), save_(recordingFolder + "/save")
{
}

std::string WizardFolders::SidePath(int side) const
{
    return recording_ + "/" + (side == 2 ? kSideTwoName : kSideOneName);
}

bool WizardFolders::HasSide(int side) const
{
    struct stat info
    {
    };
    return !recording_.empty() && stat(SidePath(side).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool WizardFolders::Create() const
{
    if (recording_.empty())
        return false;
    return MakeFolder(recording_) && MakeFolder(save_);
}

void WizardFolders::EmptyFolder(const std::string& folder)
{
    if (folder.empty())
        return;
    for (const std::string& name : FilesOf(folder))
        unlink((folder + "/" + name).c_str());
}

void WizardFolders::Clear() const
{
    if (recording_.empty())
        return;
    unlink(SidePath(1).c_str());
    unlink(SidePath(2).c_str());
    EmptyFolder(recording_);
    EmptyFolder(save_);
}

void WizardFolders::DeleteTrackFiles() const
{
    for (const std::string& name : TrackFiles())
        unlink((recording_ + "/" + name).c_str());
}

std::vector<std::string> WizardFolders::TrackFiles() const
{
    std::vector<std::string> names = recording_.empty() ? std::vector<std::string>() : FilesOf(recording_);
    names.erase(std::remove_if(names.begin(), names.end(), IsSideName), names.end());
    return names;
}

std::vector<std::string> WizardFolders::SavedFiles() const
{
    return save_.empty() ? std::vector<std::string>() : FilesOf(save_);
}

bool WizardFolders::IsEmpty() const
{
    return !HasSide(1) && !HasSide(2) && TrackFiles().empty() && SavedFiles().empty();
}
