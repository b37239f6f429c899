#include "app/program/wizard/SplitTrackEditor.h"

#include "app/queue/SplitJoinJobs.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/threads/LProcessContext.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsRegularFile(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

} // namespace

bool DeleteTracks(const WizardTrackFolders& folders, const std::vector<std::string>& names)
{
    bool all = true;
    for (const std::string& name : names) {
        const std::string path = folders.save + "/" + name;
        if (unlink(path.c_str()) != 0 && errno != ENOENT) {
            LLogWarningF("Cannot delete the track %s", path.c_str());
            all = false;
        }
    }
    return all;
}

TrackRenameOutcome RenameTrack(const WizardTrackFolders& folders, const std::string& oldName,
                               const char* typed)
{
    TrackRenameOutcome outcome;
    outcome.check =
        PlanRecordingRename(folders.save.c_str(), oldName.c_str(), typed, nullptr, nullptr, &outcome.newName);
    if (outcome.check != RenameCheck::kRename) {
        outcome.newName.clear();
        return outcome;
    }
    const std::string oldWorking = folders.save + "/" + oldName;
    const std::string newWorking = folders.save + "/" + outcome.newName;
    const std::string oldMaster = folders.recording + "/" + oldName;
    const std::string newMaster = folders.recording + "/" + outcome.newName;
    const bool hasMaster = IsRegularFile(oldMaster);
    // Checked before anything moves, so that a refusal changes nothing.
    if (hasMaster && Exists(newMaster)) {
        outcome.check = RenameCheck::kExists;
        outcome.newName.clear();
        return outcome;
    }
    if (!RenameWithoutReplacing(oldWorking.c_str(), newWorking.c_str())) {
        outcome.failed = true;
        outcome.newName.clear();
        return outcome;
    }
    if (hasMaster && !RenameWithoutReplacing(oldMaster.c_str(), newMaster.c_str())) {
        if (!RenameWithoutReplacing(newWorking.c_str(), oldWorking.c_str()))
            LLogErrorF("Cannot give the track %s its old name back", newWorking.c_str());
        outcome.failed = true;
        outcome.newName.clear();
    }
    return outcome;
}

int JoinTracks(LProcessContext* context, const WizardTrackFolders& folders, const std::string& first,
               const std::string& second, std::string* joinedName)
{
    joinedName->clear();
    JoinFilesArgs args;
    for (const std::string& name : {first, second}) {
        const std::string path = folders.save + "/" + name;
        if (!IsRegularFile(path)) {
            LLogErrorF(
                "The specified file \"%s\" does not exist. It may have been moved, renamed or deleted.",
                path.c_str());
            return 2;
        }
        args.inputs.push_back(path);
    }
    args.outputFolder = folders.save;
    const int result = JoinFiles(context, args);
    if (result != 0) {
        // A kept partial result is no track of the user's.
        if (!args.outputPath.empty())
            unlink(args.outputPath.c_str());
        return context->IsStopRequested() ? 1 : 2;
    }
    char name[kLPathSize] = {};
    LPathGetFileName(name, args.outputPath.c_str());
    *joinedName = name;
    for (const std::string& path : args.inputs)
        unlink(path.c_str());
    return 0;
}
