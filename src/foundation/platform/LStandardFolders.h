#pragma once
// The program's standard per-user folders, from the XDG base-directory
// variables (falling back to their defaults under the home folder). Each
// fills a 260-byte buffer and gives "" (false) when the path cannot be named.

// The user's data folder: $XDG_DATA_HOME, else ~/.local/share.
bool LGetAppSupportFolder(char* dest);

// The program's own data folder, "Quorin" in the data folder; created (with
// its parents) when missing.
bool LGetAppDataFolder(char* dest);

// The folder of the preference files: $XDG_CONFIG_HOME, else ~/.config;
// created when missing.
bool LGetPreferencesFolder(char* dest);

// The daily log folder, "Logs" in the program's data folder; created when missing.
bool LGetLogsFolder(char* dest);

// The home folder: $HOME, else the password database's entry.
bool LGetHomeFolder(char* dest);
