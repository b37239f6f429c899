#include "app/program/preferences/PreferencesSheet.h"

#include "foundation/log/LLog.h"
#include "gui/framework/LMessageBox.h"

PreferencesSheet::PreferencesSheet()
{
    AddPage(&general_, GeneralPreferencesPage::Template(), "General");
    AddPage(&audio_, AudioPreferencesPage::Template(), "Audio Settings");
}

bool PreferencesSheet::CanOK()
{
    PreferenceChanges changes;
    folderChanged_ = false;
    if (!general_.Gather(changes)) {
        SelectPage(0);
        return false;
    }
    if (!audio_.Gather(changes)) {
        SelectPage(1);
        return false;
    }
    if (!changes.Commit()) {
        LLogWarning("Preferences: the settings file could not be written");
        LMessageBox box(GetView(),
                        "Quorin could not save your preferences: the settings file cannot be written. "
                        "Nothing was changed.",
                        "Quorin Dizer od OD Udivezeve");
        box.style = LMessageBoxCriticalStyle;
        box.Show();
        return false;
    }
    folderChanged_ = general_.OutputFolderChanged();
    general_.StopMonitoring();
    return true;
}

void PreferencesSheet::OnDestroy()
{
    // The input is no longer listened to once the sheet is gone, however it closed.
    general_.StopMonitoring();
    LPropertySheet::OnDestroy();
}

void PreferencesSheet::OnHelp()
{
    if (CurrentPage() == 1)
        audio_.OnHelp();
    else
        general_.OnHelp();
}

bool PreferencesSheet::Run(LWindow* parent, bool* outputFolderChanged, int startPage)
{
    PreferencesSheet sheet;
    const bool ok = sheet.DoModal(parent != nullptr ? parent->GetView() : nullptr, "Quorin Preferences", startPage);
    if (outputFolderChanged != nullptr)
        *outputFolderChanged = ok && sheet.OutputFolderChanged();
    return ok;
}
