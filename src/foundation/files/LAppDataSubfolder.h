#pragma once
// Folders inside the program's per-user data folder.

// dest = the program's data folder joined with `name`, created (mode 0777 less
// the umask) when missing. True when dest names a folder afterwards; false
// (dest empty) when the path cannot be named.
bool LCreateAppDataSubfolder(const char* name, char* dest);
