#include "online/LComponentInstall.h"

#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSharedSettings.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "online/LComponentsFolder.h"
#include "online/LHttpClient.h"
#include "online/LInstallLock.h"
#include "online/LOnlineSite.h"
#include "online/LVersionFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr const char* kCodecComponents[] = {"a52dec3", "aacdec",   "aacdec3", "aacenc",   "ffmpeg3",
                                            "flacdec", "flacdec2", "flacenc", "flacenc2", "mpcenc"};
constexpr uint32_t kVersionTimeoutMs = 25000;
constexpr size_t kVersionFileSize = 2048;

bool IsMp3Encoder(const char* name)
{
    return std::strcmp(name, kMp3EncoderComponentName) == 0;
}

// The encoder "is installed" when the library loads: the file the encoder
// itself would load (the components folder, then the program's resources)
// or, when there is none, where an install puts it.
bool Mp3EncoderLoads(char* path)
{
    if (!LFindComponentFile(kMp3EncoderComponentName, path))
        LGetComponentPath(kMp3EncoderComponentName, path);
    LMp3EncoderComponent component;
    return component.IsLoaded();
}

// Why the last install of this thread failed; and when an archive came
// whole but was refused, why it was.
thread_local std::string gInstallError;
thread_local std::string gArchiveRefusal;

bool ComponentUsable(const char* name, char* path)
{
    return IsMp3Encoder(name) ? Mp3EncoderLoads(path) : LGetComponentPath(name, path);
}

// What the offer says besides the download: the MP3 encoder is the system's
// LAME library, which the package manager can provide as well.
std::string OfferText(const char* name)
{
    if (IsMp3Encoder(name))
        return "Quorin cannot load its MP3 encoder, so recordings cannot be saved as MP3 files.\r\n\r\n"
               "Download and install the encoder now? The other way is the package libmp3lame0, which "
               "provides it as well: install it (for example with \"sudo apt install libmp3lame0\") and "
               "try again.";
    return std::string("Quorin needs the component \"") + name +
           "\", which is not installed.\r\n\r\nDownload and install it now?";
}

// Fetches the zip from one host and installs it: 0, 1 stopped, 2 failed.
int FetchAndInstall(LProcessContext* context, const char* name, const char* installed, int host)
{
    const std::string url = LComponentDownloadUrl(name, host);
    gArchiveRefusal.clear();
    char zip[kLPathSize];
    if (std::snprintf(zip, sizeof zip, "%s%s", installed, LIsCodecComponent(name) ? ".zip" : "i.zip") >=
        static_cast<int>(sizeof zip)) {
        gInstallError = "the components folder's path is too long";
        return 2;
    }
    // Code is fetched over verified TLS only: an address that is not https
    // (a plain QUORIN_SITE, say) is refused by the client.
    const int fetched = LHttpsGetToFile(context, url.c_str(), zip, false);
    if (fetched != 0) {
        LLogWarningF("Component %s: %s could not be fetched: %s", name, url.c_str(), LHttpLastError());
        gInstallError = LHttpLastError();
        unlink(zip);
        return fetched;
    }
    std::string why;
    const int result = LInstallComponentZip(name, zip, true, &why);
    if (result != 0) {
        LLogWarningF("Component %s: the archive from %s was refused: %s", name, url.c_str(), why.c_str());
        gInstallError = "the archive was downloaded but refused: " + why;
        gArchiveRefusal = why;
    }
    return result;
}

} // namespace

bool LIsCodecComponent(const char* name)
{
    for (const char* codec : kCodecComponents)
        if (std::strcmp(name, codec) == 0)
            return true;
    return false;
}

std::string LComponentZipName(const char* name)
{
    return std::string(name) + (LIsCodecComponent(name) ? ".zip" : "i.zip");
}

std::string LComponentDownloadUrl(const char* name, int host)
{
    const std::string address = std::string(host == 0 ? kQuorinSite : kQuorinSecondSite) +
                                "/components/mac/" + LComponentZipName(name);
    return LApplySiteOverride(address.c_str());
}

std::string LComponentVersionUrl(const char* name)
{
    return LSiteUrl(("/versions/components/" + std::string(name) + "_mac.txt").c_str());
}

int LGetComponentVersion(LProcessContext* context, double* version, const char* name)
{
    *version = 0;
    const std::string url = LComponentVersionUrl(name);
    if (url.rfind("https://", 0) != 0)
        return 2;
    char text[kVersionFileSize];
    const int result = LHttpGetToBuffer(context, url.c_str(), text, sizeof text, kVersionTimeoutMs);
    if (result != 0)
        return result;
    return LParseComponentVersionFile(text, version) ? 0 : 2;
}

const char* LComponentInstallLastError()
{
    return gInstallError.c_str();
}

int LDownloadAndInstallComponent(LProcessContext* context, const char* name, char* path, bool replace)
{
    path[0] = '\0';
    gInstallError.clear();
    gArchiveRefusal.clear();
    if (name == nullptr || name[0] == '\0' || std::strchr(name, '/') != nullptr ||
        std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return 2;
    char folder[kLPathSize];
    if (!LGetComponentsFolder(folder)) {
        LGetComponentPath(name, path);
        return 2;
    }
    LInstallLock lock;
    const int locked = lock.Take(context, folder);
    if (locked != 0)
        return locked;
    LRemoveStaleComponentUnpacks(folder);

    // Another process may have installed it while this one waited.
    if (ComponentUsable(name, path) && !replace)
        return 0;
    // The download goes to the components folder whatever was found before.
    LGetComponentPath(name, path);

    context->MessageLevel("Download install-on-demand", 0);
    context->MessageLevel(name, 1);
    int result = FetchAndInstall(context, name, path, 0);
    if (result == 2 && !context->IsStopRequested())
        result = FetchAndInstall(context, name, path, 1);
    if (result != 0) {
        std::string message = std::string("Error downloading component ") + name;
        // The user learns why when the download came whole and its content
        // was refused; a download that failed tells nothing more useful.
        if (result == 2 && !gArchiveRefusal.empty())
            message += "\r\n\r\nThe archive was downloaded but refused: " + gArchiveRefusal + ".";
        context->Message(message.c_str());
        return result;
    }

    LLocalProcessContext unstoppable;
    double version = 0;
    if (LGetComponentVersion(&unstoppable, &version, name) == 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", version);
        LSharedSettingsSetString("ComponentVersions", name, text);
    }
    if (ComponentUsable(name, path))
        return 0;
    if (IsMp3Encoder(name)) {
        // An encoder that does not load would stand in front of the one the
        // program ships, for good: it goes.
        char installed[kLPathSize];
        if (LGetComponentsFolder(folder) &&
            LPathCombine(installed, folder, LComponentFileName(name).c_str(), ""))
            unlink(installed);
        char message[kLPathSize + 64];
        std::snprintf(message, sizeof message, "Error downloading component %s", name);
        context->Message(message);
    }
    return 2;
}

bool LComponentInstallOnDemand(const char* name, char* path, const LInstallOnDemandPrompts& prompts)
{
    if (ComponentUsable(name, path))
        return true;
    if (!prompts.offerDownload(OfferText(name)))
        return false;
    return prompts.install(name, path) == 0;
}
