#include "app/program/burn/LBurnCommands.h"

#include "app/program/burn/LProgressTasks.h"
#include "app/queue/ProcessQueueRecord.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "burn/LBurnDataDisc.h"
#include "burn/LBurnOptions.h"
#include "burn/LBurnRunningFlag.h"
#include "burn/LDiscServices.h"
#include "burn/LProgramDrives.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderTree.h"
#include "foundation/files/LPath.h"
#include "foundation/files/LWorkingFolder.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <strings.h>
#include <sys/stat.h>

namespace {

constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";

bool SettingOn(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] != '\0' && text[0] != '0';
}

std::string SettingText(const char* section, const char* name, const char* fallback)
{
    char text[260] = {};
    LSettingsGetString(section, name, fallback, text);
    return text;
}

// Whether the WAV file already has the format chosen for data discs.
bool HasDataDiscWavFormat(const char* path)
{
    LWaveFormatBlock chosen;
    char settings[kLPathSize] = {};
    if (LGetWavCodecSettingsPath(settings) && !LLoadWavCodecSettings(chosen, settings))
        chosen = LWaveFormatBlock{};
    LSoundSourcePtr source;
    LAudioFileInfo info;
    LOpenAudioFileSource(source, path, &info);
    if (source->GetStatus() != kSoundStatusOk)
        return false;
    return info.formatTag == chosen.formatTag && info.channels == (chosen.channels & 0xFF) &&
           info.sampleRate == chosen.sampleRate;
}

int64_t FileSize(const char* path, time_t* modified)
{
    struct stat info;
    if (stat(path, &info) != 0)
        return -1;
    if (modified)
        *modified = info.st_mtime;
    return info.st_size;
}

// Adds a file to the compilation under the given disc name.
bool AddDataFile(LDiscCompilation& compilation, const char* source, const char* discName)
{
    time_t modified = 0;
    const int64_t size = FileSize(source, &modified);
    if (size < 0)
        return false;
    auto* node = new LDiscNode(source, false, nullptr, static_cast<uint64_t>(size), modified);
    node->SetName(discName);
    return compilation.Root()->AddChild(node) != nullptr;
}

void ReportFailure(LBurnCommandUi& ui, const LBurnResult& result)
{
    char text[1200];
    result.Describe(text, sizeof text);
    if (result.code == kBurnUserCanceled) {
        LLogInfo("Burn cancelled by user");
        ui.TellBurn(kBurnCancelledText, kProductTitle, LMessageBoxInformationalStyle);
        return;
    }
    LLogWarningF("Burn FAILED: %s", text);
    ui.TellBurn(kBurnFailedText, kProductTitle, LMessageBoxCriticalStyle);
}

bool EjectAfterBurn(const LBurnOptions& options)
{
    // Only a user who asked for it gets the tray opened.
    return options.loadEject && options.driveIndex != kBurnNoDrive && LEjectProgramDrive(options.driveIndex);
}

} // namespace

void LAddCdFileEntry(LAudioCdBurnJob& job, LDiscNode* root, const LSoundSourcePtr& source, const char* path,
                     uint8_t& counter)
{
    job.tracks.emplace_back(source);
    ++counter;
    char name[16];
    std::snprintf(name, sizeof name, "File%.2d", counter);
    auto* node = new LDiscNode(name, false, nullptr, 0, std::time(nullptr), &job.tracks.back());
    const char* slash = std::strrchr(path, '/');
    const char* backslash = std::strrchr(path, '\\');
    const char* display = slash > backslash ? slash : backslash;
    node->SetName(display != nullptr ? display + 1 : path);
    if (root != nullptr)
        root->AddChild(node);
    else
        delete node;
}

LBurnOutcome LBurnAudioCdCommand(LBurnCommandUi& ui, const std::vector<std::string>& paths)
{
    LBurnOutcome outcome;
    LBurnOptions options;
    LLoadBurnOptions(&options);
    LAudioCdBurnJob job;
    LApplyBurnOptions(options, job);
    // The page showed the disc before the burn: a missing disc is told at once.
    job.disc.discWaitMs = 0;
    LDiscCompilation tracks("Audio CD");
    uint8_t counter = 0;
    // The entries point at their tracks: no reallocation while adding.
    job.tracks.reserve(paths.size());
    int64_t totalMs = 0;
    for (const std::string& path : paths) {
        if (counter == kAudioCdMaxTracks)
            break;
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, path.c_str());
        if (source->GetStatus() != kSoundStatusOk) {
            LLogWarningF("Unable to open file %s", path.c_str());
            continue;
        }
        // The playing time of the tracks burnt, not of whatever the list held.
        if (source->GetRate() > 0 && source->GetLength() > 0)
            totalMs += source->GetLength() * 1000 / source->GetRate();
        LAddCdFileEntry(job, tracks.Root(), source, path.c_str(), counter);
    }
    outcome.files = counter;
    if (counter == 0) {
        outcome.code = kBurnFileNotFound;
        ui.TellBurn(kBurnNothingText, kProductTitle, LMessageBoxWarningStyle);
        return outcome;
    }
    LLogInfo("Burning CD Audio Disc");
    LBurnAudioCdTask task("Burn Audio CD", LProgramBurnBackend(), job);
    task.Run(ui.BurnParentView());
    outcome.code = job.result.code;
    outcome.ejected = EjectAfterBurn(options);
    if (outcome.code != kBurnNoError) {
        ReportFailure(ui, job.result);
        return outcome;
    }
    char duration[64] = {};
    LFormatDurationCs(&totalMs, duration);
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "Burn has successfully completed.%s Total Files Burned: %d. Total Duration: %s. Would you like "
        "to burn another copy?",
        outcome.ejected ? " The disc has been ejected." : "", outcome.files, duration);
    outcome.successText = text;
    LLogInfo(text);
    return outcome;
}

LBurnOutcome LBurnDataDiscCommand(LBurnCommandUi& ui, const std::vector<std::string>& paths)
{
    LBurnOutcome outcome;
    const std::string label = SettingText("CDRecorder", "CDLabel", "CDLabel");
    LDiscCompilation compilation(label.c_str());
    const int type = LSettingsGetInt("OutputFormat", "DataCDType", 2);
    const char* target = type == 1 ? ".mp3" : type == 0 ? ".wav" : "";
    const bool reencodeAll = SettingOn("OutputFormat", "ReencodeAllFiles");

    LWorkingFolder folder;
    if (type != 2 && folder.Path().empty()) {
        LLogWarning("No working folder for the files of the burn could be made");
        outcome.code = kBurnIsoStructureFailed;
        ui.TellBurn(kBurnFailedText, kProductTitle, LMessageBoxCriticalStyle);
        return outcome;
    }
    int working = 0;
    int64_t burntBytes = 0;
    for (const std::string& path : paths) {
        char name[kLPathSize] = {}, title[kLPathSize] = {}, extension[kLPathSize] = {};
        LPathGetFileName(name, path.c_str());
        LPathGetTitle(title, path.c_str());
        LPathGetExtension(extension, path.c_str());
        // A file already of the disc's format goes on it as it is unless the
        // user asked for every file to be encoded again: a new encoding
        // would only lose quality (and an MP3's tag frames).
        const bool sameFormat = strcasecmp(extension, target) == 0 &&
                                (std::strcmp(target, ".mp3") == 0 || HasDataDiscWavFormat(path.c_str()));
        const bool keep = type == 2 || (!reencodeAll && sameFormat);
        if (keep) {
            if (AddDataFile(compilation, path.c_str(), name)) {
                ++outcome.files;
                burntBytes += FileSize(path.c_str(), nullptr);
            } else
                LLogWarningF("File \"%s\" does not exist", path.c_str());
            continue;
        }
        // The conversion writes a file of its own under a name no other
        // file of this burn has, and leaves the recording as it is.
        ProcessQueueRecord record;
        record.Reset();
        record.restore = 0;
        record.notify = 0;
        record.deleteSource = 0;
        char workingName[32];
        std::snprintf(workingName, sizeof workingName, "File%.3d%s", ++working, target);
        const std::string output = folder.Path() + "/" + workingName;
        if (!SetQueueText(record.sourcePath, path.c_str()) ||
            !SetQueueText(record.outputFolder, folder.Path().c_str()) ||
            !SetQueueText(record.outputExtension, target) ||
            !SetQueueText(record.destinationPath, output.c_str())) {
            LLogWarningF("Unable to convert file %s: its path is too long", path.c_str());
            continue;
        }
        LConvertFileTask task("Converting Files", record);
        task.Run(ui.BurnParentView());
        const int result = task.Result();
        if (result == 1) {
            outcome.code = kBurnUserCanceled;
            ui.TellBurn(kBurnCancelledText, kProductTitle, LMessageBoxInformationalStyle);
            return outcome;
        }
        if (result != 0) {
            LLogWarningF("Unable to convert file %s", path.c_str());
            continue;
        }
        const std::string discName = std::string(title) + target;
        if (AddDataFile(compilation, output.c_str(), discName.c_str())) {
            ++outcome.files;
            burntBytes += FileSize(output.c_str(), nullptr);
        } else
            LLogWarningF("File \"%s\" does not exist", output.c_str());
    }
    if (outcome.files == 0) {
        outcome.code = kBurnFileNotFound;
        ui.TellBurn(kBurnNothingText, kProductTitle, LMessageBoxWarningStyle);
        return outcome;
    }

    LDataDiscJob job;
    LLoadBurnOptions(&job.options);
    job.result.Clear();
    job.media = kMediaNoDisc;
    job.root = compilation.Root();
    LLogInfo("Burning CD/DVD Data Disc");
    std::unique_ptr<LScsiDevice> device = LOpenProgramDataDrive(job.options.driveIndex, job.result);
    if (device) {
        LBurnDataDiscTask task("Burn Data CD/DVD", *device, job);
        task.Run(ui.BurnParentView());
        device.reset();
    }
    outcome.code = job.result.code;
    outcome.ejected = EjectAfterBurn(job.options);
    if (outcome.code != kBurnNoError) {
        ReportFailure(ui, job.result);
        return outcome;
    }
    // The size of the files burnt, not of whatever the list held.
    const double megabytes = static_cast<double>(burntBytes) / 1048576.0;
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "Burn has successfully completed.%s Total Files Burned: %d. Total Size: %5.2f MB. Would you "
        "like to burn another copy?",
        outcome.ejected ? " The disc has been ejected." : "", outcome.files, megabytes);
    outcome.successText = text;
    LLogInfo(text);
    return outcome;
}

LBurnOutcome LRunBurnWithCopies(LBurnCommandUi& ui, bool audio, const std::vector<std::string>& paths)
{
    for (;;) {
        LBurnOutcome outcome = audio ? LBurnAudioCdCommand(ui, paths) : LBurnDataDiscCommand(ui, paths);
        if (outcome.code != kBurnNoError || !ui.AskBurnAnother(outcome.successText.c_str()))
            return outcome;
    }
}

bool LBurnEjectDisc()
{
    LBurnOptions options;
    LLoadBurnOptions(&options);
    return options.driveIndex != kBurnNoDrive && LEjectProgramDrive(options.driveIndex);
}

std::string LFormatDiscCapacity(int32_t code, int64_t freeBlocks)
{
    return LFormatDiscCapacity(code, freeBlocks, LSettingsGetInt("OutputFormat", "OutputFormatNum", 0) == 4);
}

std::string LFormatDiscCapacity(int32_t code, int64_t freeBlocks, bool audioCd)
{
    if (code == 29)
        return "Disc Already Used";
    if (code == 14)
        return "No Disc in Drive";
    if (code != 0)
        return "No Drive";
    char line[64] = {};
    if (audioCd) {
        // An audio CD plays 588 frames of 44.1 kHz from every block.
        const int64_t ms = freeBlocks * 588 * 1000 / 44100;
        LFormatDurationCs(&ms, line);
    } else {
        std::snprintf(line, sizeof line, "%5.2f MB", static_cast<double>(freeBlocks) / 512.0);
    }
    return line[0] != '\0' ? line : "N/A";
}

void LBurnDiscCapacityText(char* dest, bool checkDisc)
{
    std::string text;
    // A burn holds the drive: its disc is read again once the burn is over.
    if (!checkDisc || LIsBurnRunning()) {
        text = SettingText("CD", "Capacity", "Unknown");
    } else {
        LBurnOptions options;
        LLoadBurnOptions(&options);
        LBurnResult result;
        int64_t freeBlocks = 0, usedBlocks = 0;
        uint32_t media = kMediaNoDisc;
        const int32_t code =
            LReadDiscState(result, LProgramBurnBackend(), options, freeBlocks, usedBlocks, media);
        text = LFormatDiscCapacity(code, freeBlocks);
        LSettingsSetString("CD", "Capacity", text.c_str());
    }
    std::snprintf(dest, 260, "%s", text.c_str());
}

bool LDiscNeedsErase(uint32_t driveIndex)
{
    std::unique_ptr<LBurnDrive> drive = LGetBurnDevice(LProgramBurnBackend(), driveIndex);
    if (!drive)
        return false;
    const LBurnDiscStatus status = drive->DiscStatus();
    return drive->IsErasable() && (status == LBurnDiscStatus::Appendable || status == LBurnDiscStatus::Full);
}
