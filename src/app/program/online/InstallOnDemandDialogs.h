#pragma once
// The windows of an install on demand: the offer ("Install-on-Demand") and
// the progress window of the download. What is fetched, checked and
// installed lies in online/LComponentInstall.h, which has no windows.

#include "gui/framework/LProgressDialog.h"
#include "online/LComponentInstall.h"

class LWindow;

// The progress window around LDownloadAndInstallComponent.
class LInstallOnDemandDialog : public LProgressDialog
{
public:
    // path (260 bytes) receives the installed path; both must outlive the dialog's run.
    LInstallOnDemandDialog(const char* name, char* path);
    ~LInstallOnDemandDialog() override = default;
    int64_t Process() override;

    int result = 2;

private:
    const char* name_;
    char* path_;
};

// LComponentInstallOnDemand with its windows: the offer in a warning box and
// the install in its progress window, both over the parent.
bool LComponentInstallOnDemand(const char* name, char* path, LWindow* parent);
