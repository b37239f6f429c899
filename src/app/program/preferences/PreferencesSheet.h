#pragma once
// "Quorin Preferences": the General and Audio Settings pages. OK checks
// every page first and then stores all of their values at once, so a page
// that refuses (or a settings file that cannot be written) leaves every
// setting as it was.

#include "app/program/preferences/AudioPreferencesPage.h"
#include "app/program/preferences/GeneralPreferencesPage.h"
#include "gui/framework/LPropertySheet.h"

class PreferencesSheet : public LPropertySheet
{
public:
    PreferencesSheet();

    bool CanOK() override;
    void OnHelp() override;
    void OnDestroy() override;

    GeneralPreferencesPage& General() { return general_; }
    AudioPreferencesPage& Audio() { return audio_; }
    // After OK: the recording output folder is another one now.
    bool OutputFolderChanged() const { return folderChanged_; }

    // Runs the sheet modally over parent; true when closed with OK.
    static bool Run(LWindow* parent, bool* outputFolderChanged = nullptr, int startPage = 0);

private:
    GeneralPreferencesPage general_;
    AudioPreferencesPage audio_;
    bool folderChanged_ = false;
};
