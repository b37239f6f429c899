#include "online/LUpdateCheck.h"

#include "foundation/log/LLog.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/platform/LVersionInfo.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LProcessContext.h"
#include "online/LHttpClient.h"
#include "online/LHttpParse.h"
#include "online/LOnlineSite.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>

namespace {

constexpr uint32_t kVersionFileTimeoutMs = 17048;

bool IsSet(const char* value)
{
    return value[0] != '\0' && value[0] != '0';
}

void OpenAddress(const std::string& url)
{
    if (!url.empty())
        LOpenURL(url.c_str());
}

} // namespace

int LVersionHundredths(double version)
{
    return static_cast<int>(std::lround(version * 100));
}

std::string LUpdateInfoPageUrl(const char* info)
{
    if (info == nullptr || info[0] == '\0')
        return "";
    std::string url = std::strstr(info, "://") != nullptr ? info : std::string("http://") + info;
    LHttpUrl parsed;
    if (!LHttpParseUrl(url.c_str(), &parsed))
        return "";
    return LApplySiteOverride(url.c_str());
}

int LUpdateCheck(LProcessContext* context, LVersionInfo* out)
{
    *out = LVersionInfo();
    context->MessageLevel("Checking for updated version...", 0);
    context->MessageLevel("This should be quick. Please wait a moment...", 1);
    context->Progress(0);
    if (context->IsStopRequested())
        return 1;
    char text[kVersionFileSize];
    const std::string url = LSiteUrl(kVersionFilePath);
    const int result = LHttpGetToBuffer(context, url.c_str(), text, sizeof text, kVersionFileTimeoutMs);
    if (result != 0) {
        if (result == 2)
            LLogWarningF("Update check: %s: %s", url.c_str(), LHttpLastError());
        return result;
    }
    if (!LParseVersionFile(text, out)) {
        LLogWarningF("Update check: %s is not a version file", url.c_str());
        return 2;
    }
    context->Progress(1);
    return 0;
}

int LSilentUpdateCheck(const LUpdateCheckPrompts& prompts, double* version)
{
    *version = 0;
    const int known = LSettingsGetInt("Settings", "NewerVersion", 0);
    if (known != 0) {
        *version = known / 100.0;
        // Once a newer version is known the answer cannot change for this
        // copy: it is out of date until a new installation, which forgets
        // the setting, so there is no reason to go online again.
        if (known > kQuorinVersionHundredths)
            return 0;
    }
    LVersionInfo info;
    const int result = prompts.runCheck(&info);
    if (result != 0)
        return result;
    LSettingsSetInt("Settings", "NewerVersion", LVersionHundredths(info.version));
    *version = info.version;
    return 0;
}

int LCurrentOsCode()
{
    const LOsVersion& os = LGetOsVersion();
    if (os.versionId[0] >= '0' && os.versionId[0] <= '9') {
        char* end = nullptr;
        const long major = std::strtol(os.versionId, &end, 10);
        long minor = 0;
        if (*end == '.')
            minor = std::strtol(end + 1, nullptr, 10);
        if (major >= 0 && major < 100000 && minor >= 0 && minor < 100)
            return static_cast<int>(major * 100 + minor);
    }
    return os.kernelMajor * 100 + os.kernelMinor;
}

bool LStartupUpdateCheckWith(bool osCheckRequired, const LStartupCheckFacts& facts,
                             const LUpdateCheckPrompts& prompts)
{
    // No Linux system loses the program's support, so the required mode
    // never applies and no support date ends the checks.
    (void)osCheckRequired;
    char afterCrash[260];
    LSettingsGetString("Settings", "VersionCheckAfterCrash", "", afterCrash);
    LSettingsDelete("Settings", "VersionCheckAfterCrash");
    const bool forced = IsSet(afterCrash) && facts.now > LDateTime::AddMonths(facts.buildDate, 6);
    if (!forced) {
        if (facts.now < LDateTime::AddMonths(facts.buildDate, 18))
            return true;
        if (LSettingsGetInt("Settings", "OSCheck", 0) == facts.osCode)
            return true;
    }
    double online = 0;
    // A failed or cancelled check only skips the check: the program starts.
    if (LSilentUpdateCheck(prompts, &online) != 0)
        return true;
    LSettingsSetInt("Settings", "OSCheck", facts.osCode);
    if (LVersionHundredths(online) <= kQuorinVersionHundredths)
        return true;
    const std::string site = LSiteUrl("");
    const std::string text =
        "New features and bug fixes have been added to Quorin.\n\nDownload the new version from " + site +
        ".";
    if (!prompts.offerNewVersion(text))
        return true;
    OpenAddress(LSiteUrl("/quorin/index.html"));
    return false;
}

LStartupCheckFacts LCurrentStartupCheckFacts()
{
    LStartupCheckFacts facts;
    facts.now = LDateTime(time(nullptr));
    facts.buildDate = LGetBuildDate();
    facts.osCode = LCurrentOsCode();
    return facts;
}
