#include "online/LUpdateCheck.h"

#include "foundation/log/LLog.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/platform/LVersionInfo.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LMessageDialog.h"
#include "gui/framework/LWindow.h"
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

std::string NewsletterUrl()
{
    // No mail account is known to the program here; the page asks for it.
    return LSiteUrl("/software/newsletter.html?software=Quorin&appname=Quorin&version=3.00MAC");
}

void OfferFollowPages(LViewHandle parent)
{
    static const LMessageButton buttons[] = {
        {5001, "Follow version updates on Facebook", "Select if you have a Facebook account"},
        {5002, "Follow version updates on Twitter", "Select if you have a Twitter account"},
        {0, nullptr, nullptr},
    };
    LMessageDialog dialog(
        parent, "Follow Oxbel Software Releases",
        "Sign up to follow Oxbel Software for automatic, instant program release notifications of "
        "new versions.",
        nullptr, buttons, 5001, true);
    const int chosen = dialog.Run();
    if (chosen == 5001)
        OpenAddress(LApplySiteOverride(kQuorinFacebookPage));
    else if (chosen == 5002)
        OpenAddress(LApplySiteOverride(kQuorinTwitterPage));
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

LUpdateCheckDialog::LUpdateCheckDialog() : LProgressDialog("Checking for Updates") {}

int64_t LUpdateCheckDialog::Process()
{
    result = LUpdateCheck(this, &info);
    return result;
}

void LCheckForUpdates(LWindow* mainWindow)
{
    LViewHandle parent = mainWindow != nullptr ? mainWindow->GetView() : nullptr;
    LUpdateCheckDialog check;
    check.Run(parent);
    if (check.result != 0) {
        LMessageBox box(parent, "Online version information for Quorin is not currently available.",
                        "No Version Information");
        box.SetButton(1, "OK");
        box.Show();
        return;
    }
    if (LVersionHundredths(check.info.version) > kQuorinVersionHundredths) {
        LMessageBox box(
            parent,
            "An updated version of Quorin is now available for download online. Do you want to see "
            "more information about the new version?",
            "Updated Version Available");
        box.SetButton(1, "View");
        box.SetButton(2, "Cancel");
        if (box.Show() == 1) {
            const std::string page = LUpdateInfoPageUrl(check.info.info);
            if (page.empty())
                LLogWarningF("Update check: the information page \"%s\" is no web address; not opened",
                             LHttpPrintable(check.info.info).c_str());
            OpenAddress(page);
        }
        return;
    }
    LMessageBox box(
        parent,
        "You are using the current version.\r\n\r\nSign up to the Oxbel Version Update Newsletter "
        "today to be notified of future releases.",
        "Version Current");
    box.SetButton(1, "Sign Up");
    box.SetButton(2, "Maybe Later");
    if (box.Show() == 1)
        OpenAddress(NewsletterUrl());
    OfferFollowPages(parent);
}

int LSilentUpdateCheck(double* version)
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
    LUpdateCheckDialog check;
    check.Run(nullptr);
    if (check.result != 0)
        return check.result;
    LSettingsSetInt("Settings", "NewerVersion", LVersionHundredths(check.info.version));
    *version = check.info.version;
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

bool LStartupUpdateCheckWith(bool osCheckRequired, const LStartupCheckFacts& facts)
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
    if (LSilentUpdateCheck(&online) != 0)
        return true;
    LSettingsSetInt("Settings", "OSCheck", facts.osCode);
    if (LVersionHundredths(online) <= kQuorinVersionHundredths)
        return true;
    const std::string site = LSiteUrl("");
    const std::string text =
        "New features and bug fixes have been added to Quorin.\n\nDownload the new version from " + site +
        ".";
    LMessageBox box(nullptr, text.c_str(), "Updated Version Available");
    box.SetButton(1, "Get New Version");
    box.SetButton(2, "Maybe later");
    if (box.Show() != 1)
        return true;
    OpenAddress(LSiteUrl("/quorin/index.html"));
    return false;
}

bool LStartupUpdateCheck(bool osCheckRequired)
{
    LStartupCheckFacts facts;
    facts.now = LDateTime(time(nullptr));
    facts.buildDate = LGetBuildDate();
    facts.osCode = LCurrentOsCode();
    return LStartupUpdateCheckWith(osCheckRequired, facts);
}
