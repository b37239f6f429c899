#include "audio/effects/LRestorationTasks.h"

#include "audio/effects/LSpeedChangeSoundFilter.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/threads/LProcessContext.h"

#include <sys/stat.h>

void LWorkerStatusRecord::SetStatusText(const char* text)
{
    std::lock_guard<std::mutex> hold(lock_);
    LStrCopyText(text_, text ? text : "", kTextSize);
}

void LWorkerStatusRecord::GetStatusText(char* dest) const
{
    std::lock_guard<std::mutex> hold(lock_);
    LStrCopyText(dest, text_, kTextSize);
}

LWorkerStatusRecord& WorkerStatus()
{
    static LWorkerStatusRecord record;
    return record;
}

bool GetAppOutputFolder(char* dest)
{
    char music[kLPathSize] = {};
    if (!LGetMusicFolder(music)) {
        dest[0] = '\0';
        return false;
    }
    char fallback[kLPathSize] = {};
    if (!LPathCombine(fallback, music, "Quorin", "")) {
        dest[0] = '\0';
        return false;
    }
    LSettingsGetString("Settings", "AppOutputFolder", fallback, dest);
    if (dest[0] == '\0')
        LStrCopyText(dest, fallback, kLPathSize);
    return true;
}

bool GetRecordingFolder(char* dest)
{
    // The wizard's working folder is private to the user and apart from
    // the output folder: the wizard empties it, which must never touch a
    // folder of the user's own.
    char caches[kLPathSize] = {};
    if (!LGetCachesFolder(caches) || !LPathCombine(dest, caches, "Recording", "")) {
        dest[0] = '\0';
        return false;
    }
    if (LFolderExists(dest) || mkdir(dest, 0700) == 0 || LFolderExists(dest))
        return true;
    dest[0] = '\0';
    return false;
}

namespace {

int ConvertSpeed(LProcessContext* context, LSoundSourcePtr& source, const char* title, double ratio)
{
    context->MessageLevel(title, 0);
    source = new LSpeedChangeSoundFilter(source, false, ratio);
    return 0;
}

} // namespace

int Convert45To33Rpm(LProcessContext* context, LSoundSourcePtr& source)
{
    return ConvertSpeed(context, source, "45To33RPM convert", kSpeed45To33Ratio);
}

int Convert78To45Rpm(LProcessContext* context, LSoundSourcePtr& source)
{
    return ConvertSpeed(context, source, "78To45RPM convert", kSpeed78To45Ratio);
}
