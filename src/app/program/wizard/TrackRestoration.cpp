#include "app/program/wizard/TrackRestoration.h"

#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LProcessContext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kStagingFolder = ".restoring";

// A flag that counts as on when absent.
bool OnUnlessZero(const char* section, const char* name)
{
    char value[260] = {};
    LSettingsGetString(section, name, "", value);
    return value[0] != '0';
}

// A flag that counts as on only when present and not "0".
bool OnWhenSet(const char* section, const char* name)
{
    char value[260] = {};
    LSettingsGetString(section, name, "", value);
    return value[0] != '\0' && value[0] != '0';
}

void SetFlag(const char* name, bool on)
{
    LSettingsSetString(kRestorationSection, name, on ? "1" : "0");
}

void RemoveStaging(const std::string& staging)
{
    EmptyTrackFolder(staging);
    rmdir(staging.c_str());
}

} // namespace

bool IsDirectPhonoRecording()
{
    char value[260] = {};
    LSettingsGetString(kRecordingSourceSection, "Amp", "", value);
    return value[0] == '0';
}

bool IsClickPopAllowed()
{
    return IsVinylRecording();
}

bool IsRiaaAllowed()
{
    return IsVinylRecording() && IsDirectPhonoRecording();
}

RestorationChoices ReadRestorationChoices()
{
    RestorationChoices choices;
    choices.normalize = OnUnlessZero(kRestorationSection, "Normalization");
    choices.highPass = OnWhenSet(kRestorationSection, "HPF");
    choices.riaa = IsRiaaAllowed() && OnUnlessZero(kRestorationSection, "Equalization");
    choices.dcOffset = OnUnlessZero(kRestorationSection, "DCOffset");
    choices.clickPop = IsClickPopAllowed() && OnUnlessZero(kRestorationSection, "ClickPop");
    choices.noiseReduction = OnUnlessZero(kRestorationSection, "NoiseReduce");
    return choices;
}

void StoreRestorationChoices(const RestorationChoices& choices)
{
    SetFlag("Normalization", choices.normalize);
    SetFlag("HPF", choices.highPass);
    SetFlag("Equalization", choices.riaa);
    SetFlag("DCOffset", choices.dcOffset);
    SetFlag("ClickPop", choices.clickPop);
    SetFlag("NoiseReduce", choices.noiseReduction);
    LSettingsSetString("Settings", "NormalizeLevel", choices.normalize ? "100" : "0");
}

LRestorationTools ToolsForChoices(const RestorationChoices& choices)
{
    LRestorationTools tools;
    tools.dcOffset = choices.dcOffset;
    tools.highPass = choices.highPass;
    tools.speed = kRecordingSpeedNormal;
    tools.clickPop = choices.clickPop && IsClickPopAllowed();
    tools.noiseReduction = choices.noiseReduction;
    tools.riaa = choices.riaa && IsRiaaAllowed();
    tools.normalize = choices.normalize;
    return tools;
}

int TrackRestoration::Apply(LProcessContext* context, const RestorationChoices& choices, std::string* error)
{
    error->clear();
    if (applied_) {
        if (!RestoreWorkingCopies(folders_)) {
            *error = "The tracks could not be brought back to their recorded state in " + folders_.save + ".";
            return 2;
        }
        applied_ = false;
    }
    const LRestorationTools tools = ToolsForChoices(choices);
    const std::vector<std::string> names = ListTrackFiles(folders_.save);
    const std::string staging = folders_.save + "/" + kStagingFolder;
    RemoveStaging(staging);
    if (mkdir(staging.c_str(), 0700) != 0) {
        *error =
            "Cannot make a folder for the restored tracks in " + folders_.save + ": " + std::strerror(errno);
        return 2;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (context->IsStopRequested()) {
            RemoveStaging(staging);
            return 1;
        }
        context->MessageLevel(names[i].c_str(), 1);
        const std::string from = folders_.save + "/" + names[i];
        const std::string to = staging + "/" + names[i];
        const int result = RestoreFileTo(context, from.c_str(), to.c_str(), tools);
        if (result != 0) {
            RemoveStaging(staging);
            if (result == 1)
                return 1;
            *error = "The restoration tools could not process the track \"" + names[i] + "\".";
            return 2;
        }
        context->Progress(static_cast<double>(i + 1) / static_cast<double>(names.size()));
    }
    // Renames within one folder: each replaces its track whole.
    for (const std::string& name : names) {
        const std::string from = staging + "/" + name;
        const std::string to = folders_.save + "/" + name;
        if (rename(from.c_str(), to.c_str()) != 0) {
            LLogErrorF("Cannot put the restored track %s in place: %s", to.c_str(), std::strerror(errno));
            // Some tracks are restored and some not: back to the masters, so
            // that nothing is restored twice or half.
            RemoveStaging(staging);
            RestoreWorkingCopies(folders_);
            *error = "The restored tracks could not be put in place in " + folders_.save + ".";
            return 2;
        }
    }
    RemoveStaging(staging);
    applied_ = true;
    return 0;
}

bool TrackRestoration::Undo()
{
    const bool done = RestoreWorkingCopies(folders_);
    applied_ = false;
    return done;
}
