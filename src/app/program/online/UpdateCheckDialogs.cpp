#include "app/program/online/UpdateCheckDialogs.h"

#include "foundation/log/LLog.h"
#include "foundation/platform/LDesktopOpen.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LMessageDialog.h"
#include "gui/framework/LWindow.h"
#include "online/LHttpParse.h"
#include "online/LOnlineSite.h"

#include <string>

namespace {

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

int RunCheckInWindow(LVersionInfo* info)
{
    LUpdateCheckDialog check;
    check.Run(nullptr);
    *info = check.info;
    return check.result;
}

bool OfferNewVersion(const std::string& text)
{
    LMessageBox box(nullptr, text.c_str(), "Updated Version Available");
    box.SetButton(1, "Get New Version");
    box.SetButton(2, "Maybe later");
    return box.Show() == 1;
}

} // namespace

LUpdateCheckDialog::LUpdateCheckDialog() : LProgressDialog("Checking for Updates") {}

int64_t LUpdateCheckDialog::Process()
{
    result = LUpdateCheck(this, &info);
    return result;
}

LUpdateCheckPrompts LUpdateCheckWindowPrompts()
{
    LUpdateCheckPrompts prompts;
    prompts.runCheck = &RunCheckInWindow;
    prompts.offerNewVersion = &OfferNewVersion;
    return prompts;
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
    return LSilentUpdateCheck(LUpdateCheckWindowPrompts(), version);
}

bool LStartupUpdateCheck(bool osCheckRequired)
{
    return LStartupUpdateCheckWith(osCheckRequired, LCurrentStartupCheckFacts());
}

bool LStartupUpdateCheckWith(bool osCheckRequired, const LStartupCheckFacts& facts)
{
    return LStartupUpdateCheckWith(osCheckRequired, facts, LUpdateCheckWindowPrompts());
}
