#include "app/queue/ConvertRecordingJob.h"

#include "app/queue/JobOutputFile.h"
#include "app/queue/QueueNotices.h"
#include "app/queue/SourceTagCopy.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/effects/LRestorationChain.h"
#include "audio/effects/LRestorationTasks.h"
#include "audio/formats/mp3/LMp3SoundSource.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LProcessContext.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsSameFile(const char* a, const char* b)
{
    struct stat first, second;
    return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool IsDiskFullError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

bool JobSourceIsMissing(const ProcessQueueRecord& record)
{
    struct stat info;
    return record.sourcePath[0] != '\0' && stat(record.sourcePath, &info) != 0 &&
           (errno == ENOENT || errno == ENOTDIR);
}

namespace {

// Logs a failure as a warning and tells the context, which shows it (a
// progress window) or passes it on to the main window (the worker).
void Fail(LProcessContext* context, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Fail(LProcessContext* context, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    LLogWarning(text);
    context->Message(text);
}

// Whether the record's restoration would run any tool: a setting counts as
// off only when its text begins with '0', so a store without them restores.
bool IsRestorationRequested()
{
    static const char* const kTools[] = {"DCOffset", "HPF",         "Equalization",
                                         "ClickPop", "NoiseReduce", "Normalization"};
    for (const char* name : kTools) {
        char value[260];
        if (!LSettingsGetString(kRestorationSection, name, "", value) || value[0] != '0')
            return true;
    }
    return LSettingsGetInt(kRecordingSourceSection, "RecordingSpeed", 0) != 0;
}

void OpenJobSource(LSoundSourcePtr& source, const char* path)
{
    if (HasExtensionNoCase(path, ".wav"))
        LOpenWavSoundSource(source, path);
    else if (HasExtensionNoCase(path, ".mp3"))
        source = LMp3SoundSource::Open(path);
    else
        LSetFailedSource(source, kSoundStatusUnsupported);
}

void FillDurationText(ProcessQueueRecord& record, const LSoundSourcePtr& source)
{
    if (record.durationText[0] != '\0')
        return;
    const int64_t rate = source->GetRate();
    const int64_t length = source->GetLength();
    int64_t ms = 0;
    if (rate > 0)
        ms = length / rate * 1000 + length % rate * 1000 / rate;
    char text[64];
    LFormatDurationCs(&ms, text);
    SetQueueText(record.durationText, text);
}

// Copies the finished file into the second folder without replacing
// anything there: under its own name, else "title - 0", "title - 1", ...
void CopyToSecondFolder(const char* output, const char* folder)
{
    if (!LFolderExists(folder) && !LCreateFolderPath(folder)) {
        LLogWarningF("Could not create the copy folder %s", folder);
        return;
    }
    char name[kLPathSize], title[kLPathSize], extension[kLPathSize], target[kLPathSize];
    if (!LPathGetFileName(name, output) || !LPathGetTitle(title, output) ||
        !LPathGetExtension(extension, output) || !LPathCombine(target, folder, name, "")) {
        LLogWarningF("Could not name a copy of %s in %s", output, folder);
        return;
    }
    for (int n = 0; LFileExists(target); ++n) {
        char numbered[kLPathSize];
        if (n >= 10000 ||
            std::snprintf(numbered, sizeof numbered, "%s - %d", title, n) >= (int)sizeof numbered ||
            !LPathCombine(target, folder, numbered, extension)) {
            LLogWarningF("Could not name a copy of %s in %s", output, folder);
            return;
        }
    }
    if (!LFileCopy(output, target))
        LLogWarningF("Copying of file %s to %s has failed", output, target);
}

// What a job whose source is gone but whose output is in place is: one
// that finished before its process was cut short, just before its record
// went from the queue.
bool WasFinishedBefore(const ProcessQueueRecord& record, const char* destination)
{
    return record.deleteSource && !LFileExists(record.sourcePath) && LFileExists(destination);
}

void Announce(const ProcessQueueRecord& record, const char* output)
{
    if (!record.notify)
        return;
    if (record.temporaryOutput) {
        QueueNotice notice;
        notice.code = kQueueNoticeTemporaryDone;
        QueueReporter().Post(notice);
    } else {
        QueueReporter().NotifyJobDone(output);
    }
}

} // namespace

int ConvertRecordingJob(LProcessContext* context, ProcessQueueRecord& record)
{
    const bool mp3 = strcasecmp(record.outputExtension, ".mp3") == 0;
    if (record.sourcePath[0] == '\0' || record.outputFolder[0] == '\0' ||
        (!mp3 && strcasecmp(record.outputExtension, ".wav") != 0)) {
        record.deleteSource = 0;
        Fail(context,
             "File conversion FAILED: the job for %s names no output folder or an unknown format \"%s\"",
             record.sourcePath, record.outputExtension);
        return kJobFailed;
    }

    char title[kLPathSize];
    if (!LPathGetTitle(title, record.sourcePath) ||
        (record.destinationPath[0] == '\0' &&
         !LPathCombine(record.destinationPath, record.outputFolder, title, record.outputExtension))) {
        record.deleteSource = 0;
        Fail(context, "File conversion FAILED: the output path for %s is too long", record.sourcePath);
        return kJobFailed;
    }

    // A job whose source is gone can make nothing: it ends before making or
    // searching its output folder, which a long queue of such jobs (a
    // recordings folder that was moved) would otherwise do for each one.
    if (JobSourceIsMissing(record)) {
        if (WasFinishedBefore(record, record.destinationPath)) {
            LLogInfoF("File %s was converted before the last run ended", record.destinationPath);
            Announce(record, record.destinationPath);
            context->Progress(1.0);
            return kJobDone;
        }
        record.deleteSource = 0;
        Fail(context, "File conversion FAILED: the source file could not be opened %s", record.sourcePath);
        return kJobFailed;
    }

    struct stat folderInfo;
    const bool folderExists = stat(record.outputFolder, &folderInfo) == 0;
    if ((folderExists && !S_ISDIR(folderInfo.st_mode)) ||
        (!folderExists && !LCreateFolderPath(record.outputFolder))) {
        record.deleteSource = 0;
        LLogWarningF("Unable to create the output folder %s", record.outputFolder);
        context->Message("ERROR: Unable to create folder.");
        return kJobFailed;
    }

    // The same file under any name: the result is to take the source's place.
    const bool replaceSource = IsSameFile(record.destinationPath, record.sourcePath);
    const char* output = replaceSource ? record.sourcePath : record.destinationPath;
    LLogInfoF("Converting file to destination %s", output);

    char outputFolder[kLPathSize];
    if (LPathGetFolder(outputFolder, output) >= 0)
        RemoveStaleJobFiles(outputFolder[0] ? outputFolder : ".");

    if (!replaceSource && WasFinishedBefore(record, output)) {
        LLogInfoF("File %s was converted before the last run ended", output);
        Announce(record, output);
        context->Progress(1.0);
        return kJobDone;
    }

    LSoundSourcePtr source;
    OpenJobSource(source, record.sourcePath);
    if (source->GetStatus() != kSoundStatusOk) {
        record.deleteSource = 0;
        Fail(context, "File conversion FAILED: the source file could not be opened %s", record.sourcePath);
        return kJobFailed;
    }

    if (record.restore && IsRestorationRequested()) {
        LLogInfo("Applying Audio Restoration");
        if (ApplyRestorationChain(context, source) != 0)
            LLogWarning("Audio Restoration FAILED: one or more Restoration Tools did not work");
    }

    JobOutputFile file;
    LSoundSinkPtr sink;
    if (file.Create(output)) {
        LWaveFormatBlock format;
        if (!mp3)
            JobWavFormat(format, source->GetRate(), source->GetChannels());
        CreateJobSink(sink, file.TempPath(), mp3, source->GetRate(), source->GetChannels(), format);
    }
    WorkerStatus().SetStatusText("Converting...");
    if (sink->IsFailed()) {
        record.deleteSource = 0;
        if (IsDiskFullError(sink->GetError()))
            context->MessageF(
                "File conversion FAILED: the disk is full: %s could not be made. Nothing is lost: "
                "the recording is kept as %s.",
                output, record.sourcePath);
        else
            context->MessageF("Save File Error: \"%s\"", output);
        LLogWarning("File conversion FAILED: could not create sink file");
        WorkerStatus().SetStatusText("");
        return kJobFailed;
    }

    int result;
    {
        LSoundProcessJob job;
        job.input = source;
        job.output = sink;
        result = ProcessSoundToSink(context, job);
    }
    FillDurationText(record, source);
    source.Reset();
    // Short writes, a full disk or an encoder that fails at its end all
    // show here: only a sink that finished whole counts.
    const bool finished = sink->Finish();
    const int writeError = sink->GetError();
    sink.Reset();
    if (result == kPumpDone && !finished)
        result = kJobFailed;

    if (result == kPumpDone &&
        CopySourceTags(record.sourcePath, file.TempPath()) == TagCopyResult::kWriteFailed)
        LLogWarningF("Tag write FAILED: could not write tag to file %s", output);

    if (result == kPumpDone && !file.CommitReplacing(output)) {
        result = kJobFailed;
        Fail(context, "File conversion FAILED: could not move the finished file to %s (%s)", output,
             std::strerror(errno));
    } else if (result != kPumpDone) {
        if (result == kJobFailed && IsDiskFullError(writeError))
            Fail(context,
                 "File conversion FAILED: the disk is full: %s could not be written. Nothing is lost: the "
                 "recording is kept as %s.",
                 output, record.sourcePath);
        else if (result == kJobFailed)
            Fail(context, "File conversion FAILED: could not write to the sink file %s (%s)", output,
                 std::strerror(writeError != 0 ? writeError : EIO));
        else
            LLogInfoF("File conversion stopped: %s", record.sourcePath);
    }
    WorkerStatus().SetStatusText("");
    if (result != kJobDone) {
        record.deleteSource = 0;
        file.Discard();
        return result;
    }

    Announce(record, output);
    if (record.makeCopy && record.copyFolder[0] != '\0')
        CopyToSecondFolder(output, record.copyFolder);
    context->Progress(1.0);

    if (record.deleteSource && !replaceSource) {
        if (unlink(record.sourcePath) != 0 && errno != ENOENT)
            LLogWarningF("File conversion FAILED: could not delete source file %s", record.sourcePath);
        else
            SyncFolderOfPath(record.sourcePath);
    }
    if (record.temporaryOutput && !replaceSource)
        unlink(output);
    return kJobDone;
}
