#pragma once
// The first start of a new installation (or of a new version): the
// new-version record, the shared files, and the program's entry in the
// desktop's application menu with its icon. Started as the installer from
// outside an installation, the program first installs itself for the user
// and hands this start to the installed copy (LApplicationsFolder.h).

#include "foundation/threads/LThreadOwner.h"

#include <string>

inline constexpr const char* kProgramVersionText = "3.00";

// Runs before the main window exists; true lets the start-up go on, false
// ends it (an installer launch that started the installed copy, or failed).
bool LFirstRunStep();
// No record of this version's installation, or the program is newer than it.
bool LIsNewInstallation();
// The records of a new installation in the settings. Always true.
bool LWriteNewVersionRecord();

// The desktop entry's id and the files the installation writes under
// $XDG_DATA_HOME: applications/<id>.desktop and the icon in the hicolor theme.
inline constexpr const char* kDesktopEntryId = "com.oxbelsoftware.quorin";
std::string LDesktopEntryPath();
std::string LDesktopIconPath();
// The entry's text for the program at `executable`.
std::string LDesktopEntryText(const char* executable);
// Writes the entry and the icon (each replaced whole). False when either
// could not be written.
bool LInstallDesktopEntry();

// The first-run work off the main thread: the new-version record, then the
// desktop entry. The main thread waits for it; destroying it asks it to
// stop and waits until it has ended.
class LStartupInstallThread : public LThreadOwner
{
public:
    LStartupInstallThread() = default;
    ~LStartupInstallThread() override;

    bool recordWritten = false;
    bool entryInstalled = false;

protected:
    void Run() override;
};
