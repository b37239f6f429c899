#include "app/program/wizard/SideProcessing.h"

#include "app/queue/SplitJoinJobs.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/effects/LSilenceDetector.h"
#include "audio/effects/LSpeedChangeSoundFilter.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileExists.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LProcessContext.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <unistd.h>

namespace {

bool IsTapes()
{
    char text[260] = {};
    LSettingsGetString("RecordingSource", "Vinyl", "", text);
    return text[0] == '0';
}

void TellFailure(WizardRun& run, LWindow* parent, const char* text)
{
    if (run.ui != nullptr)
        run.ui->Tell(parent, text, kWizardProductTitle, LMessageBoxCriticalStyle);
}

// The WAV coding the user chose, PCM 16 bits at the input's rate and
// channels when none is stored (then stored, so the options show it).
LWaveFormatBlock OutputCoding(const LSoundSourcePtr& input)
{
    LWaveFormatBlock block;
    const uint16_t channels = static_cast<uint16_t>(input->GetChannels());
    LSetWaveFormatBlock(block, 1, static_cast<uint32_t>(input->GetRate()), channels, 16);
    char path[kLPathSize] = {};
    if (!LGetWavCodecSettingsPath(path))
        return block;
    if (!LFileExists(path))
        LSaveWavCodecSettings(block, path);
    LWaveFormatBlock stored;
    if (LLoadWavCodecSettings(stored, path))
        return stored;
    return block;
}

// The dated copy of a side, at its right speed. Result as the jobs'.
int MakeDatedCopy(LProcessContext* context, WizardRun& run, LWindow* parent, int side, std::string* dated)
{
    *dated = MakeDatedSideName(run.folders, side);
    if (!LFileCopy(run.folders.SidePath(side).c_str(), dated->c_str())) {
        LLogWarningF("The recorded side %s could not be copied", run.folders.SidePath(side).c_str());
        TellFailure(run, parent, "Convert to normal speed failed.");
        return kWizardJobFailed;
    }
    const int result = ConvertSideToNormalSpeed(context, dated->c_str());
    if (result != kWizardJobDone) {
        unlink(dated->c_str());
        if (result != kWizardJobCancelled)
            TellFailure(run, parent, "Convert to normal speed failed.");
    }
    return result;
}

int SplitSide(LProcessContext* context, WizardRun& run, LWindow* parent, int side,
              const SilenceSplitParams& params)
{
    std::string dated;
    int result = MakeDatedCopy(context, run, parent, side, &dated);
    if (result != kWizardJobDone)
        return result;
    std::vector<SoundSpan> spans;
    {
        LSoundSourcePtr source;
        LOpenWavSoundSource(source, dated.c_str());
        SoundRegion* regions = nullptr;
        result = source->GetStatus() == kSoundStatusOk ? FindSilentRegions(context, params, source, &regions)
                                                       : kWizardJobFailed;
        for (SoundRegion* region = regions; region != nullptr; region = region->next)
            spans.push_back({region->start, region->end});
        FreeSoundRegions(&regions);
    }
    if (result == kWizardJobDone) {
        context->MessageLevel(
            side == 2 ? "Splitting recorded file side two." : "Splitting recorded file side one.", 0);
        result = SplitFileRegions(context, dated.c_str(), spans);
    }
    unlink(dated.c_str());
    return result;
}

} // namespace

std::string MakeDatedSideName(const WizardFolders& folders, int side)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[96];
    std::snprintf(name, sizeof name, "side%d %.4d-%.2d-%.2d %.2d-%.2d-%.2d.wav", side == 2 ? 2 : 1,
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return folders.Recording() + "/" + name;
}

double WizardSpeedRatio(int recordingSpeed)
{
    switch (recordingSpeed) {
    case 1:
        return kSpeed45To33Ratio;
    case 2:
        return kSpeed78To45Ratio;
    default:
        return 0;
    }
}

int ConvertSideToNormalSpeed(LProcessContext* context, const char* path)
{
    if (IsTapes())
        return kWizardJobDone;
    LSoundProcessJob job;
    LOpenWavSoundSource(job.input, path);
    if (job.input->GetStatus() != kSoundStatusOk) {
        context->MessageF("Save File Error: \"%s\"", path);
        return kWizardJobFailed;
    }
    const int speed = LSettingsGetInt("RecordingSource", "RecordingSpeed", 0);
    if (speed == 1 || speed == 2) {
        job.title = speed == 1 ? "45To33RPM convert" : "78To45RPM convert";
        context->MessageLevel(job.title.c_str(), 0);
        // The exact resampler: the quotient of the two speeds, not a nearby
        // ratio of small integers, so the pitch comes out right.
        job.input = new LSpeedChangeSoundFilter(job.input, true, WizardSpeedRatio(speed));
    } else {
        job.title = "Saving recorded side";
    }
    // The sink writes beside the file under a hidden name and takes the
    // file's name only when finished, so the side is never half rewritten.
    CreateSoundSinkForFormat(job.output, path, OutputCoding(job.input));
    if (job.output->IsFailed()) {
        context->MessageF("Save File Error: \"%s\"", path);
        return kWizardJobFailed;
    }
    const int result = ProcessSoundToSink(context, job);
    job.input = nullptr;
    if (result != kPumpDone) {
        job.output->Abandon();
        return result == kPumpCancelled ? kWizardJobCancelled : kWizardJobFailed;
    }
    if (!job.output->Finish()) {
        context->MessageF("Save File Error: \"%s\"", path);
        return kWizardJobFailed;
    }
    return kWizardJobDone;
}

int WizardConvertSidesToNormalSpeed(LProcessContext* context, WizardRun& run, LWindow* parent)
{
    for (int side = 1; side <= 2; ++side) {
        if (!run.folders.HasSide(side))
            continue;
        std::string dated;
        const int result = MakeDatedCopy(context, run, parent, side, &dated);
        if (result != kWizardJobDone)
            return result;
    }
    return kWizardJobDone;
}

int WizardSplitSides(LProcessContext* context, WizardRun& run, LWindow* parent)
{
    SilenceSplitParams params;
    params.noiseFloor =
        static_cast<int8_t>(std::clamp(LSettingsGetInt("Settings", "dBNoiseFloor", -25), -127, 127));
    params.minimumSilence =
        static_cast<int64_t>(std::max(LSettingsGetInt("Settings", "AutoSplitTime", 2), 0)) * 1000;
    for (int side = 1; side <= 2; ++side) {
        if (!run.folders.HasSide(side))
            continue;
        const int result = SplitSide(context, run, parent, side, params);
        if (result != kWizardJobDone)
            return result;
    }
    return kWizardJobDone;
}

int WizardSaveSplitFiles(LProcessContext* context, const WizardFolders& folders)
{
    if (context->IsStopRequested())
        return kWizardJobCancelled;
    WizardFolders::EmptyFolder(folders.Save());
    const std::vector<std::string> names = folders.TrackFiles();
    if (names.empty())
        return kWizardJobDone;
    size_t copied = 0;
    for (const std::string& name : names) {
        if (context->IsStopRequested())
            return kWizardJobCancelled;
        const std::string from = folders.Recording() + "/" + name;
        const std::string to = folders.Save() + "/" + name;
        if (!LFileCopy(from.c_str(), to.c_str())) {
            LLogWarningF("The track %s could not be copied to %s", from.c_str(), to.c_str());
            return kWizardJobFailed;
        }
        ++copied;
        context->Progress(static_cast<double>(copied) / static_cast<double>(names.size()));
        context->MessageLevel(name.c_str(), 1);
    }
    return kWizardJobDone;
}
