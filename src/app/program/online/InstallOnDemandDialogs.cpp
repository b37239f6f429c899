#include "app/program/online/InstallOnDemandDialogs.h"

#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"

LInstallOnDemandDialog::LInstallOnDemandDialog(const char* name, char* path)
    : LProgressDialog("Install-on-Demand"), name_(name), path_(path)
{
}

int64_t LInstallOnDemandDialog::Process()
{
    result = LDownloadAndInstallComponent(this, name_, path_);
    return 1;
}

bool LComponentInstallOnDemand(const char* name, char* path, LWindow* parent)
{
    LViewHandle view = parent != nullptr ? parent->GetView() : nullptr;
    LInstallOnDemandPrompts prompts;
    prompts.offerDownload = [view](const std::string& text) {
        LMessageBox offer(view, text.c_str(), "Install-on-Demand");
        offer.style = LMessageBoxWarningStyle;
        offer.SetButton(1, "Download");
        offer.SetButton(2, "Cancel");
        return offer.Show() == 1;
    };
    prompts.install = [view](const char* component, char* installed) {
        LInstallOnDemandDialog dialog(component, installed);
        dialog.Run(view);
        return dialog.result;
    };
    return LComponentInstallOnDemand(name, path, prompts);
}
