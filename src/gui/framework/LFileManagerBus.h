#pragma once
// The file manager on the session bus (org.freedesktop.FileManager1): the
// desktop's file managers answer its ShowItems call by opening the folder of
// each item with the item selected. Installed as the foundation's
// file-manager hand-over (LSetFileManagerShowItem), so that revealing a
// folder selects its first file; where no file manager answers, revealing
// opens the folder alone.

// Installs it; the application does this once its toolkit is up.
void LInstallFileManagerBus();

// One ShowItems call with the item's "file://" address; true when a file
// manager answered it without an error.
bool LFileManagerBusShowItem(const char* itemUri);
