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

// A folder of the user-dirs scheme, named as there ("MUSIC", "PICTURES",
// "DOWNLOAD"): the line XDG_<name>_DIR of user-dirs.dirs in the preferences
// folder, else the environment variable XDG_<name>_DIR, else home + "/" +
// fallback, which is then created when missing. An entry that names the home
// folder itself means the folder is turned off, so the fallback is used.
bool LGetUserFolder(char* dest, const char* xdgName, const char* fallback);

bool LGetMusicFolder(char* dest);
bool LGetPicturesFolder(char* dest);
bool LGetDownloadsFolder(char* dest);
