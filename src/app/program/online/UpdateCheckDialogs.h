#pragma once
// The update check's windows: its progress window, the Help menu's "Check
// for New Version" with its answers, and the silent and start-up checks with
// the prompts they show. What is fetched, remembered and decided lies in
// online/LUpdateCheck.h, which has no windows.

#include "gui/framework/LProgressDialog.h"
#include "online/LUpdateCheck.h"

class LWindow;

// The progress window around LUpdateCheck.
class LUpdateCheckDialog : public LProgressDialog
{
public:
    LUpdateCheckDialog();
    int64_t Process() override;

    int result = 2;
    LVersionInfo info;
};

// The checks' prompts shown as windows: the fetch in LUpdateCheckDialog,
// the start-up offer in a message box.
LUpdateCheckPrompts LUpdateCheckWindowPrompts();

// The Help menu's "Check for New Version", over the main window.
void LCheckForUpdates(LWindow* mainWindow);

// LSilentUpdateCheck with its progress window.
int LSilentUpdateCheck(double* version);

// The start-up check with its windows, by this moment, build and system.
bool LStartupUpdateCheck(bool osCheckRequired);
// The same by the given facts.
bool LStartupUpdateCheckWith(bool osCheckRequired, const LStartupCheckFacts& facts);
